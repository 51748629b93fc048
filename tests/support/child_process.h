#pragma once
// A program started by a test, in a process group of its own, ended with the test: the destructor kills
// the group and reaps the process, so nothing is left running. If the test process dies first, the kernel
// ends the child too.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tilvo::testing {

struct ChildOptions {
  std::vector<std::string> argv;  // argv[0] is the program's path
  // Changes to the test's environment: "NAME=value" sets, "NAME" removes.
  std::vector<std::string> environment;
  std::string stdoutPath;  // empty: /dev/null
  std::string stderrPath;  // empty: /dev/null
  std::string workingFolder;  // empty: the test's own
};

class ChildProcess {
 public:
  explicit ChildProcess(const ChildOptions& options);  // throws when the program cannot be started
  // Starts `hostPath` with `arguments` in `workingFolder` (the current one when empty).
  ChildProcess(const std::string& hostPath, const std::vector<std::string>& arguments,
               const std::string& workingFolder = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // The exit code once the process has ended (128 + signal when killed); nullopt when it still runs.
  std::optional<int> waitFor(std::chrono::milliseconds timeout);
  bool running() { return !waitFor(std::chrono::milliseconds(0)); }
  // Waits up to `timeoutMs` for the process to end; true when it ended.
  bool waitForExit(int timeoutMs) { return waitFor(std::chrono::milliseconds(timeoutMs)).has_value(); }
  // The signal that ended it, 0 when it exited or still runs.
  int terminatingSignal() const { return exitCode_ && *exitCode_ > 128 ? *exitCode_ - 128 : 0; }
  // SIGTERM to the group, then SIGKILL when it has not ended within `grace`.
  void stop(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));

 private:
  pid_t pid_ = -1;
  std::optional<int> exitCode_;
};

// Polls `condition` every few milliseconds for up to `timeoutMs`.
bool waitUntil(int timeoutMs, const std::function<bool()>& condition);

// Runs a command line through the shell and returns what it wrote to standard output.
std::string runCommand(const std::string& commandLine);

}  // namespace tilvo::testing
