#include "platform/posix/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/SessionBus.h"

extern char** environ;

namespace emberhall {

std::vector<std::string> SplitCommandLine(const std::string& CommandLine) {
  std::vector<std::string> args;
  std::string current;
  bool inArg = false, quoted = false;
  for (size_t i = 0; i < CommandLine.size(); ++i) {
    char c = CommandLine[i];
    if (quoted) {
      if (c == '"' && i + 1 < CommandLine.size() && CommandLine[i + 1] == '"') {
        current += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        current += c;
      }
    } else if (c == '"') {
      quoted = inArg = true;
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (inArg) args.push_back(current);
      current.clear();
      inArg = false;
    } else {
      current += c;
      inArg = true;
    }
  }
  if (inArg) args.push_back(current);
  return args;
}

std::string QuoteCommandArgument(const std::string& Argument) {
  if (!Argument.empty() && Argument.find_first_of(" \t\n\r\"") == std::string::npos) return Argument;
  std::string quoted = "\"";
  for (char c : Argument) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

namespace {

bool Spawn(const std::vector<std::string>& args, const std::string& Directory, pid_t& Pid, int& error) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // The child gets the environment without the program's own session-bus
  // stand-in: it looks for a bus of its own.
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e)
    if (!IsOurSessionBusOverride(*e)) envp.push_back(*e);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!Directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, Directory.c_str());
  error = posix_spawnp(&Pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return error == 0;
}

}  // namespace

bool SpawnProcess(const std::string& CommandLine, const std::string& Directory, int NiceValue, pid_t& Pid,
                  std::string& ErrorText) {
  std::vector<std::string> args = SplitCommandLine(CommandLine);
  if (args.empty()) {
    ErrorText = std::strerror(ENOENT);
    return false;
  }
  int error = 0;
  if (!Spawn(args, Directory, Pid, error)) {
    ErrorText = std::strerror(error);
    return false;
  }
  setpriority(PRIO_PROCESS, static_cast<id_t>(Pid), NiceValue);
  return true;
}

int NiceValueOf(TProcessPriority Priority) {
  switch (Priority) {
    case TProcessPriority::High: return -10;
    case TProcessPriority::Idle: return 19;
    case TProcessPriority::RealTime: return -20;
    default: return 0;
  }
}

bool StartProcess(const std::string& CommandLine, const std::string& Directory, TProcessPriority Priority,
                  TProcessId& Id, std::string& ErrorText) {
  pid_t pid = 0;
  if (!SpawnProcess(CommandLine, Directory, NiceValueOf(Priority), pid, ErrorText)) return false;
  Id = pid;
  return true;
}

bool ProcessRunning(TProcessId Id, int& ExitCode) {
  const auto Pid = static_cast<pid_t>(Id);
  int status = 0;
  pid_t r;
  while ((r = waitpid(Pid, &status, WNOHANG)) < 0 && errno == EINTR) {
  }
  if (r == 0) return true;
  if (r < 0) {
    ExitCode = -1;
    return false;
  }
  ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return false;
}

void AskProcessToEnd(TProcessId Id) {
  if (Id > 0) kill(static_cast<pid_t>(Id), SIGTERM);
}

void ShellOpen(const std::string& File, const std::string& Directory) {
  // The shell puts xdg-open in the background and ends at once, so the
  // child is reaped here and no zombie stays behind.
  std::vector<std::string> args = {"/bin/sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 &", "sh", File};
  pid_t pid = 0;
  int error = 0;
  if (Spawn(args, Directory, pid, error)) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

void SetOwnNiceValue(int NiceValue) { setpriority(PRIO_PROCESS, 0, NiceValue); }
}  // namespace emberhall
