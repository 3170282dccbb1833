#include "app/GLApp.h"

#include <cstdio>
#include <cstdlib>

#include "app/RunOptions.h"
#include "app/SnapShot.h"
#include "platform/FloatingPoint.h"
#include "platform/Services.h"
#include "platform/SysUtils.h"

namespace emberhall {

namespace {

int LowWord(LPARAM l) { return static_cast<int16_t>(l & 0xFFFF); }
int HighWord(LPARAM l) { return static_cast<int16_t>((l >> 16) & 0xFFFF); }

const char* const kColorDepthMessage =
    "Warning! This Program needs High Color (16 bits) or True Color (32 bits) to work in Preview Mode.\r\n"
    " Change the Color Depth of your Windows Desktop to run it!";
const char* const kAccelerationMessage =
    "In this screen mode, hardware acceleration was not detected! The program runs in Software Rendering mode with "
    "lower performance and quality! You need to update your video drivers. See the HELP for more details.";

}  // namespace

// ---- TCustomGLWindow ----

TCustomGLWindow::TCustomGLWindow(TComponent* AOwner) : TComponent(AOwner) {}

TCustomGLWindow::~TCustomGLWindow() { DestroyHandle(); }

void TCustomGLWindow::CreateHandle() {
  if (FHandle) return;
  TWindowParams p;
  const bool fullScreen = IsFullScreen && IsFullScreen();
  // The full-screen window takes the screen's size; the windowed size comes back after it.
  if (fullScreen && !FFullScreenHandle) FNormalWidth = Width, FNormalHeight = Height;
  if (!fullScreen && FFullScreenHandle) Width = FNormalWidth, Height = FNormalHeight;
  FFullScreenHandle = fullScreen;
  if (fullScreen) {
    p.Placement = TWindowPlacement::FullScreen;
  } else if (ParentControl) {
    p.Placement = TWindowPlacement::Child;
    p.Parent = ParentControl;
  } else if (ParentWindow) {
    p.Placement = TWindowPlacement::ForeignChild;
    p.Parent = ParentWindow;
  } else {
    p.Placement = TWindowPlacement::TopLevel;
  }
  FPlacement = p.Placement;
  p.Width = Width;
  p.Height = Height;
  p.VisualID = VisualID ? VisualID() : 0;
  p.Background = Color;
  p.IgnoreInput = IgnoreInput;
  if (Application) p.Title = Application->Title;
  const HWND created = Platform().Windows->CreateWindow(p, [this](HWND Wnd, TMessage& M) {
    if (M.Msg == WM_CREATE) FHandle = Wnd;
    WndProc(M);
  });
  if (!created) FHandle = 0;
  if (FHandle) Platform().Windows->GetClientSize(FHandle, Width, Height);
}

void TCustomGLWindow::DestroyHandle() {
  if (FHandle) Platform().Windows->DestroyWindow(FHandle);
  FHandle = 0;
}

void TCustomGLWindow::Invalidate() {
  if (FHandle) Platform().Windows->Invalidate(FHandle);
}

void TCustomGLWindow::SetBounds(int AWidth, int AHeight) {
  Width = AWidth;
  Height = AHeight;
}

void TCustomGLWindow::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_CREATE:
      WindowDC = Platform().Windows->WindowDC(FHandle);
      if (DCReady) DCReady(WindowDC);
      break;
    case WM_PAINT:
      if (Paint) Paint(WindowDC);
      M.Result = 0;
      break;
    case WM_ERASEBKGND:
      M.Result = 1;  // the server paints the background; nothing to erase here
      break;
    case WM_SIZE:
      Width = LowWord(M.LParam);
      Height = HighWord(M.LParam);
      if (OnResize) OnResize(Width, Height);
      break;
    case WM_CLOSE:
      if (CloseRequest && CloseRequest()) {
        M.Result = 0;
      } else {
        DestroyHandle();  // the default handling of a close request
      }
      break;
    case WM_DESTROY:
      if (Destroyed) Destroyed();
      WindowDC = {};
      FHandle = 0;
      break;
    case WM_SYSCOMMAND:
      if ((M.WParam & 0xFFF0) == SC_SCREENSAVE || (M.WParam & 0xFFF0) == SC_MONITORPOWER) M.Result = 0;
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (OnKeyDown) OnKeyDown(this, M.WParam);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (OnKeyUp) OnKeyUp(this, M.WParam);
      break;
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(this, M.Msg, LowWord(M.LParam), HighWord(M.LParam));
      break;
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(this, M.Msg, LowWord(M.LParam), HighWord(M.LParam));
      break;
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
      if (OnMouseUp) OnMouseUp(this, M.Msg, LowWord(M.LParam), HighWord(M.LParam));
      if (M.Msg == WM_LBUTTONUP && OnClick) OnClick(this);
      break;
    case WM_LBUTTONDBLCLK:
      if (OnDblClick) OnDblClick(this);
      break;
    default:
      break;
  }
}

