// Child processes: start with a working folder and a priority, look whether
// one still runs, ask it to end, and the shell's "open" action.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace emberhall {

// Splits a command line into arguments: blanks separate them, double quotes
// group blanks into one (two quotes inside quotes stand for one quote).
std::vector<std::string> SplitCommandLine(const std::string& CommandLine);
// One argument as SplitCommandLine reads it back: quoted when it is empty
// or holds a blank or a quote.
std::string QuoteCommandArgument(const std::string& Argument);

enum class TProcessPriority { Normal, High, Idle, RealTime };

// The system's number of a started process.
using TProcessId = intptr_t;

// Starts the program of CommandLine (searched in the system's program path
// when it names no folder) in Directory (the current one when empty) at
// Priority (a raise of priority that the system refuses is ignored). On
// failure returns false with the system's text in ErrorText.
bool StartProcess(const std::string& CommandLine, const std::string& Directory, TProcessPriority Priority,
                  TProcessId& Id, std::string& ErrorText);

// True while the child runs; once it has ended, false with its exit code
// (128 + signal number when it was killed). False with -1 when the process
// is unknown.
bool ProcessRunning(TProcessId Id, int& ExitCode);

// Asks the child to end in order.
void AskProcessToEnd(TProcessId Id);

// Opens File with the desktop's preferred application, detached: nothing is
// waited for and no result is reported.
void ShellOpen(const std::string& File, const std::string& Directory);

}  // namespace emberhall
