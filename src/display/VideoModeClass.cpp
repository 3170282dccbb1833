#include "display/VideoModeClass.h"

namespace emberhall {

namespace {

// Small modes offered to a system whose answers to TestMode can be trusted.
const int32_t StandardSizes[12][2] = {{320, 200}, {320, 240}, {320, 350}, {320, 400}, {320, 480}, {360, 200},
                                      {360, 240}, {360, 350}, {360, 400}, {360, 480}, {400, 300}, {512, 384}};
const int32_t StandardDepths[5] = {8, 15, 16, 24, 32};

}  // namespace

TVideoModesList::TVideoModesList(IDisplaySettings* Settings)
    : FSettings(Settings ? *Settings : SystemDisplaySettings()) {}

TVideoModesList::~TVideoModesList() {
  if (Active) Restore();
  Clear();
}

int TVideoModesList::IndexOf(int32_t Width, int32_t Height, int32_t BitsPerPixel) const {
  for (size_t i = 0; i < Modes.size(); ++i)
    if (Modes[i] == TVideoMode{Width, Height, BitsPerPixel}) return static_cast<int>(i);
  return -1;
}

void TVideoModesList::GetDesktopMode() {
  TVideoMode m = FSettings.DesktopMode();
  DesktopWidth = m.Width;
  DesktopHeight = m.Height;
  DesktopBits = m.BitsPerPixel;
}

TVideoMode TVideoModesList::CurrentMode() {
  GetDesktopMode();
  return {DesktopWidth, DesktopHeight, DesktopBits};
}

bool TVideoModesList::TestMode(const TVideoMode& Mode) { return FSettings.TestMode(Mode); }

void TVideoModesList::AddMode(const TVideoMode& Mode) {
  if (IndexOf(Mode.Width, Mode.Height, Mode.BitsPerPixel) >= 0) return;
  if (TestMode(Mode)) Modes.push_back(Mode);
}

void TVideoModesList::Enumerate() {
  Clear();
  for (const TVideoMode& m : FSettings.ListModes()) AddMode(m);
  if (!TestMode({42, 37, 8})) {
    for (const auto& size : StandardSizes)
      for (int32_t depth : StandardDepths) AddMode({size[0], size[1], depth});
  }
  AddMode(CurrentMode());
}

bool TVideoModesList::SetMode(int32_t Width, int32_t Height, int32_t BitsPerPixel) {
  const TVideoMode wanted{Width, Height, BitsPerPixel};
  bool result = true;
  if (!(wanted == CurrentMode())) {
    GetDesktopMode();
    result = FSettings.ChangeMode(wanted);
    // A refused switch after an earlier one leaves the display switched:
    // it must still be put back.
    Changed = result || Changed;
  }
  if (result) {
    Active = true;
    ModeWidth = Width;
    ModeHeight = Height;
    ModeBits = BitsPerPixel;
  }
  return result;
}

void TVideoModesList::Restore() {
  if (Changed) {
    FSettings.RestoreMode();
    Changed = false;
  }
  Active = false;
}

}  // namespace emberhall
