#include "platform/linux/proc_processes.h"
#include "platform/linux/posix_handles.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <fstream>
#include <regex>
#include <sstream>

namespace tilvo::platform::linux_host {
namespace {

std::string readLink(const std::string& path) {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  std::string target(buffer, static_cast<size_t>(n));
  // A replaced or removed executable still names its old path.
  const std::string deleted = " (deleted)";
  if (target.size() > deleted.size() && target.compare(target.size() - deleted.size(), deleted.size(), deleted) == 0)
    target.resize(target.size() - deleted.size());
  return target;
}

std::vector<std::string> commandLine(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  std::vector<std::string> words;
  std::string word;
  while (std::getline(in, word, '\0')) words.push_back(word);
  return words;
}

std::string baseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isInterpreter(const std::string& exe) {
  static const std::regex interpreters(R"((sh|bash|dash|python[0-9.]*|perl[0-9.]*))");
  return std::regex_match(baseName(exe), interpreters);
}

// The script an interpreter runs: its first argument that is not an option.
std::string scriptOf(int pid, const std::vector<std::string>& words) {
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i].empty() || words[i][0] == '-') continue;
    if (words[i][0] == '/') return words[i];
    const std::string cwd = readLink("/proc/" + std::to_string(pid) + "/cwd");
    return cwd.empty() ? words[i] : cwd + "/" + words[i];
  }
  return {};
}

std::string comm(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

class ProcProcesses final : public Processes {
 public:
  explicit ProcProcesses(VirtualDrives drives) : drives_(std::move(drives)) {}

  std::vector<ProcessEntry> snapshot() override {
    std::vector<ProcessEntry> entries;
    DirHandle dir(::opendir("/proc"));
    if (!dir) return entries;
    while (const dirent* e = ::readdir(dir.get())) {
      if (!std::isdigit(static_cast<unsigned char>(e->d_name[0]))) continue;
      const int pid = std::atoi(e->d_name);
      std::string exe = processExecutable(pid);
      std::string name = exe.empty() ? fallbackName(pid) : baseName(exe);
      if (name.empty()) continue;  // gone meanwhile
      entries.push_back({static_cast<uint32_t>(pid), name});
    }
    return entries;
  }

  bool terminate(uint32_t pid, uint32_t) override {
    if (pid == 0 || pid > static_cast<uint32_t>(INT_MAX)) return false;
    return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
  }

  std::string imagePath(uint32_t pid) override {
    const std::string exe = processExecutable(static_cast<int>(pid));
    return exe.empty() ? std::string() : drives_.toWindows(exe);
  }

 private:
  // Without access to the executable link (another user's process, a kernel thread): the first word of the
  // command line, else the kernel's short name.
  static std::string fallbackName(int pid) {
    const auto words = commandLine(pid);
    if (!words.empty() && !words[0].empty()) return baseName(words[0]);
    return comm(pid);
  }

  const VirtualDrives drives_;
};

}  // namespace

std::string processExecutable(int pid) {
  const std::string exe = readLink("/proc/" + std::to_string(pid) + "/exe");
  if (exe.empty() || !isInterpreter(exe)) return exe;
  const std::string script = scriptOf(pid, commandLine(pid));
  return script.empty() ? exe : script;
}

std::unique_ptr<Processes> createProcProcesses(VirtualDrives drives) {
  return std::make_unique<ProcProcesses>(std::move(drives));
}

}  // namespace tilvo::platform::linux_host
