// The settings dialog on the live main form: what it shows after a start,
// what its controls change at once, and what OK and Cancel store.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/SimpleSound.h"
#include "display/VideoModeClass.h"
#include "fireplace/FAbout.h"
#include "fireplace/FSettings.h"
#include "fireplace/FlameClasses.h"
#include "fireplace/GLClock.h"
#include "gl/OGL.h"
#include "platform/Controls.h"
#include "platform/posix/OptionsStore.h"
#include "scene/SceneFonts.h"
#include "scene/SceneTextures.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

const char* const kKeyPath = "Software\\Korvell Software\\Emberhall 1";

// Two colour depths with their own sizes, so that a depth change shows.
class TTwoDepthModes : public IDisplaySettings {
 public:
  std::vector<TVideoMode> ListModes() override {
    return {{640, 480, 16}, {800, 600, 16}, {1024, 768, 32}, {1280, 1024, 32}, {1600, 1200, 32}};
  }
  bool TestMode(const TVideoMode&) override { return true; }
  bool ChangeMode(const TVideoMode&) override { return false; }
  void RestoreMode() override {}
  TVideoMode DesktopMode() override { return {1280, 1024, 32}; }
};

class SettingsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "needs the test script's Xvfb";
    FSavedParams = ParamStrings();
  }
  void TearDown() override {
    app.reset();
    ParamStrings() = FSavedParams;
  }
  // Stores Values (name, text) in the per-user file before the start.
  void Store(const std::vector<std::pair<std::string, std::string>>& Values) {
    TOptionsKey key(TStoreRoot::CurrentUser, kKeyPath, false);
    for (const auto& [name, value] : Values) key.WriteString(name, value);
  }
  // Creates the main form for the switches and starts it as the loop's first idle pass would.
  TFormSettings& Start(const std::vector<std::string>& Switches = {"/c"}) {
    ParamStrings() = Switches;
    app = std::make_unique<TApplication>();
    form = app->CreateForm<TFormSettings>();
    EXPECT_NE(form, nullptr);
    form->GLDisplay->VideoModes = std::make_unique<TVideoModesList>(&modes);
    form->GLDisplay->BuildModeLists();
    form->GLScreenSaver->Start();
    return *form;
  }
  static std::string UserFile() { return StoreFileName(TStoreRoot::CurrentUser, kKeyPath); }
  static std::string MachineFile() { return StoreFileName(TStoreRoot::LocalMachine, kKeyPath); }
  static std::string FileText(const std::string& Path) {
    return std::filesystem::exists(Path) ? ReadFile(Path) : std::string("(none)");
  }

  TScopedConfig config;
  TFakeServices services;
  TTwoDepthModes modes;
  std::unique_ptr<TApplication> app;
  TFormSettings* form = nullptr;

 private:
  std::vector<std::string> FSavedParams;
};

std::string Value(const std::string& File, const std::string& Name) {
  const std::string text = ReadFile(File);
  const std::string key = "\n" + Name + "=";
  const size_t at = ("\n" + text).find(key);
  if (at == std::string::npos) return "(missing)";
  const size_t begin = at + key.size() - 1;
  return text.substr(begin, text.find_first_of("\r\n", begin) - begin);
}

}  // namespace

TEST_F(SettingsDialog, FirstRunShowsTheDefaults) {
  TFormSettings& f = Start();
  EXPECT_TRUE(f.DialogReady);
  EXPECT_TRUE(f.Enabled);
  EXPECT_TRUE(f.CheckBoxTrueTexturers->Checked());
  EXPECT_EQ(f.TrackBarFlameWidth->Position(), 90);
  EXPECT_EQ(f.LabelFlameWidth->Caption(), "90%");
  EXPECT_EQ(f.TrackBarFlameDecay->Position(), 2);
  EXPECT_EQ(f.LabelFlameDecay->Caption(), "2");
  EXPECT_EQ(f.ComboBoxFlameColor->Text(), "Red Color");
  EXPECT_EQ(f.ComboBoxFireplace->Text(), "Vee type");
  EXPECT_TRUE(f.CheckBoxSound->Checked());
  EXPECT_FALSE(f.CheckBoxFPS->Checked());
  EXPECT_TRUE(f.RadioButtonClockNone->Checked());
  EXPECT_FALSE(f.RadioButton24Hour->Checked() || f.RadioButton12Hour->Checked());
  EXPECT_TRUE(f.CheckBoxDesktop->Checked());
  EXPECT_FALSE(f.ComboBoxDepth->Enabled());
  EXPECT_FALSE(f.ComboBoxResolution->Enabled());
  EXPECT_EQ(f.ComboBoxDepth->Items(), (std::vector<std::string>{"High Color(16 bit)", "True Color(32 bit)"}));
  EXPECT_EQ(f.ComboBoxDepth->Text(), "True Color(32 bit)");
  EXPECT_EQ(f.ComboBoxResolution->Text(), "1280x1024");
}

