// The main form as controller of the fireplace: the embedded scene built by
// its start handler on a real context of the test Xvfb, the stored settings
// applied and stored, the frame-rate text, the wide-screen texture scaling,
// the clock colour, the crackle, and what a start that fails leaves.
#include "fireplace/FSettings.h"

#include <cmath>
#include <filesystem>
#include <new>
#include <cstdlib>

#include "fireplace/FlameClasses.h"
#include "fireplace/GLClock.h"
#include "gl/GLTestSupport.h"
#include "platform/SysUtils.h"
#include "platform/glx/GLXPlatform.h"
#include "scene/SceneFonts.h"
#include "scene/SceneMeshes.h"
#include "scene/SceneTextures.h"
#include "scene/SceneVisuals.h"
#include "platform/posix/OptionsStore.h"
#include "support/FakeClockLocale.h"
#include "support/TestSupport.h"

// After the test headers: its macros clash with their names.
#include <X11/Xlib.h>

using namespace emberhall;
using namespace emberhall::test;

// Counts the allocations through operator new of this thread, so that a
// test can see whether a frame allocates. AddressSanitizer keeps operator new
// for itself: there the count is not taken.
namespace {
thread_local long newCount = 0;
}  // namespace
#ifndef __SANITIZE_ADDRESS__
void* operator new(std::size_t Size) {
  ++newCount;
  if (void* p = std::malloc(Size ? Size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }
#endif

namespace {

class Controller : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || !GLXDisplay()) GTEST_SKIP() << "needs the test script's Xvfb";
    form = new TFormSettings(&app);
    host = form->GLScreenSaver;
    TCustomAppOpenGL& gl = *host->Context;
    const unsigned long visual = gl.ChooseVisual();
    ASSERT_NE(visual, 0u);
    DC = {GLXDisplay(), DefaultScreen(GLXDisplay()), CreateTestWindow(visual, 64, 64)};
    gl.StartContext(DC);
    ASSERT_TRUE(gl.Active);
    form->FormCreate(form);
  }
  void TearDown() override {
    if (!form) return;
    if (host->Context->Active) form->GLScreenSaverStopOpenGL(host);
    form->GLScreenSaverStop(host);
    host->Context->StopContext();
    if (DC.Drawable) DestroyTestWindow(DC.Drawable);
  }
  void Store(const std::string& Settings) {
    WriteFile(config.UserRoot() + "/Software/Korvell Software/Emberhall 1.ini", Settings);
  }
  void Start(TScreenSaverMode Mode = smFullScreen) {
    host->Mode = Mode;
    form->GLScreenSaverStart(host);
  }
  TSceneMesh* Mesh(int Index) { return dynamic_cast<TSceneMesh*>(form->Scene->FindByPath("Meshes/Kamin" + IntToStr(Index + 1))); }
  int PlayCount() const {
    int n = 0;
    for (const std::string& s : services.Sounds) n += s.rfind("Play ", 0) == 0;
    return n;
  }

  TFakeServices services;
  TScopedConfig config;
  TApplication app;
  TFormSettings* form = nullptr;  // owned by app
  TGLScreenSaver* host = nullptr;
  TGLDeviceContext DC;
};

TEST_F(Controller, StartBuildsTheSceneWithItsFontAndAnEmptyHiddenFrameRateText) {
  Start();
  EXPECT_EQ(services.BusyCursor, (std::vector<bool>{true, false}));
  ASSERT_NE(form->Scene, nullptr);
  EXPECT_EQ(form->Scene->FindByName("Font"), form->SceneFont);
  EXPECT_EQ(form->Scene->FindByName("FPS"), form->FPSText);
  EXPECT_EQ(form->SceneFont->ProcessOptions, 0);
  EXPECT_EQ(form->FPSText->ProcessOptions, poRender);
  EXPECT_EQ(form->FPSText->Font, form->SceneFont);
  EXPECT_EQ(form->SceneTextures, form->Scene->FindByName("Textures"));
  EXPECT_EQ(form->Clock(), form->Scene->FindByName("GLClock"));
  // Invisible and empty until the first once-a-second report.
  EXPECT_FALSE(form->FPSText->Visible);
  EXPECT_EQ(form->FPSText->Text, "");
  form->GLScreenSaverStartOpenGL(host);
  form->GLScreenSaverResizeViewport(640, 480);
  EXPECT_EQ(form->FPSText->X, 16);
  EXPECT_EQ(form->FPSText->Y, 448);
  EXPECT_EQ(form->Scene->Width, 640);
  EXPECT_EQ(form->Scene->Height, 480);
  form->GLScreenSaverRender(0.04f, false);
  EXPECT_EQ(form->FPSText->Text, "");
  host->FrameRate = 37;
  form->GLScreenSaverFPSChanged(host);
  EXPECT_EQ(form->FPSText->Text, "37 fps");
}

