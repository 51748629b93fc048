#pragma once
#include <memory>
#include <string>

#include "platform/linux/virtual_drives.h"
#include "platform/special_folders.h"

namespace tilvo::platform::linux_host {

// The special folders of the virtual C: drive, laid out as on Windows 10 for a 32-bit program (on a
// 64-bit system its Program Files is "Program Files (x86)"). The user profile is C:\Users\<login name>.
// A folder is created on the drive the first time it is asked for, as it exists on any Windows system.
std::unique_ptr<SpecialFolders> createVirtualSpecialFolders(VirtualDrives drives, bool native64);

}  // namespace tilvo::platform::linux_host
