#include "platform/posix/Signals.h"

#include <signal.h>

#include <initializer_list>

namespace emberhall {

namespace {

volatile sig_atomic_t requested = 0;

void OnTerminationSignal(int) { requested = 1; }

}  // namespace

void InstallTerminationHandlers() {
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  // Blocking calls carry on after the handler; waits (poll) still return at
  // once, as the system never restarts them.
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool TerminationRequested() { return requested != 0; }

void ClearTerminationRequest() { requested = 0; }

}  // namespace emberhall
