#include "support/installer_process.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <thread>

#include "support/running_programs.h"

namespace tilvo::testing {

InstallerProcess::InstallerProcess(const std::string& binary, const InstallerOptions& options) {
  namespace fs = std::filesystem;
  const std::string exe = folder_.path() + "/bin/Tilvo_install.exe";
  fs::create_directories(folder_.path() + "/bin");
  fs::copy_file(binary, exe);
  if (options.debug) writeFile(folder_.path() + "/bin/setup.ini", "[setup]\r\nis_debug=1\r\n");
  ownsRoot_ = options.root.empty();
  root_ = ownsRoot_ ? folder_.path() + "/root" : options.root;
  fs::create_directories(root_);

  ChildOptions child;
  child.argv = {exe};
  child.argv.insert(child.argv.end(), options.arguments.begin(), options.arguments.end());
  // Nothing of the developer's own overrides leaks in; the test names what it wants.
  child.environment = {"TILVO_ROOT=" + root_, "TILVO_SERVER_HOSTS", "TILVO_FTP_HOST", "TILVO_CONNECTED",
                       "DISPLAY", "WAYLAND_DISPLAY"};
  child.environment.insert(child.environment.end(), options.environment.begin(), options.environment.end());
  child.stderrPath = folder_.path() + "/stderr.txt";
  child.workingFolder = options.workingFolder;
  started_ = std::chrono::steady_clock::now();
  process_ = std::make_unique<ChildProcess>(child);
}

InstallerProcess::~InstallerProcess() {
  process_.reset();
  if (ownsRoot_ && !root_.empty()) EndProcessesUnder(root_);
}

std::optional<int> InstallerProcess::waitFor(std::chrono::milliseconds limit) {
  const auto code = process_->waitFor(limit);
  if (code && !ended_) ended_ = std::chrono::steady_clock::now();
  return code;
}

double InstallerProcess::seconds() const {
  const auto end = ended_.value_or(std::chrono::steady_clock::now());
  return std::chrono::duration<double>(end - started_).count();
}

std::vector<std::string> InstallerProcess::log() const {
  static const std::string prefix = "Tilvo_install.exe : ";
  std::vector<std::string> lines;
  std::istringstream in(readFile(folder_.path() + "/stderr.txt"));
  for (std::string line; std::getline(in, line);)
    lines.push_back(line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line);
  return lines;
}

bool InstallerProcess::waitForLog(const std::string& fragment, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (FindLine(log(), fragment) < 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

int CountLines(const std::vector<std::string>& lines, const std::string& fragment) {
  int n = 0;
  for (const auto& l : lines) n += l.find(fragment) != std::string::npos;
  return n;
}

int FindLine(const std::vector<std::string>& lines, const std::string& fragment, int from) {
  for (size_t i = static_cast<size_t>(std::max(from, 0)); i < lines.size(); ++i)
    if (lines[i].find(fragment) != std::string::npos) return static_cast<int>(i);
  return -1;
}

}  // namespace tilvo::testing