TEST_F(Controller, AFrameAllocatesNothing) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "operator new belongs to AddressSanitizer here";
#endif
  Store("FPS=-1\nClockMode=1\n");
  Start();
  // A clock that stands still: a new minute may allocate its digits' texts.
  TFakeClockLocale still;
  still.Set(9, 41);
  form->Clock()->Locale = &still;
  form->GLScreenSaverStartOpenGL(host);
  form->GLScreenSaverResizeViewport(64, 64);
  host->FrameRate = 12345;
  form->GLScreenSaverFPSChanged(host);
  // The first frames load the firebox's model and send the textures.
  for (int i = 0; i < 3; ++i) form->GLScreenSaverRender(0.02f, false);
  const long before = newCount;
  for (int i = 0; i < 20; ++i) form->GLScreenSaverRender(0.02f, false);
  EXPECT_EQ(newCount - before, 0);
  // The count sees an allocation.
  const std::string longText(100, 'x');
  EXPECT_EQ(longText.size() + static_cast<size_t>(newCount - before), 101u);
}

// A frame drawn once per monitor: the first picture burns the flame, sends
// its texture and animates the scene; the later ones show the same moment.
TEST_F(Controller, OnlyTheFirstPictureOfAFrameAdvancesFlameAndScene) {
  Store("ClockMode=1\n");
  Start();
  form->GLScreenSaverStartOpenGL(host);
  form->GLScreenSaverResizeViewport(64, 64);
  for (int i = 0; i < 3; ++i) form->GLScreenSaverRender(0.02f, false);
  ASSERT_NE(form->Clock(), nullptr);
  const struct {
    int Picture;
    bool Advances;
  } cases[] = {{0, true}, {1, false}, {2, false}, {0, true}, {1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Picture);
    host->FramePicture = c.Picture;
    const std::vector<int32_t> heat = form->Flame->Heat;
    const float accumulated = form->Flame->TimeAccumulator, blink = form->Clock()->BlinkTime;
    // The same time for every picture, as if a host gave it to all of them.
    form->GLScreenSaverRender(0.05f, false);
    EXPECT_EQ(form->Flame->Heat != heat || form->Flame->TimeAccumulator != accumulated, c.Advances) << "the flame";
    EXPECT_EQ(form->Clock()->BlinkTime != blink, c.Advances) << "the clock's blink";
  }
  host->FramePicture = 0;
}

