// The POSIX side of child processes: posix_spawn with nice values, waitpid,
// SIGTERM, and xdg-open for the shell's "open" action.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/Process.h"

namespace emberhall {

// The nice value a started process gets for each priority: normal 0,
// high -10, idle 19, real time -20. Raising priority needs privileges; when
// the system refuses, the process keeps the launcher's nice value.
int NiceValueOf(TProcessPriority Priority);

// StartProcess with a nice value instead of a priority.
bool SpawnProcess(const std::string& CommandLine, const std::string& Directory, int NiceValue, pid_t& Pid,
                  std::string& ErrorText);

// Sets this process's nice value (lowering the priority always succeeds).
void SetOwnNiceValue(int NiceValue);

}  // namespace emberhall
