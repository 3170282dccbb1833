// The full-screen display mode: the accepted modes grouped by colour depth,
// the chosen mode kept valid against them, and the switch into it and back.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "display/VideoModeClass.h"
#include "platform/Forms.h"

namespace emberhall {

// A colour depth and a screen size (width in the upper, height in the lower
// 16 bits of ScreenSize).
class TScreenMode {
 public:
  virtual ~TScreenMode() = default;

  int32_t Width() const { return static_cast<int32_t>(static_cast<uint32_t>(ScreenSize) >> 16); }
  int32_t Height() const { return ScreenSize & 0xFFFF; }
  void SetMode(int32_t AWidth, int32_t AHeight, int32_t AColorDepth);
  void SetSize(int32_t AWidth, int32_t AHeight) { SetMode(AWidth, AHeight, ColorDepth); }
  void SetColorDepth(int32_t Value) { SetMode(Width(), Height(), Value); }
  void SetScreenSize(int32_t Value);

  // "High Color(16 bit)", "True Color(32 bit)", else "<2^d> Color(<d> bit)".
  std::string DepthText() const;
  void SetDepthText(const std::string& Text);
  // "<width>x<height>"
  std::string SizeText() const;
  void SetSizeText(const std::string& Text);
  // "<width>x<height>x<depth>", the form the options store keeps.
  std::string ModeText() const;
  void SetModeText(const std::string& Text);

  // Copies depth and size into Destination, then calls its Changed.
  void AssignTo(TScreenMode& Destination) const;
  void Assign(const TScreenMode& Source) { Source.AssignTo(*this); }
  virtual void Changed() {}

  int32_t ColorDepth = 0;
  int32_t ScreenSize = 0;
};

std::string ColorDepthText(int32_t Depth);
// Raise EConvertError on text that holds no number where one must be.
int32_t ParseColorDepthText(const std::string& Text);

struct TColorDepthMode {
  int32_t ColorDepth = 0;
  std::vector<std::unique_ptr<TScreenMode>> Modes;
};

class TCustomDisplayControl;

// The chosen full-screen mode; every change keeps it among the offered modes.
class TFullScreenMode : public TScreenMode {
 public:
  explicit TFullScreenMode(TCustomDisplayControl* ADisplay);
  void Changed() override;

  TCustomDisplayControl* Display;
};

using TModeFilterEvent = std::function<void(int32_t BitsPerPixel, int32_t Width, int32_t Height, bool& Accept)>;

class TCustomDisplayControl : public TComponent {
 public:
  // Works on the given display settings, or the system's when none is given.
  explicit TCustomDisplayControl(TComponent* AOwner, IDisplaySettings* Settings = nullptr);
  ~TCustomDisplayControl() override;

  void BuildModeLists();
  TScreenMode& GetDesktopMode();
  TScreenMode& GetFullScreenMode();
  void SetFullScreenMode(const TScreenMode& Value) { FullScreenMode.Assign(Value); }
  void SetFullScreen(bool Value);
  bool GetFullScreen() const { return FullScreen; }
  virtual bool SwitchTo(int32_t Width, int32_t Height, int32_t BitsPerPixel);
  virtual void LeaveFullScreen();

  void FillDepthList(std::vector<std::string>& Strings);
  int DepthIndex();
  void FillSizeList(std::vector<std::string>& Strings);
  int SizeIndex();
  // The position of Depth in ColorDepths, or -1.
  int IndexOfDepth(int32_t Depth) const;

  void Loaded() override;

  std::unique_ptr<TVideoModesList> VideoModes;
  std::vector<std::unique_ptr<TColorDepthMode>> ColorDepths;
  bool FullScreen = false;
  TScreenMode DesktopMode;
  TFullScreenMode FullScreenMode{this};
  TNotifyEvent AfterChange;
  TNotifyEvent BeforeChange;
  TModeFilterEvent ModeFilter;
  bool EnumerateModesOnLoad = false;
  bool DesktopOnly = false;
};

}  // namespace emberhall
