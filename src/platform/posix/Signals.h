// SIGINT, SIGTERM and SIGHUP end the run in order: the handler only sets a
// flag, and the application's loop (and every loop of its own that waits:
// the password prompt, the wait for a started program) ends when it sees it.
#pragma once

namespace emberhall {

void InstallTerminationHandlers();
bool TerminationRequested();
void ClearTerminationRequest();
// Readable from the moment a termination signal arrives until the request is
// cleared, so that a wait can include it and never sleep through the signal.
int TerminationWakeFd();

}  // namespace emberhall
