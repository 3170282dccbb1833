// Arbitrary bytes as a command line (words separated by NUL or newline): the
// options are taken out or refused with a usage error; what is taken holds
// values in their ranges, and the option words taken, read again, give the same
// record and leave nothing; with -root a word left over is read as the
// daemon's window variable. Built as a libFuzzer target with
// EMBERHALL_FUZZ_MAIN; the tests replay the corpus through the same function.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/RunOptions.h"

namespace emberhall {

namespace {

bool InRange(const std::optional<int32_t>& Value, int32_t Min, int32_t Max) {
  return !Value || (*Value >= Min && *Value <= Max);
}

bool SameRecord(const TRunOptions& a, const TRunOptions& b) {
  return a.FrameRateLimit == b.FrameRateLimit && a.HackWindow == b.HackWindow && a.WindowId == b.WindowId &&
         a.ShowFPS == b.ShowFPS && a.FireplaceIndex == b.FireplaceIndex && a.FlameColorIndex == b.FlameColorIndex &&
         a.FlameWidthPercent == b.FlameWidthPercent && a.FlameDecay == b.FlameDecay && a.ClockMode == b.ClockMode &&
         a.CrackleSound == b.CrackleSound;
}

}  // namespace

// False only when a taken option breaks one of the rules above.
bool ParseRunOptionBytes(const uint8_t* Data, size_t Size) {
  std::vector<std::string> params(1);
  for (size_t i = 0; i < Size; ++i) {
    const char c = static_cast<char>(Data[i]);
    if (c == '\0' || c == '\n')
      params.emplace_back();
    else
      params.back() += c;
  }
  const size_t given = params.size();
  TRunOptions options;
  try {
    options = ExtractRunOptions(params);
  } catch (const EUsageError& e) {
    return *e.what() != '\0';
  }
  if (options.Words.size() + params.size() != given) return false;
  if (options.FrameRateLimit < -1 || options.FrameRateLimit > 1000) return false;
  if (!InRange(options.FireplaceIndex, 0, 2) || !InRange(options.FlameColorIndex, 0, 2) ||
      !InRange(options.FlameWidthPercent, 50, 100) || !InRange(options.FlameDecay, 1, 5) ||
      !InRange(options.ClockMode, 0, 2))
    return false;
  if ((options.HackWindow == hwWindowId) != (options.WindowId != 0)) return false;
  std::vector<std::string> words = options.Words;
  const TRunOptions again = ExtractRunOptions(words);
  if (!words.empty() || !SameRecord(again, options)) return false;
  // For -root the first word left over stands for $XSCREENSAVER_WINDOW: a
  // window id, or refused with a message.
  if (options.HackWindow != hwRoot || params.empty()) return true;
  try {
    ResolveDaemonWindow(options, params.front().c_str());
  } catch (const EUsageError& e) {
    return *e.what() != '\0' && options.WindowId == 0;
  }
  return (options.WindowId != 0) == !params.front().empty();
}

}  // namespace emberhall

#ifdef EMBERHALL_FUZZ_MAIN
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  try {
    if (!emberhall::ParseRunOptionBytes(Data, Size)) __builtin_trap();
  } catch (const emberhall::EUsageError&) {
    __builtin_trap();  // the taken words alone were refused
  }
  return 0;
}
#endif
