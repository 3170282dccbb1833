// The program as one of the real XScreenSaver daemon's hacks: the daemon
// (run as a throwaway user, since it starts no hack as root) blanks the
// screen, starts the program with $XSCREENSAVER_WINDOW on its own command,
// and ends it again on deactivation. Needs root; skipped without it.
#include "x11/ProgramFixture.h"
#include "x11/ScreenPicture.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "x11/ExtraMode.h"
#include "x11/ThrowawayUser.h"

using namespace emberhall;
using namespace emberhall::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kDaemon = "/usr/bin/xscreensaver";
constexpr const char* kCommand = "/usr/bin/xscreensaver-command";

class XScreenSaverTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    if (IsSkipped()) return;
    if (!user.WhyNot().empty()) GTEST_SKIP() << user.WhyNot();
    ASSERT_TRUE(fs::exists(kDaemon) && fs::exists(kCommand)) << "scripts/deps installs xscreensaver";
    desktop = ScreenState();
    // The daemon's user must reach the program: a copy in an open folder.
    chmod(programDir.Path().c_str(), 0755);
    fs::copy_file(EMBERHALL_PROGRAM, programDir.File("emberhall"));
    RunCommand("chown -R " + std::to_string(user.Uid) + ":" + std::to_string(user.Gid) + " " + home.Path());
    RunAs(user.Uid, user.Gid);
    program = kDaemon;
  }
  void TearDown() override {
    if (!IsSkipped() && pid > 0) RunCommand(std::string(kCommand) + " -exit");
    ProgramTest::TearDown();
    if (user.Uid != 0) RunCommand("pkill -KILL -u " + std::to_string(user.Uid));  // a hack left behind
  }
  // The daemon's settings file: one hack, no lock, no fading, no splash.
  void WriteDaemonSettings(const std::string& HackOptions) {
    WriteFile(home.File(".xscreensaver"),
              "mode:\t\tone\nselected:\t0\ntimeout:\t1:00:00\nlock:\t\tFalse\nfade:\t\tFalse\n"
              "unfade:\t\tFalse\nsplash:\t\tFalse\ndpmsEnabled:\tFalse\n"
              "programs:\tGL: " + programDir.File("emberhall") + " " + HackOptions + "\t\\n\n");
    chown(home.File(".xscreensaver").c_str(), user.Uid, user.Gid);
  }
  bool Command(const std::string& What) { return RunCommand(std::string(kCommand) + " " + What).ExitCode == 0; }
  // The hack's process, once the daemon has started it.
  pid_t WaitForHack() {
    for (int i = 0; i < 250; ++i) {
      const TCommandRun r = RunCommand("pgrep -u " + std::to_string(user.Uid) + " -f '^" + programDir.File("emberhall") + "'");
      if (r.ExitCode == 0) return static_cast<pid_t>(std::stol(r.Output));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }
  // Gone, or a zombie that nobody has waited for yet: it has ended either way.
  static bool Ended(pid_t Hack) {
    std::ifstream stat("/proc/" + std::to_string(Hack) + "/stat");
    std::string pidText, name, state;
    return !(stat >> pidText >> name >> state) || state == "Z";
  }
  static std::string Environment(pid_t Hack, const std::string& Name) {
    const std::string all = ReadFile("/proc/" + std::to_string(Hack) + "/environ");
    const std::string key = Name + "=";
    for (size_t at = 0; at < all.size(); at = all.find('\0', at) + 1) {
      if (all.compare(at, key.size(), key) == 0) return all.substr(at + key.size(), all.find('\0', at) - at - key.size());
      if (all.find('\0', at) == std::string::npos) break;
    }
    return "";
  }

  TThrowawayUser user{"ehxs"};
  TTempDir programDir, home;
  TScreenState desktop;
};

}  // namespace

TEST_F(XScreenSaverTest, TheDaemonRunsTheFireplaceInItsWindowAndEndsIt) {
  // Options as the settings tool writes them from the program's description.
  WriteDaemonSettings("--root --fireplace rectangular --flame-width 75 --flame-decay 3 --clock 24 --fps-limit 30");
  environment = {{"HOME", home.Path()}};
  Start({"-no-splash", "-verbose"});
  bool ready = false;
  for (int i = 0; i < 100 && !ready; ++i) {
    ready = RunCommand(std::string(kCommand) + " -time").ExitCode == 0;
    if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(ready) << "the daemon did not come up";
  ASSERT_TRUE(Command("-activate"));
  const pid_t hack = WaitForHack();
  ASSERT_GT(hack, 0) << "the daemon started no hack";
  EXPECT_NE(Environment(hack, "XSCREENSAVER_WINDOW"), "");

  // The fireplace in the daemon's window, with the clock the options ask for.
  const TRect hearth{560, 620, 720, 800}, corner{1200, 0, 1280, 80}, clock{1025, 0, 1280, 157};
  TPicture p;
  for (int i = 0; i < 80; ++i) {
    p = GrabWindow(probe, DefaultRootWindow(probe));
    if (CountAtLeast(p, hearth, 200, 120, 0) > 400) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  Save(p, "xscreensaver");
  EXPECT_GT(Brightness(p, hearth), Brightness(p, corner) + 40);
  EXPECT_GT(CountAtLeast(p, clock, 200, 60, 0), 300) << "the clock --clock 24 asks for";
  EXPECT_FALSE(Ended(hack));

  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(Command("-deactivate"));
  bool ended = false;
  while (!(ended = Ended(hack)) && std::chrono::steady_clock::now() - start < std::chrono::seconds(1))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(ended) << "the hack still runs a second after deactivation";
  std::printf("the hack ended %lld ms after the deactivation\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count()));
  // Nothing of ours holds a grab once the daemon has let go of its own.
  bool free = false;
  for (int i = 0; i < 100 && !(free = !KeyboardTaken()); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(free);
  EXPECT_EQ(ScreenState(), desktop);
  EXPECT_EQ(LeftInRuntimeFolder(), std::vector<std::string>{});
}
