#include "support/helper_process.h"

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#ifndef TILVO_SLEEPER
#error "TILVO_SLEEPER must name the sleeper test program"
#endif

namespace tilvo::testing {

void installSleeper(const std::string& hostPath) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  // A copy that is already there may be running: keep it.
  std::filesystem::copy_file(TILVO_SLEEPER, hostPath, std::filesystem::copy_options::skip_existing);
  std::filesystem::permissions(hostPath, std::filesystem::perms::owner_all | std::filesystem::perms::group_exec |
                                             std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add);
}

HelperProcess::HelperProcess(const std::string& hostPath) {
  installSleeper(hostPath);
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    ::execl(hostPath.c_str(), hostPath.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // Wait until the new image runs, so that a snapshot sees its name.
  const std::string exeLink = "/proc/" + std::to_string(pid_) + "/exe";
  for (int i = 0; i < 500; ++i) {
    std::error_code ec;
    if (std::filesystem::read_symlink(exeLink, ec) == std::filesystem::path(hostPath)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

HelperProcess::~HelperProcess() {
  if (pid_ > 0 && !reaped_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

bool HelperProcess::running() {
  if (reaped_) return false;
  if (::waitpid(pid_, nullptr, WNOHANG) == pid_) reaped_ = true;
  return !reaped_;
}

bool HelperProcess::waitForExit(int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 5) {
    if (!running()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

bool processRunsExecutable(const std::string& hostPath) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir("/proc"), ::closedir);
  if (!dir) return false;
  const std::filesystem::path wanted = std::filesystem::weakly_canonical(hostPath);
  while (const dirent* e = ::readdir(dir.get())) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink(std::string("/proc/") + e->d_name + "/exe", ec);
    if (!ec && exe == wanted) return true;
  }
  return false;
}

}  // namespace tilvo::testing
