// Power notices and inhibitors from systemd-logind on the system bus.
// PrepareForSleep becomes the suspend and resume notices of the attached
// window; a "sleep" inhibitor is held all the time: "block" while suspends
// are refused, otherwise "delay", released once the suspend notice has been
// handled so that the system sleeps with OpenGL already stopped. An "idle"
// inhibitor keeps the system from sleeping on inactivity while asked.
// Every bus call is asynchronous: a bus or a logind that does not answer
// never holds up the picture or the end of the run. Without a system bus or
// without logind nothing of this happens and one line goes to stderr.
#pragma once

#include <string>

#include "platform/Forms.h"
#include "platform/Services.h"

typedef struct sd_bus sd_bus;
typedef struct sd_bus_slot sd_bus_slot;
typedef struct sd_bus_message sd_bus_message;

namespace emberhall {

class TLogindPower : public IPowerNotices, public IMessageSource {
 public:
  TLogindPower() = default;
  ~TLogindPower() override;
  TLogindPower(const TLogindPower&) = delete;
  TLogindPower& operator=(const TLogindPower&) = delete;

  void Attach(HWND Wnd) override;
  void Detach() override;
  void SetSuspendAllowed(bool Allowed) override;
  // Holds or releases the "idle" inhibitor.
  void SetIdleInhibited(bool Inhibited);

  bool Connected() const { return FBus != nullptr; }

  bool GetMessage(TMsg& Msg) override;
  void DispatchMessage(const TMsg& Msg) override;
  int FileDescriptor() const override;

 private:
  // One inhibitor: the descriptor held, the mode it was taken with, and the
  // mode of a request still under way.
  struct TInhibitor {
    explicit TInhibitor(const char* AWhat) : What(AWhat) {}
    const char* What;
    int Fd = -1;
    std::string Mode;
    std::string Requested;
    sd_bus_slot* Pending = nullptr;
  };

  bool Connect();
  void Disconnect();
  void UpdateInhibitors();
  // Asks for (or gives up) the inhibitor in the mode; empty releases it.
  void Want(TInhibitor& Inhibitor, const std::string& Mode);
  // Says why once and gives the bus up for the rest of the run.
  void Failed(const std::string& Why);
  static int OnInhibitReply(sd_bus_message* Reply, void* UserData, void* Error);
  static int OnPrepareForSleep(sd_bus_message* Message, void* UserData, void* Error);

  sd_bus* FBus = nullptr;
  sd_bus_slot* FMatch = nullptr;
  bool FFailed = false;  // no bus or no logind: said once, not tried again
  HWND FWnd = 0;
  bool FSuspendAllowed = false;
  bool FIdleInhibited = false;
  bool FSleeping = false;  // between the suspend and the resume notices
  TInhibitor FSleep{"sleep"};
  TInhibitor FIdle{"idle"};
  std::vector<WPARAM> FNotices;  // PrepareForSleep signals not yet delivered
};

}  // namespace emberhall
