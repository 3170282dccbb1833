#include "app/AppPro.h"

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "platform/SysUtils.h"
#include "platform/posix/OptionsStore.h"
#include "platform/posix/SingleInstance.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

// One application object, one form owning one application component.
struct TAppFixture {
  TFakeServices services;
  TScopedConfig config;
  TApplication app;
  TCustomForm* form = new TCustomForm(&app);
  TCustomGraphicApplicationPro* pro = new TCustomGraphicApplicationPro(form);

  TAppFixture() {
    app.MainForm = form;
    pro->Title = "Emberhall";
    pro->Company = "Korvell Software";
  }
};

}  // namespace

TEST(AppPro, HasSwitchRule) {
  struct Case { std::vector<std::string> params; char letter; bool present; };
  const Case cases[] = {
      {{}, 'S', false}, {{"/s"}, 'S', true}, {{"-S"}, 's', true}, {{"/S:123"}, 'S', true}, {{"/SX"}, 'S', true},
      {{"/XS"}, 'S', false}, {{"S"}, 'S', false}, {{""}, 'S', false}, {{"/"}, 'S', false}, {{"-"}, 'S', false},
      {{"/c", "/s"}, 'S', true}, {{"/p", "1234"}, 'P', true}, {{"//s"}, 'S', false}, {{"/ss"}, 'S', true},
      {{std::string(10000, '/')}, 'S', false}, {{std::string("/\0s", 3)}, 'S', false}, {{"/\xff"}, 'S', false},
  };
  for (const Case& c : cases) EXPECT_EQ(HasSwitchIn(c.params, c.letter), c.present) << (c.params.empty() ? "" : c.params[0]);
}

TEST(AppPro, KeyPathWithAndWithoutCompany) {
  TAppFixture f;
  EXPECT_EQ(f.pro->KeyPath(), "Software\\Korvell Software\\Emberhall 1");
  f.pro->Company = "";
  EXPECT_EQ(f.pro->KeyPath(), "Software\\Emberhall 1");
}

TEST(AppPro, BooleanAndIntegerForms) {
  TAppFixture f;
  struct Case { const char* stored; bool boolValue; bool boolError; int32_t intValue; bool intError; };
  const Case cases[] = {
      {"True", true, false, 0, true},   {"1", true, false, 1, false},    {"-1", true, false, -1, false},
      {"0", false, false, 0, false},    {"false", false, false, 0, true}, {"TRUE", true, false, 0, true},
      {"", true, false, 77, false},     {"yes", false, true, 0, true},    {"12x", false, true, 0, true},
  };
  for (const Case& c : cases) {
    f.pro->WriteOptionString("Value", c.stored);
    if (c.boolError) {
      EXPECT_THROW(f.pro->ReadOptionBool("Value", true), EConvertError) << c.stored;
    } else {
      EXPECT_EQ(f.pro->ReadOptionBool("Value", true), c.boolValue) << c.stored;
    }
    if (c.intError) {
      EXPECT_THROW(f.pro->ReadOptionInteger("Value", 77), EConvertError) << c.stored;
    } else {
      EXPECT_EQ(f.pro->ReadOptionInteger("Value", 77), c.intValue) << c.stored;
    }
  }
  // The error names the stored value and the file it is in.
  f.pro->WriteOptionString("WaitSync", "maybe");
  f.pro->WriteOptionString("Count", "12x");
  f.pro->WriteOptionString("Long", std::string(100000, '7') + "x");
  const std::string file = StoreFileName(TStoreRoot::CurrentUser, f.pro->KeyPath());
  struct Message { const char* name; std::function<void()> read; std::string text; };
  const Message messages[] = {
      {"bool", [&] { f.pro->ReadOptionBool("WaitSync", false); },
       "WaitSync=maybe in " + file + " is not a valid boolean value"},
      {"integer", [&] { f.pro->ReadOptionInteger("Count", 0); }, "Count=12x in " + file + " is not a valid integer value"},
      {"long", [&] { f.pro->ReadOptionInteger("Long", 0); },
       "Long=" + std::string(60, '7') + "... in " + file + " is not a valid integer value"},
  };
  for (const Message& m : messages) {
    try {
      m.read();
      ADD_FAILURE() << m.name << ": no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), m.text) << m.name;
    }
  }
  f.pro->WriteOptionBool("B", true);
  f.pro->WriteOptionBool("C", false);
  f.pro->WriteOptionInteger("I", -123);
  EXPECT_EQ(f.pro->ReadOptionString("B", ""), "-1");
  EXPECT_EQ(f.pro->ReadOptionString("C", ""), "0");
  EXPECT_EQ(f.pro->ReadOptionString("I", ""), "-123");
  EXPECT_EQ(f.pro->ReadOptionString("Missing", "dflt"), "dflt");
}

