#include "support/running_programs.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <climits>

#include "support/child_process.h"

namespace tilvo::testing {
namespace {

const std::string kDeleted = " (deleted)";

// Every process with the host path of its executable.
std::vector<std::pair<pid_t, std::string>> processImages() {
  std::vector<std::pair<pid_t, std::string>> out;
  DIR* proc = ::opendir("/proc");
  if (!proc) return out;
  while (const dirent* e = ::readdir(proc)) {
    if (!std::isdigit(static_cast<unsigned char>(e->d_name[0]))) continue;
    char target[PATH_MAX];
    const std::string link = std::string("/proc/") + e->d_name + "/exe";
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    std::string path(target, static_cast<size_t>(n));
    if (path.size() > kDeleted.size() && path.compare(path.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
      path.resize(path.size() - kDeleted.size());
    out.emplace_back(static_cast<pid_t>(std::stol(e->d_name)), path);
  }
  ::closedir(proc);
  return out;
}

}  // namespace

std::vector<pid_t> ProcessesRunning(const std::string& hostPath) {
  std::vector<pid_t> pids;
  for (const auto& [pid, path] : processImages())
    if (path == hostPath) pids.push_back(pid);
  return pids;
}

void EndProcessesUnder(const std::string& hostFolder) {
  const std::string prefix = hostFolder.back() == '/' ? hostFolder : hostFolder + "/";
  auto matching = [&] {
    std::vector<pid_t> pids;
    for (const auto& [pid, path] : processImages())
      if (path.rfind(prefix, 0) == 0) pids.push_back(pid);
    return pids;
  };
  for (pid_t pid : matching()) ::kill(pid, SIGKILL);
  waitUntil(5000, [&] { return matching().empty(); });
}

}  // namespace tilvo::testing
