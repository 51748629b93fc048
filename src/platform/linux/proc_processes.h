#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/virtual_drives.h"
#include "platform/processes.h"

namespace tilvo::platform::linux_host {

// Processes read from /proc. A process's executable is the target of /proc/<pid>/exe; for a script run by
// an interpreter (sh, bash, python, perl) it is the script named on its command line.
std::unique_ptr<Processes> createProcProcesses(VirtualDrives drives);

// The host path of the program a process runs, as described above; empty when it cannot be read.
std::string processExecutable(int pid);

}  // namespace tilvo::platform::linux_host
