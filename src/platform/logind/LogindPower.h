// Power notices and inhibitors from systemd-logind on the system bus.
// PrepareForSleep becomes the suspend and resume notices of the attached
// window; a "sleep" inhibitor is held all the time: "block" while suspends
// are refused, otherwise "delay", released once the suspend notice has been
// handled so that the system sleeps with OpenGL already stopped. An "idle"
// inhibitor keeps the system from sleeping on inactivity while asked.
// Without a system bus nothing of this happens and one line goes to stderr.
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
  bool Connect();
  void Disconnect();
  void UpdateInhibitors();
  // Takes an inhibitor and returns its descriptor, or -1.
  int Inhibit(const char* What, const char* Mode);
  static int OnPrepareForSleep(sd_bus_message* Message, void* UserData, void* Error);

  sd_bus* FBus = nullptr;
  sd_bus_slot* FMatch = nullptr;
  bool FFailed = false;  // no bus: said once, not tried again
  HWND FWnd = 0;
  bool FSuspendAllowed = true;
  bool FIdleInhibited = false;
  bool FSleeping = false;  // between the suspend and the resume notices
  int FSleepFd = -1;
  std::string FSleepMode;  // the mode of the held sleep inhibitor
  int FIdleFd = -1;
  std::vector<WPARAM> FNotices;  // PrepareForSleep signals not yet delivered
};

}  // namespace emberhall
