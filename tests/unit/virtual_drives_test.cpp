#include <gtest/gtest.h>

#include <filesystem>

#include "platform/linux/virtual_drives.h"
#include "support/sandbox.h"

namespace tilvo::platform::linux_host {
namespace {

using tilvo::testing::TempFolder;
using tilvo::testing::writeFile;

TEST(VirtualDrives, MapsWindowsPathsToTheHostAndBack) {
  TempFolder root;
  VirtualDrives drives(root.path());
  const std::string c = drives.root() + "/drive_c";
  const std::pair<std::string, std::string> toHost[] = {
      {"C:\\Tilvo launcher\\setup.ini", c + "/Tilvo launcher/setup.ini"},
      {"c:/Tilvo launcher/", c + "/Tilvo launcher"},
      {"C:\\", c},
      {"C:\\a\\..\\..\\b\\.\\x", c + "/b/x"},  // ".." stops at the drive's root
      {"\\Windows", c + "/Windows"},
      {"Z:\\usr\\bin", "/usr/bin"},
      {"D:\\x", drives.root() + "/drive_d/x"},
      {"\\\\server\\share\\x", ""},
  };
  for (const auto& [windows, host] : toHost) EXPECT_EQ(drives.toHost(windows), host) << windows;

  const std::pair<std::string, std::string> toWindows[] = {
      {c + "/Tilvo launcher/Tilvo_install.exe", "C:\\Tilvo launcher\\Tilvo_install.exe"},
      {c, "C:\\"},
      {drives.root() + "/drive_d/x", "D:\\x"},
      {"/usr/bin/env", "Z:\\usr\\bin\\env"},
      {"/", "Z:\\"},
  };
  for (const auto& [host, windows] : toWindows) EXPECT_EQ(drives.toWindows(host), windows) << host;
  // A folder that only starts like a drive folder is not one.
  std::string other = drives.root() + "/drive_cx/y";
  EXPECT_EQ(drives.toWindows(other).substr(0, 3), "Z:\\");
}

TEST(VirtualDrives, ResolvesNamesWithoutRegardToCase) {
  TempFolder root;
  VirtualDrives drives(root.path());
  const std::string c = drives.root() + "/drive_c";
  writeFile(c + "/Tilvo launcher/Data/Setup.ini", "x");
  EXPECT_EQ(drives.toHost("C:\\TILVO LAUNCHER\\DATA\\SETUP.INI"), c + "/Tilvo launcher/Data/Setup.ini");
  // Missing parts keep the name they were given, below the part that resolved.
  EXPECT_EQ(drives.toHost("C:\\tilvo launcher\\New Folder\\a.txt"), c + "/Tilvo launcher/New Folder/a.txt");
  // An exact name wins over another spelling.
  writeFile(c + "/Tilvo launcher/data", "file");
  EXPECT_EQ(drives.toHost("C:\\Tilvo launcher\\data"), c + "/Tilvo launcher/data");
}

TEST(VirtualDrives, AnInstallerInsideDriveCHasACPath) {
  TempFolder root;
  VirtualDrives drives(root.path());
  // Reached through a symbolic link to the root, the path still maps to C:.
  const std::string link = root.path() + "-link";
  std::filesystem::create_directory_symlink(root.path(), link);
  VirtualDrives viaLink(link);
  EXPECT_EQ(viaLink.toWindows(drives.root() + "/drive_c/Tilvo launcher/Tilvo_install.exe"),
            "C:\\Tilvo launcher\\Tilvo_install.exe");
  std::filesystem::remove(link);
}

}  // namespace
}  // namespace tilvo::platform::linux_host
