// A local user that exists for one test (made with useradd, removed with
// userdel), optionally with a password. Needs root; WhyNot says why not.
#pragma once

#include <unistd.h>

#include <string>

#include "support/TestSupport.h"

namespace emberhall::test {

class TThrowawayUser {
 public:
  // The name is Prefix (letters) followed by this process's id.
  explicit TThrowawayUser(const std::string& Prefix, const std::string& Password = "")
      : FName(Prefix + std::to_string(getpid())) {
    if (geteuid() != 0) {
      FWhy = "needs root to create a throwaway user";
      return;
    }
    RemoveStaleUsers();
    if (RunCommand("useradd -M -U -s /usr/sbin/nologin " + FName).ExitCode != 0) {
      FWhy = "useradd failed";
      return;
    }
    FCreated = true;
    if (!Password.empty() && RunCommand("echo '" + FName + ":" + Password + "' | chpasswd").ExitCode != 0)
      FWhy = "chpasswd failed";
    Uid = static_cast<uid_t>(std::stoul(RunCommand("id -u " + FName).Output));
    Gid = static_cast<gid_t>(std::stoul(RunCommand("id -g " + FName).Output));
  }
  ~TThrowawayUser() {
    if (FCreated) RunCommand("userdel " + FName);
  }
  TThrowawayUser(const TThrowawayUser&) = delete;
  TThrowawayUser& operator=(const TThrowawayUser&) = delete;

  const std::string& WhyNot() const { return FWhy; }
  const std::string& Name() const { return FName; }
  uid_t Uid = 0;
  gid_t Gid = 0;

 private:
  // Users of earlier runs that were killed before they could clean up.
  static void RemoveStaleUsers() {
    RunCommand("getent passwd | cut -d: -f1 | grep -E '^eh[a-z]+[0-9]+$' | while read u; do "
               "p=$(echo $u | tr -dc 0-9); [ -d /proc/$p ] || userdel $u; done");
  }

  std::string FName, FWhy;
  bool FCreated = false;
};

}  // namespace emberhall::test
