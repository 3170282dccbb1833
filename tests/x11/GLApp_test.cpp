// The OpenGL application as a program uses it: a form owning a window, a
// display and the application component, on the test script's Xvfb.
#include <gtest/gtest.h>
// Xlib after gtest: its macros clash with gtest's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/GLApp.h"
#include "app/SnapShot.h"
#include "platform/glx/GLXPlatform.h"
#include "platform/posix/OptionsStore.h"
#include "platform/x11/X11Windows.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

class GLAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name || !GLXDisplay()) GTEST_SKIP() << "needs the test script's Xvfb";
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    other = XOpenDisplay(nullptr);
    app = std::make_unique<TApplication>();
    form = new TCustomForm(app.get());
    window = new TGLWindow(form);
    display = new TGLDisplay(form);
    gl = new TCustomGLApplication(form);
    gl->SetWindow(window);
    gl->SetDisplay(display);
    gl->TimerClock = [this] { return now; };
    gl->FrameRateLimit = 0;  // pass by pass: one frame per pass (the paced loop has its own test)
    gl->OnStartOpenGL = [this](TObject*) { events.push_back("start"); };
    gl->OnStopOpenGL = [this](TObject*) { events.push_back("stop"); };
    gl->OnResizeViewport = [this](int w, int h) {
      events.push_back("resize " + std::to_string(w) + "x" + std::to_string(h));
    };
    gl->OnRender = [this](float dt, bool) {
      deltas.push_back(dt);
      emberhall::glClearColor(0, 1, 0, 1);
      emberhall::glClear(GL_COLOR_BUFFER_BIT);
    };
    gl->OnIdle = [this](TObject*, bool&) { ++idlePasses; };
    app->MainForm = form;
    form->AfterConstruction();
    window->SetBounds(160, 120);
  }
  void TearDown() override {
    if (!other) return;
    app.reset();
    XCloseDisplay(other);
    unsetenv("XDG_RUNTIME_DIR");
  }
  // Runs loop passes; the clock moves 10 ms per pass.
  void Passes(int n) {
    for (int i = 0; i < n; ++i) {
      XSync(GLXDisplay(), False);
      app->HandleMessage();
      now += 10;
    }
  }
  int Frames() const { return static_cast<int>(deltas.size()); }
  // What the window shows on the screen, as another client reads it.
  std::vector<int> ScreenPixel(int x, int y) {
    XImage* image = XGetImage(other, window->Handle(), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return {};
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF)};
  }
  // How many of the windows still exist on the server.
  int ExistingWindows(const std::vector<unsigned long>& windows) {
    XSync(other, False);
    auto old = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    int alive = 0;
    for (unsigned long w : windows) {
      XWindowAttributes a{};
      alive += XGetWindowAttributes(other, w, &a) != 0;
    }
    XSync(other, False);
    XSetErrorHandler(old);
    return alive;
  }

  TTempDir runtime;
  Display* other = nullptr;
  std::unique_ptr<TApplication> app;
  TCustomForm* form = nullptr;
  TGLWindow* window = nullptr;
  TGLDisplay* display = nullptr;
  TCustomGLApplication* gl = nullptr;
  uint32_t now = 1000;
  std::vector<std::string> events;
  std::vector<float> deltas;
  int idlePasses = 0;
};

}  // namespace

TEST_F(GLAppTest, OneFramePerIdlePassWithDeltaTime) {
  window->CreateHandle();
  ASSERT_TRUE(window->HandleAllocated());
  Passes(2);  // start, then the first frame
  ASSERT_EQ(events, (std::vector<std::string>{"start", "resize 160x120"}));
  const int idleBefore = idlePasses, framesBefore = Frames();
  Passes(20);
  EXPECT_EQ(Frames() - framesBefore, idlePasses - idleBefore);  // one frame per idle pass
  ASSERT_GE(Frames(), 3);
  EXPECT_EQ(deltas[0], 0.0f);  // the very first frame
  for (size_t i = 1; i < deltas.size(); ++i) EXPECT_NEAR(deltas[i], 0.02f, 1e-6) << i;  // two passes per frame
  EXPECT_EQ(ScreenPixel(80, 60), (std::vector<int>{0, 255, 0}));
  now += 5000;  // a pause is not clamped
  Passes(2);
  EXPECT_NEAR(deltas.back(), 5.02f, 1e-4);
}

