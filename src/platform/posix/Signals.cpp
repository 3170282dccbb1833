#include "platform/posix/Signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <initializer_list>

namespace emberhall {

namespace {

volatile sig_atomic_t requested = 0;
// A byte in this pipe wakes a wait that began just before the signal came.
int wakePipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  requested = 1;
  const int saved = errno;
  if (wakePipe[1] >= 0) [[maybe_unused]] const ssize_t ignored = write(wakePipe[1], "x", 1);
  errno = saved;
}

}  // namespace

void InstallTerminationHandlers() {
  if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) wakePipe[0] = wakePipe[1] = -1;
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  // Blocking calls carry on after the handler; waits (poll) still return at
  // once, as the system never restarts them.
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool TerminationRequested() { return requested != 0; }

void ClearTerminationRequest() {
  requested = 0;
  char drain[64];
  if (wakePipe[0] >= 0)
    while (read(wakePipe[0], drain, sizeof drain) > 0) {
    }
}

int TerminationWakeFd() { return wakePipe[0]; }

}  // namespace emberhall
