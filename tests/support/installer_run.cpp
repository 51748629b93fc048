#include "support/installer_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "support/sandbox.h"

#ifndef TILVO_INSTALLER
#error "TILVO_INSTALLER must name the built installer"
#endif

namespace tilvo::testing {

std::vector<std::string> InstallerResult::lines() const {
  std::vector<std::string> out;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

InstallerCopy::InstallerCopy(const std::string& folder, bool debug) {
  std::filesystem::create_directories(folder);
  path_ = folder + "/Tilvo_install.exe";
  std::filesystem::copy_file(TILVO_INSTALLER, path_, std::filesystem::copy_options::overwrite_existing);
  writeFile(folder + "/setup.ini", std::string("[setup]\r\nis_debug=") + (debug ? "1" : "0") + "\r\n");
}

InstallerResult InstallerCopy::run(const std::vector<std::string>& arguments, const std::string& root,
                                   const std::map<std::string, std::string>& environment, int timeoutMs,
                                   const std::string& workingFolder) const {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> argvStorage{path_};
  argvStorage.insert(argvStorage.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& a : argvStorage) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string cwd = workingFolder.empty() ? std::filesystem::path(path_).parent_path().string() : workingFolder;

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::setpgid(0, 0);
    ::dup2(out[1], 2);
    const int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, 0);
    ::setenv("TILVO_ROOT", root.c_str(), 1);
    for (const auto& [k, v] : environment) ::setenv(k.c_str(), v.c_str(), 1);
    if (::chdir(cwd.c_str()) != 0) ::_exit(126);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);

  InstallerResult result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) {
      result.timedOut = true;
      ::kill(-pid, SIGKILL);
      break;
    }
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;  // the installer (and everything that shared its output) is gone
    result.output.append(buffer, static_cast<size_t>(n));
  }
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = !result.timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace tilvo::testing
