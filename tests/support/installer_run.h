#pragma once
// Runs the real installer binary as a user would: from a folder of its own (its AppDir, with a setup.ini),
// with a chosen root for the virtual drives and extra environment.
#include <map>
#include <string>
#include <vector>

namespace tilvo::testing {

struct InstallerResult {
  int exitCode = -1;     // -1 when it did not end in time (it is then killed)
  bool timedOut = false;
  std::string output;    // what it wrote on standard error: the debugger output lines
  std::vector<std::string> lines() const;
};

class InstallerCopy {
 public:
  // Copies the built installer into `folder` (host path) and writes setup.ini with is_debug=1 beside it.
  InstallerCopy(const std::string& folder, bool debug = true);
  const std::string& path() const { return path_; }

  // Runs it with `arguments` in `workingFolder` (the copy's folder when empty), TILVO_ROOT=`root`.
  InstallerResult run(const std::vector<std::string>& arguments, const std::string& root,
                      const std::map<std::string, std::string>& environment = {}, int timeoutMs = 30000,
                      const std::string& workingFolder = "") const;

 private:
  std::string path_;
};

}  // namespace tilvo::testing
