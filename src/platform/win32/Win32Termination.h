// Console control events (Ctrl+C, Ctrl+Break, closing the console, logoff
// and shutdown) as termination requests, and the event that wakes a wait
// when one arrives.
#pragma once

#include "platform/Termination.h"

namespace emberhall {

// A manual-reset event, set from the moment a termination request arrives
// until it is cleared, so that a wait (MsgWaitForMultipleObjects) can include
// it and never sleeps through the request. A HANDLE; valid for the
// program's life, also before InstallTerminationHandlers.
void* TerminationEventHandle();

// Notes a termination request as a console control event does: for the
// system's other ways of asking the program to end (WM_ENDSESSION, ...).
void RequestTermination();

}  // namespace emberhall
