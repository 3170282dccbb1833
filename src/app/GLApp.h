// The OpenGL application: the component that owns the rendering context and
// draws one frame per idle pass into its OpenGL window, the window control,
// and the display-mode component as the application uses it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppPro.h"
#include "app/DefViewport.h"
#include "app/FramePacer.h"
#include "display/DisplayControl.h"
#include "gl/GLContext.h"
#include "platform/WindowSystem.h"

namespace emberhall {

class TCustomGLApplication;

using TRenderEvent = std::function<void(float DeltaTime, bool Select)>;
using TViewportEvent = std::function<void(int Width, int Height)>;
using TMouseEvent = std::function<void(TObject* Sender, uint32_t Message, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WPARAM Key)>;

// The window control that OpenGL draws into. Its handle is an X window made
// with the visual of the pixel format the context will choose.
class TCustomGLWindow : public TComponent {
 public:
  explicit TCustomGLWindow(TComponent* AOwner);
  ~TCustomGLWindow() override;

  HWND Handle() const { return FHandle; }
  bool HandleAllocated() const { return FHandle != 0; }
  // How the current (or last) handle was placed.
  TWindowPlacement Placement() const { return FPlacement; }
  void CreateHandle();
  void DestroyHandle();
  void Invalidate();
  void SetBounds(int AWidth, int AHeight);
  void WndProc(TMessage& Message);

  // The seven notifications the attached application fills, and the visual
  // it needs the window to have.
  std::function<bool()> IsFullScreen;
  std::function<bool()> IsContextLive;
  std::function<bool()> CloseRequest;
  std::function<void()> Destroyed;
  std::function<void(const TGLDeviceContext&)> DCReady;
  std::function<void(const TGLDeviceContext&)> Paint;
  TViewportEvent OnResize;
  std::function<unsigned long()> VisualID;

  TGLDeviceContext WindowDC;
  int Width = 640, Height = 480;
  uint32_t Color = 0;              // red in the low byte
  HWND ParentControl = 0;  // the window of the parent control (the preview panel)
  HWND ParentWindow = 0;   // a foreign window to draw into (preview)
  bool IgnoreInput = false;  // keys, buttons and motion stay with the parent

  TMouseEvent OnMouseDown, OnMouseUp, OnMouseMove;
  TKeyEvent OnKeyDown, OnKeyUp;
  TNotifyEvent OnClick, OnDblClick;

 private:
  HWND FHandle = 0;
  bool FFullScreenHandle = false;
  TWindowPlacement FPlacement = TWindowPlacement::TopLevel;
  int FNormalWidth = 640, FNormalHeight = 480;
};

class TGLWindow : public TCustomGLWindow {
 public:
  using TCustomGLWindow::TCustomGLWindow;
};

// The rendering context of an application; switching the software renderer
// while a context is live re-creates the window.
class TCustomAppOpenGL : public TCustomOpenGL {
 public:
  explicit TCustomAppOpenGL(TCustomGLApplication* AApplication) : Application(AApplication) {}
  void SetGeneric(bool Value) override;

  TCustomGLApplication* Application;
};

class TCustomGLDisplay : public TCustomDisplayControl {
 public:
  explicit TCustomGLDisplay(TComponent* AOwner, IDisplaySettings* Settings = nullptr)
      : TCustomDisplayControl(AOwner, Settings) {
    EnumerateModesOnLoad = true;
  }
};

class TGLDisplay : public TCustomGLDisplay {
 public:
  using TCustomGLDisplay::TCustomGLDisplay;
};

class TCustomGLApplication : public TCustomGraphicApplicationPro {
 public:
  explicit TCustomGLApplication(TComponent* AOwner);
  ~TCustomGLApplication() override;

  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Start() override;
  void Stop() override;
  void HandleException(TObject* Sender, const std::exception& E) override;
  void DoMessage(TMsg& Msg, bool& Handled) override;
  void Idle(TObject* Sender, bool& Done) override;
  void PowerOff() override;
  void PowerOn() override;
  void LoadOptions() override;
  void SaveOptions() override;
  virtual void DisplayChanged();
  virtual void BeforeDisplayChange();
  virtual void StartOpenGL(const TGLDeviceContext& DC);
  virtual void StopOpenGL();
  virtual void Render(const TGLDeviceContext& DC);
  virtual void ResizeViewport(int AWidth, int AHeight);
  // The OpenGL window's handle is gone: OpenGL stops and the device context is forgotten.
  virtual void WindowDestroyed();

  void SaveSnapShot(const std::string& FileName);
  void PresentFrame();
  void CheckAcceleration();
  bool IsFullScreen() const { return Display && Display->FullScreen; }
  void SetDisplay(TCustomGLDisplay* ADisplay);
  void SetWindow(TCustomGLWindow* AWindow);
  void SetViewport(const TDefViewport& AViewport) { AViewport.AssignTo(*Viewport); }
  // The display's mode filter: 16 or 32 bits per pixel and at least 480 lines.
  static void AcceptMode(int32_t BitsPerPixel, int32_t Width, int32_t Height, bool& Accept);

  TGLDeviceContext DeviceContext;
  bool ContextStarted = false;
  bool Active = true;
  bool Busy = false;
  long double LastRenderTime = 0;
  std::unique_ptr<TDefViewport> Viewport;
  TCustomGLDisplay* Display = nullptr;
  TCustomGLWindow* Window = nullptr;
  std::unique_ptr<TCustomAppOpenGL> Context;
  TNotifyEvent OnStartOpenGL, OnStopOpenGL;
  TRenderEvent OnRender;
  TViewportEvent OnResizeViewport;
  bool TerminateOnClose = false;
  bool DisplaySettingsLoaded = false;
  TNotifyEvent OnSnapShot;
  // Frames per second at most (stored beside WaitSync); 0 draws as fast as
  // the loop can. A value given on the command line replaces it for one run
  // (FrameRateOverride, -1 for none) without being stored.
  int32_t FrameRateLimit = 60;
  int32_t FrameRateOverride = -1;
  int32_t EffectiveFrameRateLimit() const { return FrameRateOverride >= 0 ? FrameRateOverride : FrameRateLimit; }
  // The parts of a full-screen window, or of one inside a foreign window (a
  // daemon's, the root window), on different monitors; asked when the window
  // is made and whenever its size changes. With more than one, a frame draws
  // one picture in each (OnRender once per part, the viewport in the part);
  // otherwise, and always in the dialog's preview and a window of its own,
  // one picture fills the window.
  std::vector<TMonitorRect> MonitorRects;
  // The picture of the frame that OnRender draws: 0 for the first, which
  // alone gets the frame's time; the others show the same moment again.
  int FramePicture = 0;
  void UpdateMonitorRects();
  // Monitors come and go while the window keeps its size (xrandr, a docking
  // station): asked again once a second (Now: the frame timer's milliseconds).
  void FollowMonitors(uint32_t Now);
  static constexpr uint32_t kMonitorCheckMilliseconds = 1000;

 private:
  // True when the idle pass may draw a frame now; otherwise it tells the loop
  // how long it may wait for messages before the next one is due.
  bool FramePassDue();
  bool CloseRequested();
  // One picture per monitor part; the window outside them is cleared.
  void RenderPictures(float DeltaTime);
  void ReadDisplaySettings();

  TFramePacer FPacer;
  uint32_t FLastMonitorCheck = 0;
};

}  // namespace emberhall
