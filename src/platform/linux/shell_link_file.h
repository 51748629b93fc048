#pragma once
// Shell link (.lnk) files in the documented binary format (MS-SHLLINK), written on the virtual drives.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/linux/virtual_drives.h"
#include "platform/shell_links.h"

namespace tilvo::platform::linux_host {

// What the link records about its target when it is written, as the shell does.
struct LinkTargetFacts {
  uint32_t attributes = 0;  // FILE_ATTRIBUTE_* of the target; 0 when it does not exist
  uint64_t creationTime = 0, accessTime = 0, writeTime = 0;  // FILETIME values
  uint32_t fileSize = 0;
  uint32_t driveSerialNumber = 0;
};

// The bytes of a link to a local target ("X:\..."), with its working folder. Paths are UTF-8.
// Returns an empty string when the target has no drive letter.
std::string encodeShellLink(const ShellLink& link, const LinkTargetFacts& facts);

std::unique_ptr<ShellLinks> createShellLinkWriter(VirtualDrives drives);

}  // namespace tilvo::platform::linux_host
