#pragma once
// Real processes for process tests: a copy of the sleeper program under a chosen name.
#include <sys/types.h>

#include <string>

namespace tilvo::testing {

class HelperProcess {
 public:
  // Puts the sleeper program at `hostPath` (see installSleeper) and starts it there.
  explicit HelperProcess(const std::string& hostPath);
  ~HelperProcess();  // ends it when still running
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool running();                  // reaps it when it has ended
  bool waitForExit(int timeoutMs);  // true once it has ended

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
};

// Copies the sleeper program to `hostPath` (unless a file is there already), executable.
void installSleeper(const std::string& hostPath);

// True when some process runs the executable at `hostPath` (not counting zombies).
bool processRunsExecutable(const std::string& hostPath);

}  // namespace tilvo::testing