TEST_F(Controller, StoredSettingsTakeEffectAndAreStoredAgain) {
  struct TCase {
    std::string Stored;
    TScreenSaverMode Mode;
    bool FPS;
    int32_t ClockMode, FlameWidth, Decay, FlameColor, Fireplace;
    TTextureColorBit ColorBit;
    bool MipMap, Sound;
  } cases[] = {
      // A first run: the defaults.
      {"", smFullScreen, false, 0, 200, 2, 0, 0, cb32Bit, false, true},
      {"FPS=-1\nClockMode=2\nTexture ColorBit=16bit\nMipMap=-1\nFlameWidth=150\nFlameDecay=4\n"
       "FlameColorIndex=2\nFireplaceIndex=1\nCrackleSound=0\n",
       smFullScreen, true, 2, 150, 4, 2, 1, cb16Bit, true, false},
      // The small preview shows neither frame rate nor clock, whatever is stored.
      {"FPS=-1\nClockMode=1\nFireplaceIndex=2\n", smPreview, false, 0, 200, 2, 0, 2, cb32Bit, false, true},
      {"FPS=-1\nClockMode=1\n", smConfigure, true, 1, 200, 2, 0, 0, cb32Bit, false, true},
  };
  const std::string file = config.UserRoot() + "/Software/Korvell Software/Emberhall 1.ini";
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Stored);
    form->GLScreenSaverStop(host);
    form->FormCreate(form);
    form->FlameColorIndex = 0;  // the default of a missing value is the current one: as in a new form
    Store(c.Stored);
    Start(c.Mode);
    EXPECT_EQ(form->FPSText->Visible, c.FPS);
    EXPECT_EQ(form->Clock()->ClockMode, c.ClockMode);
    EXPECT_EQ(form->Clock()->Visible, c.ClockMode > 0);
    EXPECT_EQ(form->Flame->FlameWidth, c.FlameWidth);
    EXPECT_EQ(form->Flame->Decay, c.Decay);
    EXPECT_EQ(form->FlameColorIndex, c.FlameColor);
    EXPECT_EQ(form->FireplaceIndex, c.Fireplace);
    EXPECT_EQ(dynamic_cast<TMainVisualObject*>(form->Scene->FindByName("Fireplace"))->Visual, Mesh(c.Fireplace));
    EXPECT_EQ(form->SceneTextures->ColorBit, c.ColorBit);
    EXPECT_EQ(form->SceneTextures->MipMap, c.MipMap);
    EXPECT_EQ(form->CrackleSound, c.Sound);
    // The dialog modes are filled, the others not.
    EXPECT_EQ(form->DialogReady, c.Mode == smConfigure);

    host->SaveOptions();
    TOptionsKey key(TStoreRoot::CurrentUser, host->KeyPath(), true);
    EXPECT_EQ(key.ReadString("FPS"), c.FPS ? "-1" : "0");
    EXPECT_EQ(key.ReadString("Texture ColorBit"), c.ColorBit == cb16Bit ? "16bit" : "32bit");
    EXPECT_EQ(key.ReadString("MipMap"), c.MipMap ? "-1" : "0");
    EXPECT_EQ(key.ReadString("ClockMode"), IntToStr(c.ClockMode));
    EXPECT_EQ(key.ReadString("FlameWidth"), IntToStr(c.FlameWidth));
    EXPECT_EQ(key.ReadString("FlameDecay"), IntToStr(c.Decay));
    EXPECT_EQ(key.ReadString("FlameColorIndex"), IntToStr(c.FlameColor));
    EXPECT_EQ(key.ReadString("FireplaceIndex"), IntToStr(c.Fireplace));
    EXPECT_EQ(key.ReadString("CrackleSound"), c.Sound ? "-1" : "0");
    std::filesystem::remove(file);
  }
}

