#include "platform/posix/Signals.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <gtest/gtest.h>

using namespace emberhall;

// A termination signal only sets the flag: a blocking read that it
// interrupts carries on and gets its data.
TEST(Signals, ATerminationSignalDoesNotFailABlockingRead) {
  InstallTerminationHandlers();
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child == 0) {
    usleep(100000);
    kill(parent, SIGTERM);
    usleep(100000);
    if (write(pipeEnds[1], "x", 1) != 1) _exit(1);
    _exit(0);
  }
  char c = 0;
  const ssize_t n = read(pipeEnds[0], &c, 1);
  const int error = errno;
  waitpid(child, nullptr, 0);
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  EXPECT_EQ(n, 1) << strerror(error);
  EXPECT_EQ(c, 'x');
  EXPECT_TRUE(TerminationRequested());
  ClearTerminationRequest();
}
