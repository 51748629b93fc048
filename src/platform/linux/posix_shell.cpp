#include "platform/linux/posix_shell.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace tilvo::platform::linux_host {
namespace {

bool isUrl(const std::string& s) { return s.find("://") != std::string::npos || s.rfind("about:", 0) == 0; }

bool isDirectory(const std::string& host) {
  struct stat st{};
  return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const std::string& host) {
  struct stat st{};
  return ::stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Starts `argv` in its own session, detached from us (no zombie, no shared terminal or pipes).
// Returns 0, or the errno of the failed start.
int spawnDetached(const std::vector<std::string>& argv, const std::string& directory) {
  // Everything the child needs is prepared here: after fork only async-signal-safe calls are allowed.
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const char* dir = directory.empty() ? nullptr : directory.c_str();
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return errno;
  const pid_t child = ::fork();
  if (child < 0) {
    const int err = errno;
    ::close(report[0]);
    ::close(report[1]);
    return err;
  }
  if (child == 0) {
    ::setsid();
    if (::fork() != 0) ::_exit(0);  // the grandchild is adopted by init
    const int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      ::dup2(devnull, 0);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
    }
    if (dir && ::chdir(dir) != 0) {
      const int err = errno;
      (void)!::write(report[1], &err, sizeof err);
      ::_exit(127);
    }
    ::execv(args[0], args.data());
    const int err = errno;
    (void)!::write(report[1], &err, sizeof err);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  ::waitpid(child, &status, 0);
  int err = 0;
  const ssize_t n = ::read(report[0], &err, sizeof err);  // EOF when exec succeeded (close-on-exec)
  ::close(report[0]);
  return n == static_cast<ssize_t>(sizeof err) ? err : 0;
}

class PosixShell final : public Shell {
 public:
  explicit PosixShell(VirtualDrives drives) : drives_(std::move(drives)) {}

  bool execute(const std::string& verb, const std::string& file, const std::string& parameters,
               const std::string& directory, ShowCommand) override {
    if (file.empty()) return false;
    if (verb != "open" && !verb.empty()) return false;
    if (isUrl(file)) return openWithDesktop(file);
    if (isSystemViewer(file)) return openParameter(parameters);
    const std::string program = locate(file);
    if (program.empty()) return false;
    if (isDirectory(program)) return openWithDesktop(program);
    std::vector<std::string> argv{program};
    for (auto& word : splitParameters(parameters)) argv.push_back(word);
    const std::string dir = directory.empty() ? std::string() : drives_.toHost(directory);
    int err = spawnDetached(argv, dir);
    if (err == EACCES && isFile(program)) {
      // Windows runs any program file; files unpacked from archives arrive without the execute bit.
      struct stat st{};
      if (::stat(program.c_str(), &st) == 0 && ::chmod(program.c_str(), st.st_mode | ((st.st_mode & 0444) >> 2)) == 0)
        err = spawnDetached(argv, dir);
    }
    return err == 0;
  }

 private:
  // A path with a drive or a folder part maps through the drives; a bare name is looked up in the
  // working folder, then on the search path, as the shell does.
  std::string locate(const std::string& file) const {
    const bool bare = file.find_first_of("\\/:") == std::string::npos;
    if (!bare) {
      const std::string host = drives_.toHost(file);
      return host.empty() || (!isFile(host) && !isDirectory(host)) ? std::string() : host;
    }
    const std::string local = drives_.toHost(file);
    if (isFile(local)) return local;
    std::unique_ptr<gchar, decltype(&g_free)> found(g_find_program_in_path(file.c_str()), g_free);
    return found ? std::string(found.get()) : std::string();
  }

  // The Windows file browser and web browser: what they are asked to show opens in the desktop's own
  // viewer for it.
  static bool isSystemViewer(const std::string& file) {
    const size_t cut = file.find_last_of("\\/:");
    std::string name = cut == std::string::npos ? file : file.substr(cut + 1);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name == "explorer.exe" || name == "iexplore.exe";
  }

  bool openParameter(const std::string& parameters) const {
    const auto words = splitParameters(parameters);
    if (words.empty()) return false;
    if (isUrl(words[0])) return openWithDesktop(words[0]);
    const std::string host = drives_.toHost(words[0]);
    if (host.empty() || (!isFile(host) && !isDirectory(host))) return false;
    return openWithDesktop(host);
  }

  static bool openWithDesktop(const std::string& target) {
    std::unique_ptr<gchar, decltype(&g_free)> opener(g_find_program_in_path("xdg-open"), g_free);
    if (!opener) return false;
    return spawnDetached({opener.get(), target}, {}) == 0;
  }

  const VirtualDrives drives_;
};

}  // namespace

std::vector<std::string> splitParameters(const std::string& parameters) {
  std::vector<std::string> words;
  std::string current;
  bool inQuotes = false, inWord = false;
  for (char c : parameters) {
    if (c == '"') {
      inQuotes = !inQuotes;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (inWord) words.push_back(current);
      current.clear();
      inWord = false;
    } else {
      current += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(current);
  return words;
}

std::unique_ptr<Shell> createPosixShell(VirtualDrives drives) { return std::make_unique<PosixShell>(std::move(drives)); }

}  // namespace tilvo::platform::linux_host