TEST_F(SettingsDialog, DesktopResolutionTurnsTheModeListsOffAndOnWithTheFullScreenModeSelected) {
  TFormSettings& f = Start();
  f.GLDisplay->FullScreenMode.SetMode(800, 600, 16);
  f.CheckBoxDesktop->Click();  // off: the chosen mode shows
  EXPECT_FALSE(f.GLDisplay->DesktopOnly);
  EXPECT_TRUE(f.ComboBoxDepth->Enabled());
  EXPECT_TRUE(f.ComboBoxResolution->Enabled());
  EXPECT_EQ(f.ComboBoxDepth->Text(), "High Color(16 bit)");
  EXPECT_EQ(f.ComboBoxResolution->Items(), (std::vector<std::string>{"640x480", "800x600"}));
  EXPECT_EQ(f.ComboBoxResolution->Text(), "800x600");
  f.CheckBoxDesktop->Click();  // on: the desktop's mode shows, the lists are off
  EXPECT_TRUE(f.GLDisplay->DesktopOnly);
  EXPECT_FALSE(f.ComboBoxDepth->Enabled());
  EXPECT_FALSE(f.ComboBoxResolution->Enabled());
  EXPECT_EQ(f.ComboBoxDepth->Text(), "True Color(32 bit)");
  EXPECT_EQ(f.ComboBoxResolution->Text(), "1280x1024");
}

TEST_F(SettingsDialog, DepthChoiceRefillsTheSizesAndSizeChoiceSetsTheMode) {
  TFormSettings& f = Start();
  f.CheckBoxDesktop->Click();
  f.ComboBoxDepth->Choose(0);  // 16 bits: 1280 x 1024 is not offered, the first size is taken
  EXPECT_EQ(f.GLDisplay->FullScreenMode.ColorDepth, 16);
  EXPECT_EQ(f.ComboBoxResolution->Items(), (std::vector<std::string>{"640x480", "800x600"}));
  EXPECT_EQ(f.ComboBoxResolution->Text(), "640x480");
  f.ComboBoxResolution->Choose(1);
  EXPECT_EQ(f.GLDisplay->FullScreenMode.ModeText(), "800x600x16");
  f.ComboBoxDepth->Choose(1);
  EXPECT_EQ(f.ComboBoxResolution->Items(), (std::vector<std::string>{"1024x768", "1280x1024", "1600x1200"}));
  EXPECT_EQ(f.ComboBoxResolution->Text(), "1024x768");
  EXPECT_EQ(f.GLDisplay->FullScreenMode.ModeText(), "1024x768x32");
}

