// Windows on the test script's Xvfb, driven with XTest input as a user would.
#include <gtest/gtest.h>
// Xlib after gtest: its macros clash with gtest's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

#include "x11/XTestKeys.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/glx/GLXPlatform.h"
#include "platform/x11/X11Windows.h"

using namespace emberhall;

TEST(X11Windows, VirtualKeys) {
  struct Case { unsigned long keysym; WPARAM vk; };
  const Case cases[] = {{XK_a, 'A'}, {XK_Z, 'Z'}, {XK_5, '5'}, {XK_F1, VK_F1}, {XK_F12, 0x7B}, {XK_Escape, VK_ESCAPE},
                        {XK_Return, VK_RETURN}, {XK_space, VK_SPACE}, {XK_Print, VK_SNAPSHOT}, {XK_Shift_R, VK_SHIFT},
                        {XK_Alt_L, VK_MENU}, {XK_KP_3, 0x63}, {XK_Left, 0x25}, {XK_Delete, 0x2E}, {XK_dead_acute, 0}};
  for (const Case& c : cases) EXPECT_EQ(VirtualKeyOf(c.keysym), c.vk) << c.keysym;
  EXPECT_EQ(MakeLParam(10, 20), (20 << 16) | 10);
  EXPECT_EQ(MakeLParam(-1, 3), (3 << 16) | 0xFFFF);
}

namespace {

class X11WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || !GLXDisplay()) GTEST_SKIP() << "needs the test script's Xvfb";
    other = XOpenDisplay(nullptr);  // a second client: the test itself
    app = std::make_unique<TApplication>();
    app->AddMessageSource(&X11MessageSource());
  }
  void TearDown() override {
    if (!other) return;
    app->RemoveMessageSource(&X11MessageSource());
    app.reset();
    XCloseDisplay(other);
  }
  // Lets the loop take in everything the server has sent, until Done or the time passes.
  template <class F>
  bool PumpUntil(F done, std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
    XSync(other, False);
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      XSync(GLXDisplay(), False);
      app->ProcessMessages();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  TWindowProc Recorder() {
    return [this](HWND, TMessage& m) { messages.push_back(m); };
  }
  int Count(uint32_t msg) const {
    int n = 0;
    for (const TMessage& m : messages) n += m.Msg == msg;
    return n;
  }
  const TMessage* Last(uint32_t msg) const {
    for (auto it = messages.rbegin(); it != messages.rend(); ++it)
      if (it->Msg == msg) return &*it;
    return nullptr;
  }
  Window ForeignWindow(int w, int h) {
    Window win = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, static_cast<unsigned>(w),
                                     static_cast<unsigned>(h), 0, 0, 0);
    XMapWindow(other, win);
    XSync(other, False);
    return win;
  }
  void Key(KeySym sym) { emberhall::test::PressKey(other, sym); }

  void Settle() { PumpUntil([] { return false; }, std::chrono::milliseconds(200)); }

  Display* other = nullptr;
  std::unique_ptr<TApplication> app;
  std::vector<TMessage> messages;
};

}  // namespace

