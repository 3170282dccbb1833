#include "platform/posix/PasswordCheck.h"

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/SysUtils.h"
#include "platform/Paths.h"
#include "platform/posix/Signals.h"

extern char** environ;

namespace emberhall {

namespace {

constexpr int kHelperConfirmed = 0;
constexpr int kHelperNoService = 3;

// Starts the helper with one end of a socket pair as its standard input
// (a socket, so that writing to a helper that has gone raises no SIGPIPE).
bool StartHelper(const std::string& Helper, pid_t& Pid, int& Input) {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
  char* argv[] = {const_cast<char*>(Helper.c_str()), nullptr};
  const int error = posix_spawn(&Pid, Helper.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  if (error != 0) {
    close(ends[0]);
    return false;
  }
  Input = ends[0];
  return true;
}

void SendPassword(int Input, const std::string& Password) {
  std::string line = Password + "\n";
  size_t sent = 0;
  while (sent < line.size()) {
    const ssize_t n = send(Input, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  explicit_bzero(line.data(), line.size());
  close(Input);
}

pid_t WaitChild(pid_t Pid, int& Status, int Options) {
  pid_t r;
  while ((r = waitpid(Pid, &Status, Options)) < 0 && errno == EINTR) {
  }
  return r;
}

// The helper's exit status, or -1 when it did not end in time or the run is
// to end (it is then killed and reaped).
int AwaitHelper(pid_t Pid, const std::function<void()>& WhileWaiting, int TimeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    int status = 0;
    const pid_t r = WaitChild(Pid, status, WNOHANG);
    if (r == Pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (r < 0) return -1;
    if (std::chrono::steady_clock::now() >= deadline || TerminationRequested()) {
      kill(Pid, SIGKILL);
      WaitChild(Pid, status, 0);
      return -1;
    }
    if (WhileWaiting) WhileWaiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

std::string PasswordHelperPath() {
  const std::string exe = ProgramFileName();
  return exe.empty() ? "" : ExtractFilePath(exe) + "emberhall-auth";
}

bool PasswordHelperPresent(const std::string& Helper) { return !Helper.empty() && access(Helper.c_str(), X_OK) == 0; }

TPasswordVerdict CheckPassword(const std::string& Helper, const std::string& Password,
                               const std::function<void()>& WhileWaiting, int TimeoutMs) {
  if (!PasswordHelperPresent(Helper)) return TPasswordVerdict::NoService;
  pid_t pid = 0;
  int input = -1;
  if (!StartHelper(Helper, pid, input)) return TPasswordVerdict::Refused;
  SendPassword(input, Password);
  const int status = AwaitHelper(pid, WhileWaiting, TimeoutMs);
  if (status == kHelperConfirmed) return TPasswordVerdict::Confirmed;
  if (status == kHelperNoService) return TPasswordVerdict::NoService;
  return TPasswordVerdict::Refused;
}

}  // namespace emberhall
