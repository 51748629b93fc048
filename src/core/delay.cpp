#include "core/delay.h"

#include "platform/platform.h"

namespace tilvo {

void DelayMs(uint32_t milliseconds) {
  auto& system = platform::systemInfo();
  auto& loop = platform::loop();
  const uint32_t start = system.tickCount();
  do {
    loop.processPendingMessages();
    system.sleepMs(1);
  } while (static_cast<uint32_t>(system.tickCount() - start) < milliseconds);  // unsigned: wrap-around is harmless
}

}  // namespace tilvo
