#include "display/DisplayControl.h"

#include <gtest/gtest.h>

#include "platform/SysUtils.h"

using namespace emberhall;

namespace {

// A display whose listed and accepted modes are set by the test.
class TFakeDisplaySettings : public IDisplaySettings {
 public:
  std::vector<TVideoMode> listed;
  std::vector<TVideoMode> accepted;
  bool acceptEverything = false;
  TVideoMode desktop{1280, 1024, 32};
  TVideoMode shown{1280, 1024, 32};
  int changes = 0, restores = 0;

  std::vector<TVideoMode> ListModes() override { return listed; }
  bool TestMode(const TVideoMode& m) override {
    if (acceptEverything) return true;
    for (const TVideoMode& a : accepted)
      if (a == m) return true;
    return false;
  }
  bool ChangeMode(const TVideoMode& m) override {
    ++changes;
    if (!TestMode(m)) return false;
    shown = m;
    return true;
  }
  void RestoreMode() override {
    ++restores;
    shown = desktop;
  }
  TVideoMode DesktopMode() override { return shown; }
};

struct TDisplayFixture {
  TFakeDisplaySettings settings;
  TCustomDisplayControl display{nullptr, &settings};
  std::vector<std::string> events;

  TDisplayFixture() {
    display.BeforeChange = [this](TObject*) { events.push_back("before"); };
    display.AfterChange = [this](TObject*) { events.push_back("after"); };
  }
};

}  // namespace

TEST(VideoModesList, EnumerationRules) {
  TFakeDisplaySettings s;
  // 1024x768 listed twice (two refresh rates) is one record; 640x480 is refused.
  s.listed = {{1024, 768, 32}, {1024, 768, 32}, {640, 480, 32}, {800, 600, 32}};
  s.accepted = {{1024, 768, 32}, {800, 600, 32}, {1280, 1024, 32}, {320, 200, 8}, {400, 300, 16}};
  TVideoModesList list(&s);
  list.Enumerate();
  EXPECT_EQ(list.Modes, (std::vector<TVideoMode>{
                            {1024, 768, 32}, {800, 600, 32}, {320, 200, 8}, {400, 300, 16}, {1280, 1024, 32}}));
  EXPECT_EQ(list.IndexOf(800, 600, 32), 1);
  EXPECT_EQ(list.IndexOf(800, 600, 16), -1);

  // A system that accepts the impossible probe gets no standard modes.
  TFakeDisplaySettings liar;
  liar.acceptEverything = true;
  liar.listed = {{1024, 768, 32}};
  TVideoModesList trusting(&liar);
  trusting.Enumerate();
  EXPECT_EQ(trusting.Modes, (std::vector<TVideoMode>{{1024, 768, 32}, {1280, 1024, 32}}));
}

TEST(VideoModesList, DesktopModeNeverTouchesTheDisplay) {
  TFakeDisplaySettings s;
  s.accepted = {{800, 600, 32}};
  {
    TVideoModesList list(&s);
    EXPECT_TRUE(list.SetMode(1280, 1024, 32));
    EXPECT_TRUE(list.Active);
    EXPECT_FALSE(list.Changed);
    list.Restore();
    EXPECT_FALSE(list.Active);
    EXPECT_EQ(s.changes + s.restores, 0);

    EXPECT_FALSE(list.SetMode(640, 480, 32));  // refused: nothing changes
    EXPECT_FALSE(list.Active);
    EXPECT_TRUE(list.SetMode(800, 600, 32));
    EXPECT_TRUE(list.Changed);
    EXPECT_EQ(list.ModeWidth, 800);
    // A refused second switch still leaves the display to be put back.
    EXPECT_FALSE(list.SetMode(640, 480, 32));
    EXPECT_TRUE(list.Changed);
    EXPECT_EQ(list.ModeWidth, 800);
  }  // destroyed while active: restored
  EXPECT_EQ(s.restores, 1);
  EXPECT_EQ(s.shown, s.desktop);
}

TEST(ScreenMode, PackingAndTextForms) {
  TScreenMode m;
  m.SetScreenSize(83887104);
  EXPECT_EQ(m.Width(), 1280);
  EXPECT_EQ(m.Height(), 1024);
  m.SetMode(800, 600, 16);
  EXPECT_EQ(m.ScreenSize, 52429400);
  EXPECT_EQ(m.SizeText(), "800x600");
  EXPECT_EQ(m.ModeText(), "800x600x16");

  struct Case { int32_t depth; const char* text; };
  const Case depths[] = {{16, "High Color(16 bit)"}, {32, "True Color(32 bit)"}, {8, "256 Color(8 bit)"},
                         {24, "16777216 Color(24 bit)"}, {15, "32768 Color(15 bit)"}, {4, "16 Color(4 bit)"}};
  for (const Case& c : depths) {
    EXPECT_EQ(ColorDepthText(c.depth), c.text);
    EXPECT_EQ(ParseColorDepthText(c.text), c.depth) << c.text;
  }
  m.SetModeText("1024x768x24");
  EXPECT_EQ(m.Width(), 1024);
  EXPECT_EQ(m.Height(), 768);
  EXPECT_EQ(m.ColorDepth, 24);
  m.SetSizeText("640x480");
  EXPECT_EQ(m.ScreenSize, 640 * 65536 + 480);
  for (const char* bad : {"", "1024", "ax768", "1024x768xq", "x"}) EXPECT_THROW(m.SetModeText(bad), EConvertError) << bad;
  EXPECT_THROW(m.SetDepthText("Many Colors"), EConvertError);
}

