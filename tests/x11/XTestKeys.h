// Typing a key on the test display as a user would, through XTest.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace emberhall::test {

// Presses and releases the key of Sym, and waits until the server has it.
inline void PressKey(Display* D, KeySym Sym) {
  const KeyCode code = XKeysymToKeycode(D, Sym);
  XTestFakeKeyEvent(D, code, True, CurrentTime);
  XTestFakeKeyEvent(D, code, False, CurrentTime);
  XSync(D, False);
}

}  // namespace emberhall::test
