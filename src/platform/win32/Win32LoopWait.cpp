#include "platform/LoopWait.h"

#include "platform/Forms.h"
#include "platform/win32/Win32Termination.h"
#include "platform/win32/Win32.h"

namespace emberhall {

// Every window of the thread shares one queue: the wait ends at its next
// message, at a termination request, or after the timeout.
void WaitForMessageSources(const std::vector<IMessageSource*>&, int TimeoutMs) {
  HANDLE wake = static_cast<HANDLE>(TerminationEventHandle());
  MsgWaitForMultipleObjectsEx(wake ? 1 : 0, wake ? &wake : nullptr, TimeoutMs < 0 ? INFINITE : static_cast<DWORD>(TimeoutMs),
                              QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

}  // namespace emberhall
