#pragma once
// A fresh platform per test: the real Linux pieces on a temporary root, with the debugger output captured
// and, where a test asks, fakes in their place.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tilvo::testing {

class CapturedDebugOutput final : public platform::DebugOutput {
 public:
  void write(const std::string& text) override;
  std::vector<std::string> lines() const;
  bool contains(const std::string& fragment) const;  // some line holds `fragment`
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

struct ShellCall {
  std::string verb, file, parameters, directory;
};

// Records what would be started, starts nothing.
class RecordingShell final : public platform::Shell {
 public:
  bool execute(const std::string& verb, const std::string& file, const std::string& parameters,
               const std::string& directory, platform::ShowCommand show) override;
  std::vector<ShellCall> calls;
};

// A temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

class Sandbox {
 public:
  explicit Sandbox(std::vector<std::string> arguments = {});
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  platform::Platform& platform() { return *platform_; }
  CapturedDebugOutput& log() { return *log_; }
  const std::string& root() const { return root_.path(); }
  // Host path of a Windows path on this sandbox's drives.
  std::string host(const std::string& windowsPath) { return platform::fileSystem().hostPath(windowsPath); }
  // Replaces the shell with a recorder and returns it.
  RecordingShell& recordShell();

 private:
  TempFolder root_;
  std::string savedRootEnv_;
  bool hadRootEnv_ = false;
  platform::Platform* platform_ = nullptr;
  CapturedDebugOutput* log_ = nullptr;
  std::unique_ptr<platform::Platform> previous_;
};

// Stops and frees the server check thread that FormCreate started (the installer itself never does);
// call while the window it reports to still exists.
void StopServerCheck();

std::string readFile(const std::string& hostPath);
void writeFile(const std::string& hostPath, const std::string& content);

}  // namespace tilvo::testing
