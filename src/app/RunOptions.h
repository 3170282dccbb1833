// The program's own options on the command line ("--fps-limit 30", "-root",
// "--clock 24"): they override stored settings for one run, or name the window
// a screensaver daemon gives the program, and are taken out of the parameters
// before the screensaver switches are read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace emberhall {

// Where a screensaver daemon wants the picture.
enum THackWindow : uint8_t {
  hwNone,       // no daemon option: the screensaver switches decide
  hwRoot,       // -root: the daemon's window ($XSCREENSAVER_WINDOW), else the root window
  hwWindowId,   // -window-id ID: the given window
  hwOwnWindow,  // -window: a window of its own
};

struct TRunOptions {
  int32_t FrameRateLimit = -1;  // --fps-limit, frames per second; -1: the stored value
  THackWindow HackWindow = hwNone;
  HWND WindowId = 0;  // with hwWindowId, and with hwRoot the daemon's window (0: the root window)
  // Overrides of the fireplace's stored settings; empty: the stored value.
  std::optional<bool> ShowFPS;              // --fps
  std::optional<int32_t> FireplaceIndex;    // --fireplace: 0 vee, 1 rectangular, 2 cylindrical
  std::optional<int32_t> FlameColorIndex;   // --flame-color: 0 red, 1 orange, 2 yellow
  std::optional<int32_t> FlameWidthPercent; // --flame-width: 50..100, the dialog's track bar position
  std::optional<int32_t> FlameDecay;        // --flame-decay: 1..5
  std::optional<int32_t> ClockMode;         // --clock: 0 none, 1 24-hour, 2 12-hour
  std::optional<bool> CrackleSound;         // --sound, --no-sound
  // The option words as given, for a run handed on to another copy.
  std::vector<std::string> Words;
};

// A malformed option; its message names the option and what it needs.
class EUsageError : public Exception {
 public:
  using Exception::Exception;
};

// Removes the options it knows from Params and returns their values.
// Raises EUsageError for a missing or bad value and for two different windows.
TRunOptions ExtractRunOptions(std::vector<std::string>& Params);

// A window id as daemons pass it: decimal, or hexadecimal after "0x"; 1 to
// 0xFFFFFFFF. Used for -window-id and for $XSCREENSAVER_WINDOW.
bool TryParseWindowId(std::string_view Text, HWND& Window);

// For -root: the window the daemon names in $XSCREENSAVER_WINDOW (Value; null
// or empty when it names none, which leaves WindowId 0: the screen's own
// window). Raises EUsageError for a value that is no window id.
void ResolveDaemonWindow(TRunOptions& Options, const char* Value);

// The options of this run, set by main.
TRunOptions& RunOptions();

// The lines that list the program's switches and options.
std::string UsageText(const std::string& ProgramName);

}  // namespace emberhall
