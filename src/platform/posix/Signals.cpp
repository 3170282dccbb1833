#include "platform/posix/Signals.h"

#include <signal.h>

#include <initializer_list>

namespace emberhall {

namespace {

volatile sig_atomic_t requested = 0;

void OnTerminationSignal(int) { requested = 1; }

}  // namespace

void InstallTerminationHandlers() {
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a waiting poll returns at once
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool TerminationRequested() { return requested != 0; }

void ClearTerminationRequest() { requested = 0; }

}  // namespace emberhall
