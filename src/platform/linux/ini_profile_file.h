#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/virtual_drives.h"
#include "platform/profile_file.h"

namespace tilvo::platform::linux_host {

std::unique_ptr<ProfileFile> createIniProfileFile(VirtualDrives drives);

// The text operations behind it, on the file's whole content (exposed for tests).
std::string iniRead(const std::string& content, const std::string& section, const std::string& key,
                    const std::string& fallback);
std::string iniWrite(const std::string& content, const std::string& section, const std::string& key,
                     const std::string& value);

}  // namespace tilvo::platform::linux_host
