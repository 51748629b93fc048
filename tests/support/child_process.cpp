#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tilvo::testing {
namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  for (const auto& change : changes) {
    const std::string name = change.substr(0, change.find('='));
    std::erase_if(env, [&](const std::string& entry) { return entry.compare(0, name.size() + 1, name + "=") == 0; });
    if (change.find('=') != std::string::npos) env.push_back(change);
  }
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void becomeProgram(char** argv, char** envp, const char* out, const char* err, const char* dir,
                                pid_t parent) {
  ::setpgid(0, 0);
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(127);  // the test died before the line above
  if (dir && ::chdir(dir) != 0) ::_exit(126);
  const int outFd = ::open(out, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int errFd = ::open(err, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (outFd < 0 || errFd < 0) ::_exit(127);
  ::dup2(outFd, STDOUT_FILENO);
  ::dup2(errFd, STDERR_FILENO);
  const int in = ::open("/dev/null", O_RDONLY);
  if (in >= 0) ::dup2(in, STDIN_FILENO);
  ::execve(argv[0], argv, envp);
  ::_exit(127);
}

}  // namespace

ChildProcess::ChildProcess(const ChildOptions& options) {
  if (options.argv.empty()) throw std::invalid_argument("no program to start");
  auto argvStrings = options.argv;
  auto envStrings = mergedEnvironment(options.environment);
  auto argv = pointers(argvStrings);
  auto envp = pointers(envStrings);
  const std::string out = options.stdoutPath.empty() ? "/dev/null" : options.stdoutPath;
  const std::string err = options.stderrPath.empty() ? "/dev/null" : options.stderrPath;
  if (::access(argv[0], X_OK) != 0) throw std::runtime_error("not an executable: " + options.argv[0]);

  const pid_t parent = ::getpid();
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  const char* dir = options.workingFolder.empty() ? nullptr : options.workingFolder.c_str();
  if (pid_ == 0) becomeProgram(argv.data(), envp.data(), out.c_str(), err.c_str(), dir, parent);
  ::setpgid(pid_, pid_);  // also from this side, so the group exists before anyone signals it
}

static ChildOptions optionsFor(const std::string& hostPath, const std::vector<std::string>& arguments,
                               const std::string& workingFolder) {
  ChildOptions options;
  options.argv.push_back(hostPath);
  options.argv.insert(options.argv.end(), arguments.begin(), arguments.end());
  options.workingFolder = workingFolder;
  return options;
}

ChildProcess::ChildProcess(const std::string& hostPath, const std::vector<std::string>& arguments,
                           const std::string& workingFolder)
    : ChildProcess(optionsFor(hostPath, arguments, workingFolder)) {}

ChildProcess::~ChildProcess() {
  if (exitCode_) return;
  ::kill(-pid_, SIGKILL);
  waitFor(std::chrono::milliseconds(10000));
}

std::optional<int> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!exitCode_) {
    siginfo_t info{};
    // Look without reaping: while the ended leader is a zombie its group id cannot be reused, so what it
    // left running in its group can still be ended safely.
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
      exitCode_ = -1;
      break;
    }
    if (info.si_pid == pid_) {
      ::kill(-pid_, SIGKILL);
      int status = 0;
      ::waitpid(pid_, &status, 0);
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return exitCode_;
}

void ChildProcess::stop(std::chrono::milliseconds grace) {
  if (exitCode_) return;
  ::kill(-pid_, SIGTERM);
  if (!waitFor(grace)) {
    ::kill(-pid_, SIGKILL);
    waitFor(std::chrono::milliseconds(10000));
  }
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
