#pragma once
// Windows paths on a Linux host: C: is <root>/drive_c, other letters <root>/drive_<letter>, Z: the host's "/".
#include <string>

namespace tilvo::platform::linux_host {

class VirtualDrives {
 public:
  // `root`: the folder that holds the drive folders (created when missing).
  explicit VirtualDrives(std::string root);

  const std::string& root() const { return root_; }

  // Host path of a Windows path. "." and ".." are resolved by name first, as Windows does; every
  // component then resolves to an existing entry whose name matches without regard to case, when the
  // exact name does not exist. "\x" means C:\x; a path without a drive is relative to the working folder.
  // UNC paths have no host form: the result is empty.
  std::string toHost(const std::string& windowsPath) const;

  // Windows form of a host path: the most specific drive wins, anything else is under Z:.
  std::string toWindows(const std::string& hostPath) const;

  // The root chosen when TILVO_ROOT is not set: $XDG_DATA_HOME/tilvo-installer, or
  // ~/.local/share/tilvo-installer.
  static std::string defaultRoot();

 private:
  std::string driveFolder(char letter) const;
  std::string root_;
};

// Finds the entry of `folder` named `name` without regard to case; `name` itself when none matches.
std::string resolveNameIgnoringCase(const std::string& folder, const std::string& name);

}  // namespace tilvo::platform::linux_host
