#pragma once
#include <memory>

#include "platform/linux/virtual_drives.h"
#include "platform/system_info.h"

namespace tilvo::platform::linux_host {

// The native architecture comes from the kernel (x86_64 and aarch64 count as 64-bit); TILVO_NATIVE_ARCH
// ("x86" or "x64") overrides it. The Windows version is 10.0 unless TILVO_WINDOWS_VERSION ("6.1") says so.
std::unique_ptr<SystemInfo> createLinuxSystemInfo(VirtualDrives drives);

}  // namespace tilvo::platform::linux_host
