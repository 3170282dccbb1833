#include "platform/win32/Win32Termination.h"

#include <atomic>

#include "platform/win32/Win32.h"

namespace emberhall {

namespace {

std::atomic<bool> requested{false};

// Closing the console, logoff and shutdown end the process as soon as the
// handler returns: it waits a little so that the application's loop, which
// sees the request, can end the run in order first (putting the display
// back). The system allows about five seconds.
constexpr DWORD OrderlyEndMs = 4000;

BOOL WINAPI OnConsoleControl(DWORD Event) {
  switch (Event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      RequestTermination();
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      RequestTermination();
      Sleep(OrderlyEndMs);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void* TerminationEventHandle() {
  static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

void RequestTermination() {
  requested = true;
  if (HANDLE event = TerminationEventHandle()) SetEvent(event);
}

void InstallTerminationHandlers() {
  static const bool installed = [] {
    TerminationEventHandle();
    SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
    return true;
  }();
  (void)installed;
}

bool TerminationRequested() { return requested; }

// A request that arrives while the event is being reset sets it again, so
// the flag is never set with the event clear.
void ClearTerminationRequest() {
  requested = false;
  HANDLE event = TerminationEventHandle();
  if (!event) return;
  ResetEvent(event);
  if (requested) SetEvent(event);
}

}  // namespace emberhall