TEST(AppPro, MachineWideFallsBackToPerUserBothWays) {
  TAppFixture f;
  // Read: a value that exists only per user is found from the machine-wide branch.
  f.pro->WriteOptionString("OnlyUser", "u");
  f.pro->SetMachineWide(true);
  EXPECT_EQ(f.pro->ReadOptionString("OnlyUser", "none"), "u");
  EXPECT_TRUE(f.pro->MachineWide);
  f.pro->WriteOptionString("Both", "machine");
  EXPECT_EQ(f.pro->ReadOptionString("Both", ""), "machine");
  EXPECT_TRUE(std::filesystem::exists(StoreFileName(TStoreRoot::LocalMachine, f.pro->KeyPath())));
  f.pro->CloseStore();

  // Write: an unwritable machine-wide branch sends the value to the per-user one.
  std::filesystem::remove_all(f.config.MachineRoot());
  WriteFile(f.config.MachineRoot(), "a file where a folder should be");
  f.pro->WriteOptionString("Saved", "yes");
  EXPECT_FALSE(f.pro->MachineWide);
  TOptionsKey user(TStoreRoot::CurrentUser, f.pro->KeyPath(), true);
  EXPECT_EQ(user.ReadString("Saved"), "yes");

  // Read error in the machine-wide branch: the per-user branch is used and kept.
  std::filesystem::remove(f.config.MachineRoot());
  std::filesystem::create_directories(StoreFileName(TStoreRoot::LocalMachine, f.pro->KeyPath()));
  f.pro->SetMachineWide(true);
  EXPECT_EQ(f.pro->ReadOptionString("Saved", ""), "yes");
  EXPECT_FALSE(f.pro->MachineWide);
}

TEST(AppPro, ScrambledNamesAreStoredComplemented) {
  TAppFixture f;
  f.pro->ScrambledNames = true;
  f.pro->WriteOptionString("AB", "x");
  f.pro->CloseStore();
  TOptionsKey key(TStoreRoot::CurrentUser, f.pro->KeyPath(), true);
  EXPECT_EQ(key.ReadString(std::string{static_cast<char>(~'A'), static_cast<char>(~'B')}), "x");
  EXPECT_EQ(f.pro->ReadOptionString("AB", ""), "x");
}

TEST(AppPro, FrameworkOptionsRoundTripAndCallTheEvents) {
  TAppFixture f;
  int loads = 0, saves = 0;
  f.pro->OnLoadOptions = [&](TObject*) { ++loads; };
  f.pro->OnSaveOptions = [&](TObject*) { ++saves; };
  f.pro->DataDirectory = "/data/";
  f.pro->SuspendEnabled = true;
  f.pro->SetNeedSystem(true);
  f.pro->SaveOptions();
  f.pro->DataDirectory = "";
  f.pro->SuspendEnabled = false;
  f.pro->SetNeedSystem(false);
  f.services.ExecutionStates.clear();
  f.pro->LoadOptions();
  EXPECT_EQ(f.pro->DataDirectory, "/data/");
  EXPECT_TRUE(f.pro->SuspendEnabled);
  EXPECT_TRUE(f.pro->GetNeedSystem());
  ASSERT_EQ(f.services.ExecutionStates.size(), 1u);  // only the changed setting asks again
  EXPECT_EQ(f.services.ExecutionStates[0], std::make_pair(false, true));
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(saves, 1);
  EXPECT_FALSE(f.pro->Store);
}

