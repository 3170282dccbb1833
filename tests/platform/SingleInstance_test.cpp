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

// Starts the helper holding the lock NAME for SECONDS; returns once it reports.
pid_t StartHolder(const std::string& name, int seconds, std::string& said) {
  int out[2];
  EXPECT_EQ(pipe(out), 0);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    execl(EMBERHALL_TEST_HELPER, EMBERHALL_TEST_HELPER, "lock", name.c_str(), std::to_string(seconds).c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  char buf[16] = {};
  ssize_t n = read(out[0], buf, sizeof buf - 1);
  close(out[0]);
  said = n > 0 ? std::string(buf, static_cast<size_t>(n)) : "";
  return pid;
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