TEST_F(GLAppTest, PacedLoopDrawsWhenDueAndWaitsUntilTheNextSlot) {
  // A slot every 4 ms; the fake clock moves 1 ms per pass while each wait
  // runs its real time-out, so the slots are kept short.
  gl->FrameRateLimit = 250;
  std::vector<uint32_t> due;  // the passes that did the idle work
  gl->OnIdle = [&](TObject*, bool&) { due.push_back(now); };
  int reports = 0;
  gl->OnFPSChanged = [&](TObject*) { ++reports; };
  window->CreateHandle();
  int waits = 0;
  const int passes = 1200;
  for (int pass = 0; pass < passes; ++pass) {
    XSync(GLXDisplay(), False);
    app->HandleMessage();
    const int timeout = app->LastWaitTimeout();
    if (timeout >= 0 && due.size() >= 2) {
      ++waits;
      // The wait ends at the next slot of the grid that started at the second pass.
      const uint32_t t0 = due[1], slot = (due.back() - t0) / 4 + 1;
      ASSERT_EQ(timeout, static_cast<int>(t0 + 4 * slot - now)) << "at " << now;
      ASSERT_GT(timeout, 0);
    }
    now += 1;
  }
  for (size_t i = 2; i < due.size(); ++i)  // one pass per slot, none early
    EXPECT_LT((due[i - 1] - due[1]) / 4, (due[i] - due[1]) / 4) << due[i];
  EXPECT_NEAR(static_cast<double>(due.size()), passes / 4.0, 3);
  EXPECT_GT(waits, passes / 3);  // the loop blocked between frames instead of spinning
  // One frame per paced pass; the server's expose events may add a repaint
  // now and then (other clients' windows come and go on the shared Xvfb).
  EXPECT_GE(Frames() + 2, static_cast<int>(due.size()));
  EXPECT_LE(Frames(), static_cast<int>(due.size()) + 10);
  const auto onPace = std::count_if(deltas.begin() + 2, deltas.end(), [](float d) { return std::abs(d - 0.004f) < 0.0025f; });
  EXPECT_GE(onPace, static_cast<long>(deltas.size()) - 12);
  // The report counts frames, not loop passes.
  EXPECT_EQ(reports, 1);
  EXPECT_NEAR(gl->GetFPS(), 250, 5);
}

TEST_F(GLAppTest, FullScreenSwitchesRestartOpenGLAndGrabTheKeyboard) {
  window->CreateHandle();
  Passes(4);
  display->DesktopOnly = true;  // full screen in the desktop's own mode: no mode switch
  std::vector<unsigned long> handles;
  const int fds = static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
  const int threads = static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/task"), {}));
  for (int round = 0; round < 200; ++round) {
    events.clear();
    display->SetFullScreen(true);
    Passes(4);
    handles.push_back(window->Handle());
    display->SetFullScreen(false);
    Passes(4);
    handles.push_back(window->Handle());
    if (round == 0) {
      const std::string screen = std::to_string(DisplayWidth(other, 0)) + "x" + std::to_string(DisplayHeight(other, 0));
      ASSERT_EQ(events, (std::vector<std::string>{"stop", "start", "resize " + screen, "stop", "start",
                                                  "resize 160x120"}));
    }
  }
  EXPECT_EQ(ExistingWindows(handles), 1);  // only the current window is left
  EXPECT_EQ(static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {})), fds);
  EXPECT_EQ(static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/task"), {})), threads);

  display->SetFullScreen(true);
  Passes(4);
  EXPECT_EQ(window->Width, DisplayWidth(other, 0));
  EXPECT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync, CurrentTime),
            AlreadyGrabbed);
  EXPECT_FALSE(form->Enabled);
  // A close request in full screen leaves full screen and is consumed.
  EXPECT_EQ(SendX11Message(window->Handle(), WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(display->FullScreen);
  EXPECT_TRUE(window->HandleAllocated());
  EXPECT_TRUE(form->Enabled);
  EXPECT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync, CurrentTime),
            GrabSuccess);
  XUngrabKeyboard(other, CurrentTime);
  // In a windowed run the request is not consumed: the default handling closes the window.
  events.clear();
  Passes(4);
  SendX11Message(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(window->HandleAllocated());
  EXPECT_EQ(events.back(), "stop");
}

