#pragma once
// Shell link (.lnk) files: shortcuts that the desktop and the Startup folder run.
#include <string>

#include "platform/status.h"

namespace tilvo::platform {

struct ShellLink {
  std::string target;            // Windows path of the program or document
  std::string workingDirectory;  // Windows path; empty for none
};

class ShellLinks {
 public:
  virtual ~ShellLinks() = default;
  // Writes the link file `linkPath` (a Windows path), replacing a file of that name. The folder must exist.
  virtual Status save(const std::string& linkPath, const ShellLink& link) = 0;
};

}  // namespace tilvo::platform
