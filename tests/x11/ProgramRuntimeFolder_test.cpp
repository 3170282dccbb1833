// Another local user prepares the folder a full-screen run keeps its lock
// and display record in (emberhall-<uid> in the temp folder, without
// XDG_RUNTIME_DIR): the run must not trust it. It says so on stderr, runs as
// a saver without the lock, does not switch the display (nothing could put
// it back), and neither follows links out of the folder nor obeys a forged
// record. Needs root (two throwaway users); skipped without it.
#include "x11/ProgramFixture.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "platform/x11/DisplayRecord.h"
#include "platform/x11/XRandRConfig.h"
#include "x11/ExtraMode.h"
#include "x11/ThrowawayUser.h"

using namespace emberhall;
using namespace emberhall::test;
namespace fs = std::filesystem;

namespace {

class RuntimeFolderTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    if (IsSkipped()) return;
    if (!victim.WhyNot().empty() || !attacker.WhyNot().empty())
      GTEST_SKIP() << victim.WhyNot() << attacker.WhyNot();
    extra = std::make_unique<TExtraMode>("emberhall_test_800x600",
                                         "40.00 800 840 968 1056 600 601 605 628 +hsync +vsync");
    desktop = ScreenState();
    chmod(programDir.Path().c_str(), 0755);
    chmod(shared.Path().c_str(), 01777);  // like /tmp
    fs::copy_file(EMBERHALL_PROGRAM, programDir.File("emberhall"));
    program = programDir.File("emberhall");
    WriteFile(config.File("machine/Software/Korvell Software/Emberhall 1.ini"),
              "DesktopOnly=0\nFullScreenMode=800x600x32\n");
    WriteFile(home.File("precious"), "the user's own file\n");
    for (const TTempDir* d : {&config, &home})
      RunCommand("chown -R " + std::to_string(victim.Uid) + ":" + std::to_string(victim.Gid) + " " + d->Path());
    RunAs(victim.Uid, victim.Gid);
    errorFile = work.File("stderr");
  }
  void TearDown() override {
    if (holder > 0) {
      kill(holder, SIGKILL);
      waitpid(holder, nullptr, 0);
    }
    ProgramTest::TearDown();
    if (extra) RestoreScreen(desktop);
    extra.reset();
  }

  // Runs Action as the attacker in a child process; Stay keeps it running
  // (holding what it opened) until the test ends.
  void AsAttacker(const std::function<void()>& Action, bool Stay = false) {
    const pid_t child = fork();
    if (child == 0) {
      umask(0);
      if (setgroups(0, nullptr) != 0 || setgid(attacker.Gid) != 0 || setuid(attacker.Uid) != 0) _exit(125);
      Action();
      if (Stay) pause();
      _exit(0);
    }
    if (Stay) {
      holder = child;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      return;
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // The folder the victim's run looks for, in a shared temp folder like /tmp.
  std::string Folder() const { return shared.File("emberhall-" + std::to_string(victim.Uid)); }
  std::string InFolder(const std::string& Name) const { return Folder() + "/" + Name; }
  std::string RecordName() const { return std::string("emberhall-display") + std::getenv("DISPLAY") + ".record"; }

  // A record that would "restore" 800 x 600 at 1 x 1 mm from the desktop.
  std::string ForgedRecord() {
    TCrtcConfig now;
    if (!ReadCurrentConfig(probe, DefaultRootWindow(probe), now)) return "";
    TDisplayRecord r{1, "/nonexistent", now, now.Mode, now.Mode};
    r.Original.Mode = OutputModeOfSize(probe, DefaultRootWindow(probe), now.Output, 800, 600);
    r.Original.Width = 800;
    r.Original.Height = 600;
    r.Original.MmWidth = r.Original.MmHeight = 1;
    return FormatDisplayRecord(r);
  }

  TThrowawayUser victim{"ehrv"}, attacker{"ehra"};
  TTempDir programDir, home, shared;
  std::unique_ptr<TExtraMode> extra;
  TScreenState desktop;
  pid_t holder = -1;
};

}  // namespace

TEST_F(RuntimeFolderTest, AnotherUsersFolderIsNotTrusted) {
  struct TCase {
    const char* Name;
    std::function<void()> Prepare;  // run as the attacker, or nothing
    bool Trusted;
  };
  const auto folderOfMode = [&](mode_t Mode) { return [this, Mode] { mkdir(Folder().c_str(), Mode); }; };
  const TCase cases[] = {
      {"the user's own folder", nullptr, true},
      {"open folder with a held lock",
       [&] {
         mkdir(Folder().c_str(), 0777);
         const int fd = open(InFolder("emberhallSemaphore.lock").c_str(), O_RDWR | O_CREAT, 0666);
         if (fd < 0 || flock(fd, LOCK_EX) != 0) _exit(1);
       },
       false},
      {"closed folder (mode 0700)", folderOfMode(0700), false},
      {"open folder with links where the record and its temporary go",
       [&] {
         mkdir(Folder().c_str(), 0777);
         if (symlink(home.File("precious").c_str(), InFolder(RecordName() + ".new").c_str()) != 0) _exit(1);
         if (symlink(home.File("precious").c_str(), InFolder(RecordName()).c_str()) != 0) _exit(1);
       },
       false},
      {"a link to a folder of the user's", [&] {
         if (symlink(home.Path().c_str(), Folder().c_str()) != 0) _exit(1);
       }, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    fs::remove_all(Folder());
    if (c.Prepare) AsAttacker(c.Prepare, std::string(c.Name).find("held lock") != std::string::npos);
    fs::remove(errorFile);
    environment = {{"XDG_RUNTIME_DIR", ""}, {"TMPDIR", shared.Path()}, {"HOME", home.Path()}};
    Start({"/s"});
    EXPECT_TRUE(WaitFullScreen()) << ReadFile(errorFile);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(ScreenState().Width, c.Trusted ? 800 : desktop.Width);  // no record, no switch
    Press(XK_space);
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(5000)), 0) << ReadFile(errorFile) << Stacks();
    EXPECT_EQ(ScreenState(), desktop);
    Start({"/a"});
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(5000)), 0);
    const std::string said = ReadFile(errorFile);
    EXPECT_EQ(said.find("is not used") != std::string::npos, !c.Trusted) << said;
    EXPECT_EQ(ReadFile(home.File("precious")), "the user's own file\n");
    if (holder > 0) {
      kill(holder, SIGKILL);
      waitpid(holder, nullptr, 0);
      holder = -1;
    }
  }
}

TEST_F(RuntimeFolderTest, AForgedRecordInAnotherUsersFolderIsIgnored) {
  const std::string forged = ForgedRecord();
  ASSERT_FALSE(forged.empty());
  AsAttacker([&] {
    mkdir(Folder().c_str(), 0755);
    const int fd = open(InFolder(RecordName()).c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0 || write(fd, forged.data(), forged.size()) != static_cast<ssize_t>(forged.size())) _exit(1);
    close(fd);
  });
  environment = {{"XDG_RUNTIME_DIR", ""}, {"TMPDIR", shared.Path()}, {"HOME", home.Path()}};
  for (const char* mode : {"/a", "/c"}) {
    Start({mode});
    if (std::string(mode) == "/c") {
      EXPECT_EQ(WaitEnd(std::chrono::milliseconds(1500)), -1);
      Signal(SIGTERM);
    }
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(5000)), 0) << mode;
    EXPECT_EQ(ScreenState(), desktop) << mode;
  }
  EXPECT_EQ(ReadFile(InFolder(RecordName())), forged);  // not the user's to remove
}
