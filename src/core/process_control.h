#pragma once
// Finding, ending and locating other processes by executable name. Every call takes a fresh snapshot.
#include <cstdint>
#include <string>
#include <vector>

namespace tilvo {

struct ProcessListEntry {
  std::string text;  // upper case
  uint32_t pid = 0;
};
using ProcessList = std::vector<ProcessListEntry>;

// A snapshot entry matches `name` when its file-name part (after the last "\" or ":") or its whole text
// equals `name`, with only a-z upper-cased on both sides. An empty name matches nothing.
bool ProcessNameMatches(const std::string& exeFile, const std::string& name);

void ProcessKill(const std::string& name);  // ends every match; returns without waiting for them to exit
bool ProcessExists(const std::string& name);
std::string GetProcessImagePath(uint32_t processId);  // upper case; empty when unreadable
void ListProcesses(ProcessList& list, bool fullPaths);  // appends, in snapshot order
std::string GetProcessFolder(const std::string& name);  // upper case, with the final "\"; empty when none

}  // namespace tilvo
