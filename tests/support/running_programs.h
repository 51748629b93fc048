#pragma once
// Programs the installer started (detached, so no test owns them): found and ended by their executable.
#include <sys/types.h>

#include <string>
#include <vector>

namespace tilvo::testing {

// Processes whose executable is the file `hostPath` (also when it was replaced or deleted since).
std::vector<pid_t> ProcessesRunning(const std::string& hostPath);

// Ends every process whose executable lies in `hostFolder` or below, and waits until they are gone.
void EndProcessesUnder(const std::string& hostFolder);

}  // namespace tilvo::testing
