// Keeps the display awake while asked: the X screen saver of the server is
// suspended for this client (XScreenSaverSuspend); the suspension ends with
// the request or with the connection, whichever comes first.
#pragma once

#include "platform/Services.h"

typedef struct _XDisplay Display;

namespace emberhall {

class TX11KeepAwake : public IKeepAwake {
 public:
  ~TX11KeepAwake() override;
  // Display asks the server not to blank; System has no X11 counterpart.
  void SetExecutionState(bool Display, bool System) override;
  bool Suspended() const { return FSuspended; }

 private:
  ::Display* FDisplay = nullptr;
  bool FSuspended = false;
};

}  // namespace emberhall
