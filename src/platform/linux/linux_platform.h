#pragma once
#include <memory>

#include "platform/platform.h"

namespace tilvo::platform::linux_host {

enum class DisplayUse {
  WhenAvailable,  // a GTK window with a WebKit view when a display can be opened
  Never,          // no display: the headless window and page host (tests of the logic)
};

// The platform of the installer on Linux. Reads the environment overrides once:
// TILVO_ROOT (the folder of the virtual drives and the registry), TILVO_NATIVE_ARCH, TILVO_WINDOWS_VERSION,
// TILVO_SCREEN (headless screen size), TILVO_COMPOSITION (0/1: desktop composition), TILVO_TRACE_TIMERS (1: log
// switching the named timers). Call on the thread that runs the main loop.
std::unique_ptr<Platform> createLinuxPlatform(int argc, char** argv, DisplayUse display = DisplayUse::WhenAvailable);

}  // namespace tilvo::platform::linux_host