TEST(AppPro, CenterMainForm) {
  struct Case { int W, H, w, h, left, top; };
  const Case cases[] = {
      {1920, 1080, 616, 428, 412, 326},  // centred in the left-most 4:3 area
      {1024, 768, 616, 428, 204, 170},   // 4:3 screen: plain centre
      {640, 480, 700, 500, 0, -10},      // larger than the screen: left clamps to 0
      {3840, 1080, 616, 428, 412, 326},  // two screens side by side
      {768, 1024, 616, 428, 76, 74},     // portrait
      {600, 1200, 300, 1300, 150, 0},    // portrait, taller than the screen
  };
  for (const Case& c : cases) {
    TAppFixture f;
    f.services.ScreenWidth = c.W;
    f.services.ScreenHeight = c.H;
    f.form->Width = c.w;
    f.form->Height = c.h;
    f.pro->CenterMainForm();
    EXPECT_EQ(f.form->Left, c.left) << c.W << "x" << c.H;
    EXPECT_EQ(f.form->Top, c.top) << c.W << "x" << c.H;
  }
  TAppFixture child;
  child.form->ParentWindow = 42;
  child.form->Left = 5;
  child.pro->CenterMainForm();
  EXPECT_EQ(child.form->Left, 5);
}

TEST(AppPro, StartsAtFirstIdleAndStopsWhenTheFormRemovesItsComponents) {
  TAppFixture f;
  int starts = 0, stops = 0, idles = 0;
  f.pro->OnStart = [&](TObject*) { ++starts; };
  f.pro->OnStop = [&](TObject*) { ++stops; };
  f.pro->OnIdle = [&](TObject*, bool& done) {
    done = true;
    if (++idles == 3) f.app.Terminate();
  };
  f.app.ShowMainForm = false;
  f.app.Run();
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(idles, 3);
  EXPECT_TRUE(f.pro->Started());
  EXPECT_EQ(stops, 0);
  new TComponent(f.form);  // removal of any component while terminated stops
  delete f.form->Components(1);
  EXPECT_EQ(stops, 1);
  delete f.form;
  EXPECT_EQ(stops, 1);
}

TEST(AppPro, UnhandledExceptionShowsTheMessageAndEnds) {
  {
  TAppFixture f;
  f.app.Title = "Emberhall";
  f.pro->SetLogFile(true);
  f.pro->Debug = true;
  TTempDir dir;
  f.pro->LogFileName = dir.File("emberhall.log");
  f.pro->OnStart = [&](TObject*) { throw EListError("List index out of bounds (5)"); };
  f.pro->SetCursorHidden(true);
  f.app.ShowMainForm = false;
  f.app.Run();
  ASSERT_EQ(f.services.Messages.size(), 1u);
  EXPECT_EQ(f.services.Messages[0].Text, "List index out of bounds (5)");
  EXPECT_EQ(f.services.Messages[0].Caption, "Emberhall");
  EXPECT_FALSE(f.pro->CursorHidden);
  EXPECT_EQ(f.services.CursorCount, 0);
  EXPECT_TRUE(f.app.Terminated());
  EXPECT_EQ(f.app.ExitCode, 1);  // the run ended on an error
  EXPECT_EQ(ReadFile(f.pro->LogFileName).substr(0, 30), "List index out of bounds (5)\r\n");
  }

  // With OnException assigned, the handler decides and the program goes on.
  TAppFixture g;
  std::string seen;
  g.pro->OnException = [&](TObject*, const std::exception& e) { seen = e.what(); };
  g.pro->OnIdle = [&](TObject*, bool&) {
    if (seen.empty()) throw EConvertError("bad");
    g.app.Terminate();
  };
  g.app.ShowMainForm = false;
  g.app.Run();
  EXPECT_EQ(seen, "bad");
  EXPECT_TRUE(g.services.Messages.empty());
  EXPECT_EQ(g.app.ExitCode, 0);
}