// ---- TCustomAppOpenGL ----

void TCustomAppOpenGL::SetGeneric(bool Value) {
  if (Value == Generic || !Active || !Application || !Application->Window) {
    TCustomOpenGL::SetGeneric(Value);
    return;
  }
  TCustomGLWindow* window = Application->Window;
  window->DestroyHandle();  // stops OpenGL through the window's destruction notice
  UnloadLibraries();
  // The system's software renderer for the libraries and connections opened from now on.
  SelectSoftwareRenderer(Value);
  TCustomOpenGL::SetGeneric(Value);
  window->CreateHandle();
}

// ---- TCustomGLApplication ----

TCustomGLApplication::TCustomGLApplication(TComponent* AOwner) : TCustomGraphicApplicationPro(AOwner) {
  if (!Designing()) Context = std::make_unique<TCustomAppOpenGL>(this);
  Viewport = std::make_unique<TDefViewport>(this);
  FrameRateOverride = RunOptions().FrameRateLimit;
  if (Application) Application->AddMessageSource(&Platform().Windows->MessageSource());
}

TCustomGLApplication::~TCustomGLApplication() {
  if (!Designing()) {
    Busy = true;
    try {
      if (Display && Display->FullScreen) Display->LeaveFullScreen();
    } catch (...) {
    }
    SetWindow(nullptr);
    SetDisplay(nullptr);
    Context.reset();
  }
  Viewport.reset();
  if (Application) Application->RemoveMessageSource(&Platform().Windows->MessageSource());
}

void TCustomGLApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomGraphicApplicationPro::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == Display) Display = nullptr;
  if (AComponent == Window) Window = nullptr;
}

void TCustomGLApplication::Start() {
  if (Display) {
    const TScreenMode& desktop = Display->GetDesktopMode();
    if (Display->ColorDepths.empty() || (desktop.ColorDepth != 16 && desktop.ColorDepth != 32))
      throw Exception(kColorDepthMessage);
  }
  TCustomGraphicApplicationPro::Start();
}

void TCustomGLApplication::Stop() {
  StopOpenGL();
  TCustomGraphicApplicationPro::Stop();
}

void TCustomGLApplication::HandleException(TObject* Sender, const std::exception& E) {
  if (Display && Display->FullScreen) {
    try {
      PresentFrame();
      TerminateOnClose = true;
      Display->SetFullScreen(false);
    } catch (...) {
    }
  }
  TCustomGraphicApplicationPro::HandleException(Sender, E);
}

void TCustomGLApplication::DoMessage(TMsg& Msg, bool& Handled) {
  if (Msg.message == WM_KEYUP && Msg.wParam == VK_SNAPSHOT) {
    Handled = true;
    if (OnSnapShot) {
      OnSnapShot(this);
    } else {
      SaveSnapShot(BaseName + ".jpg");
    }
    return;
  }
  TCustomGraphicApplicationPro::DoMessage(Msg, Handled);
}

