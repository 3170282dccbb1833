// SIGINT, SIGTERM and SIGHUP as termination requests, and the descriptor
// that wakes a wait when one arrives.
#pragma once

#include "platform/Termination.h"

namespace emberhall {

// Readable from the moment a termination signal arrives until the request is
// cleared, so that a wait can include it and never sleep through the signal.
int TerminationWakeFd();

}  // namespace emberhall
