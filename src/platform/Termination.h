// Requests from outside to end the run in order (on POSIX: SIGINT, SIGTERM
// and SIGHUP). The handler only notes the request; the application's loop,
// and every loop of its own that waits (the password prompt, the wait for a
// started program), ends when it sees it.
#pragma once

namespace emberhall {

void InstallTerminationHandlers();
bool TerminationRequested();
void ClearTerminationRequest();

}  // namespace emberhall