TEST_F(GLAppTest, PrintScreenSavesNumberedPicturesOfTheWindow) {
  window->CreateHandle();
  Passes(6);
  TTempDir pictures;
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(pictures.Path());
  gl->BaseName = "shot";
  XSetInputFocus(other, window->Handle(), RevertToParent, CurrentTime);
  const KeyCode print = XKeysymToKeycode(other, XK_Print);
  for (int i = 0; i < 3; ++i) {
    XTestFakeKeyEvent(other, print, True, CurrentTime);
    XTestFakeKeyEvent(other, print, False, CurrentTime);
    XSync(other, False);
    Passes(6);
  }
  std::filesystem::current_path(cwd);
  for (const char* name : {"shot1.jpg", "shot2.jpg", "shot3.jpg"}) {
    ASSERT_TRUE(std::filesystem::exists(pictures.File(name))) << name;
    TBitmap picture = LoadBitmapJPEG(pictures.File(name));
    ASSERT_EQ(picture.Width, 160);
    ASSERT_EQ(picture.Height, 120);
    const uint8_t* centre = picture.Row(60) + 3 * 80;  // blue, green, red
    EXPECT_LT(centre[0], 20) << name;
    EXPECT_GT(centre[1], 235) << name;
    EXPECT_LT(centre[2], 20) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(pictures.File("shot4.jpg")));
}

TEST_F(GLAppTest, ForeignParentSizeAndSoftwareSwitch) {
  Window parent = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 200, 150, 0, 0, 0);
  XMapWindow(other, parent);
  XSync(other, False);
  window->ParentWindow = parent;
  window->CreateHandle();
  Passes(4);
  EXPECT_EQ(events, (std::vector<std::string>{"start", "resize 200x150"}));
  XResizeWindow(other, parent, 240, 180);
  XSync(other, False);
  for (int i = 0; i < 50 && events.back() != "resize 240x180"; ++i) {
    usleep(10000);
    Passes(1);
  }
  EXPECT_EQ(events.back(), "resize 240x180");
  // Switching the software renderer while live re-creates the window and the context.
  events.clear();
  const bool generic = gl->Context->Generic;
  gl->Context->SetGeneric(!generic);
  Passes(4);
  EXPECT_EQ(events, (std::vector<std::string>{"stop", "start", "resize 240x180"}));
  gl->Context->SetGeneric(generic);
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  XDestroyWindow(other, parent);
}

TEST_F(GLAppTest, SuspendStopsOpenGLAndResumeStartsItAgain) {
  window->CreateHandle();
  Passes(4);
  events.clear();
  gl->PowerOff();
  const int frames = Frames();
  Passes(6);
  EXPECT_EQ(events, (std::vector<std::string>{"stop"}));
  EXPECT_EQ(Frames(), frames);  // nothing runs while suspended
  gl->PowerOn();
  Passes(4);
  EXPECT_EQ(events, (std::vector<std::string>{"stop", "start", "resize 160x120"}));
  EXPECT_GT(Frames(), frames);
}

