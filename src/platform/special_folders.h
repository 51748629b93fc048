#pragma once
// The system's special folders (desktop, Startup, Program Files...), addressed by CSIDL number.
#include <string>
#include <vector>

namespace tilvo::platform {

class SpecialFolders {
 public:
  virtual ~SpecialFolders() = default;
  // Windows path of the folder, without a trailing backslash. Empty for a number that names no folder
  // of the file system (a virtual folder such as the printers) or a folder the system does not have.
  virtual std::string path(int csidl) = 0;
  // Folders that belong to the system itself and never hold an installation: the Windows and program
  // folders, the user folders, every special folder, and those of the host where it shows through a drive.
  virtual std::vector<std::string> systemFolders() = 0;
};

}  // namespace tilvo::platform
