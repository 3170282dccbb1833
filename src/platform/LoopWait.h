// The application loop's wait: blocks until one of the message sources has
// something to deliver, a termination request arrives (also one that came
// just before the wait began), or the time-out passes.
#pragma once

#include <vector>

namespace emberhall {

class IMessageSource;

void WaitForMessageSources(const std::vector<IMessageSource*>& Sources, int TimeoutMs);

}  // namespace emberhall