TEST(AppPro, EventWindowVetoesSuspendAndForwardsPowerNotices) {
  TAppFixture f;
  int off = 0, on = 0;
  f.pro->OnPowerOff = [&](TObject*) { ++off; };
  f.pro->OnPowerOn = [&](TObject*) { ++on; };
  HWND wnd = f.pro->EventWindow();
  ASSERT_NE(wnd, 0u);
  struct Case { WPARAM event; bool suspendEnabled; LRESULT answer; int off, on; };
  const Case cases[] = {
      {PBT_APMQUERYSUSPEND, false, BROADCAST_QUERY_DENY, 0, 0}, {PBT_APMQUERYSTANDBY, false, BROADCAST_QUERY_DENY, 0, 0},
      {PBT_APMQUERYSUSPEND, true, 0, 0, 0},  {PBT_APMSUSPEND, false, 0, 1, 0}, {PBT_APMSTANDBY, false, 0, 1, 0},
      {PBT_APMRESUMECRITICAL, false, 0, 0, 1}, {PBT_APMRESUMESUSPEND, false, 0, 0, 1}, {PBT_APMRESUMESTANDBY, true, 0, 0, 1},
  };
  for (const Case& c : cases) {
    off = on = 0;
    f.pro->SuspendEnabled = c.suspendEnabled;
    EXPECT_EQ(f.app.SendMessage(wnd, WM_POWERBROADCAST, c.event, 0), c.answer) << c.event;
    EXPECT_EQ(off, c.off) << c.event;
    EXPECT_EQ(on, c.on) << c.event;
  }
  // The power backend delivers to this window and refuses suspends until the stored setting allows them.
  EXPECT_EQ(f.services.PowerWindow, wnd);
  ASSERT_EQ(f.services.SuspendAllowed, std::vector<bool>{false});
  f.pro->SetMachineWide(true);
  f.pro->WriteOptionBool("SuspendEnabled", true);
  f.pro->LoadOptions();
  EXPECT_EQ(f.services.SuspendAllowed, (std::vector<bool>{false, true}));
  // Close asks the loop to quit.
  f.app.PostMessage(wnd, WM_CLOSE, 0, 0);
  f.app.ProcessMessages();
  EXPECT_TRUE(f.app.Terminated());
  // Only the first component registers and owns the window.
  TCustomApplicationPro second(nullptr);
  EXPECT_EQ(second.EventWindow(), 0u);
  EXPECT_EQ(TCustomApplicationPro::Instance(), f.pro);
}

TEST(AppPro, SecondInstanceEndsWithoutShowingItsForm) {
  TTempDir runtime;
  setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
  std::string baseName;
  {
    TAppFixture f;
    f.pro->Initialize();  // the first instance takes the lock
    EXPECT_TRUE(f.pro->InstanceSemaphore->Held());
    EXPECT_FALSE(f.app.Terminated());
    baseName = f.pro->BaseName;
  }
  TAppFixture f;
  TInstanceLock running;  // stands for another program with the same base name
  ASSERT_TRUE(running.Acquire(baseName + "Semaphore"));
  f.form->Visible = true;
  f.form->OnShow = [](TObject*) {};
  f.form->OnCreate = [](TObject*) {};
  f.pro->SetLogFile(true);
  f.pro->Initialize();
  EXPECT_FALSE(f.pro->InstanceSemaphore->Held());
  EXPECT_TRUE(f.app.Terminated());
  EXPECT_FALSE(f.app.ShowMainForm);
  EXPECT_FALSE(f.form->Visible);
  EXPECT_FALSE(f.form->OnShow);
  EXPECT_FALSE(f.form->OnCreate);
  EXPECT_FALSE(f.pro->GetLogFile());
  unsetenv("XDG_RUNTIME_DIR");
}

TEST(AppPro, ProgramNamesFromThePath) {
  TAppFixture f;
  struct Case { const char* path; const char* exe; const char* base; const char* dir; const char* log; };
  const Case cases[] = {
      {"/usr/bin/emberhall", "emberhall", "emberhall", "/usr/bin/", "/usr/bin/emberhall.log"},
      {"/opt/e/Fire.scr", "Fire.scr", "Fire", "/opt/e/", "/opt/e/Fire.log"},
      {"/opt/e/a.b.c", "a.b.c", "a", "/opt/e/", "/opt/e/a.log"},
  };
  struct TProbe : TCustomApplicationPro {
    using TCustomApplicationPro::TCustomApplicationPro;
    using TCustomApplicationPro::SetProgramNames;
  };
  TProbe probe(nullptr);
  for (const Case& c : cases) {
    probe.SetProgramNames(c.path);
    EXPECT_EQ(probe.ExeFileName, c.exe);
    EXPECT_EQ(probe.BaseName, c.base);
    EXPECT_EQ(probe.ProgramDirectory, c.dir);
    EXPECT_EQ(probe.DataDirectory, c.dir);
    EXPECT_EQ(probe.LogFileName, c.log);
  }
}

TEST(AppPro, ShowHelpOpensTheHtmlFile) {
  TAppFixture f;
  f.pro->DataDirectory = "/usr/share/emberhall/";
  f.pro->BaseName = "emberhall";
  f.pro->ShowHelp();
  ASSERT_EQ(f.services.HelpFiles.size(), 1u);
  EXPECT_EQ(f.services.HelpFiles[0], "/usr/share/emberhall/emberhall.html");
}
