// Which windows of the OpenGL application are divided among the monitors:
// a full-screen one and one inside a foreign window (a daemon's, the root
// window); never the dialog's preview or a window of its own. Asked again
// with every size change, forgotten with the window. On a fake window system.
#include <gtest/gtest.h>

#include "app/GLApp.h"
#include "platform/Services.h"

using namespace emberhall;

namespace {

class TFakeWindows : public IWindowSystem, public IMessageSource {
 public:
  HWND CreateWindow(const TWindowParams&, TWindowProc Proc) override {
    FProc = std::move(Proc);
    const HWND w = ++FLast;
    Send(w, WM_CREATE, 0);
    return w;
  }
  void DestroyWindow(HWND Wnd) override { Send(Wnd, WM_DESTROY, 0); }
  void Invalidate(HWND) override {}
  bool GetClientSize(HWND, int& Width, int& Height) override {
    Width = 1280, Height = 1024;
    return true;
  }
  TGLDeviceContext WindowDC(HWND) override { return {}; }
  std::vector<TMonitorRect> MonitorRects(HWND) override { return Rects; }
  HWND ScreenWindow() override { return 1; }
  bool WindowAlive(HWND) override { return true; }
  IMessageSource& MessageSource() override { return *this; }
  bool GetMessage(TMsg&) override { return false; }
  void DispatchMessage(const TMsg&) override {}

  void Send(HWND Wnd, uint32_t Msg, LPARAM LParam) {
    TMessage m{Msg, 0, LParam, 0};
    if (FProc) FProc(Wnd, m);
  }

  std::vector<TMonitorRect> Rects{{0, 0, 640, 1024}, {640, 0, 640, 1024}};

 private:
  TWindowProc FProc;
  HWND FLast = 100;
};

class GLAppMonitors : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = Platform().Windows;
    Platform().Windows = &windows;
    app = std::make_unique<TApplication>();
    form = new TCustomForm(app.get());
    window = new TGLWindow(form);
    gl = new TCustomGLApplication(form);
    gl->SetWindow(window);
    window->VisualID = nullptr;  // no pixel format to choose without a display
    window->IsFullScreen = [this] { return fullScreen; };
  }
  void TearDown() override {
    app.reset();
    Platform().Windows = saved;
  }

  TFakeWindows windows;
  IWindowSystem* saved = nullptr;
  std::unique_ptr<TApplication> app;
  TCustomForm* form = nullptr;  // owned by app
  TGLWindow* window = nullptr;
  TCustomGLApplication* gl = nullptr;
  bool fullScreen = false;
};

TEST_F(GLAppMonitors, FullScreenAndForeignWindowsAreDividedAmongTheMonitors) {
  struct TCase {
    const char* Name;
    bool FullScreen;
    HWND ParentControl, ParentWindow;
    bool Divided;
  };
  const TCase cases[] = {
      {"full screen", true, 0, 0, true},
      {"inside a foreign window", false, 0, 42, true},
      {"the dialog's preview", false, 7, 0, false},
      {"a window of its own", false, 0, 0, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    fullScreen = c.FullScreen;
    window->ParentControl = c.ParentControl;
    window->ParentWindow = c.ParentWindow;
    window->CreateHandle();
    ASSERT_TRUE(window->HandleAllocated());
    EXPECT_EQ(gl->MonitorRects, c.Divided ? windows.Rects : std::vector<TMonitorRect>{});
    window->DestroyHandle();
    EXPECT_TRUE(gl->MonitorRects.empty()) << "forgotten with the window";
  }
}

TEST_F(GLAppMonitors, ASizeChangeAsksForTheMonitorsAgain) {
  window->ParentWindow = 42;
  window->CreateHandle();
  ASSERT_EQ(gl->MonitorRects.size(), 2u);
  windows.Rects = {{0, 0, 1280, 1024}};
  windows.Send(window->Handle(), WM_SIZE, (1024 << 16) | 1280);
  EXPECT_EQ(gl->MonitorRects, windows.Rects);
  window->DestroyHandle();
}

// Monitors added or removed while the window keeps its size are followed
// within a second, and not asked for more often.
TEST_F(GLAppMonitors, MonitorsThatChangeUnderTheWindowAreFollowedOnceASecond) {
  fullScreen = true;
  window->CreateHandle();
  ASSERT_EQ(gl->MonitorRects.size(), 2u);
  const std::vector<TMonitorRect> two = windows.Rects, one = {{0, 0, 1280, 1024}};
  const struct {
    uint32_t Now;
    std::vector<TMonitorRect> Reported, Seen;
  } steps[] = {
      {1000, one, one},  // the first look
      {1500, two, one},  // too soon
      {1999, two, one},
      {2000, two, two},
      {3000, two, two},
      {4200, one, one},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.Now);
    windows.Rects = s.Reported;
    gl->FollowMonitors(s.Now);
    EXPECT_EQ(gl->MonitorRects, s.Seen);
  }
  window->DestroyHandle();
}

}  // namespace
