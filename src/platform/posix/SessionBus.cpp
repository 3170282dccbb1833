#include "platform/posix/SessionBus.h"

#include <sys/stat.h>

#include <cstdlib>

namespace emberhall {

namespace {

bool overridden = false;

bool UserBusExists() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || !*runtime) return false;
  struct stat s{};
  return stat((std::string(runtime) + "/bus").c_str(), &s) == 0 && S_ISSOCK(s.st_mode);
}

}  // namespace

void AvoidSessionBusAutolaunch() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if ((address && *address) || UserBusExists()) return;
  overridden = setenv("DBUS_SESSION_BUS_ADDRESS", kNoSessionBusAddress, 1) == 0;
}

bool IsOurSessionBusOverride(const std::string& Entry) {
  return overridden && Entry == std::string("DBUS_SESSION_BUS_ADDRESS=") + kNoSessionBusAddress;
}

}  // namespace emberhall
