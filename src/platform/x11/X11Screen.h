// The screen's size and the pointer's show/hide count on the X server.
#pragma once

#include "platform/Services.h"

namespace emberhall {

class TX11Screen : public IScreen {
 public:
  bool GetScreenSize(int& Width, int& Height) override;
};

// The show/hide count: our windows show a blank cursor while it is below 0.
class TCountingCursor : public ICursor {
 public:
  int ShowCursor(bool Show) override;
  void SetBusy(bool Busy) override;

 private:
  int FCount = 0;
};

}  // namespace emberhall
