// The embedded fireplace description loaded into a scene and drawn on a
// 320 x 240 window of the test Xvfb with the main form's default camera,
// once with each of the three fireboxes; the pictures are written to
// EMBERHALL_PICTURES (when set) as PPM files for looking at.
#include <cstdlib>

#include "fireplace/FlameClasses.h"
#include "fireplace/GLClock.h"
#include "fireplace/FlameTexture.h"
#include "gl/GLTestSupport.h"
#include "gl/GLViewports.h"
#include "platform/glx/GLXPlatform.h"
#include "scene/RenderCaches.h"
#include "scene/SceneMeshes.h"
#include "scene/SceneVisuals.h"
#include "support/FakeClockLocale.h"
#include "support/TestSupport.h"

// After the test headers: its macros clash with their names.
#include <X11/Xlib.h>

using namespace emberhall;
using namespace emberhall::test;

namespace gl = emberhall;

namespace {

class FireplaceScene : public TGLContextTest {
 protected:
  static constexpr int W = 320, H = 240;
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || !GLXDisplay()) GTEST_SKIP() << "needs the test script's Xvfb";
    OpenGL = std::make_unique<TCustomOpenGL>();
    const unsigned long visual = OpenGL->ChooseVisual();
    ASSERT_NE(visual, 0u);
    DC = {GLXDisplay(), DefaultScreen(GLXDisplay()), CreateTestWindow(visual, W, H)};
    OpenGL->StartContext(DC);
    ASSERT_TRUE(OpenGL->Active);
    RegisterSceneClasses();
    RegisterClockClass();
    ResetRenderCaches();
    Scene = std::make_unique<TMainScene>();
    Scene->OpenGL = OpenGL.get();
    Scene->SourceName = "fireplace.gsc";
    Scene->SourceLocation = slResource;
    Scene->Scrambled = true;
    Scene->LoadSource();
    Clock = dynamic_cast<TGLClock*>(Scene->FindByName("GLClock"));
    ASSERT_NE(Clock, nullptr);
    Clock->Locale = &Time;
    Clock->SetClockMode(0);
  }
  void TearDown() override {
    Scene.reset();
    TGLContextTest::TearDown();
  }
  // One frame: the default camera at (0, -24, 130), 60 degrees, 100 to 10000, 4:3.
  std::vector<uint8_t> Draw() {
    TGLViewport* v = OpenGL->Viewports.Count() ? OpenGL->Viewports.Items(0) : OpenGL->Viewports.Add();
    v->SetViewport(0, 0, W, H);
    v->SetPerspective(60, 4.0 / 3, 100, 10000);
    v->Position = MakeVector(0, -24, 130);
    v->Direction = MakeVector(0, 0, -1);
    v->Up = MakeVector(0, 1, 0);
    v->Apply();
    gl::glClearColor(0, 0, 0, 1);
    gl::glDepthMask(GL_TRUE);
    gl::glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::glShadeModel(GL_SMOOTH);
    OpenGL->SetDepthTest(true);
    OpenGL->SetCullFace(true);
    OpenGL->SetLighting(true);
    ForgetSceneTextureAndMaterial();
    Scene->Process(0.04f);
    gl::glFinish();
    std::vector<uint8_t> rgb(static_cast<size_t>(W * H * 3));
    gl::glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl::glReadBuffer(GL_BACK);
    gl::glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
  }
  static void Save(const std::vector<uint8_t>& RGB, const std::string& Name) {
    const char* dir = std::getenv("EMBERHALL_PICTURES");
    if (!dir || !*dir) return;
    std::string ppm = "P6\n" + std::to_string(W) + " " + std::to_string(H) + "\n255\n";
    for (int y = H - 1; y >= 0; --y)
      ppm.append(reinterpret_cast<const char*>(RGB.data()) + static_cast<size_t>(y * W * 3), W * 3);
    WriteFile(std::string(dir) + "/" + Name + ".ppm", ppm);
  }
  // Mean brightness of a block of pixels (x, y from the bottom left).
  static double Brightness(const std::vector<uint8_t>& RGB, int X0, int Y0, int X1, int Y1) {
    double sum = 0;
    int n = 0;
    for (int y = Y0; y < Y1; ++y)
      for (int x = X0; x < X1; ++x, ++n)
        for (int c = 0; c < 3; ++c) sum += RGB[static_cast<size_t>((y * W + x) * 3 + c)];
    return sum / (3.0 * n);
  }

  std::unique_ptr<TMainScene> Scene;
  TGLClock* Clock = nullptr;
  TFakeClockLocale Time;
};

