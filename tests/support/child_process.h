#pragma once
// A program started by a test, ended and reaped by the test whatever happens.
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace tilvo::testing {

class ChildProcess {
 public:
  // Starts `hostPath` with `arguments` in `workingFolder` (the current one when empty).
  ChildProcess(const std::string& hostPath, const std::vector<std::string>& arguments,
               const std::string& workingFolder = {});
  ~ChildProcess();  // kills and reaps it when it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Waits up to `timeoutMs` for the process to end; true when it ended (and was reaped).
  bool waitForExit(int timeoutMs);
  // The signal that ended it, 0 when it exited or still runs.
  int terminatingSignal() const { return signal_; }

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  int signal_ = 0;
};

// Polls `condition` every few milliseconds for up to `timeoutMs`.
bool waitUntil(int timeoutMs, const std::function<bool()>& condition);

// Runs a command line through the shell and returns what it wrote to standard output.
std::string runCommand(const std::string& commandLine);

}  // namespace tilvo::testing
