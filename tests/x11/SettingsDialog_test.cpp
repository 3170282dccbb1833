// The settings dialog of the built program, used as a user would: clicks
// and keys sent with XTest at the controls' places, the preview read back
// from the screen, the settings file compared.
#include "x11/ProgramFixture.h"
// Xlib after gtest (through the fixture): its macros clash with gtest's names.
#include <X11/Xutil.h>

#include <filesystem>
#include <functional>

#include "fireplace/DialogLayout.h"

using namespace emberhall::test;
namespace layout = emberhall::layout;

namespace {

// RGB pixels of a screen rectangle, top row first.
struct TPicture {
  int Width = 0, Height = 0;
  std::vector<uint8_t> RGB;
  // Mean of one channel over a block.
  double Mean(int Channel, int X0, int Y0, int X1, int Y1) const {
    double sum = 0;
    for (int y = Y0; y < Y1; ++y)
      for (int x = X0; x < X1; ++x) sum += RGB[static_cast<size_t>((y * Width + x) * 3 + Channel)];
    return sum / ((X1 - X0) * (Y1 - Y0));
  }
  // How yellow the bright parts (the flame) are: their mean green over red.
  double FlameYellowness() const {
    double sum = 0;
    int n = 0;
    for (size_t i = 0; i + 2 < RGB.size(); i += 3) {
      const int r = RGB[i], g = RGB[i + 1];
      if (r < 200) continue;
      sum += static_cast<double>(g) / r;
      ++n;
    }
    return n ? sum / n : 0;
  }
};

class SettingsDialogProgram : public ProgramTest {
 protected:
  // A window listed by XQueryTree may be gone when it is asked next (the About
  // box closing): Xlib's default handler would end the test process for that.
  static int IgnoreXError(Display*, XErrorEvent*) { return 0; }
  void SetUp() override {
    ProgramTest::SetUp();
    FSavedHandler = XSetErrorHandler(IgnoreXError);
  }
  void TearDown() override {
    ProgramTest::TearDown();
    XSetErrorHandler(FSavedHandler);
  }
  int (*FSavedHandler)(Display*, XErrorEvent*) = nullptr;

  std::string UserFile() const { return config.File("user") + "/Software/Korvell Software/Emberhall 1.ini"; }

