#include "app/RunOptions.h"

#include "app/FramePacer.h"

namespace emberhall {

namespace {

bool IsOption(const std::string& Param, const char* Name) {
  return Param == std::string("-") + Name || Param == std::string("--") + Name;
}

int32_t IntegerValue(const std::vector<std::string>& Params, size_t Index, const std::string& Option, int32_t Max) {
  const std::string what = Option + " needs a number from 0 to " + std::to_string(Max);
  if (Index >= Params.size()) throw EUsageError(what);
  int32_t value = 0;
  if (!TryStrToInt(Params[Index], value) || value < 0 || value > Max)
    throw EUsageError(what + ", not '" + Params[Index] + "'");
  return value;
}

}  // namespace

TRunOptions ExtractRunOptions(std::vector<std::string>& Params) {
  TRunOptions options;
  std::vector<std::string> rest;
  for (size_t i = 0; i < Params.size(); ++i) {
    if (IsOption(Params[i], "fps")) {
      options.FrameRateLimit = IntegerValue(Params, i + 1, Params[i], TFramePacer::MaxLimit);
      ++i;
    } else {
      rest.push_back(Params[i]);
    }
  }
  Params = std::move(rest);
  return options;
}

TRunOptions& RunOptions() {
  static TRunOptions options;
  return options;
}

std::string UsageText(const std::string& ProgramName) {
  return "usage: " + ProgramName + " [/s | /p <window> | /c | /a] [--fps <frames per second, 0 = no limit>]";
}

}  // namespace emberhall
