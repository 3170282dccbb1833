#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "platform/posix/PasswordCheck.h"
#include "support/TestSupport.h"

namespace emberhall {
namespace {

// Helpers stand in for the PAM helper: each is a shell script that reads
// the password line from its standard input.
struct THelperCase {
  const char* Name;
  const char* Script;
  const char* Password;
  TPasswordVerdict Expected;
};

std::string WriteHelper(const test::TTempDir& Dir, const std::string& Body) {
  const std::string path = Dir.File("helper");
  test::WriteFile(path, "#!/bin/sh\n" + Body + "\n");
  chmod(path.c_str(), 0755);
  return path;
}

TEST(PasswordCheck, OnlyTheHelpersSuccessExitConfirms) {
  const THelperCase cases[] = {
      {"right password", "read p; [ \"$p\" = 'open sesame' ]", "open sesame", TPasswordVerdict::Confirmed},
      {"wrong password", "read p; [ \"$p\" = 'open sesame' ]", "open sesame!", TPasswordVerdict::Refused},
      {"empty password", "read p; [ -n \"$p\" ]", "", TPasswordVerdict::Refused},
      {"no PAM service", "read p; exit 3", "x", TPasswordVerdict::NoService},
      {"bad input", "read p; exit 2", "x", TPasswordVerdict::Refused},
      {"killed", "read p; kill -9 $$", "x", TPasswordVerdict::Refused},
      {"crashed", "read p; kill -SEGV $$", "x", TPasswordVerdict::Refused},
      {"never reads", "exit 0", "x", TPasswordVerdict::Confirmed},
      {"password never on the command line", "read p; [ $# -eq 0 ] && [ \"$p\" = a ]", "a", TPasswordVerdict::Confirmed},
  };
  for (const THelperCase& c : cases) {
    test::TTempDir dir;
    const std::string helper = WriteHelper(dir, c.Script);
    EXPECT_EQ(CheckPassword(helper, c.Password, nullptr), c.Expected) << c.Name;
  }
}

TEST(PasswordCheck, AMissingHelperMeansNoService) {
  test::TTempDir dir;
  EXPECT_EQ(CheckPassword(dir.File("absent"), "x", nullptr), TPasswordVerdict::NoService);
  EXPECT_EQ(CheckPassword("", "x", nullptr), TPasswordVerdict::NoService);
  test::WriteFile(dir.File("plain"), "not executable");
  EXPECT_EQ(CheckPassword(dir.File("plain"), "x", nullptr), TPasswordVerdict::NoService);
}

TEST(PasswordCheck, AHelperThatHangsIsKilledAndRefused) {
  test::TTempDir dir;
  const std::string helper = WriteHelper(dir, "read p; echo $$ > " + dir.File("pid") + "; exec sleep 30");
  int waits = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(CheckPassword(helper, "x", [&] { ++waits; }, 300), TPasswordVerdict::Refused);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_GT(waits, 3);  // the prompt was kept alive meanwhile
  const pid_t pid = std::stoi(test::ReadFile(dir.File("pid")));
  EXPECT_NE(kill(pid, 0), 0) << "the helper still runs";
}

TEST(PasswordCheck, TheHelperSitsNextToTheProgram) {
  const std::string path = PasswordHelperPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.substr(path.find_last_of('/') + 1), "emberhall-auth");
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
  ASSERT_GT(n, 0);
  const std::string exe(self, static_cast<size_t>(n));
  EXPECT_EQ(path.substr(0, path.find_last_of('/')), exe.substr(0, exe.find_last_of('/')));
}

}  // namespace
}  // namespace emberhall
