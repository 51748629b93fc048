#include "support/child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace tilvo::testing {

ChildProcess::ChildProcess(const std::string& hostPath, const std::vector<std::string>& arguments,
                           const std::string& workingFolder) {
  std::vector<std::string> words{hostPath};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("cannot fork");
  if (pid_ == 0) {
    if (!workingFolder.empty() && ::chdir(workingFolder.c_str()) != 0) ::_exit(126);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ <= 0 || reaped_) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

bool ChildProcess::waitForExit(int timeoutMs) {
  if (reaped_) return true;
  return waitUntil(timeoutMs, [this] {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
    reaped_ = true;
    signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return true;
  });
}

bool waitUntil(int timeoutMs, const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::string runCommand(const std::string& commandLine) {
  std::string out;
  FILE* pipe = ::popen(commandLine.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

}  // namespace tilvo::testing
