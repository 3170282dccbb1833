// Keeps libraries from "autolaunching" a D-Bus session bus. SDL asks the
// session bus for a real-time audio thread; where there is none, libdbus
// would fork this threaded process to run dbus-launch, and such a child can
// hang before its exec, holding copies of every descriptor (the X connection
// with its grabs among them) after the program itself has ended.
#pragma once

#include <string>

namespace emberhall {

// The address that makes libdbus fail at once instead of forking.
inline constexpr const char* kNoSessionBusAddress = "disabled:";

// Where DBUS_SESSION_BUS_ADDRESS is unset or empty and no user bus socket
// lies at $XDG_RUNTIME_DIR/bus, sets the address to kNoSessionBusAddress.
// Call while the process has one thread (it changes the environment).
void AvoidSessionBusAutolaunch();

// Whether Name=Value (an environment entry) is the address set above, which
// children do not inherit: they look for a bus of their own.
bool IsOurSessionBusOverride(const std::string& Entry);

}  // namespace emberhall