TEST_F(X11WindowTest, ForeignChildGetsInputAndFollowsItsParent) {
  Window parent = ForeignWindow(320, 240);
  HWND w = CreateX11Window({TWindowPlacement::ForeignChild, parent}, Recorder());
  ASSERT_NE(w, 0u);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0].Msg, WM_CREATE);
  int width = 0, height = 0;
  ASSERT_TRUE(GetX11ClientSize(w, width, height));
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  EXPECT_EQ(X11WindowDC(w).Drawable, w);

  // The parent's size is followed.
  XResizeWindow(other, parent, 400, 300);
  ASSERT_TRUE(PumpUntil([&] { return Last(WM_SIZE) != nullptr; }));
  EXPECT_EQ(Last(WM_SIZE)->LParam, MakeLParam(400, 300));

  // Keys reach the focused window as virtual keys.
  Settle();
  XSetInputFocus(other, w, RevertToParent, CurrentTime);
  Key(XK_a);
  Key(XK_Print);
  ASSERT_TRUE(PumpUntil([&] { return Count(WM_KEYUP) >= 2; }));
  std::vector<std::pair<uint32_t, WPARAM>> keys;
  for (const TMessage& m : messages)
    if (m.Msg == WM_KEYDOWN || m.Msg == WM_KEYUP) keys.emplace_back(m.Msg, m.WParam);
  EXPECT_EQ(keys, (std::vector<std::pair<uint32_t, WPARAM>>{
                      {WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'}, {WM_KEYDOWN, VK_SNAPSHOT}, {WM_KEYUP, VK_SNAPSHOT}}));

  // Pointer: a move with its position, and two quick clicks make a double click.
  XTestFakeMotionEvent(other, DefaultScreen(other), 30, 40, CurrentTime);
  for (int i = 0; i < 2; ++i) {
    XTestFakeButtonEvent(other, 1, True, CurrentTime);
    XTestFakeButtonEvent(other, 1, False, CurrentTime);
  }
  XTestFakeButtonEvent(other, 3, True, CurrentTime);
  XTestFakeButtonEvent(other, 3, False, CurrentTime);
  ASSERT_TRUE(PumpUntil([&] { return Count(WM_RBUTTONUP) == 1; }));
  ASSERT_NE(Last(WM_MOUSEMOVE), nullptr);
  EXPECT_EQ(Last(WM_MOUSEMOVE)->LParam, MakeLParam(30, 40));
  EXPECT_EQ(Count(WM_LBUTTONDOWN), 1);
  EXPECT_EQ(Count(WM_LBUTTONDBLCLK), 1);
  EXPECT_EQ(Count(WM_LBUTTONUP), 2);
  EXPECT_EQ(Count(WM_RBUTTONDOWN), 1);

  // Invalidation paints once, when nothing else waits.
  messages.clear();
  InvalidateX11Window(w);
  Settle();
  EXPECT_EQ(Count(WM_PAINT), 1);

  // The parent going away destroys the child: its handler hears of it.
  XDestroyWindow(other, parent);
  ASSERT_TRUE(PumpUntil([&] { return Count(WM_DESTROY) == 1; }));
  EXPECT_FALSE(X11WindowExists(w));
}

TEST_F(X11WindowTest, FullScreenCoversTheScreenAndHoldsTheKeyboard) {
  HWND w = CreateX11Window({TWindowPlacement::FullScreen}, Recorder());
  ASSERT_NE(w, 0u);
  int width = 0, height = 0;
  GetX11ClientSize(w, width, height);
  EXPECT_EQ(width, DisplayWidth(other, DefaultScreen(other)));
  EXPECT_EQ(height, DisplayHeight(other, DefaultScreen(other)));
  XWindowAttributes a{};
  XGetWindowAttributes(other, w, &a);
  EXPECT_TRUE(a.override_redirect);
  EXPECT_EQ(a.map_state, IsViewable);
  // Another client cannot take the keyboard while the window is shown.
  EXPECT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync, CurrentTime),
            AlreadyGrabbed);
  // Keys go to it wherever the focus was.
  Key(XK_Escape);
  ASSERT_TRUE(PumpUntil([&] { return Count(WM_KEYUP) == 1; }));
  EXPECT_EQ(Last(WM_KEYDOWN)->WParam, VK_ESCAPE);
  SetX11PointerHidden(true);
  SetX11PointerHidden(false);

  DestroyX11Window(w);
  EXPECT_EQ(Last(WM_DESTROY) != nullptr, true);
  EXPECT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync, CurrentTime),
            GrabSuccess);
  XUngrabKeyboard(other, CurrentTime);
  XSync(other, False);
}

