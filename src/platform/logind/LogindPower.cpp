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

void CloseFd(int& Fd) {
  if (Fd >= 0) close(Fd);
  Fd = -1;
}

const char* WhyText(const std::string& What, const std::string& Mode) {
  if (What == "idle") return "The screensaver keeps the system awake";
  if (Mode == "block") return "The screensaver refuses suspends while it runs";
  return "The screensaver stops drawing before the system sleeps";
}

// The reply's request: which inhibitor, in which mode.
struct TRequest {
  TLogindPower* Self;
  void* Inhibitor;
  std::string Mode;
};

}  // namespace

TLogindPower::~TLogindPower() { Disconnect(); }

bool TLogindPower::Connect() {
  if (FBus) return true;
  if (FFailed) return false;
  sd_bus* bus = nullptr;
  // Opening only starts the connection; it completes as the loop processes the bus.
  int r = sd_bus_open_system(&bus);
  if (r >= 0)
    r = sd_bus_match_signal_async(bus, &FMatch, kService, kPath, kManager, "PrepareForSleep",
                                  reinterpret_cast<sd_bus_message_handler_t>(&TLogindPower::OnPrepareForSleep),
                                  nullptr, this);
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
  for (TInhibitor* i : {&FSleep, &FIdle}) {
    CloseFd(i->Fd);
    i->Mode.clear();
    i->Requested.clear();
    i->Pending = sd_bus_slot_unref(i->Pending);
  }
  FMatch = sd_bus_slot_unref(FMatch);
  FBus = sd_bus_close_unref(FBus);
  FNotices.clear();
  FSleeping = false;
}

void TLogindPower::Failed(const std::string& Why) {
  std::fprintf(stderr, "emberhall: %s: no suspend and resume notices, no sleep inhibitors\n", Why.c_str());
  FFailed = true;
  Disconnect();
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

void TLogindPower::UpdateInhibitors() {
  if (!FBus) return;
  std::string sleepMode;
  if (FWnd && !FSuspendAllowed) {
    sleepMode = "block";
  } else if (FWnd && !FSleeping) {
    sleepMode = "delay";
  }
  Want(FSleep, sleepMode);
  if (FBus) Want(FIdle, FIdleInhibited ? "block" : "");
}

void TLogindPower::Want(TInhibitor& I, const std::string& Mode) {
  if (Mode.empty()) {
    CloseFd(I.Fd);
    I.Mode.clear();
    I.Requested.clear();
    I.Pending = sd_bus_slot_unref(I.Pending);  // its reply is dropped
    return;
  }
  if (I.Fd >= 0 && I.Mode == Mode) {  // held already: a request for another mode is dropped
    I.Pending = sd_bus_slot_unref(I.Pending);
    I.Requested.clear();
    return;
  }
  if (I.Pending && I.Requested == Mode) return;  // on its way
  I.Pending = sd_bus_slot_unref(I.Pending);
  I.Requested = Mode;
  auto* request = new TRequest{this, &I, Mode};
  const int r = sd_bus_call_method_async(FBus, &I.Pending, kService, kPath, kManager, "Inhibit",
                                         reinterpret_cast<sd_bus_message_handler_t>(&TLogindPower::OnInhibitReply),
                                         request, "ssss", I.What, "Emberhall", WhyText(I.What, Mode), Mode.c_str());
  if (r < 0) {
    delete request;
    I.Pending = nullptr;
    Failed(std::string("the inhibitor request could not be sent (") + std::strerror(-r) + ")");
    return;
  }
  // The request is freed with the slot, whether the reply comes or not.
  sd_bus_slot_set_destroy_callback(I.Pending, [](void* p) { delete static_cast<TRequest*>(p); });
}

int TLogindPower::OnInhibitReply(sd_bus_message* Reply, void* UserData, void*) {
  auto* request = static_cast<TRequest*>(UserData);
  TLogindPower* self = request->Self;
  TInhibitor& I = *static_cast<TInhibitor*>(request->Inhibitor);
  const std::string mode = request->Mode;
  I.Pending = sd_bus_slot_unref(I.Pending);  // frees the request
  if (sd_bus_message_is_method_error(Reply, nullptr)) {
    const sd_bus_error* e = sd_bus_message_get_error(Reply);
    const std::string name = e && e->name ? e->name : "";
    const bool noLogind = name == SD_BUS_ERROR_SERVICE_UNKNOWN || name == SD_BUS_ERROR_NAME_HAS_NO_OWNER;
    self->Failed(noLogind ? std::string("no logind on the system bus")
                                  : std::string("logind refused the ") + I.What + " inhibitor (" +
                                        (e && e->message ? e->message : name.c_str()) + ")");
    return 0;
  }
  int fd = -1;
  // The descriptor belongs to the reply; keep a copy of our own.
  if (sd_bus_message_read(Reply, "h", &fd) < 0 || (fd = fcntl(fd, F_DUPFD_CLOEXEC, 3)) < 0) {
    self->Failed(std::string("logind's answer to the ") + I.What + " inhibitor could not be read");
    return 0;
  }
  CloseFd(I.Fd);  // the new one first is held now, the old one goes
  I.Fd = fd;
  I.Mode = mode;
  I.Requested.clear();
  return 0;
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
    while (FBus && (r = sd_bus_process(FBus, nullptr)) > 0) {
    }
    if (FBus && r < 0) {
      Failed(std::string("the system bus went away (") + std::strerror(-r) + ")");
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
