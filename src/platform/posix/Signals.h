// SIGINT, SIGTERM and SIGHUP end the run in order: the handler only sets a
// flag, and the application's loop ends the run when it sees it.
#pragma once

namespace emberhall {

void InstallTerminationHandlers();
bool TerminationRequested();
void ClearTerminationRequest();

}  // namespace emberhall
