#pragma once
#include <memory>

#include "platform/file_version.h"
#include "platform/linux/virtual_drives.h"

namespace tilvo::platform::linux_host {

// Reads the version resource of PE files and the ".tilvo_version" section of ELF files.
std::unique_ptr<FileVersions> createExecutableFileVersions(VirtualDrives drives);

}  // namespace tilvo::platform::linux_host