TEST(DisplayControl, FullScreenModeStaysOfferable) {
  TDisplayFixture f;
  f.settings.listed = {{640, 480, 16}, {800, 600, 16}};
  f.settings.accepted = f.settings.listed;
  f.settings.shown = f.settings.desktop = {800, 600, 16};
  f.display.BuildModeLists();
  ASSERT_EQ(f.display.ColorDepths.size(), 1u);
  struct Case { int32_t w, h, depth; int32_t expectW, expectH, expectDepth; };
  const Case cases[] = {
      {800, 600, 32, 800, 600, 16},   // an unoffered depth falls back to the first, keeping the size
      {1024, 768, 32, 640, 480, 16},  // an unoffered size: that depth's first size
      {640, 480, 16, 640, 480, 16},
  };
  for (const Case& c : cases) {
    f.display.FullScreenMode.SetMode(c.w, c.h, c.depth);
    EXPECT_EQ(f.display.FullScreenMode.Width(), c.expectW);
    EXPECT_EQ(f.display.FullScreenMode.Height(), c.expectH);
    EXPECT_EQ(f.display.FullScreenMode.ColorDepth, c.expectDepth);
  }
  f.display.FullScreenMode.SetSize(800, 600);
  f.display.FullScreenMode.SetColorDepth(32);
  EXPECT_EQ(f.display.FullScreenMode.ModeText(), "800x600x16");
}

TEST(DisplayControl, ModeFilterAndDialogLists) {
  TDisplayFixture f;
  f.settings.listed = {{640, 480, 8}, {640, 400, 16}, {640, 480, 16}, {1024, 768, 32}, {800, 600, 16}, {800, 600, 32}};
  f.settings.accepted = f.settings.listed;
  f.settings.accepted.push_back({1280, 1024, 32});
  f.display.ModeFilter = [](int32_t bpp, int32_t, int32_t h, bool& accept) {
    accept = (bpp == 16 || bpp == 32) && h >= 480;
  };
  f.display.BuildModeLists();
  std::vector<std::string> depths, sizes;
  f.display.FillDepthList(depths);
  EXPECT_EQ(depths, (std::vector<std::string>{"High Color(16 bit)", "True Color(32 bit)"}));
  f.display.FullScreenMode.SetModeText("800x600x32");
  EXPECT_EQ(f.display.DepthIndex(), 1);
  f.display.FillSizeList(sizes);
  EXPECT_EQ(sizes, (std::vector<std::string>{"1024x768", "800x600", "1280x1024"}));
  EXPECT_EQ(f.display.SizeIndex(), 1);
  f.display.FullScreenMode.SetDepthText("High Color(16 bit)");
  f.display.FillSizeList(sizes);
  EXPECT_EQ(sizes, (std::vector<std::string>{"640x480", "800x600"}));
  EXPECT_EQ(f.display.SizeIndex(), 1);

  f.display.ColorDepths.clear();  // nothing offered: no index, the lists stay as they are
  EXPECT_EQ(f.display.DepthIndex(), -1);
  EXPECT_EQ(f.display.SizeIndex(), -1);
  f.display.FillSizeList(sizes);
  EXPECT_EQ(sizes.size(), 2u);
}

TEST(DisplayControl, SwitchingWithCallbacks) {
  TDisplayFixture f;
  f.settings.accepted = {{800, 600, 32}, {1280, 1024, 32}};
  f.settings.listed = f.settings.accepted;
  f.display.EnumerateModesOnLoad = true;
  f.display.Loaded();
  // Desktop only: full screen without touching the display, the mode copied.
  f.display.DesktopOnly = true;
  f.display.SetFullScreen(true);
  EXPECT_TRUE(f.display.FullScreen);
  EXPECT_EQ(f.settings.changes, 0);
  EXPECT_EQ(f.display.FullScreenMode.ModeText(), "1280x1024x32");
  f.display.SetFullScreen(true);  // unchanged: nothing
  f.display.SetFullScreen(false);
  EXPECT_FALSE(f.display.FullScreen);
  EXPECT_EQ(f.settings.restores, 0);
  EXPECT_EQ(f.events, (std::vector<std::string>{"before", "after", "before", "after"}));

  f.display.DesktopOnly = false;
  f.events.clear();
  EXPECT_TRUE(f.display.SwitchTo(800, 600, 32));
  EXPECT_TRUE(f.display.FullScreen);
  EXPECT_EQ(f.settings.shown, (TVideoMode{800, 600, 32}));
  f.display.SetFullScreen(false);
  EXPECT_EQ(f.settings.shown, f.settings.desktop);

  // A refused switch: callbacks all the same, not full screen.
  f.settings.accepted.clear();
  f.events.clear();
  EXPECT_FALSE(f.display.SwitchTo(800, 600, 32));
  EXPECT_FALSE(f.display.FullScreen);
  EXPECT_EQ(f.events, (std::vector<std::string>{"before", "after"}));
}

TEST(DisplayControl, StoredFullScreenSwitchesOnLoadAndLeavesOnDestruction) {
  TFakeDisplaySettings settings;
  settings.accepted = settings.listed = {{800, 600, 32}};
  {
    TCustomDisplayControl display(nullptr, &settings);
    display.ComponentState |= csLoading;
    display.FullScreenMode.SetModeText("800x600x32");
    display.SetFullScreen(true);  // while loading: stored only
    EXPECT_EQ(settings.changes, 0);
    display.EnumerateModesOnLoad = true;
    display.Loaded();
    EXPECT_TRUE(display.FullScreen);
    EXPECT_EQ(settings.shown, (TVideoMode{800, 600, 32}));
  }
  EXPECT_EQ(settings.shown, settings.desktop);
}
