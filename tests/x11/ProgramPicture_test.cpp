// What the built program shows: the fireplace full screen (read back from its
// Print Screen snapshots and from the screen), in a preview parent window,
// with the stored firebox, flame colour, clock and frame-rate settings, and
// the crackle it plays. With EMBERHALL_PICTURES set the pictures are written
// there as PPM files for looking at.
#include "x11/ProgramFixture.h"
#include "x11/ScreenPicture.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "platform/PictureFiles.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

// Mean hue in degrees (red 0, yellow 60) of the flame's pixels at full red
// with almost no blue: the band between the palettes' middle key and their
// pale one, where the three colours differ in green alone.
double MeanHue(const TPicture& P, TRect R) {
  double sum = 0;
  int n = 0;
  for (int y = R.Y0; y < R.Y1; ++y)
    for (int x = R.X0; x < R.X1; ++x) {
      const uint8_t* p = P.At(x, y);
      if (p[0] < 250 || p[2] > 10 || p[1] < 60) continue;
      sum += 60.0 * (p[1] - p[2]) / (p[0] - p[2]);
      ++n;
    }
  return n > 200 ? sum / n : -1;
}
bool OneColour(const TPicture& P) {
  for (size_t i = 3; i < P.RGB.size(); ++i)
    if (P.RGB[i] != P.RGB[i % 3]) return false;
  return true;
}

TPicture FromBitmap(const TBitmap& B) {
  TPicture p{B.Width, B.Height, std::vector<uint8_t>(static_cast<size_t>(B.Width) * B.Height * 3)};
  for (int y = 0; y < B.Height; ++y)
    for (int x = 0; x < B.Width; ++x)
      for (int c = 0; c < 3; ++c) p.RGB[(static_cast<size_t>(y) * B.Width + x) * 3 + c] = B.Row(y)[x * 3 + 2 - c];
  return p;
}

// The screen's regions, at 1280 x 1024.
constexpr TRect kHearth{560, 620, 720, 800};
constexpr TRect kFlame{520, 500, 760, 800};
constexpr TRect kTopLeft{0, 0, 80, 80};
constexpr TRect kTopRight{1200, 0, 1280, 80};
// Where the description puts the clock: x from 820 of 1024 view units, y
// from 650 of 768 from the bottom.
constexpr TRect kClock{1025, 0, 1280, 157};
// The frame-rate text stands at (16, H - 32) from the bottom left.
constexpr TRect kFPS{8, 4, 160, 44};

