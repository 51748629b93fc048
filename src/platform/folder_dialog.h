#pragma once
// The system's folder picker.
#include <optional>
#include <string>

namespace tilvo::platform {

class FolderDialog {
 public:
  virtual ~FolderDialog() = default;
  // Lets the user pick an existing folder, starting at `startFolder` (a Windows path), owned by the
  // program's window. Modal: the main loop keeps running meanwhile. The folder as a Windows path, or
  // nothing when the user cancels.
  virtual std::optional<std::string> selectFolder(const std::string& caption, const std::string& startFolder) = 0;
};

}  // namespace tilvo::platform
