#pragma once
#include <memory>

#include "platform/file_system.h"
#include "platform/linux/virtual_drives.h"

namespace tilvo::platform::linux_host {

std::unique_ptr<FileSystem> createFileSystem(VirtualDrives drives);

}  // namespace tilvo::platform::linux_host
