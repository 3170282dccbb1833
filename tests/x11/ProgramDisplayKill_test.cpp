// A full-screen run that switches the display, killed with SIGKILL at each
// moment of its switch, and two runs started at once: every next start must
// find the screen as it was before the first switch, to the millimetre.
#include "x11/ProgramFixture.h"

#include <filesystem>
#include <memory>
#include <random>

#include "platform/x11/DisplayRecord.h"
#include "x11/ExtraMode.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

constexpr int kRounds = 20;

enum class TMoment {
  RecordWritten,      // stopped after the record's first write, before the switch
  Switched,           // stopped after the switch, before the record's second write
  SoonAfterTheRecord, // killed 0-3 ms after the record appears
  TwoAtOnce,          // two runs started together; the one that switched is killed
};

class DisplayKillTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    if (IsSkipped()) return;
    extra = std::make_unique<TExtraMode>("emberhall_test_800x600",
                                         "40.00 800 840 968 1056 600 601 605 628 +hsync +vsync");
    desktop = ScreenState();
    ASSERT_GT(desktop.Width, 800);
    WriteFile(config.File("machine/Software/Korvell Software/Emberhall 1.ini"),
              "DesktopOnly=0\nFullScreenMode=800x600x32\n");
    record = runtime.File(std::string("emberhall-display") + std::getenv("DISPLAY") + ".record");
    errorFile = work.File("stderr");
  }
  void TearDown() override {
    for (pid_t p : {pid, other}) KillRun(p);
    pid = other = -1;
    if (extra) {
      RestoreScreen(desktop);  // whatever a failed round left
      extra.reset();
    }
    ProgramTest::TearDown();
  }

  pid_t StartRun(const char* StopAt) {
    environment = {{"EMBERHALL_TEST_STOP_AT", StopAt ? StopAt : ""}};
    return Start({"/s"});
  }
  static void KillRun(pid_t P) {
    if (P <= 0) return;
    kill(P, SIGKILL);
    waitpid(P, nullptr, 0);
  }
  // Waits until P stops (true) or ends (false, with its exit code).
  static bool WaitStopped(pid_t P, int& ExitCode) {
    for (int i = 0; i < 10000; ++i) {
      int status = 0;
      const pid_t r = waitpid(P, &status, WNOHANG | WUNTRACED);
      if (r == P && WIFSTOPPED(status)) return true;
      if (r == P) {
        ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ExitCode = -1;
    return false;
  }
  // Waits for the record that run P writes (the one before it may still be there).
  bool WaitRecordOf(pid_t P) {
    for (int i = 0; i < 50000; ++i) {
      TDisplayRecord r;
      if (ParseDisplayRecord(ReadFile(record), r) && r.Pid == P) return true;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
  }
  // The configuration the run recorded: the screen it found at its start.
  TScreenState RecordedOriginal() {
    TDisplayRecord r;
    if (!ParseDisplayRecord(ReadFile(record), r)) return {};
    return {r.Original.Width, r.Original.Height, r.Original.MmWidth, r.Original.MmHeight};
  }

  // One run (two for TwoAtOnce) killed at the moment; pid is the killed one.
  void KillAt(TMoment Moment, std::mt19937& Random) {
    int exitCode = 0;
    switch (Moment) {
      case TMoment::RecordWritten:
        StartRun("switch");
        ASSERT_TRUE(WaitStopped(pid, exitCode)) << "ended with " << exitCode;
        EXPECT_EQ(ScreenState(), desktop);
        break;
      case TMoment::Switched:
        StartRun("record");
        ASSERT_TRUE(WaitStopped(pid, exitCode)) << "ended with " << exitCode;
        EXPECT_EQ(ScreenState().Width, 800);
        break;
      case TMoment::SoonAfterTheRecord:
        StartRun(nullptr);
        ASSERT_TRUE(WaitRecordOf(pid));
        std::this_thread::sleep_for(std::chrono::microseconds(Random() % 3000));
        break;
      case TMoment::TwoAtOnce: {
        const pid_t first = StartRun("record");
        pid = -1;
        other = StartRun("record");
        // The run that loses the single-instance lock ends at once and never
        // reaches the switch; the other stops right after switching.
        int firstCode = 0, otherCode = 0;
        const bool firstStopped = WaitStopped(first, firstCode);
        const bool otherStopped = WaitStopped(other, otherCode);
        pid = first;
        ASSERT_NE(firstStopped, otherStopped) << "both runs switched, or neither did: " << firstCode << " " << otherCode
                                              << "\n" << ReadFile(errorFile);
        EXPECT_EQ(firstStopped ? otherCode : firstCode, 0);
        if (!firstStopped) std::swap(pid, other);
        other = -1;  // ended
        EXPECT_EQ(ScreenState().Width, 800);
        break;
      }
    }
    // The run read the real desktop: the previous round's kill was repaired
    // before it looked, millimetres included.
    EXPECT_EQ(RecordedOriginal(), desktop);
    KillRun(pid);
    pid = -1;
  }

  void RunRounds(TMoment Moment) {
    std::mt19937 random(20261209);
    for (int round = 1; round <= kRounds; ++round) {
      SCOPED_TRACE("round " + std::to_string(round));
      KillAt(Moment, random);
      if (HasFatalFailure()) return;
    }
    // The next start, in a mode that does not switch, puts the screen back.
    environment.clear();
    Start({"/a"});
    EXPECT_EQ(WaitEnd(std::chrono::milliseconds(10000)), 0);
    EXPECT_EQ(ScreenState(), desktop);
    EXPECT_FALSE(std::filesystem::exists(record));
    const std::string said = ReadFile(errorFile);
    EXPECT_EQ(said.find("no longer matches"), std::string::npos) << said;
  }

  std::unique_ptr<TExtraMode> extra;
  TScreenState desktop;
  std::string record;
  pid_t other = -1;
};

}  // namespace

TEST_F(DisplayKillTest, KilledAfterTheRecordBeforeTheSwitch) { RunRounds(TMoment::RecordWritten); }

TEST_F(DisplayKillTest, KilledAfterTheSwitchBeforeTheRecordSaysSo) { RunRounds(TMoment::Switched); }

TEST_F(DisplayKillTest, KilledAtARandomMomentOfTheSwitch) { RunRounds(TMoment::SoonAfterTheRecord); }

TEST_F(DisplayKillTest, TwoRunsStartedAtOnceOnlyOneSwitches) { RunRounds(TMoment::TwoAtOnce); }