class ProgramPictureTest : public ProgramTest {
 protected:
  void Store(const std::string& Settings) {
    WriteFile(config.File("user/Software/Korvell Software/Emberhall 1.ini"), Settings);
  }
  TPicture Grab(Window W) { return GrabWindow(probe, W); }
  // Waits (up to 20 s) until the flame burns bright on the hearth: a slow
  // build on a loaded machine draws few frames, and the flame advances at
  // most 0.1 s per frame. The screen as it was last read.
  TPicture WaitForFlame() {
    TPicture p;
    for (int i = 0; i < 80; ++i) {
      p = Grab(DefaultRootWindow(probe));
      if (CountAtLeast(p, kHearth, 200, 120, 0) > 400) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return p;
  }
  // A full-screen run with the stored settings, read back once the flame burns.
  TPicture FullScreenPicture(const std::string& Settings) {
    Store(Settings);
    Start({"/s"});
    EXPECT_TRUE(WaitFullScreen());
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    WaitForFlame();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    TPicture p = Grab(DefaultRootWindow(probe));
    Press(XK_space);
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
    return p;
  }
  // Waits for the numbered snapshot file and reads it.
  TPicture Snapshot(int Number) {
    const std::string name = work.File("emberhall" + std::to_string(Number) + ".jpg");
    for (int i = 0; i < 150 && !std::filesystem::exists(name); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // written whole
    return FromBitmap(LoadBitmapJPEG(name));
  }
};

TEST_F(ProgramPictureTest, FullScreenShowsTheBurningFireplaceWithItsClock) {
  Store("ClockMode=1\n");
  Start({"/s"});
  ASSERT_TRUE(WaitFullScreen());
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  WaitForFlame();
  Press(XK_Print);
  const TPicture first = Snapshot(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  Press(XK_Print);
  const TPicture second = Snapshot(2);
  Press(XK_space);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
  Save(first, "program-fullscreen-1");
  Save(second, "program-fullscreen-2");
  ASSERT_EQ(first.W, 1280);
  ASSERT_EQ(first.H, 1024);
  for (const TPicture* p : {&first, &second}) {
    EXPECT_FALSE(OneColour(*p));
    const auto hearth = Mean(*p, kHearth);
    for (TRect corner : {kTopLeft, kTopRight}) {
      EXPECT_GT(Brightness(*p, kHearth), Brightness(*p, corner) + 40);
      const auto c = Mean(*p, corner);
      EXPECT_GT(hearth[0] - hearth[2], c[0] - c[2]);  // warmer: more red over blue
    }
    // Some thousands of pixels once it burns; none without the flame.
    EXPECT_GT(CountAtLeast(*p, kHearth, 200, 120, 0), 150) << "a bright flame in the middle";
    EXPECT_GT(CountAtLeast(*p, kClock, 200, 60, 0), 300) << "the clock's digits";
  }
  EXPECT_GT(CountDiffering(first, second, kFlame), 500) << "the flame moves";
  EXPECT_EQ(CountDiffering(first, second, kTopLeft), 0);
}

TEST_F(ProgramPictureTest, StoredSettingsChangeThePicture) {
  std::vector<TPicture> boxes;
  for (int i = 0; i < 3; ++i) {
    boxes.push_back(FullScreenPicture("FireplaceIndex=" + std::to_string(i) + "\n"));
    Save(boxes.back(), "program-firebox-" + std::to_string(i));
    EXPECT_EQ(CountAtLeast(boxes.back(), kClock, 200, 60, 0), 0) << "no clock by default";
    EXPECT_EQ(CountAtLeast(boxes.back(), kFPS, 200, 200, 200), 0) << "no frame rate by default";
  }
  // Away from the flame, so that only the firebox makes the difference.
  const TRect wall{100, 100, 500, 900};
  EXPECT_GT(CountDiffering(boxes[0], boxes[1], wall), 5000);
  EXPECT_GT(CountDiffering(boxes[1], boxes[2], wall), 5000);
  EXPECT_GT(CountDiffering(boxes[0], boxes[2], wall), 5000);

  double hue[3];
  for (int i = 0; i < 3; ++i) {
    const TPicture p = FullScreenPicture("FlameColorIndex=" + std::to_string(i) + "\n");
    Save(p, "program-flame-" + std::to_string(i));
    hue[i] = MeanHue(p, kFlame);
  }
  EXPECT_GT(hue[0], 0);
  EXPECT_LT(hue[0], hue[1]);
  EXPECT_LT(hue[1], hue[2]);

  const TPicture fps = FullScreenPicture("FPS=-1\n");
  Save(fps, "program-fps");
  EXPECT_GT(CountAtLeast(fps, kFPS, 200, 200, 200), 20) << "the frame-rate text";
}

TEST_F(ProgramPictureTest, PreviewDrawsTheFireplaceIntoItsParent) {
  Store("ClockMode=1\nFPS=-1\n");
  Window parent = XCreateSimpleWindow(probe, DefaultRootWindow(probe), 0, 0, 320, 240, 0, 0, 0xFFFFFF);
  XMapWindow(probe, parent);
  XSync(probe, False);
  Start({"/p", std::to_string(parent)});
  std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  const TPicture p = Grab(parent);
  Save(p, "program-preview");
  ASSERT_EQ(p.W, 320);
  EXPECT_FALSE(OneColour(p));
  const TRect hearth{140, 155, 180, 200}, topLeft{0, 0, 20, 20}, topRight{300, 0, 320, 20};
  EXPECT_GT(Brightness(p, hearth), Brightness(p, topLeft) + 40);
  EXPECT_GT(Brightness(p, hearth), Brightness(p, topRight) + 40);
  // The small preview shows neither the clock nor the frame rate.
  EXPECT_EQ(CountAtLeast(p, {256, 0, 320, 40}, 200, 60, 0), 0);
  EXPECT_EQ(CountAtLeast(p, {0, 0, 60, 16}, 200, 200, 200), 0);
  XDestroyWindow(probe, parent);
  XSync(probe, False);
  // Mesa's software path can hold a frame on the vanished drawable for some
  // seconds, more of them on a loaded machine under the sanitizers.
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(15000)), 0);
}

TEST_F(ProgramPictureTest, CrackleSoundPlaysOnlyWhenStoredOn) {
  for (const bool on : {true, false}) {
    const std::string out = work.File(on ? "sound-on.raw" : "sound-off.raw");
    environment = {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", out}, {"SDL_DISKAUDIODELAY", "1"}};
    Store(on ? "" : "CrackleSound=0\n");
    Start({"/s"});
    ASSERT_TRUE(WaitFullScreen());
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    Press(XK_space);
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
    const std::string written = std::filesystem::exists(out) ? ReadFile(out) : "";
    const bool sound = std::any_of(written.begin(), written.end(), [](char c) { return c != 0; });
    EXPECT_EQ(sound, on) << written.size() << " bytes";
  }
}

// A stored firebox style that is no number ends the start with the value's
// name and file, and a failure status: full screen and in the dialog alike,
// where no half-filled dialog stays on the screen.
TEST_F(ProgramPictureTest, AStoredFireboxThatDoesNotConvertEndsTheRun) {
  const std::string ini = config.File("user/Software/Korvell Software/Emberhall 1.ini");
  Store("FireplaceIndex=x\n");
  errorFile = work.File("stderr");
  environment = {{"EMBERHALL_MESSAGES", "stderr"}};
  for (const char* mode : {"/s", "/c"}) {
    SCOPED_TRACE(mode);
    std::filesystem::remove(errorFile);
    Start({mode});
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(5000)), 1);
    const std::string said = ReadFile(errorFile);
    EXPECT_NE(said.find("FireplaceIndex=x in " + ini + " is not a valid integer value"), std::string::npos) << said;
    EXPECT_FALSE(KeyboardTaken());
  }
}

}  // namespace
