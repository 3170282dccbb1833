// X errors of a few requests caught instead of letting Xlib's handler end
// the program: the trap flushes what was sent before it, counts the errors
// of the requests made while it lives, and puts the previous handler back.
// Traps may nest.
#pragma once

#include <X11/Xlib.h>

namespace emberhall {

class TX11ErrorTrap {
 public:
  explicit TX11ErrorTrap(Display* D);
  ~TX11ErrorTrap();
  TX11ErrorTrap(const TX11ErrorTrap&) = delete;
  TX11ErrorTrap& operator=(const TX11ErrorTrap&) = delete;

  // Waits for the requests made so far; true when none of them failed.
  bool Sync();

 private:
  Display* FDisplay;
  unsigned long FErrorsBefore;
  XErrorHandler FOld;
};

}  // namespace emberhall
