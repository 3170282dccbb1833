// Child processes: start with a working folder and a nice value, poll for
// the end, and the shell's "open" action through xdg-open.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace emberhall {

// Splits a command line into arguments: blanks separate them, double quotes
// group blanks into one (two quotes inside quotes stand for one quote).
std::vector<std::string> SplitCommandLine(const std::string& CommandLine);
// One argument as SplitCommandLine reads it back: quoted when it is empty
// or holds a blank or a quote.
std::string QuoteCommandArgument(const std::string& Argument);

// Starts the program of CommandLine (searched in PATH when it has no "/") in
// Directory (the current one when empty), then sets its nice value (an
// increase of priority that the system refuses is ignored). On failure
// returns false with the system's text in ErrorText.
bool SpawnProcess(const std::string& CommandLine, const std::string& Directory, int NiceValue, pid_t& Pid,
                  std::string& ErrorText);

// True while the child runs; once it has ended, false with its exit code
// (128 + signal number when it was killed). False with -1 when the process
// is unknown.
bool ProcessRunning(pid_t Pid, int& ExitCode);

// Asks the child to end in order (SIGTERM).
void AskProcessToEnd(pid_t Pid);

// Opens File with the desktop's preferred application (xdg-open), detached:
// nothing is waited for and no result is reported.
void ShellOpen(const std::string& File, const std::string& Directory);

}  // namespace emberhall

namespace emberhall {
// Sets this process's nice value (lowering the priority always succeeds).
void SetOwnNiceValue(int NiceValue);
}  // namespace emberhall
