#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/virtual_drives.h"
#include "platform/shell.h"

namespace tilvo::platform::linux_host {

std::unique_ptr<Shell> createPosixShell(VirtualDrives drives);

// Splits a Windows-style parameter text into words: blanks separate, double quotes group.
std::vector<std::string> splitParameters(const std::string& parameters);

}  // namespace tilvo::platform::linux_host
