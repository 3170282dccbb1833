#include "display/DisplayControl.h"

#include "platform/SysUtils.h"

namespace emberhall {

// ---- TScreenMode ----

void TScreenMode::SetMode(int32_t AWidth, int32_t AHeight, int32_t AColorDepth) {
  ScreenSize = static_cast<int32_t>(static_cast<uint32_t>(AWidth) << 16 | (static_cast<uint32_t>(AHeight) & 0xFFFF));
  ColorDepth = AColorDepth;
  Changed();
}

void TScreenMode::SetScreenSize(int32_t Value) {
  ScreenSize = Value;
  Changed();
}

std::string ColorDepthText(int32_t Depth) {
  if (Depth == 16) return "High Color(16 bit)";
  if (Depth == 32) return "True Color(32 bit)";
  const uint64_t colors = Depth >= 0 && Depth < 64 ? (uint64_t{1} << Depth) : 0;
  return std::to_string(static_cast<uint32_t>(colors)) + " Color(" + std::to_string(Depth) + " bit)";
}

int32_t ParseColorDepthText(const std::string& Text) {
  if (Text == "High Color(16 bit)") return 16;
  if (Text == "True Color(32 bit)") return 32;
  const size_t open = Text.find('(');
  const size_t b = Text.find('b');
  const size_t from = open == std::string::npos ? 0 : open + 1;
  // The number ends before the character that precedes the first "b".
  const size_t to = b == std::string::npos ? Text.size() : (b > 0 ? b - 1 : 0);
  return StrToInt(to > from ? Text.substr(from, to - from) : "");
}

std::string TScreenMode::DepthText() const { return ColorDepthText(ColorDepth); }

void TScreenMode::SetDepthText(const std::string& Text) {
  ColorDepth = ParseColorDepthText(Text);
  Changed();
}

std::string TScreenMode::SizeText() const { return std::to_string(Width()) + "x" + std::to_string(Height()); }

void TScreenMode::SetSizeText(const std::string& Text) {
  const size_t x = Text.find('x');
  if (x == std::string::npos) throw EConvertError("'" + Text + "' is not a valid integer value");
  SetSize(StrToInt(Text.substr(0, x)), StrToInt(Text.substr(x + 1)));
}

std::string TScreenMode::ModeText() const { return SizeText() + "x" + std::to_string(ColorDepth); }

void TScreenMode::SetModeText(const std::string& Text) {
  const size_t x1 = Text.find('x');
  const size_t x2 = x1 == std::string::npos ? std::string::npos : Text.find('x', x1 + 1);
  if (x2 == std::string::npos) throw EConvertError("'" + Text + "' is not a valid integer value");
  const int32_t width = StrToInt(Text.substr(0, x1));
  const int32_t height = StrToInt(Text.substr(x1 + 1, x2 - x1 - 1));
  ColorDepth = StrToInt(Text.substr(x2 + 1));
  SetSize(width, height);
}

void TScreenMode::AssignTo(TScreenMode& Destination) const {
  Destination.ColorDepth = ColorDepth;
  Destination.ScreenSize = ScreenSize;
  Destination.Changed();
}

// ---- TFullScreenMode ----

TFullScreenMode::TFullScreenMode(TCustomDisplayControl* ADisplay) : Display(ADisplay) {
  ColorDepth = 16;
  ScreenSize = 640 << 16 | 480;
}

void TFullScreenMode::Changed() {
  if (!Display || Display->Designing() || Display->ColorDepths.empty()) return;
  int d = Display->IndexOfDepth(ColorDepth);
  if (d < 0) d = 0;
  const TColorDepthMode& entry = *Display->ColorDepths[static_cast<size_t>(d)];
  ColorDepth = entry.ColorDepth;
  for (const auto& m : entry.Modes)
    if (m->Width() == Width() && m->Height() == Height()) return;
  if (!entry.Modes.empty()) SetSize(entry.Modes[0]->Width(), entry.Modes[0]->Height());
}

// ---- TCustomDisplayControl ----

TCustomDisplayControl::TCustomDisplayControl(TComponent* AOwner, IDisplaySettings* Settings)
    : TComponent(AOwner), VideoModes(std::make_unique<TVideoModesList>(Settings)) {}

TCustomDisplayControl::~TCustomDisplayControl() {
  if (FullScreen && !Designing()) LeaveFullScreen();
}

int TCustomDisplayControl::IndexOfDepth(int32_t Depth) const {
  for (size_t i = 0; i < ColorDepths.size(); ++i)
    if (ColorDepths[i]->ColorDepth == Depth) return static_cast<int>(i);
  return -1;
}

void TCustomDisplayControl::BuildModeLists() {
  ColorDepths.clear();
  VideoModes->Enumerate();
  for (int i = 0; i < VideoModes->Count(); ++i) {
    const TVideoMode m = VideoModes->Items(i);
    bool accept = true;
    if (ModeFilter) ModeFilter(m.BitsPerPixel, m.Width, m.Height, accept);
    if (!accept) continue;
    int d = IndexOfDepth(m.BitsPerPixel);
    if (d < 0) {
      ColorDepths.push_back(std::make_unique<TColorDepthMode>());
      ColorDepths.back()->ColorDepth = m.BitsPerPixel;
      d = static_cast<int>(ColorDepths.size()) - 1;
    }
    auto& modes = ColorDepths[static_cast<size_t>(d)]->Modes;
    bool present = false;
    for (const auto& s : modes) present = present || (s->Width() == m.Width && s->Height() == m.Height);
    if (present) continue;
    auto mode = std::make_unique<TScreenMode>();
    mode->SetMode(m.Width, m.Height, m.BitsPerPixel);
    modes.push_back(std::move(mode));
  }
}

TScreenMode& TCustomDisplayControl::GetDesktopMode() {
  const TVideoMode m = VideoModes->CurrentMode();
  DesktopMode.SetColorDepth(m.BitsPerPixel);
  DesktopMode.SetSize(m.Width, m.Height);
  return DesktopMode;
}

TScreenMode& TCustomDisplayControl::GetFullScreenMode() { return DesktopOnly ? GetDesktopMode() : FullScreenMode; }

void TCustomDisplayControl::SetFullScreen(bool Value) {
  if (Value == FullScreen) return;
  if (Designing() || (ComponentState & csLoading)) {
    FullScreen = Value;
    return;
  }
  if (Value) {
    TScreenMode& m = GetFullScreenMode();
    SwitchTo(m.Width(), m.Height(), m.ColorDepth);
  } else {
    LeaveFullScreen();
  }
}

bool TCustomDisplayControl::SwitchTo(int32_t Width, int32_t Height, int32_t BitsPerPixel) {
  FullScreenMode.SetMode(Width, Height, BitsPerPixel);
  if (BeforeChange) BeforeChange(this);
  TScreenMode& m = GetFullScreenMode();
  const bool result = VideoModes->SetMode(m.Width(), m.Height(), m.ColorDepth);
  FullScreen = VideoModes->Active;
  if (AfterChange) AfterChange(this);
  return result;
}

void TCustomDisplayControl::LeaveFullScreen() {
  if (BeforeChange) BeforeChange(this);
  VideoModes->Restore();
  FullScreen = VideoModes->Active;
  if (AfterChange) AfterChange(this);
}

void TCustomDisplayControl::FillDepthList(std::vector<std::string>& Strings) {
  Strings.clear();
  for (const auto& d : ColorDepths) Strings.push_back(ColorDepthText(d->ColorDepth));
}

int TCustomDisplayControl::DepthIndex() { return IndexOfDepth(GetFullScreenMode().ColorDepth); }

void TCustomDisplayControl::FillSizeList(std::vector<std::string>& Strings) {
  const int d = DepthIndex();
  if (d < 0) return;
  Strings.clear();
  for (const auto& m : ColorDepths[static_cast<size_t>(d)]->Modes) Strings.push_back(m->SizeText());
}

int TCustomDisplayControl::SizeIndex() {
  const int d = DepthIndex();
  if (d < 0) return -1;
  TScreenMode& chosen = GetFullScreenMode();
  const auto& modes = ColorDepths[static_cast<size_t>(d)]->Modes;
  for (size_t i = 0; i < modes.size(); ++i)
    if (modes[i]->Width() == chosen.Width() && modes[i]->Height() == chosen.Height()) return static_cast<int>(i);
  return -1;
}

void TCustomDisplayControl::Loaded() {
  TComponent::Loaded();
  if (Designing()) return;
  if (EnumerateModesOnLoad) BuildModeLists();
  if (FullScreen) {
    FullScreen = false;
    TScreenMode& m = GetFullScreenMode();
    SwitchTo(m.Width(), m.Height(), m.ColorDepth);
  }
}

}  // namespace emberhall
