#include "platform/x11/X11ErrorTrap.h"

namespace emberhall {

namespace {

unsigned long trappedErrors = 0;

int CountError(Display*, XErrorEvent*) {
  ++trappedErrors;
  return 0;
}

}  // namespace

TX11ErrorTrap::TX11ErrorTrap(Display* D) : FDisplay(D) {
  XSync(FDisplay, False);
  FErrorsBefore = trappedErrors;
  FOld = XSetErrorHandler(CountError);
}

TX11ErrorTrap::~TX11ErrorTrap() {
  XSync(FDisplay, False);
  XSetErrorHandler(FOld);
}

bool TX11ErrorTrap::Sync() {
  XSync(FDisplay, False);
  return trappedErrors == FErrorsBefore;
}

}  // namespace emberhall