TEST_F(GLAppTest, ExceptionInFullScreenLeavesItAndEnds) {
  window->CreateHandle();
  display->DesktopOnly = true;
  display->SetFullScreen(true);
  Passes(4);
  std::string shown;
  gl->OnException = [&](TObject*, const std::exception& e) { shown = e.what(); };
  gl->HandleException(nullptr, Exception("Something broke"));
  EXPECT_EQ(shown, "Something broke");
  EXPECT_FALSE(display->FullScreen);
  EXPECT_TRUE(gl->TerminateOnClose);
  EXPECT_FALSE(window->HandleAllocated());  // not brought back: the run ends
  EXPECT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), True, GrabModeAsync, GrabModeAsync, CurrentTime),
            GrabSuccess);
  XUngrabKeyboard(other, CurrentTime);
}

TEST_F(GLAppTest, InactiveStartsAndCountsButDrawsNothing) {
  int starts = 0;
  gl->OnStart = [&](TObject*) { ++starts; };
  gl->Active = false;
  window->CreateHandle();
  Passes(10);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(gl->PassCount, idlePasses);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(Frames(), 0);
  EXPECT_FALSE(gl->Context->Active);
}

TEST(GLApp, AcceptModeAndDefaultViewport) {
  struct Case { int32_t bpp, height; bool accepted; };
  const Case cases[] = {{16, 480, true}, {32, 1024, true}, {8, 600, false}, {24, 768, false}, {32, 400, false}};
  for (const Case& c : cases) {
    bool accept = true;
    TCustomGLApplication::AcceptMode(c.bpp, 640, c.height, accept);
    EXPECT_EQ(accept, c.accepted) << c.bpp << " " << c.height;
  }
  TDefViewport v(nullptr);
  EXPECT_EQ(v.Camera.Position.Z, -0.00005f);
  EXPECT_EQ(v.Camera.Direction.Z, -1.0f);
  EXPECT_EQ(v.Camera.Up.Y, 1.0f);
  struct Aspect { bool wide, stretch; double expected; };
  const Aspect aspects[] = {{false, false, 4.0 / 3.0}, {true, false, 16.0 / 9.0}, {true, true, 16.0 / 9.0},
                            {false, true, 1920.0 / 1080.0}};
  for (const Aspect& a : aspects) {
    v.WideScreen = a.wide;
    v.Stretch = a.stretch;
    EXPECT_DOUBLE_EQ(v.AspectRatio(1920, 1080), a.expected);
  }
  TOpenGLCamera c;
  c.LookAt(0, 0, 10, 0, 0, 0, 0, 2, 0);
  EXPECT_EQ(c.Direction.Z, -1.0f);
  EXPECT_EQ(c.Up.Y, 1.0f);
  TDefViewport w(nullptr);
  v.FOV = 60;
  v.Cleared = false;
  v.Camera.Position.Set(0, -24, 130);
  v.AssignTo(w);
  EXPECT_EQ(w.FOV, 60);
  EXPECT_FALSE(w.Cleared);
  EXPECT_EQ(w.Camera.Position.Y, -24.0f);
  EXPECT_TRUE(w.Stretch);  // not copied
  w.Apply();  // no application: nothing happens
}

namespace {

// A display whose desktop depth and offered modes the test sets.
class TDepthOnlySettings : public IDisplaySettings {
 public:
  explicit TDepthOnlySettings(int32_t bpp) : FMode{1024, 768, bpp} {}
  std::vector<TVideoMode> ListModes() override { return {FMode}; }
  bool TestMode(const TVideoMode& m) override { return m == FMode; }
  bool ChangeMode(const TVideoMode&) override { return false; }
  void RestoreMode() override {}
  TVideoMode DesktopMode() override { return FMode; }

 private:
  TVideoMode FMode;
};

}  // namespace

