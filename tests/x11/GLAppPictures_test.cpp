// A frame of the OpenGL application on a window that lies on several
// monitors: one picture per monitor part, each in its own viewport with the
// part's aspect, the time given to the first alone, nothing drawn past a
// part; one part or none is the plain frame. On a real context of the test
// script's Xvfb; among the display's tests, as it reads the window back from
// the screen, which another test's full-screen window would cover.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "app/GLApp.h"
#include "gl/GLTestSupport.h"
#include "platform/glx/GLXPlatform.h"

// After the test headers: its macros clash with their names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace emberhall;
using namespace emberhall::test;

namespace {

constexpr int W = 96, H = 60;

// What a picture's handler saw.
struct TPictureSeen {
  int Picture;
  float DeltaTime;
  GLint Viewport[4];
  double Aspect;  // of the projection: its x scale against its y scale
  bool Scissored;
  int ResizedWidth, ResizedHeight;  // the last viewport size the handler was told
};

// Each picture clears to a colour of its own: without a scissor box the
// clear would fill the whole window.
constexpr uint8_t kColours[][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

class GLAppPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || !GLXDisplay()) GTEST_SKIP() << "needs the test script's Xvfb";
    form = new TCustomForm(&app);
    window = new TGLWindow(form);
    gl = new TCustomGLApplication(form);
    gl->SetWindow(window);
    gl->TimerClock = [this] { return now; };
    window->SetBounds(W, H);
    window->Color = 0x404040;
    const unsigned long visual = gl->Context->ChooseVisual();
    ASSERT_NE(visual, 0u);
    DC = {GLXDisplay(), DefaultScreen(GLXDisplay()), CreateTestWindow(visual, W, H)};
    gl->Context->StartContext(DC);
    ASSERT_TRUE(gl->Context->Active);
    gl->OnResizeViewport = [this](int w, int h) { resized = {w, h}; };
    gl->OnRender = [this](float dt, bool) {
      TPictureSeen s{gl->FramePicture, dt, {}, 0, emberhall::glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE,
                     resized.first, resized.second};
      emberhall::glGetIntegerv(GL_VIEWPORT, s.Viewport);
      GLdouble m[16];
      emberhall::glGetDoublev(GL_PROJECTION_MATRIX, m);
      s.Aspect = m[5] / m[0];
      const uint8_t* c = kColours[seen.size() % 3];
      emberhall::glClearColor(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, 1);
      emberhall::glClear(GL_COLOR_BUFFER_BIT);
      seen.push_back(s);
    };
  }
  void TearDown() override {
    if (!gl) return;
    gl->Context->StopContext();
    if (DC.Drawable) DestroyTestWindow(DC.Drawable);
  }
  // Two frames 50 ms apart; what the second one's handlers saw.
  void Frames() {
    gl->GetTimer().Start();
    now += 50;  // the timer's zero is no time of a frame
    gl->Render(DC);
    now += 50;
    seen.clear();
    gl->Render(DC);
    emberhall::glFinish();
    XSync(GLXDisplay(), False);
  }
  // The window's pixel as the screen shows it.
  std::vector<int> Pixel(int x, int y) {
    XImage* image = XGetImage(GLXDisplay(), DC.Drawable, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return {};
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF)};
  }

  TApplication app;
  TCustomForm* form = nullptr;  // owned by app
  TGLWindow* window = nullptr;
  TCustomGLApplication* gl = nullptr;
  TGLDeviceContext DC;
  uint32_t now = 1000;
  std::pair<int, int> resized{0, 0};
  std::vector<TPictureSeen> seen;
};

TEST_F(GLAppPictures, OnePicturePerMonitorPartInItsOwnViewport) {
  struct TCase {
    const char* Name;
    std::vector<TMonitorRect> Rects;
  };
  const TCase cases[] = {
      {"no parts reported", {}},
      {"one part, the whole window", {{0, 0, W, H}}},
      {"two halves", {{0, 0, W / 2, H}, {W / 2, 0, W / 2, H}}},
      // 1280 x 1024 beside 640 x 1080 at a twentieth: a strip below the left
      // one lies on no monitor.
      {"unequal monitors", {{0, 0, 64, 51}, {64, 0, 32, H}}},
      {"three, one above another", {{0, 0, 48, H}, {48, 0, 48, 30}, {48, 30, 48, 30}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    gl->MonitorRects = c.Rects;
    Frames();
    const bool plain = c.Rects.size() <= 1;
    const std::vector<TMonitorRect> pictures = plain ? std::vector<TMonitorRect>{{0, 0, W, H}} : c.Rects;
    ASSERT_EQ(seen.size(), pictures.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
      const TMonitorRect& r = pictures[i];
      const TPictureSeen& s = seen[i];
      EXPECT_EQ(s.Picture, static_cast<int>(i));
      EXPECT_FLOAT_EQ(s.DeltaTime, i == 0 ? 0.05f : 0.0f) << "the frame's time goes to the first picture";
      const int glY = H - r.Y - r.Height;
      EXPECT_EQ(std::vector<GLint>(s.Viewport, s.Viewport + 4), (std::vector<GLint>{r.X, glY, r.Width, r.Height}));
      EXPECT_NEAR(s.Aspect, double(r.Width) / r.Height, 1e-6) << "stretched to its own part only";
      EXPECT_EQ(s.Scissored, !plain);
      if (!plain) {
        EXPECT_EQ(std::make_pair(s.ResizedWidth, s.ResizedHeight), std::make_pair(r.Width, r.Height));
      }
      const uint8_t* colour = kColours[i % 3];
      const std::vector<int> expected{colour[0], colour[1], colour[2]};
      // Inside each part, one pixel in from its corners: its own colour only.
      for (auto [x, y] : {std::pair{r.X + 1, r.Y + 1}, std::pair{r.X + r.Width - 2, r.Y + r.Height - 2}})
        EXPECT_EQ(Pixel(x, y), expected) << "at " << x << "," << y;
    }
    EXPECT_EQ(gl->FramePicture, 0);
    EXPECT_FALSE(emberhall::glIsEnabled(GL_SCISSOR_TEST)) << "the snapshot reads the whole window";
  }
  // The strip on no monitor shows the window's background, also when the
  // viewport is told not to clear (a scene that covers it wholly).
  gl->MonitorRects = {{0, 0, 64, 51}, {64, 0, 32, H}};
  for (const bool cleared : {true, false}) {
    gl->Viewport->Cleared = cleared;
    emberhall::glClearColor(1, 1, 1, 1);  // what an earlier frame left
    emberhall::glClear(GL_COLOR_BUFFER_BIT);
    Frames();
    EXPECT_EQ(Pixel(10, 57), (std::vector<int>{0x40, 0x40, 0x40})) << "cleared " << cleared;
  }
}

}  // namespace