namespace {
// How long a busy or suspended application waits before it looks again.
constexpr int kBusyWaitMilliseconds = 100;
}  // namespace

bool TCustomGLApplication::FramePassDue() {
  FPacer.SetLimit(EffectiveFrameRateLimit());
  TTimerPro& timer = GetTimer();
  if (FPacer.Limit() == 0 || !timer.Running) return true;  // no limit, or the very first pass
  const uint32_t now = timer.GetTime().Elapsed;
  if (FPacer.FrameDue(now)) {
    FPacer.FrameStarted(now);
    return true;
  }
  if (Application) Application->SetIdleWait(static_cast<int>(FPacer.MillisecondsToNextFrame(now)));
  return false;
}

void TCustomGLApplication::Idle(TObject* Sender, bool& Done) {
  Done = false;
  if (Busy) {
    // Nothing is drawn while busy or suspended: wait for messages instead of
    // spinning, whatever the frame-rate limit.
    Done = true;
    if (Application) Application->SetIdleWait(kBusyWaitMilliseconds);
    return;
  }
  if (!FramePassDue()) {
    Done = true;
    return;
  }
  Busy = true;
  try {
    TCustomGraphicApplicationPro::Idle(Sender, Done);
    if (Active && !ContextStarted && DeviceContext.Drawable) {
      StartOpenGL(DeviceContext);
      if (Window) ResizeViewport(Window->Width, Window->Height);
    }
    FollowMonitors(GetTimer().GetTime().Elapsed);
    if (Active && Window && Context && Context->Active) Window->Invalidate();
  } catch (...) {
    Busy = false;
    throw;
  }
  Busy = false;
  Done = false;
}

void TCustomGLApplication::PowerOff() {
  TCustomGraphicApplicationPro::PowerOff();
  Busy = true;
  StopOpenGL();
}

void TCustomGLApplication::PowerOn() {
  TCustomGraphicApplicationPro::PowerOn();
  Busy = false;
}

void TCustomGLApplication::StartOpenGL(const TGLDeviceContext& DC) {
  if (!Context || Context->Active) return;
  Context->StartContext(DC);
  ContextStarted = Context->Active;
  if (OnStartOpenGL) OnStartOpenGL(this);
}

void TCustomGLApplication::StopOpenGL() {
  if (!Context || !Context->Active) return;
  if (OnStopOpenGL) OnStopOpenGL(this);
  Context->StopContext();
  ContextStarted = Context->Active;
}

void TCustomGLApplication::Render(const TGLDeviceContext& DC) {
  if (Designing() || !OnRender || !Context || !Context->Active) return;
  const long double now = GetTimer().GetTime().TotalSeconds();
  if (LastRenderTime == 0) LastRenderTime = now;
  const float deltaTime = static_cast<float>(now - LastRenderTime);
  LastRenderTime = now;
  MaskFPUExceptions();
  if (MonitorRects.size() > 1 && Window) {
    RenderPictures(deltaTime);
  } else {
    Viewport->Apply();
    OnRender(deltaTime, false);
  }
  MaskFPUExceptions();
  Context->SwapFrame(DC);
}

void TCustomGLApplication::RenderPictures(float DeltaTime) {
  // Even a scene that covers its viewport wholly leaves the window's parts on
  // no monitor to this clear.
  Viewport->Clear();
  glEnable(GL_SCISSOR_TEST);  // nothing of a picture reaches its neighbour
  const std::vector<TMonitorRect> rects = MonitorRects;  // a handler may resize the window
  for (size_t i = 0; i < rects.size(); ++i) {
    const TMonitorRect& r = rects[i];
    const int y = Window->Height - r.Y - r.Height;  // GL counts rows from the bottom
    glScissor(r.X, y, r.Width, r.Height);
    Viewport->Apply(r.X, y, r.Width, r.Height);
    FramePicture = static_cast<int>(i);
    ResizeViewport(r.Width, r.Height);
    OnRender(i == 0 ? DeltaTime : 0.0f, false);
  }
  FramePicture = 0;
  glDisable(GL_SCISSOR_TEST);
}