TEST_F(FireplaceScene, EachFireboxIsDrawnLitAndTheyDiffer) {
  auto* place = dynamic_cast<TMainVisualObject*>(Scene->FindByPath("Fireplace"));
  ASSERT_NE(place, nullptr);
  std::vector<std::vector<uint8_t>> pictures;
  for (const char* mesh : {"Meshes/Kamin1", "Meshes/Kamin2", "Meshes/Kamin3"}) {
    SCOPED_TRACE(mesh);
    place->Visual = Scene->FindByPath(mesh);
    ASSERT_NE(place->Visual, nullptr);
    pictures.push_back(Draw());
    const std::vector<uint8_t>& p = pictures.back();
    Save(p, std::string("fireplace-") + (mesh + 7));
    auto* built = dynamic_cast<TSceneMesh*>(place->Visual);
    ASSERT_TRUE(built->Loaded);
    // The walls opaque, the flame sheet blended.
    EXPECT_EQ(built->OpaqueGroups.Count(), 1);
    EXPECT_EQ(built->TransparentGroups.Count(), 1);
    bool oneColour = true;
    for (size_t i = 3; i < p.size() && oneColour; ++i) oneColour = p[i] == p[i % 3];
    EXPECT_FALSE(oneColour);
    const double hearth = Brightness(p, W / 2 - 20, H / 4, W / 2 + 20, H / 2);
    EXPECT_GT(hearth, Brightness(p, 0, H - 20, 20, H));
    EXPECT_GT(hearth, Brightness(p, W - 20, H - 20, W, H));
  }
  EXPECT_NE(pictures[0], pictures[1]);
  EXPECT_NE(pictures[1], pictures[2]);
  EXPECT_NE(pictures[0], pictures[2]);

  // Shown, the clock's parts appear in their corner of the 1024 x 768 sprite
  // view and nowhere else, tinted in the clock's colour; so while hidden
  // nothing was drawn there. 24- and 12-hour forms differ only there.
  place->Visual = Scene->FindByPath("Meshes/Kamin1");
  Clock->Color = PackRGBA(255, 120, 0, 255);
  Time.Set(21, 47, 12, 9, 3);
  Clock->SetClockMode(1);
  const std::vector<uint8_t> clock24 = Draw();
  Save(clock24, "fireplace-clock24");
  Clock->SetClockMode(2);
  const std::vector<uint8_t> clock12 = Draw();
  Save(clock12, "fireplace-clock12");
  Clock->SetClockMode(0);
  for (const std::vector<uint8_t>* shown : {&clock24, &clock12}) {
    int cornerChanged = 0, elsewhereChanged = 0, tinted = 0;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const size_t i = static_cast<size_t>((y * W + x) * 3);
        const uint8_t* s = shown->data() + i;
        const uint8_t* b = pictures[0].data() + i;
        const bool changed = s[0] != b[0] || s[1] != b[1] || s[2] != b[2];
        const bool corner = x >= W * 820 / 1024 && y >= H * 650 / 768;
        (corner ? cornerChanged : elsewhereChanged) += changed;
        // Orange digits: more red than green, more green than blue.
        tinted += changed && corner && s[0] > s[1] && s[1] > s[2];
      }
    EXPECT_GT(cornerChanged, 100);
    EXPECT_EQ(elsewhereChanged, 0);
    EXPECT_GT(tinted, cornerChanged * 3 / 4);
  }
  EXPECT_NE(clock24, clock12);

  // With the flame burning in its texture the sheet shows in the middle of
  // the firebox, standing on the hearth, and leaves the sides as they were.
  TFlame2D flame;
  for (int i = 0; i < 480; ++i) flame.Step();  // three seconds of burning
  UpdateFlameTexture(*Scene, flame);
  const std::vector<uint8_t> burning = Draw();
  Save(burning, "fireplace-flame");
  auto changedIn = [&](int X0, int Y0, int X1, int Y1) {
    int n = 0;
    for (int y = Y0; y < Y1; ++y)
      for (int x = X0; x < X1; ++x) {
        const size_t i = static_cast<size_t>((y * W + x) * 3);
        n += std::abs(burning[i] - pictures[0][i]) > 12;
      }
    return n;
  };
  EXPECT_GT(changedIn(W / 2 - 40, H / 5, W / 2 + 40, H / 3), 40 * 2 * (H / 3 - H / 5) / 2);
  EXPECT_EQ(changedIn(0, 0, 30, H), 0);
  EXPECT_EQ(changedIn(W - 30, 0, W, H), 0);
}

}  // namespace
