#pragma once
// Running processes: a snapshot, termination, the path of a process's executable.
#include <cstdint>
#include <string>
#include <vector>

namespace tilvo::platform {

struct ProcessEntry {
  uint32_t pid = 0;
  std::string exeFile;  // the executable's file name, as a process snapshot reports it
};

class Processes {
 public:
  virtual ~Processes() = default;
  virtual std::vector<ProcessEntry> snapshot() = 0;  // empty when no snapshot can be taken
  virtual bool terminate(uint32_t pid, uint32_t exitCode) = 0;  // false when not allowed or gone
  virtual std::string imagePath(uint32_t pid) = 0;  // Windows form of the full path; empty when unreadable
};

}  // namespace tilvo::platform
