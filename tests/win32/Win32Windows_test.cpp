// Win32 windows as the OpenGL window uses them, WGL contexts on them, and the
// display settings, on the real system (Wine on the test script's Xvfb).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "gl/OGL.h"
#include "platform/DisplaySettings.h"
#include "platform/GLPlatform.h"
#include "platform/win32/Win32Windows.h"
#include "platform/win32/Win32.h"

namespace emberhall {
namespace {

// Drains the thread's queue through the message source, paints included.
void Pump(int Ms = 100) {
  IMessageSource& source = Win32MessageSource();
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
  while (std::chrono::steady_clock::now() < end) {
    TMsg m;
    while (source.GetMessage(m)) source.DispatchMessage(m);
    source.GetIdleMessage(m);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

struct TRecorder {
  std::vector<uint32_t> Messages;
  TWindowProc Proc() {
    return [this](HWND, TMessage& M) { Messages.push_back(M.Msg); };
  }
  int Count(uint32_t Msg) const {
    int n = 0;
    for (uint32_t m : Messages) n += m == Msg;
    return n;
  }
};

TWindowParams TopLevel(int W, int H) {
  TWindowParams p;
  p.Placement = TWindowPlacement::TopLevel;
  p.Width = W;
  p.Height = H;
  p.Title = "Emberhall window test";
  return p;
}

TEST(Win32Windows, ATopLevelWindowGetsItsMessagesInOrder) {
  IWindowSystem& ws = Win32WindowSystem();
  TRecorder r;
  const HWND w = ws.CreateWindow(TopLevel(200, 150), r.Proc());
  ASSERT_NE(w, 0u);
  ASSERT_FALSE(r.Messages.empty());
  EXPECT_EQ(r.Messages.front(), WM_CREATE) << "WM_CREATE before anything else";
  int width = 0, height = 0;
  ASSERT_TRUE(ws.GetClientSize(w, width, height));
  EXPECT_EQ(width, 200);
  EXPECT_EQ(height, 150);
  Pump();
  const int paints = r.Count(WM_PAINT);
  ws.Invalidate(w);
  Pump();
  EXPECT_EQ(r.Count(WM_PAINT), paints + 1) << "one paint per invalidation";
  Pump();
  EXPECT_EQ(r.Count(WM_PAINT), paints + 1) << "a validated window is not painted again";

  PostMessageW(reinterpret_cast<::HWND>(w), WM_KEYDOWN, VK_SPACE, 0);
  Pump();
  EXPECT_EQ(r.Count(WM_KEYDOWN), 1);

  ws.DestroyWindow(w);
  EXPECT_EQ(r.Count(WM_DESTROY), 1);
  EXPECT_FALSE(ws.WindowAlive(w));
  EXPECT_FALSE(ws.GetClientSize(w, width, height));
}

TEST(Win32Windows, AChildFillsItsParentAndFollowsItsSize) {
  IWindowSystem& ws = Win32WindowSystem();
  TRecorder parentMessages, childMessages;
  const HWND parent = ws.CreateWindow(TopLevel(320, 240), parentMessages.Proc());
  ASSERT_NE(parent, 0u);
  for (TWindowPlacement placement : {TWindowPlacement::Child, TWindowPlacement::ForeignChild}) {
    TWindowParams p;
    p.Placement = placement;
    p.Parent = parent;
    const HWND child = ws.CreateWindow(p, childMessages.Proc());
    ASSERT_NE(child, 0u);
    int w = 0, h = 0;
    ASSERT_TRUE(ws.GetClientSize(child, w, h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    RECT r{0, 0, 400, 300};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(reinterpret_cast<::HWND>(parent), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    ASSERT_TRUE(ws.GetClientSize(child, w, h));
    EXPECT_EQ(w, 400);
    EXPECT_EQ(h, 300);
    EXPECT_GE(childMessages.Count(WM_SIZE), 1);
    ws.DestroyWindow(child);
    SetWindowPos(reinterpret_cast<::HWND>(parent), nullptr, 0, 0, 320, 240, SWP_NOMOVE | SWP_NOZORDER);
    RECT c{0, 0, 320, 240};
    AdjustWindowRectEx(&c, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(reinterpret_cast<::HWND>(parent), nullptr, 0, 0, c.right - c.left, c.bottom - c.top,
                 SWP_NOMOVE | SWP_NOZORDER);
  }
  ws.DestroyWindow(parent);
}

TEST(Win32Windows, AChildDiesWithItsParentAndAGoneParentIsRefused) {
  IWindowSystem& ws = Win32WindowSystem();
  TRecorder parentMessages, childMessages;
  const HWND parent = ws.CreateWindow(TopLevel(160, 120), parentMessages.Proc());
  TWindowParams p;
  p.Placement = TWindowPlacement::ForeignChild;
  p.Parent = parent;
  const HWND child = ws.CreateWindow(p, childMessages.Proc());
  ASSERT_NE(child, 0u);
  ws.DestroyWindow(parent);
  EXPECT_EQ(childMessages.Count(WM_DESTROY), 1) << "the preview ends with the window it is shown in";
  EXPECT_FALSE(ws.WindowAlive(child));
  EXPECT_EQ(ws.CreateWindow(p, childMessages.Proc()), 0u);
}

TEST(Win32Windows, InputIsLeftToTheParentWhenAsked) {
  IWindowSystem& ws = Win32WindowSystem();
  TRecorder r;
  TWindowParams p = TopLevel(100, 100);
  p.IgnoreInput = true;
  const HWND w = ws.CreateWindow(p, r.Proc());
  ASSERT_NE(w, 0u);
  for (UINT msg : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_CLOSE})
    PostMessageW(reinterpret_cast<::HWND>(w), msg, 0, 0);
  Pump();
  EXPECT_EQ(r.Count(WM_KEYDOWN) + r.Count(WM_LBUTTONDOWN) + r.Count(WM_MOUSEMOVE), 0);
  EXPECT_EQ(r.Count(WM_CLOSE), 1) << "closing still arrives";
  ws.DestroyWindow(w);
}

TEST(Win32Windows, MonitorPartsCoverTheWindow) {
  IWindowSystem& ws = Win32WindowSystem();
  TRecorder r;
  const HWND w = ws.CreateWindow(TopLevel(300, 200), r.Proc());
  const std::vector<TMonitorRect> parts = ws.MonitorRects(w);
  ASSERT_EQ(parts.size(), 1u) << "one monitor on the test screen";
  EXPECT_EQ(parts[0], (TMonitorRect{0, 0, 300, 200}));
  ws.DestroyWindow(w);
}

// A real WGL context on a window (a top-level one, and one inside another
// window as the preview is): the colour it clears to is read back.
void ClearAndReadBack(HWND W) {
  IGLPlatform& gl = GLPlatform();
  const TGLDeviceContext dc = Win32WindowSystem().WindowDC(W);
  ASSERT_NE(dc.Display, nullptr);
  const std::vector<TPixelFormatDescriptor> formats = gl.DescribePixelFormats(dc);
  ASSERT_FALSE(formats.empty());
  const TPixelFormatDescriptor* chosen = nullptr;
  for (const auto& f : formats)
    if (f.DrawToWindow && f.DoubleBuffer && f.ColorBits >= 24 && f.DepthBits >= 16 && !f.NeedPalette) {
      chosen = &f;
      break;
    }
  ASSERT_NE(chosen, nullptr);
  ASSERT_TRUE(gl.SetPixelFormat(dc, *chosen));
  EXPECT_TRUE(gl.SetPixelFormat(dc, *chosen)) << "setting the same format again is no error";
  HGLRC rc = gl.CreateContext(dc, *chosen);
  ASSERT_NE(rc, nullptr);
  ASSERT_TRUE(gl.MakeCurrent(dc, rc));
  gl.LoadExtensions();
  EXPECT_NE(gl.ExtensionsString(dc), nullptr);
  if (gl.HasSwapInterval()) gl.SetSwapInterval(dc, 0);
  glViewport(0, 0, 64, 64);
  glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  uint8_t pixel[4] = {};
  glReadBuffer(GL_BACK);
  glReadPixels(32, 32, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  EXPECT_EQ(pixel[0], 255);
  EXPECT_NEAR(pixel[1], 128, 1);
  EXPECT_EQ(pixel[2], 0);
  gl.SwapBuffers(dc);
  EXPECT_TRUE(gl.MakeCurrent(dc, nullptr));
  gl.ClearExtensions();
  EXPECT_FALSE(gl.HasSwapInterval());
  gl.DeleteContext(dc, rc);
}

TEST(WGLPlatform, AContextOnAWindowDrawsAndReadsBack) {
  LoadOpenGL(DefaultOpenGLLibrary);
  ASSERT_NE(OpenGLLibrary, nullptr);
  GLPlatform().LibraryLoaded(OpenGLLibrary);
  IWindowSystem& ws = Win32WindowSystem();
  TRecorder r;
  const HWND top = ws.CreateWindow(TopLevel(64, 64), r.Proc());
  ClearAndReadBack(top);
  const HWND parent = ws.CreateWindow(TopLevel(64, 64), r.Proc());
  TWindowParams p;
  p.Placement = TWindowPlacement::Child;
  p.Parent = parent;
  const HWND child = ws.CreateWindow(p, r.Proc());
  ASSERT_NE(child, 0u);
  ClearAndReadBack(child);
  for (HWND w : {child, parent, top}) ws.DestroyWindow(w);
  GLPlatform().LibraryLoaded(nullptr);
  UnloadOpenGL();
}

TEST(Win32DisplaySettings, TheDesktopModeIsListedAndAcceptedAndNonsenseIsNot) {
  IDisplaySettings& settings = SystemDisplaySettings();
  const TVideoMode desktop = settings.DesktopMode();
  EXPECT_GT(desktop.Width, 0);
  EXPECT_GT(desktop.Height, 0);
  const std::vector<TVideoMode> modes = settings.ListModes();
  ASSERT_FALSE(modes.empty());
  bool listed = false;
  for (const TVideoMode& m : modes) listed |= m.Width == desktop.Width && m.Height == desktop.Height;
  EXPECT_TRUE(listed);
  EXPECT_TRUE(settings.TestMode(desktop));
  EXPECT_FALSE(settings.TestMode({12345, 7, 32}));
  SetDisplaySwitchingAllowed(false);
  EXPECT_FALSE(settings.ChangeMode(desktop)) << "switching forbidden";
  SetDisplaySwitchingAllowed(true);
}

}  // namespace
}  // namespace emberhall
