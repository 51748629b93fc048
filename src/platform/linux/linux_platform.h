#pragma once
#include <memory>

#include "platform/platform.h"

namespace tilvo::platform::linux_host {

// The platform of the installer on Linux. Reads the environment overrides once:
// TILVO_ROOT (the folder of the virtual drives and the registry), TILVO_NATIVE_ARCH, TILVO_WINDOWS_VERSION,
// TILVO_SCREEN. Call on the thread that runs the main loop.
std::unique_ptr<Platform> createLinuxPlatform(int argc, char** argv);

}  // namespace tilvo::platform::linux_host
