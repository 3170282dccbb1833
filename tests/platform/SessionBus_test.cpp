// The session-bus stand-in that keeps libdbus from forking dbus-launch: set
// only where no bus can be found, and never handed on to child processes.
// Each case runs in a child process, as it changes the environment.
#include "platform/posix/SessionBus.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/posix/Process.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

// Runs Check in a child process; true when it returned true there.
bool InChild(const std::function<bool()>& Check) {
  const pid_t child = fork();
  if (child == 0) _exit(Check() ? 0 : 1);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void MakeSocket(const std::string& Path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::strncpy(a.sun_path, Path.c_str(), sizeof a.sun_path - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  close(fd);
}

}  // namespace

TEST(SessionBus, TheStandInIsSetOnlyWhereNoBusCanBeFound) {
  TTempDir withBus, withoutBus, withFile;
  MakeSocket(withBus.File("bus"));
  WriteFile(withFile.File("bus"), "not a socket\n");
  const struct {
    const char* Name;
    const char* Address;  // null: unset
    std::string Runtime;  // empty: unset
    std::string Expected;
  } cases[] = {
      {"nothing at all", nullptr, "", kNoSessionBusAddress},
      {"an empty address", "", withoutBus.Path(), kNoSessionBusAddress},
      {"a runtime folder without a bus", nullptr, withoutBus.Path(), kNoSessionBusAddress},
      {"a plain file where the bus would be", nullptr, withFile.Path(), kNoSessionBusAddress},
      {"the user's bus socket", nullptr, withBus.Path(), ""},
      {"an address of the session's", "unix:path=/run/user/1000/bus", "", "unix:path=/run/user/1000/bus"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_TRUE(InChild([&] {
      if (c.Address) setenv("DBUS_SESSION_BUS_ADDRESS", c.Address, 1);
      else unsetenv("DBUS_SESSION_BUS_ADDRESS");
      if (c.Runtime.empty()) unsetenv("XDG_RUNTIME_DIR");
      else setenv("XDG_RUNTIME_DIR", c.Runtime.c_str(), 1);
      AvoidSessionBusAutolaunch();
      const char* now = std::getenv("DBUS_SESSION_BUS_ADDRESS");
      const std::string got = now ? now : "";
      const bool ours = IsOurSessionBusOverride("DBUS_SESSION_BUS_ADDRESS=" + got);
      return got == c.Expected && ours == (c.Expected == kNoSessionBusAddress);
    }));
  }
}

TEST(SessionBus, ChildProcessesDoNotInheritTheStandIn) {
  TTempDir runtime, out;
  const std::string seen = out.File("seen");
  EXPECT_TRUE(InChild([&] {
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    setenv("EMBERHALL_TEST_KEPT", "yes", 1);
    AvoidSessionBusAutolaunch();
    pid_t pid = 0;
    std::string error;
    const std::string command =
        "sh -c \"echo ${DBUS_SESSION_BUS_ADDRESS-unset} ${EMBERHALL_TEST_KEPT-lost} > " + seen + "\"";
    if (!SpawnProcess(command, "", 0, pid, error)) return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }));
  EXPECT_EQ(ReadFile(seen), "unset yes\n");
}
