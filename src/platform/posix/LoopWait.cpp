#include "platform/LoopWait.h"

#include <poll.h>

#include "platform/Forms.h"
#include "platform/posix/Signals.h"

namespace emberhall {

// The sources' descriptors and the termination wake-up descriptor, polled
// together.
void WaitForMessageSources(const std::vector<IMessageSource*>& Sources, int TimeoutMs) {
  std::vector<pollfd> fds;
  for (IMessageSource* s : Sources)
    if (s->FileDescriptor() >= 0) fds.push_back({s->FileDescriptor(), POLLIN, 0});
  if (TerminationWakeFd() >= 0) fds.push_back({TerminationWakeFd(), POLLIN, 0});
  poll(fds.data(), fds.size(), TimeoutMs);
}

}  // namespace emberhall
