#pragma once
// The real installer run by a test: copied into a folder of its own with a setup.ini beside it (debug lines
// on), on a fresh TILVO_ROOT, its debugger output (stderr) captured line by line.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/sandbox.h"

namespace tilvo::testing {

struct InstallerOptions {
  std::vector<std::string> arguments;
  std::vector<std::string> environment;  // "NAME=value" sets, "NAME" removes
  bool debug = true;                     // is_debug=1 in the setup.ini beside it
  std::string root;                      // TILVO_ROOT; empty: a fresh folder of its own
  std::string workingFolder;             // empty: the test's own
};

class InstallerProcess {
 public:
  // `binary`: the built installer (TILVO_INSTALLER).
  InstallerProcess(const std::string& binary, const InstallerOptions& options);
  // Ends the installer, and on a root of its own also what it started there (a launcher runs detached).
  ~InstallerProcess();
  InstallerProcess(InstallerProcess&&) = default;

  // The exit code once it ended within `limit`.
  std::optional<int> waitFor(std::chrono::milliseconds limit);
  // Seconds from the start to the end (or to now while it runs).
  double seconds() const;
  // Debugger output lines with the "Tilvo_install.exe : " prefix removed.
  std::vector<std::string> log() const;
  // Waits until some line holds `fragment`; false when the limit passed first.
  bool waitForLog(const std::string& fragment, std::chrono::milliseconds limit);
  const std::string& root() const { return root_; }

 private:
  TempFolder folder_;
  std::string root_;
  bool ownsRoot_ = true;
  std::unique_ptr<ChildProcess> process_;
  std::chrono::steady_clock::time_point started_;
  std::optional<std::chrono::steady_clock::time_point> ended_;
};

// Lines that hold `fragment`.
int CountLines(const std::vector<std::string>& lines, const std::string& fragment);
// Index of the first line at or after `from` that holds `fragment`; -1 when none.
int FindLine(const std::vector<std::string>& lines, const std::string& fragment, int from = 0);

}  // namespace tilvo::testing