void TCustomGLApplication::UpdateMonitorRects() {
  MonitorRects.clear();
  if (!Window || !Window->HandleAllocated()) return;
  const TWindowPlacement placement = Window->Placement();
  if (placement == TWindowPlacement::FullScreen || placement == TWindowPlacement::ForeignChild)
    MonitorRects = Platform().Windows->MonitorRects(Window->Handle());
}

void TCustomGLApplication::FollowMonitors(uint32_t Now) {
  if (!Window || !Window->HandleAllocated()) return;
  if (Now - FLastMonitorCheck < kMonitorCheckMilliseconds) return;
  FLastMonitorCheck = Now;
  const std::vector<TMonitorRect> before = MonitorRects;
  UpdateMonitorRects();
  // Back to one picture: the scene is sized for the whole window again.
  if (MonitorRects != before) ResizeViewport(Window->Width, Window->Height);
}

void TCustomGLApplication::WindowDestroyed() {
  StopOpenGL();
  DeviceContext = {};
  MonitorRects.clear();
}

void TCustomGLApplication::ResizeViewport(int AWidth, int AHeight) {
  if (OnResizeViewport && Context && Context->Active) OnResizeViewport(AWidth, AHeight);
}

void TCustomGLApplication::DisplayChanged() {
  TCustomForm* form = dynamic_cast<TCustomForm*>(Owner());
  if (Display && Display->FullScreen) {
    if (Window && Window->HandleAllocated()) {
      Window->DestroyHandle();
      Window->CreateHandle();  // now as the full-screen window
    }
    if (form) form->Enabled = false;
  } else {
    if (form) form->Enabled = true;
    if (Window) {
      Window->DestroyHandle();
      const bool ending = TerminateOnClose || (Application && Application->Terminated());
      if (!ending) Window->CreateHandle();
    }
  }
  SetCursorHidden(CursorHidden);
}

void TCustomGLApplication::BeforeDisplayChange() {
  if (!DisplaySettingsLoaded) ReadDisplaySettings();
}

bool TCustomGLApplication::CloseRequested() {
  const bool wasFullScreen = IsFullScreen();
  if (wasFullScreen) Display->SetFullScreen(false);
  if (TerminateOnClose && Application) Application->Terminate();
  return wasFullScreen;
}

void TCustomGLApplication::SaveSnapShot(const std::string& FileName) {
  if (!Context || !Context->Active || !Window) return;
  // The back buffer still holds the frame just shown.
  Context->ScreenShot.Capture(Window->Width, Window->Height);
  const std::string name = NumberedSnapShotName(FileName, Context->ScreenShot.Count);
  SaveSnapShotFile(name, BitmapFromCapture(Context->ScreenShot));
}

void TCustomGLApplication::PresentFrame() {
  if (Context && Context->Active) Context->SwapToEven(DeviceContext);
}

void TCustomGLApplication::CheckAcceleration() {
  if (Context && !Context->HasAcceleratedFormats())
    Platform().MessageBoxes->Show(kAccelerationMessage, Application ? Application->Title : Title, TMessageIcon::Error);
}

void TCustomGLApplication::AcceptMode(int32_t BitsPerPixel, int32_t, int32_t Height, bool& Accept) {
  Accept = (BitsPerPixel == 16 || BitsPerPixel == 32) && Height >= 480;
}

void TCustomGLApplication::SetDisplay(TCustomGLDisplay* ADisplay) {
  if (ADisplay == Display) return;
  if (Display) {
    Display->ModeFilter = nullptr;
    Display->AfterChange = nullptr;
    Display->BeforeChange = nullptr;
  }
  Display = ADisplay;
  if (!Display) return;
  Display->ModeFilter = AcceptMode;
  Display->AfterChange = [this](TObject*) { DisplayChanged(); };
  Display->BeforeChange = [this](TObject*) { BeforeDisplayChange(); };
}

