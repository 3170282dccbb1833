#include "platform/logind/LogindPower.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace emberhall {

namespace {

const char* const kService = "org.freedesktop.login1";
const char* const kPath = "/org/freedesktop/login1";
const char* const kManager = "org.freedesktop.login1.Manager";
// A logind that does not answer must not hold up the picture for long.
constexpr uint64_t kCallTimeoutMicroseconds = 2'000'000;

void CloseFd(int& Fd) {
  if (Fd >= 0) close(Fd);
  Fd = -1;
}

}  // namespace

TLogindPower::~TLogindPower() { Disconnect(); }

bool TLogindPower::Connect() {
  if (FBus) return true;
  if (FFailed) return false;
  sd_bus* bus = nullptr;
  int r = sd_bus_open_system(&bus);
  if (r >= 0) r = sd_bus_set_method_call_timeout(bus, kCallTimeoutMicroseconds);
  if (r >= 0)
    r = sd_bus_match_signal(bus, &FMatch, kService, kPath, kManager, "PrepareForSleep",
                            reinterpret_cast<sd_bus_message_handler_t>(&TLogindPower::OnPrepareForSleep), this);
  if (r < 0) {
    FMatch = sd_bus_slot_unref(FMatch);
    sd_bus_flush_close_unref(bus);
    FFailed = true;
    std::fprintf(stderr, "emberhall: no system bus (%s): no suspend and resume notices, no sleep inhibitors\n",
                 std::strerror(-r));
    return false;
  }
  FBus = bus;
  if (Application) Application->AddMessageSource(this);
  return true;
}

void TLogindPower::Disconnect() {
  if (!FBus) return;
  if (Application) Application->RemoveMessageSource(this);
  CloseFd(FSleepFd);
  FSleepMode.clear();
  CloseFd(FIdleFd);
  FMatch = sd_bus_slot_unref(FMatch);
  FBus = sd_bus_flush_close_unref(FBus);
  FNotices.clear();
  FSleeping = false;
}

void TLogindPower::Attach(HWND Wnd) {
  FWnd = Wnd;
  if (Connect()) UpdateInhibitors();
}

void TLogindPower::Detach() {
  FWnd = 0;
  FNotices.clear();
  if (FIdleInhibited) {
    UpdateInhibitors();
  } else {
    Disconnect();
  }
}

void TLogindPower::SetSuspendAllowed(bool Allowed) {
  FSuspendAllowed = Allowed;
  if (FBus) UpdateInhibitors();
}

void TLogindPower::SetIdleInhibited(bool Inhibited) {
  FIdleInhibited = Inhibited;
  if (Inhibited ? Connect() : FBus != nullptr) UpdateInhibitors();
  if (!FWnd && !FIdleInhibited) Disconnect();
}

int TLogindPower::Inhibit(const char* What, const char* Mode) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  const char* why = std::strcmp(What, "idle") == 0 ? "The screensaver keeps the system awake"
                    : std::strcmp(Mode, "block") == 0 ? "The screensaver refuses suspends while it runs"
                                                      : "The screensaver stops drawing before the system sleeps";
  int fd = -1;
  int r = sd_bus_call_method(FBus, kService, kPath, kManager, "Inhibit", &error, &reply, "ssss", What, "Emberhall",
                             why, Mode);
  if (r >= 0) r = sd_bus_message_read(reply, "h", &fd);
  // The descriptor belongs to the reply; keep a copy of our own.
  if (r >= 0) fd = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (r < 0 || fd < 0) {
    std::fprintf(stderr, "emberhall: logind refused the %s inhibitor (%s): %s\n", What, Mode,
                 error.message ? error.message : std::strerror(r < 0 ? -r : errno));
    fd = -1;
  }
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  return fd;
}

void TLogindPower::UpdateInhibitors() {
  if (!FBus) return;
  std::string sleepMode;
  if (FWnd && !FSuspendAllowed) {
    sleepMode = "block";
  } else if (FWnd && !FSleeping) {
    sleepMode = "delay";
  }
  if (sleepMode != FSleepMode) {
    // The new one first, so that no moment is left without one.
    const int fd = sleepMode.empty() ? -1 : Inhibit("sleep", sleepMode.c_str());
    CloseFd(FSleepFd);
    FSleepFd = fd;
    FSleepMode = fd >= 0 ? sleepMode : std::string();
  }
  if (FIdleInhibited && FIdleFd < 0) FIdleFd = Inhibit("idle", "block");
  if (!FIdleInhibited) CloseFd(FIdleFd);
}

int TLogindPower::OnPrepareForSleep(sd_bus_message* Message, void* UserData, void*) {
  auto* self = static_cast<TLogindPower*>(UserData);
  int start = 0;
  if (sd_bus_message_read(Message, "b", &start) < 0) return 0;
  self->FNotices.push_back(start ? PBT_APMSUSPEND : PBT_APMRESUMESUSPEND);
  return 0;
}

bool TLogindPower::GetMessage(TMsg& Msg) {
  if (!FBus) return false;
  if (FNotices.empty()) {
    int r = 0;
    while ((r = sd_bus_process(FBus, nullptr)) > 0) {
    }
    if (r < 0) {
      std::fprintf(stderr, "emberhall: the system bus went away (%s): no more power notices\n", std::strerror(-r));
      Disconnect();
      FFailed = true;
      return false;
    }
  }
  if (FNotices.empty()) return false;
  Msg = TMsg{FWnd, WM_POWERBROADCAST, FNotices.front(), 0};
  FNotices.erase(FNotices.begin());
  return true;
}

void TLogindPower::DispatchMessage(const TMsg& Msg) {
  if (Msg.wParam == PBT_APMSUSPEND) FSleeping = true;
  if (Msg.wParam == PBT_APMRESUMESUSPEND) FSleeping = false;
  if (Application && Msg.hwnd) Application->SendMessage(Msg.hwnd, Msg.message, Msg.wParam, Msg.lParam);
  // After the suspend notice OpenGL is stopped: the delay may end. After the
  // resume notice the next suspend is delayed again.
  UpdateInhibitors();
}

int TLogindPower::FileDescriptor() const { return FBus ? sd_bus_get_fd(FBus) : -1; }

}  // namespace emberhall
