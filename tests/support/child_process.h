#pragma once
// A program started by a test, in a process group of its own, ended with the test: the destructor kills
// the group and reaps the process, so nothing is left running. If the test process dies first, the kernel
// ends the child too.
#include <sys/types.h>

#include <chrono>
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
};

class ChildProcess {
 public:
  explicit ChildProcess(const ChildOptions& options);  // throws when the program cannot be started
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // The exit code once the process has ended (128 + signal when killed); nullopt when it still runs.
  std::optional<int> waitFor(std::chrono::milliseconds timeout);
  bool running() { return !waitFor(std::chrono::milliseconds(0)); }
  // SIGTERM to the group, then SIGKILL when it has not ended within `grace`.
  void stop(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));

 private:
  pid_t pid_ = -1;
  std::optional<int> exitCode_;
};

}  // namespace tilvo::testing