TEST(GLApp, StartNeedsHighOrTrueColour) {
  TFakeServices services;
  struct Case { int32_t bpp; bool fails; };
  for (const Case& c : {Case{24, true}, Case{8, true}, Case{32, false}, Case{16, false}}) {
    TDepthOnlySettings settings(c.bpp);
    TApplication app;
    TCustomForm* form = new TCustomForm(&app);
    auto* display = new TGLDisplay(form, &settings);
    auto* gl = new TCustomGLApplication(form);
    gl->SetDisplay(display);
    display->BuildModeLists();  // the application's filter leaves only 16 and 32 bits
    try {
      gl->Start();
      EXPECT_FALSE(c.fails) << c.bpp;
    } catch (const Exception& e) {
      EXPECT_TRUE(c.fails) << c.bpp;
      EXPECT_STREQ(e.what(),
                   "Warning! This Program needs High Color (16 bits) or True Color (32 bits) to work in Preview "
                   "Mode.\r\n Change the Color Depth of your Windows Desktop to run it!");
    }
  }
}

TEST(GLApp, FiveStoredSettingsRoundTrip) {
  TFakeServices services;
  TScopedConfig config;
  TDepthOnlySettings settings(32);
  TApplication app;
  TCustomForm* form = new TCustomForm(&app);
  auto* display = new TGLDisplay(form, &settings);
  auto* gl = new TCustomGLApplication(form);
  gl->Title = "Emberhall";
  gl->Company = "Korvell Software";
  gl->SetDisplay(display);
  display->BuildModeLists();
  display->DesktopOnly = false;
  display->FullScreenMode.SetModeText("1024x768x32");
  gl->Context->SwapInterval = 0;
  gl->Viewport->WideScreen = true;
  gl->SaveOptions();
  TOptionsKey key(TStoreRoot::LocalMachine, gl->KeyPath(), true);
  EXPECT_EQ(key.ReadString("DesktopOnly"), "0");
  EXPECT_EQ(key.ReadString("FullScreenMode"), "1024x768x32");
  EXPECT_EQ(key.ReadString("WaitSync"), "0");
  EXPECT_EQ(key.ReadString("SoftwareRenderer"), "0");
  EXPECT_EQ(key.ReadString("WideScreen"), "-1");
  display->DesktopOnly = true;
  gl->Context->SwapInterval = 1;
  gl->Viewport->WideScreen = false;
  gl->LoadOptions();
  EXPECT_FALSE(display->DesktopOnly);
  EXPECT_EQ(gl->Context->SwapInterval, 0);
  EXPECT_TRUE(gl->Viewport->WideScreen);
  EXPECT_TRUE(gl->DisplaySettingsLoaded);
  // The frame-rate limit: stored beside the others; a command-line value is used but not stored.
  EXPECT_EQ(key.ReadString("FrameRateLimit"), "60");
  struct Limit { const char* stored; int32_t loaded; };
  for (const Limit& l : {Limit{"25", 25}, Limit{"0", 0}, Limit{"-3", 60}, Limit{"100000", 60}}) {
    TOptionsKey(TStoreRoot::LocalMachine, gl->KeyPath(), false).WriteString("FrameRateLimit", l.stored);
    gl->LoadOptions();
    EXPECT_EQ(gl->FrameRateLimit, l.loaded) << l.stored;
  }
  gl->FrameRateLimit = 40;
  gl->FrameRateOverride = 15;
  EXPECT_EQ(gl->EffectiveFrameRateLimit(), 15);
  gl->SaveOptions();
  EXPECT_EQ(TOptionsKey(TStoreRoot::LocalMachine, gl->KeyPath(), true).ReadString("FrameRateLimit"), "40");
  // A hand-edited mode that is no mode keeps the current one.
  TOptionsKey(TStoreRoot::LocalMachine, gl->KeyPath(), false).WriteString("FullScreenMode", "huge");
  gl->LoadOptions();
  EXPECT_EQ(display->FullScreenMode.ModeText(), "1024x768x32");
}
