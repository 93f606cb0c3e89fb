// Processing the window thread's pending events: once, or throughout a delay.
// Without a running Qt application (unit tests of lower layers) there are no events: processing
// does nothing and the delay only sleeps.
#pragma once

#include <cstdint>

namespace platform {

// Dispatches every pending event of the calling thread to its handler, then returns.
void processPendingEvents();

// Returns after `milliseconds` have passed, processing events throughout (handlers may run
// nested inside the delay).
void delayProcessingEvents(int milliseconds);

// The millisecond uptime counter.
std::int64_t uptimeMilliseconds();

}  // namespace platform