  // The top-level window of that name, or 0 when none is mapped within the time.
  Window WaitWindow(const std::string& Name, int Milliseconds = 8000) {
    for (int t = 0; t < Milliseconds; t += 20) {
      if (Window w = FindWindow(DefaultRootWindow(probe), Name)) return w;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
  }
  Window FindWindow(Window Parent, const std::string& Name) {
    Window root = 0, parent = 0, *children = nullptr, found = 0;
    unsigned n = 0;
    if (!XQueryTree(probe, Parent, &root, &parent, &children, &n)) return 0;
    for (unsigned i = 0; i < n && !found; ++i) {
      XWindowAttributes a{};
      if (!XGetWindowAttributes(probe, children[i], &a) || a.map_state != IsViewable) continue;
      char* title = nullptr;
      if (XFetchName(probe, children[i], &title) && title) {
        if (Name == title) found = children[i];
        XFree(title);
      }
    }
    if (children) XFree(children);
    return found;
  }
  void Origin(Window W, int& X, int& Y) {
    Window child = 0;
    XTranslateCoordinates(probe, W, DefaultRootWindow(probe), 0, 0, &X, &Y, &child);
  }
  // A left click at a place of the dialog's client area.
  void Click(int X, int Y) {
    XTestFakeMotionEvent(probe, -1, dialogX + X, dialogY + Y, CurrentTime);
    XTestFakeButtonEvent(probe, 1, True, CurrentTime);
    XTestFakeButtonEvent(probe, 1, False, CurrentTime);
    XSync(probe, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  void Click(const layout::TBox& Box) { Click(Box.CenterX(), Box.CenterY()); }
  // Chooses the item Steps below the current one in a drop-down list.
  void ChooseBelow(const layout::TBox& Box, int Steps) {
    Click(Box);
    for (int i = 0; i < Steps; ++i) Press(XK_Down);
    Press(XK_Return);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  TPicture Grab(int X, int Y, int W, int H) {
    TPicture p{W, H, std::vector<uint8_t>(static_cast<size_t>(W * H * 3))};
    XImage* image = XGetImage(probe, DefaultRootWindow(probe), X, Y, static_cast<unsigned>(W),
                              static_cast<unsigned>(H), AllPlanes, ZPixmap);
    if (!image) return {};
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) {
        const unsigned long px = XGetPixel(image, x, y);
        uint8_t* out = &p.RGB[static_cast<size_t>((y * W + x) * 3)];
        out[0] = static_cast<uint8_t>(px >> 16), out[1] = static_cast<uint8_t>(px >> 8), out[2] = static_cast<uint8_t>(px);
      }
    XDestroyImage(image);
    return p;
  }
  // The preview's OpenGL window, inside the panel's frame.
  TPicture GrabPreview() { return Grab(dialogX + layout::Preview.Left + 1, dialogY + layout::Preview.Top + 1, 320, 240); }
  // Kept for looking at when EMBERHALL_PICTURES names a folder.
  static void Save(const TPicture& P, const std::string& Name) {
    const char* dir = std::getenv("EMBERHALL_PICTURES");
    if (!dir || !*dir || P.RGB.empty()) return;
    std::string ppm = "P6\n" + std::to_string(P.Width) + " " + std::to_string(P.Height) + "\n255\n";
    ppm.append(reinterpret_cast<const char*>(P.RGB.data()), P.RGB.size());
    WriteFile(std::string(dir) + "/" + Name + ".ppm", ppm);
  }
  void SaveWindow(Window W, const std::string& Name) {
    XWindowAttributes a;
    int x = 0, y = 0;
    if (!XGetWindowAttributes(probe, W, &a)) return;
    Origin(W, x, y);
    Save(Grab(x, y, a.width, a.height), Name);
  }
  // Starts the dialog and waits until it is filled and its preview draws.
  bool OpenDialog() {
    Start({"/c"});
    dialog = WaitWindow("Emberhall v1.11");
    if (!dialog) return false;
    Origin(dialog, dialogX, dialogY);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    return true;
  }

  Window dialog = 0;
  int dialogX = 0, dialogY = 0;
};

}  // namespace

TEST_F(SettingsDialogProgram, ControlsChangeThePreviewPreviewReturnsAndOkStores) {
  ASSERT_TRUE(OpenDialog());
  SaveWindow(dialog, "dialog");
  // Yellow flame: the flame's bright pixels carry more green.
  const TPicture red = GrabPreview();
  Save(red, "preview-red");
  ChooseBelow(layout::ComboBoxFlameColor, 2);
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  const TPicture yellow = GrabPreview();
  Save(yellow, "preview-yellow");
  EXPECT_GT(yellow.FlameYellowness(), red.FlameYellowness() + 0.08);
  // Another firebox: the still parts of the picture (the top rows) change.
  const double topBefore = yellow.Mean(0, 0, 0, 320, 40) + yellow.Mean(1, 0, 0, 320, 40);
  ChooseBelow(layout::ComboBoxFireplace, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  const TPicture other = GrabPreview();
  Save(other, "preview-rectangular");
  EXPECT_GT(std::abs(other.Mean(0, 0, 0, 320, 40) + other.Mean(1, 0, 0, 320, 40) - topBefore), 4.0);

  // Preview: full screen in the same process; a key brings the dialog back.
  Click(layout::ButtonPreview);
  ASSERT_TRUE(WaitFullScreen());
  Press(XK_space);
  for (int i = 0; i < 100 && KeyboardTaken(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(KeyboardTaken());
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(500)), -1) << "the dialog ended with the preview";
  ASSERT_NE(WaitWindow("Emberhall v1.11"), 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  // The preview draws in the panel again.
  EXPECT_GT(GrabPreview().Mean(0, 100, 100, 220, 230), 20.0);

  Click(layout::ButtonOk);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(5000)), 0);
  ASSERT_TRUE(std::filesystem::exists(UserFile()));
  const std::string stored = ReadFile(UserFile());
  EXPECT_NE(stored.find("FlameColorIndex=2"), std::string::npos) << stored;
  EXPECT_NE(stored.find("FireplaceIndex=1"), std::string::npos) << stored;
  EXPECT_NE(stored.find("CrackleSound=-1"), std::string::npos) << stored;
}

TEST_F(SettingsDialogProgram, CancelEndsAndLeavesTheSettingsFileAsItWas) {
  std::filesystem::create_directories(std::filesystem::path(UserFile()).parent_path());
  const std::string before = "FPS=0\r\nFlameDecay=3\r\nFireplaceIndex=2\r\n";
  WriteFile(UserFile(), before);
  ASSERT_TRUE(OpenDialog());
  Click(layout::CheckBoxFPS);
  Click(layout::TrackBarFlameDecay.Left + 4, layout::TrackBarFlameDecay.CenterY());
  Click(layout::ButtonCancel);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(5000)), 0);
  EXPECT_EQ(ReadFile(UserFile()), before);
}

TEST_F(SettingsDialogProgram, AboutBoxOpensOverTheDialogAndOkClosesIt) {
  ASSERT_TRUE(OpenDialog());
  Click(layout::ButtonAbout);
  const Window about = WaitWindow("About Emberhall Screen Saver", 3000);
  ASSERT_NE(about, 0u);
  int x = 0, y = 0;
  Origin(about, x, y);
  XWindowAttributes a;
  XGetWindowAttributes(probe, about, &a);
  // Centred over the dialog.
  EXPECT_NEAR(x + a.width / 2, dialogX + layout::ClientWidth / 2, 2);
  EXPECT_NEAR(y + a.height / 2, dialogY + layout::ClientHeight / 2, 2);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  SaveWindow(about, "about");
  Press(XK_Return);
  for (int i = 0; i < 100 && FindWindow(DefaultRootWindow(probe), "About Emberhall Screen Saver"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(FindWindow(DefaultRootWindow(probe), "About Emberhall Screen Saver"), 0u);

  // Help: the page from beside the program in the help viewer.
  Click(layout::ButtonHelp);
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  const Window help = WaitWindow("Emberhall Help", 3000);
  EXPECT_NE(help, 0u);
  if (help) SaveWindow(help, "help");
  Click(layout::ButtonCancel);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(5000)), 0);
}

TEST_F(SettingsDialogProgram, SigtermEndsTheProgramAlsoWhileTheAboutBoxIsOpen) {
  ASSERT_TRUE(OpenDialog());
  Click(layout::ButtonAbout);
  ASSERT_NE(WaitWindow("About Emberhall Screen Saver", 3000), 0u);
  Signal(SIGTERM);
  EXPECT_EQ(WaitEnd(std::chrono::milliseconds(3000)), 0);
}
