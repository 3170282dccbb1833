// The program's own options on the command line ("--fps 30"): they change a
// stored setting for one run and are taken out of the parameters before the
// screensaver switches are read.
#pragma once

#include <string>
#include <vector>

#include "platform/SysUtils.h"

namespace emberhall {

struct TRunOptions {
  int32_t FrameRateLimit = -1;  // frames per second; -1: the stored value
  // The option words as given, for a run handed on to another copy.
  std::vector<std::string> Words;
};

// A malformed option; its message names the option and what it needs.
class EUsageError : public Exception {
 public:
  using Exception::Exception;
};

// Removes the options it knows from Params and returns their values.
TRunOptions ExtractRunOptions(std::vector<std::string>& Params);

// The options of this run, set by main.
TRunOptions& RunOptions();

// One line that lists the program's switches and options.
std::string UsageText(const std::string& ProgramName);

}  // namespace emberhall
