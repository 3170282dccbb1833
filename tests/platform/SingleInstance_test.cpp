#include "platform/posix/SingleInstance.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

pid_t StartHolder(const std::string& name, int seconds, std::string& said) {
  return StartHelper({"lock", name, std::to_string(seconds)}, said);
}

}  // namespace

TEST(SingleInstance, AcrossTwoRealProcesses) {
  TTempDir runtime;
  setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
  std::string said;
  pid_t holder = StartHolder("emberhallSemaphore", 30, said);
  EXPECT_EQ(said, "held\n");

  TInstanceLock mine;
  EXPECT_FALSE(mine.Acquire("emberhallSemaphore"));  // the other program runs
  EXPECT_TRUE(mine.Acquire("otherSemaphore"));       // another name is free

  kill(holder, SIGKILL);  // a killed holder releases its lock
  waitpid(holder, nullptr, 0);
  EXPECT_TRUE(mine.Acquire("emberhallSemaphore"));

  pid_t second = StartHolder("emberhallSemaphore", 0, said);
  EXPECT_EQ(said, "busy\n");
  int status = 0;
  waitpid(second, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 1);

  mine.Release();  // a released lock leaves no file behind
  EXPECT_FALSE(std::filesystem::exists(TInstanceLock::FileNameOf("emberhallSemaphore")));
  unsetenv("XDG_RUNTIME_DIR");
}