TEST_F(SettingsDialog, EveryControlActsAtOnceOnTheLiveObjects) {
  TFormSettings& f = Start();
  struct TCase {
    const char* Name;
    std::function<void()> Act;
    std::function<bool()> Holds;
  } cases[] = {
      {"Wait Sync", [&] { f.CheckBoxWaitSync->SetChecked(!f.CheckBoxWaitSync->Checked()); },
       [&] { return (f.GLScreenSaver->Context->SwapInterval != 0) == f.CheckBoxWaitSync->Checked(); }},
      {"16-bit textures", [&] { f.CheckBoxTrueTexturers->SetChecked(false); },
       [&] { return f.SceneTextures->ColorBit == cb16Bit; }},
      {"wide screen", [&] { f.CheckBoxWideScreen->SetChecked(true); },
       [&] { return f.GLScreenSaver->Viewport->WideScreen && f.WideScale == 16.0f / 9.0f; }},
      {"wide screen off", [&] { f.CheckBoxWideScreen->SetChecked(false); },
       [&] { return !f.GLScreenSaver->Viewport->WideScreen && f.WideScale == 1.0f; }},
      {"FPS", [&] { f.CheckBoxFPS->SetChecked(true); }, [&] { return f.FPSText->Visible; }},
      {"mouse move", [&] { f.CheckBoxMouseMove->SetChecked(true); }, [&] { return f.GLScreenSaver->MouseMoveExit; }},
      {"run as program", [&] { f.CheckBoxRunAsProg->SetChecked(true); },
       [&] { return f.GLScreenSaver->RunAsProgram; }},
      {"12-hour clock", [&] { f.RadioButton12Hour->Click(); }, [&] { return f.Clock()->ClockMode == 2; }},
      {"cylindrical", [&] { f.ComboBoxFireplace->Choose(2); }, [&] { return f.FireplaceIndex == 2; }},
      {"yellow flame, amber clock", [&] { f.ComboBoxFlameColor->Choose(2); },
       [&] { return f.FlameColorIndex == 2 && f.Clock()->Color == PackRGBA(255, 160, 0, 255); }},
      {"width 50 %", [&] { f.TrackBarFlameWidth->SetPosition(50); },
       [&] { return f.Flame->FlameWidth == 120 && f.LabelFlameWidth->Caption() == "50%"; }},
      {"width 100 %", [&] { f.TrackBarFlameWidth->SetPosition(100); }, [&] { return f.Flame->FlameWidth == 220; }},
      {"decay 5", [&] { f.TrackBarFlameDecay->SetPosition(5); },
       [&] { return f.Flame->Decay == 5 && f.LabelFlameDecay->Caption() == "5"; }},
      {"sound off", [&] { f.CheckBoxSound->SetChecked(false); },
       [&] { return !f.CrackleSound && !services.Sounds.empty() && services.Sounds.back() == "Stop"; }},
  };
  for (const TCase& c : cases) {
    c.Act();
    EXPECT_TRUE(c.Holds()) << c.Name;
  }
  // While the dialog is being filled nothing acts.
  f.DialogReady = false;
  f.TrackBarFlameDecay->SetPosition(1);
  f.CheckBoxFPS->SetChecked(false);
  EXPECT_EQ(f.Flame->Decay, 5);
  EXPECT_TRUE(f.FPSText->Visible);
}

TEST_F(SettingsDialog, PreviewRunKeepsFPSAndClockOffWhateverIsStored) {
  Store({{"FPS", "-1"}, {"ClockMode", "1"}});
  struct TCase {
    std::vector<std::string> Switches;
    bool Shown;
  } cases[] = {{{"/c"}, true}, {{"/p", "4711"}, false}};
  for (const TCase& c : cases) {
    TFormSettings& f = Start(c.Switches);
    EXPECT_EQ(f.FPSText->Visible, c.Shown) << c.Switches[0];
    EXPECT_EQ(f.Clock()->ClockMode, c.Shown ? 1 : 0) << c.Switches[0];
    if (c.Shown) {
      EXPECT_TRUE(f.CheckBoxFPS->Checked());
      EXPECT_TRUE(f.RadioButton24Hour->Checked());
    }
    app.reset();
  }
}

TEST_F(SettingsDialog, StoredValuesOutOfRangeShowAsTheNearestAndOkStoresThat) {
  Store({{"FlameWidth", "5000"}, {"FlameDecay", "-3"}, {"FireplaceIndex", "7"}, {"FlameColorIndex", "9"}});
  TFormSettings& f = Start();
  EXPECT_EQ(f.TrackBarFlameWidth->Position(), 100);
  EXPECT_EQ(f.LabelFlameWidth->Caption(), "100%");
  EXPECT_EQ(f.TrackBarFlameDecay->Position(), 1);
  EXPECT_EQ(f.ComboBoxFireplace->Text(), "Cylindrical type");
  EXPECT_EQ(f.ComboBoxFlameColor->Text(), "Yellow Color");
  f.ButtonOk->Click();
  EXPECT_EQ(Value(UserFile(), "FlameWidth"), "220");
  EXPECT_EQ(Value(UserFile(), "FlameDecay"), "1");
  EXPECT_EQ(Value(UserFile(), "FireplaceIndex"), "2");
  EXPECT_EQ(Value(UserFile(), "FlameColorIndex"), "2");
}

