#include "app/RunOptions.h"

#include "app/FramePacer.h"

namespace emberhall {

namespace {

// "-name" or "--name" in any letter case; with "=value" the value is returned in Value.
bool IsOption(const std::string& Param, const char* Name, std::string& Value, bool& HasValue) {
  const std::string lower = LowerCase(Param);
  for (const std::string& form : {std::string("-") + Name, std::string("--") + Name}) {
    if (lower == form) {
      HasValue = false;
      return true;
    }
    if (lower.rfind(form + "=", 0) == 0) {
      Value = Param.substr(form.size() + 1);
      HasValue = true;
      return true;
    }
  }
  return false;
}

int32_t IntegerValue(const std::string& Text, const std::string& Option, int32_t Max) {
  int32_t value = 0;
  const bool decimal = !Text.empty() && Text.find_first_not_of("0123456789") == std::string::npos;
  if (!decimal || !TryStrToInt(Text, value) || value > Max)
    throw EUsageError(Option + " needs a number from 0 to " + std::to_string(Max) + ", not '" + Text + "'");
  return value;
}

}  // namespace

TRunOptions ExtractRunOptions(std::vector<std::string>& Params) {
  TRunOptions options;
  std::vector<std::string> rest;
  for (size_t i = 0; i < Params.size(); ++i) {
    std::string value;
    bool hasValue = false;
    if (IsOption(Params[i], "fps", value, hasValue)) {
      const std::string option = Params[i].substr(0, Params[i].find('='));
      if (!hasValue && i + 1 >= Params.size())
        throw EUsageError(option + " needs a number from 0 to " + std::to_string(TFramePacer::MaxLimit));
      options.Words.push_back(Params[i]);
      if (!hasValue) options.Words.push_back(Params[i + 1]);
      options.FrameRateLimit = IntegerValue(hasValue ? value : Params[++i], option, TFramePacer::MaxLimit);
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