void TCustomGLApplication::SetWindow(TCustomGLWindow* AWindow) {
  if (AWindow == Window) return;
  if (Window) {
    Window->IsFullScreen = nullptr;
    Window->IsContextLive = nullptr;
    Window->CloseRequest = nullptr;
    Window->Destroyed = nullptr;
    Window->DCReady = nullptr;
    Window->Paint = nullptr;
    Window->OnResize = nullptr;
    Window->VisualID = nullptr;
  }
  Window = AWindow;
  if (!Window) return;
  Window->IsFullScreen = [this] { return IsFullScreen(); };
  Window->IsContextLive = [this] { return Context && Context->Active; };
  Window->CloseRequest = [this] { return CloseRequested(); };
  Window->Destroyed = [this] { WindowDestroyed(); };
  Window->DCReady = [this](const TGLDeviceContext& DC) {
    DeviceContext = DC;
    UpdateMonitorRects();
  };
  Window->Paint = [this](const TGLDeviceContext& DC) { Render(DC); };
  Window->OnResize = [this](int W, int H) {
    UpdateMonitorRects();
    ResizeViewport(W, H);
  };
  Window->VisualID = [this] { return Context ? Context->ChooseVisual() : 0ul; };
}

// ---- stored settings ----

void TCustomGLApplication::ReadDisplaySettings() {
  SetMachineWide(true);
  ScrambledNames = false;
  if (Display) {
    Display->DesktopOnly = ReadOptionBool("DesktopOnly", Display->DesktopOnly);
    const std::string mode = ReadOptionString("FullScreenMode", Display->FullScreenMode.ModeText());
    try {
      Display->FullScreenMode.SetModeText(mode);
    } catch (const EConvertError&) {
      std::fprintf(stderr, "%s: the stored full-screen mode '%s' is not a mode; the current one is kept\n",
                   Title.c_str(), mode.c_str());
    }
  }
  DisplaySettingsLoaded = true;
}

void TCustomGLApplication::LoadOptions() {
  if (Designing()) return;
  ReadDisplaySettings();
  if (Context) {
    Context->SwapInterval = ReadOptionBool("WaitSync", Context->SwapInterval != 0) ? 1 : 0;
    if (ReadOptionBool("SoftwareRenderer", false)) Context->SetGeneric(true);
  }
  FrameRateLimit = ReadOptionInteger("FrameRateLimit", FrameRateLimit);
  if (FrameRateLimit < 0 || FrameRateLimit > TFramePacer::MaxLimit) {
    std::fprintf(stderr, "%s: the stored frame-rate limit %d is not from 0 to %d; 60 is used\n", Title.c_str(),
                 FrameRateLimit, TFramePacer::MaxLimit);
    FrameRateLimit = 60;
  }
  Viewport->WideScreen = ReadOptionBool("WideScreen", Viewport->WideScreen);
  TCustomGraphicApplicationPro::LoadOptions();
}

void TCustomGLApplication::SaveOptions() {
  if (Designing()) return;
  SetMachineWide(true);
  ScrambledNames = false;
  if (Display) {
    WriteOptionBool("DesktopOnly", Display->DesktopOnly);
    WriteOptionString("FullScreenMode", Display->FullScreenMode.ModeText());
  }
  if (Context) {
    WriteOptionBool("WaitSync", Context->SwapInterval != 0);
    WriteOptionBool("SoftwareRenderer", Context->Generic);
  }
  WriteOptionInteger("FrameRateLimit", FrameRateLimit);
  WriteOptionBool("WideScreen", Viewport->WideScreen);
  TCustomGraphicApplicationPro::SaveOptions();
}

}  // namespace emberhall
