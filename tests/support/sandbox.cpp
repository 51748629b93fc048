#include "support/sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/installer_state.h"
#include "platform/linux/linux_platform.h"
#include "server/chk_server_thread.h"

namespace tilvo::testing {

void CapturedDebugOutput::write(const std::string& text) {
  std::lock_guard lock(mutex_);
  lines_.push_back(text);
}

std::vector<std::string> CapturedDebugOutput::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

bool CapturedDebugOutput::contains(const std::string& fragment) const {
  std::lock_guard lock(mutex_);
  for (const auto& l : lines_)
    if (l.find(fragment) != std::string::npos) return true;
  return false;
}

void CapturedDebugOutput::clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
}

bool RecordingShell::execute(const std::string& verb, const std::string& file, const std::string& parameters,
                             const std::string& directory, platform::ShowCommand) {
  calls.push_back({verb, file, parameters, directory});
  return true;
}

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tilvo-test-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

Sandbox::Sandbox(std::vector<std::string> arguments) {
  if (const char* old = std::getenv("TILVO_ROOT")) {
    hadRootEnv_ = true;
    savedRootEnv_ = old;
  }
  ::setenv("TILVO_ROOT", root_.path().c_str(), 1);
  std::vector<std::string> argvStorage{"Tilvo_install.exe"};
  for (auto& a : arguments) argvStorage.push_back(a);
  std::vector<char*> argv;
  for (auto& a : argvStorage) argv.push_back(a.data());
  auto p = platform::linux_host::createLinuxPlatform(static_cast<int>(argv.size()), argv.data(),
                                                     platform::linux_host::DisplayUse::Never);
  auto log = std::make_unique<CapturedDebugOutput>();
  log_ = log.get();
  p->debugOutput = std::move(log);
  platform_ = p.get();
  previous_ = platform::install(std::move(p));
  ResetGlobals();
}

Sandbox::~Sandbox() {
  ResetGlobals();
  platform::install(std::move(previous_));
  if (hadRootEnv_)
    ::setenv("TILVO_ROOT", savedRootEnv_.c_str(), 1);
  else
    ::unsetenv("TILVO_ROOT");
}

RecordingShell& Sandbox::recordShell() {
  auto shell = std::make_unique<RecordingShell>();
  auto& ref = *shell;
  platform_->shell = std::move(shell);
  return ref;
}

void StopServerCheck() {
  delete ServerCheckThread;
  ServerCheckThread = nullptr;
}

std::string readFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& hostPath, const std::string& content) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace tilvo::testing
