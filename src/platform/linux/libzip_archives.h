#pragma once
#include <memory>

#include "platform/linux/virtual_drives.h"
#include "platform/zip_archive.h"

namespace tilvo::platform::linux_host {

// Zip archives on libzip. Unpacked files are created with mode 0666 and folders with 0777, so that the
// default ACL of the install folder decides the rights.
std::unique_ptr<ZipArchives> createLibzipArchives(VirtualDrives drives);

}  // namespace tilvo::platform::linux_host
