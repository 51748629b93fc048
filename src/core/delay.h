#pragma once
#include <cstdint>

namespace tilvo {

// Waits at least `milliseconds`, handling the main thread's pending messages all along (at least once,
// also for 0). Main thread only.
void DelayMs(uint32_t milliseconds);

}  // namespace tilvo