TEST_F(SettingsDialog, OkStoresEveryValueAndEndsCancelStoresNothing) {
  {
    TFormSettings& f = Start();
    const std::string user = FileText(UserFile()), machine = FileText(MachineFile());
    f.CheckBoxFPS->SetChecked(true);
    f.TrackBarFlameDecay->SetPosition(4);
    f.ButtonCancel->Click();
    EXPECT_TRUE(app->Terminated());
    app.reset();
    EXPECT_EQ(FileText(UserFile()), user);
    EXPECT_EQ(FileText(MachineFile()), machine);
  }
  TFormSettings& f = Start();
  f.CheckBoxFPS->SetChecked(true);
  f.RadioButton24Hour->Click();
  f.CheckBoxTrueTexturers->SetChecked(false);
  f.TrackBarFlameWidth->SetPosition(60);
  f.TrackBarFlameDecay->SetPosition(4);
  f.ComboBoxFlameColor->Choose(1);
  f.ComboBoxFireplace->Choose(1);
  f.CheckBoxSound->SetChecked(false);
  f.CheckBoxMouseMove->SetChecked(true);
  f.CheckBoxWideScreen->SetChecked(true);
  f.ButtonOk->Click();
  EXPECT_TRUE(app->Terminated());
  const std::pair<const char*, const char*> user[] = {
      {"FPS", "-1"},           {"Texture ColorBit", "16bit"}, {"MipMap", "0"},         {"ClockMode", "1"},
      {"FlameWidth", "140"},   {"FlameDecay", "4"},           {"FlameColorIndex", "1"}, {"FireplaceIndex", "1"},
      {"CrackleSound", "0"},
  };
  for (const auto& [name, value] : user) EXPECT_EQ(Value(UserFile(), name), value) << name;
  const std::pair<const char*, const char*> machine[] = {
      {"MouseMoveExit", "-1"}, {"RunAsProgram", "0"}, {"DesktopOnly", "-1"}, {"FullScreenMode", "1280x1024x32"},
      {"WideScreen", "-1"},
  };
  for (const auto& [name, value] : machine) EXPECT_EQ(Value(MachineFile(), name), value) << name;
}

TEST_F(SettingsDialog, AboutBoxCarriesThePreviewContextsDriverTexts) {
  TFormSettings& f = Start();
  f.Show();
  for (int i = 0; i < 200 && !f.GLScreenSaver->Context->Active; ++i) app->HandleMessage();
  ASSERT_TRUE(f.GLScreenSaver->Context->Active);
  const std::string vendor = reinterpret_cast<const char*>(emberhall::glGetString(GL_VENDOR));
  const std::string renderer = reinterpret_cast<const char*>(emberhall::glGetString(GL_RENDERER));
  const std::string version = reinterpret_cast<const char*>(emberhall::glGetString(GL_VERSION));
  TAboutBox box(nullptr, f.GLScreenSaver->Title);
  box.Fill(f.GLScreenSaver->VersionText(), AboutComments(*f.GLScreenSaver->Context));
  EXPECT_EQ(box.Caption(), "About Emberhall Screen Saver");
  EXPECT_EQ(box.ProductName->Caption(), "Emberhall");
  EXPECT_EQ(box.LabelVersion->Caption(), "Screen Saver Version 1.11");
  EXPECT_EQ(box.LabelComments->Caption(), "Vendor: " + vendor + "\r\nVideo: " + renderer + "\r\nOpenGL: " + version);
  EXPECT_FALSE(box.Label1->Visible());  // no address given to this build
  // The picture is the preview's own.
  const TAboutPicture still = CapturePreview(*f.GLScreenSaver);
  EXPECT_EQ(still.Width, 320);
  EXPECT_EQ(still.Height, 240);
  double sum = 0;
  for (uint8_t v : still.RGB) sum += v;
  EXPECT_GT(sum / static_cast<double>(still.RGB.size()), 20.0) << "a dark still";
  box.SetPicture(still);
  EXPECT_TRUE(box.PanelPicture->HasPicture());
}

TEST(HelpPage, LiesBesideTheProgramAndNamesEveryControl) {
  const std::filesystem::path page = std::filesystem::path(EMBERHALL_PROGRAM).parent_path() / "emberhall.html";
  ASSERT_TRUE(std::filesystem::exists(page)) << page;
  const std::string text = ReadFile(page.string());
  for (const char* caption :
       {"Color Depth", "Screen Size", "Desktop Resolution", "Wait Sync", "True Color Textures", "Software Rendering",
        "WideScreen (16:9)", "Display FPS", "Exit on Mouse Move", "Run As Program", "None", "24-Hour", "12-Hour",
        "Vee type", "Rectangular type", "Cylindrical type", "Red Color", "Orange Color", "Yellow Color",
        "Flame Width", "Flame Decay", "Enable Sound", "Preview", "About", "Help", "Newslatter", "OK", "Cancel",
        "/s", "/p", "/c", "/a", "--fps", "Emberhall 1.ini", "ScreenSaveUsePassword"})
    EXPECT_NE(text.find(caption), std::string::npos) << caption;
}