TEST_F(Controller, TheRunsOptionsOverrideTheStoredSettingsOutsideTheDialog) {
  struct TCase {
    const char* Name;
    TScreenSaverMode Mode;
    std::string Stored;
    TRunOptions Run;
    bool FPS;
    int32_t ClockMode, FlameWidth, Decay, FlameColor, Fireplace;
    bool Sound;
  };
  TRunOptions all;
  all.ShowFPS = true;
  all.ClockMode = 2;
  all.FireplaceIndex = 2;
  all.FlameColorIndex = 1;
  all.FlameWidthPercent = 75;
  all.FlameDecay = 5;
  TRunOptions loud, styleAndQuiet, clockAndFPS;
  loud.CrackleSound = true;
  styleAndQuiet.FireplaceIndex = 1;
  styleAndQuiet.CrackleSound = false;
  clockAndFPS.ClockMode = 1;
  clockAndFPS.ShowFPS = true;
  clockAndFPS.FireplaceIndex = 2;
  const TCase cases[] = {
      {"a daemon's hack is silent by default", smDaemonWindow, "", {}, false, 0, 200, 2, 0, 0, false},
      {"--sound asks for the crackle", smDaemonWindow, "", loud, false, 0, 200, 2, 0, 0, true},
      {"every override", smDaemonWindow, "ClockMode=0\nFireplaceIndex=0\nFlameWidth=120\n", all, true, 2, 170, 5, 1,
       2, false},
      {"full screen keeps the stored sound", smFullScreen, "", {}, false, 0, 200, 2, 0, 0, true},
      {"full screen takes the overrides", smFullScreen, "", styleAndQuiet, false, 0, 200, 2, 0, 1, false},
      {"the dialog shows what is stored", smConfigure, "FireplaceIndex=0\n", all, false, 0, 200, 2, 0, 0, true},
      {"the small preview still shows no clock", smPreview, "", clockAndFPS, false, 0, 200, 2, 0, 2, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    form->GLScreenSaverStop(host);
    form->FormCreate(form);
    form->FlameColorIndex = 0;
    Store(c.Stored);
    RunOptions() = c.Run;
    Start(c.Mode);
    RunOptions() = {};
    EXPECT_EQ(form->FPSText->Visible, c.FPS);
    EXPECT_EQ(form->Clock()->ClockMode, c.ClockMode);
    EXPECT_EQ(form->Flame->FlameWidth, c.FlameWidth);
    EXPECT_EQ(form->Flame->Decay, c.Decay);
    EXPECT_EQ(form->FlameColorIndex, c.FlameColor);
    EXPECT_EQ(form->Clock()->Color, PackRGBA(255, c.FlameColor == 1 ? 120 : 80, 0, 255)) << "the clock follows";
    EXPECT_EQ(form->FireplaceIndex, c.Fireplace);
    EXPECT_EQ(dynamic_cast<TMainVisualObject*>(form->Scene->FindByName("Fireplace"))->Visual, Mesh(c.Fireplace));
    EXPECT_EQ(form->CrackleSound, c.Sound);
  }
}

TEST_F(Controller, ClockColourFollowsTheFlameColour) {
  Store("FlameColorIndex=2\n");
  Start();
  // Every run, not only the dialog: the stored yellow flame gives an amber clock.
  EXPECT_EQ(form->Clock()->Color, PackRGBA(255, 160, 0, 255));
  struct TCase {
    int32_t Index;
    uint8_t Green;  // 0: the colour stays as it was
  } cases[] = {{0, 80}, {1, 120}, {2, 160}, {4, 120}, {3, 80}, {-1, 0}, {-5, 0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Index);
    form->Clock()->Color = PackRGBA(1, 2, 3, 4);
    form->SetClockColor(c.Index);
    EXPECT_EQ(form->Clock()->Color, c.Green ? PackRGBA(255, c.Green, 0, 255) : PackRGBA(1, 2, 3, 4));
  }
}

TEST_F(Controller, WideScaleRescalesOpaqueTextureWidthOnceAndRestoresIt) {
  Start();
  struct TSnapshot {
    std::vector<TGLTextureCoord> Opaque, Transparent;
    std::vector<TGLVector> Vertices;
  };
  auto take = [&] {
    std::vector<TSnapshot> all;
    for (int i = 0; i < 3; ++i) {
      TSceneMesh* mesh = Mesh(i);
      mesh->EnsureLoaded();
      TSnapshot s;
      for (auto [groups, out] : {std::pair{&mesh->OpaqueGroups, &s.Opaque}, {&mesh->TransparentGroups, &s.Transparent}})
        for (TMeshGroup* g : groups->Items) {
          const TGLTextureCoordDArray& t = g->Primitive->GetTextureCoords(0);
          out->insert(out->end(), t.Items(), t.Items() + t.Count);
          s.Vertices.insert(s.Vertices.end(), g->Primitive->Vertices.Items(),
                            g->Primitive->Vertices.Items() + g->Primitive->Vertices.Count);
        }
      all.push_back(s);
    }
    return all;
  };
  const std::vector<TSnapshot> before = take();
  const float wide = 16.0f / 9.0f;
  for (int i = 0; i < 2; ++i) form->SetWideScale(wide);  // checked twice: scaled once
  EXPECT_EQ(form->WideScale, wide);
  const std::vector<TSnapshot> scaled = take();
  form->SetWideScale(1.0f);
  const std::vector<TSnapshot> restored = take();
  for (int m = 0; m < 3; ++m) {
    SCOPED_TRACE(m);
    ASSERT_FALSE(before[m].Opaque.empty());
    ASSERT_FALSE(before[m].Transparent.empty());
    for (size_t k = 0; k < before[m].Opaque.size(); ++k) {
      const TGLTextureCoord b = before[m].Opaque[k];
      EXPECT_NEAR(scaled[m].Opaque[k].S, b.S * wide, 1e-5f * std::max(1.0f, std::fabs(b.S * wide)));
      EXPECT_EQ(scaled[m].Opaque[k].T, b.T);
      EXPECT_NEAR(restored[m].Opaque[k].S, b.S, 1e-5f * std::max(1.0f, std::fabs(b.S)));
      EXPECT_EQ(restored[m].Opaque[k].T, b.T);
    }
    // The flame sheet and every vertex position stay as they were.
    EXPECT_EQ(scaled[m].Transparent, before[m].Transparent);
    EXPECT_EQ(scaled[m].Vertices, before[m].Vertices);
    EXPECT_EQ(restored[m].Vertices, before[m].Vertices);
  }
  // A stored wide screen scales the textures as the box did, in every run.
  for (const bool wideScreen : {true, true, false}) {
    host->Viewport->WideScreen = wideScreen;
    form->GLScreenSaverLoadOptions(host);
    EXPECT_EQ(form->WideScale, wideScreen ? wide : 1.0f);
  }
  const std::vector<TSnapshot> reloaded = take();
  for (int m = 0; m < 3; ++m)
    for (size_t k = 0; k < before[m].Opaque.size(); ++k)
      EXPECT_NEAR(reloaded[m].Opaque[k].S, before[m].Opaque[k].S, 1e-5f * std::max(1.0f, std::fabs(before[m].Opaque[k].S)));
}

TEST_F(Controller, CrackleFollowsTheSettingAtEveryContextStart) {
  for (const bool on : {false, true}) {
    SCOPED_TRACE(on);
    form->GLScreenSaverStop(host);
    form->FormCreate(form);
    services.Sounds.clear();
    Store(on ? "" : "CrackleSound=0\n");
    Start();
    for (int i = 0; i < 3; ++i) {
      form->GLScreenSaverStartOpenGL(host);
      form->GLScreenSaverStopOpenGL(host);
    }
    EXPECT_EQ(PlayCount(), on ? 3 : 0);
    if (on) {
      EXPECT_EQ(services.Sounds[1], "Play resource fireplace_wav looping");  // after its Stop
    }
    // The sound is stopped with each context and when the form closes.
    const size_t before = services.Sounds.size();
    bool canClose = true;
    form->FormCloseQuery(form, canClose);
    EXPECT_TRUE(canClose);
    EXPECT_EQ(services.Sounds.size(), before + 1);
    EXPECT_EQ(services.Sounds.back(), "Stop");
  }
}

TEST_F(Controller, AStartThatFailsRestoresThePointerAndNamesTheCause) {
  struct TCase {
    std::string Stored, Message;
  } cases[] = {
      {"FlameWidth=x\n", "FlameWidth=x in "},
      {"FireplaceIndex=3\n", "List index out of bounds (3)"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Stored);
    services.BusyCursor.clear();
    Store(c.Stored);
    try {
      Start();
      ADD_FAILURE() << "the start went on";
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
    }
    EXPECT_EQ(services.BusyCursor, (std::vector<bool>{true, false}));
  }
}

// A description that lacks an object the controller needs, or holds it
// under another class, is refused with the object's name.
TEST_F(Controller, RequiredSceneObjectsAreNamedWhenMissingOrOfAnotherClass) {
  RegisterSceneClasses();
  RegisterClockClass();
  const std::pair<const char*, const char*> required[] = {
      {"Textures", "TSceneTextureList"}, {"Fireplace", "TMainVisualObject"}, {"Meshes", "TSceneMeshList"},
      {"GLClock", "TGLClock"}};
  for (const auto& [name, className] : required) {
    for (const bool wrongClass : {false, true}) {
      SCOPED_TRACE(std::string(name) + (wrongClass ? " of another class" : " missing"));
      TMainScene scene;
      scene.SourceName = "test.gsc";
      for (const auto& [n, c] : required) {
        if (n != std::string(name)) scene.AddItem(CreateObjectByType(c, n));
        else if (wrongClass) scene.AddItem(CreateObjectByType("TMainLight", n));
      }
      const std::string expected = std::string("scene description test.gsc has no ") + className + " named " + name;
      try {
        form->FindSceneObjects(scene);
        ADD_FAILURE() << "accepted";
      } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), expected);
      }
      EXPECT_EQ(form->Clock(), nullptr);  // nothing kept
    }
  }
  TMainScene whole;
  for (const auto& [n, c] : required) whole.AddItem(CreateObjectByType(c, n));
  form->FindSceneObjects(whole);
  EXPECT_EQ(form->Clock(), whole.FindByName("GLClock"));
}

}  // namespace