TEST_F(X11WindowTest, FullScreenKeepsWhatInputItCanHaveWhenAnotherClientHoldsAGrab) {
  struct TCase {
    const char* Name;
    bool HoldKeyboard, HoldPointer;
  } cases[] = {{"pointer held elsewhere", false, true}, {"keyboard held elsewhere", true, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const Window root = DefaultRootWindow(other);
    if (c.HoldKeyboard) {
      ASSERT_EQ(XGrabKeyboard(other, root, True, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
    }
    if (c.HoldPointer) {
      ASSERT_EQ(XGrabPointer(other, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None, CurrentTime),
                GrabSuccess);
    }
    XSync(other, False);
    HWND w = CreateX11Window({TWindowPlacement::FullScreen}, Recorder());
    ASSERT_NE(w, 0u);
    XUngrabKeyboard(other, CurrentTime);
    XUngrabPointer(other, CurrentTime);
    XSync(other, False);
    // Keys still reach it: through its own keyboard grab, or through the focus.
    const int before = Count(WM_KEYUP);
    Key(XK_Escape);
    EXPECT_TRUE(PumpUntil([&] { return Count(WM_KEYUP) == before + 1; }));
    DestroyX11Window(w);
    EXPECT_EQ(XGrabKeyboard(other, root, True, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
    XUngrabKeyboard(other, CurrentTime);
    XSync(other, False);
  }
}

TEST_F(X11WindowTest, CreatingAndDestroying200TimesLeavesNothingBehind) {
  auto count = [](const char* dir) {
    int n = 0;
    for (auto& e : std::filesystem::directory_iterator(dir)) ++n, (void)e;
    return n;
  };
  Window parent = ForeignWindow(100, 100);
  DestroyX11Window(CreateX11Window({TWindowPlacement::FullScreen}, Recorder()));
  const int fds = count("/proc/self/fd"), threads = count("/proc/self/task");
  for (int i = 0; i < 100; ++i) {
    DestroyX11Window(CreateX11Window({TWindowPlacement::FullScreen}, Recorder()));
    DestroyX11Window(CreateX11Window({TWindowPlacement::ForeignChild, parent}, Recorder()));
  }
  Settle();
  EXPECT_EQ(count("/proc/self/fd"), fds);
  EXPECT_EQ(count("/proc/self/task"), threads);
  Window root, parentOf, *children = nullptr;
  unsigned n = 99;
  XQueryTree(other, parent, &root, &parentOf, &children, &n);
  if (children) XFree(children);
  EXPECT_EQ(n, 0u);  // no child window left in the parent
  EXPECT_EQ(Count(WM_CREATE), 201);
  EXPECT_EQ(Count(WM_DESTROY), 201);
}

TEST_F(X11WindowTest, TheWindowSystemPaintsTheProgramsColourAndKnowsForeignWindows) {
  IWindowSystem& windows = X11WindowSystem();
  TWindowParams params;
  params.Placement = TWindowPlacement::TopLevel;
  params.Width = 64;
  params.Height = 48;
  params.Background = 0x2040C0;  // red 0xC0, green 0x40, blue 0x20
  HWND w = windows.CreateWindow(params, Recorder());
  ASSERT_NE(w, 0u);
  int width = 0, height = 0;
  ASSERT_TRUE(windows.GetClientSize(w, width, height));
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 48);
  ASSERT_TRUE(PumpUntil([&] { return Count(WM_PAINT) >= 1; }));
  XImage* image = XGetImage(other, static_cast<Window>(w), 8, 8, 1, 1, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(XGetPixel(image, 0, 0) & 0xFFFFFF, 0xC04020u);
  XDestroyImage(image);

  Window foreign = ForeignWindow(32, 32);
  EXPECT_TRUE(windows.WindowAlive(foreign));
  XDestroyWindow(other, foreign);
  XSync(other, False);
  EXPECT_FALSE(windows.WindowAlive(foreign));
  windows.DestroyWindow(w);
  EXPECT_EQ(Count(WM_DESTROY), 1);
}

namespace {

// Monitors defined on the server for the scope, without outputs of their own.
class TScopedMonitors {
 public:
  TScopedMonitors(Display* D, const std::vector<TMonitorRect>& Rects) : FDisplay(D) {
    for (size_t i = 0; i < Rects.size(); ++i) {
      XRRMonitorInfo m{};
      m.name = XInternAtom(D, ("test-monitor-" + std::to_string(i)).c_str(), False);
      m.x = Rects[i].X, m.y = Rects[i].Y, m.width = Rects[i].Width, m.height = Rects[i].Height;
      m.mwidth = Rects[i].Width / 4, m.mheight = Rects[i].Height / 4;
      XRRSetMonitor(D, DefaultRootWindow(D), &m);
      FNames.push_back(m.name);
    }
    XSync(D, False);
  }
  ~TScopedMonitors() {
    for (Atom name : FNames) XRRDeleteMonitor(FDisplay, DefaultRootWindow(FDisplay), name);
    XSync(FDisplay, False);
  }

 private:
  Display* FDisplay;
  std::vector<Atom> FNames;
};

}  // namespace

// The monitors' parts of windows of any client, top-level or inside another,
// as the server's RandR reports them.
TEST_F(X11WindowTest, MonitorRectsAreTheMonitorsPartsOfTheWindow) {
  int major = 0, minor = 0;
  if (!XRRQueryVersion(other, &major, &minor) || major * 100 + minor < 105) GTEST_SKIP() << "no RandR 1.5";
  IWindowSystem& windows = X11WindowSystem();
  Window parent = XCreateSimpleWindow(other, DefaultRootWindow(other), 600, 100, 100, 50, 0, 0, 0);
  Window child = XCreateSimpleWindow(other, parent, 10, 20, 50, 30, 0, 0, 0);
  XMapWindow(other, parent);
  XMapSubwindows(other, parent);
  XSync(other, False);
  using TRects = std::vector<TMonitorRect>;
  EXPECT_EQ(windows.MonitorRects(parent), (TRects{{0, 0, 100, 50}})) << "the screen's one monitor";
  {
    // The screen's own monitor stays beside the two halves and is left out.
    TScopedMonitors halves(other, {{0, 0, 640, 1024}, {640, 0, 640, 1024}});
    EXPECT_EQ(windows.MonitorRects(parent), (TRects{{0, 0, 40, 50}, {40, 0, 60, 50}}));
    EXPECT_EQ(windows.MonitorRects(child), (TRects{{0, 0, 30, 30}, {30, 0, 20, 30}}));
  }
  EXPECT_EQ(windows.MonitorRects(child), (TRects{{0, 0, 50, 30}}));
  XDestroyWindow(other, parent);
  XSync(other, False);
  EXPECT_EQ(windows.MonitorRects(child), TRects{}) << "a window that is gone";
}
