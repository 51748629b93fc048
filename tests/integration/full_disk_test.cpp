// A full disk while unpacking: the install folder is a small file system of its own (a tmpfs in a mount
// namespace), with room for the downloads but not for the largest unpacked program.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "support/child_process.h"
#include "support/folder_tree.h"
#include "support/installer_process.h"
#include "support/running_programs.h"
#include "support/sandbox.h"
#include "support/update_service.h"

namespace tilvo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool CanMountInANamespace() {
  return runCommand("unshare -m sh -c 'mount -t tmpfs -o size=64k none /mnt && echo yes' 2>/dev/null") == "yes\n";
}

TEST(FullDisk, UnpackingFailsLoggedTheRunGoesOnAndTheUsersFilesStay) {
  if (!CanMountInANamespace())
    GTEST_SKIP() << "a full disk needs `unshare -m` and a tmpfs mount (root, or a user namespace): not available here";
  UpdateService service;
  TempFolder root, bin, copy;
  const std::string install = root.path() + "/drive_c/Tilvo launcher";
  fs::create_directories(install);
  fs::copy_file(TILVO_INSTALLER, bin.path() + "/Tilvo_install.exe");
  writeFile(bin.path() + "/setup.ini", "[setup]\r\nis_debug=1\r\n");
  // Room for every download and the small programs, not for the installer unpacked beside its archive.
  const auto archive = fs::file_size(service.storeFile("launcher/mero/Tilvo_install.zip"));
  const auto program = fs::file_size(TILVO_INSTALLER);
  const auto size = (archive + program / 2) / 1024 + 1;

  const std::string script =
      "mount -t tmpfs -o size=" + std::to_string(size) + "k tilvo-full \"$INSTALL\" || exit 90\n"
      "printf 'my notes' > \"$INSTALL/user_notes.txt\"\n"
      "\"$BIN/Tilvo_install.exe\" /s; rc=$?\n"
      "cp -a \"$INSTALL/.\" \"$COPY/\"\n"
      "exit $rc\n";
  ChildOptions options;
  options.argv = {"/usr/bin/unshare", "-m", "/bin/sh", "-c", script};
  options.environment = {"INSTALL=" + install, "BIN=" + bin.path(), "COPY=" + copy.path(), "TILVO_ROOT=" + root.path(),
                         "TILVO_CONNECTED=1", "TILVO_NATIVE_ARCH=x64", "TILVO_SERVER_HOSTS=" + service.hostsEnv(),
                         "TILVO_FTP_HOST", "DISPLAY", "WAYLAND_DISPLAY"};
  options.stderrPath = bin.path() + "/stderr.txt";
  ChildProcess run(options);
  const auto code = run.waitFor(60s);
  EndProcessesUnder(install);
  ASSERT_EQ(code, 0) << readFile(bin.path() + "/stderr.txt");

  const std::string log = readFile(bin.path() + "/stderr.txt");
  EXPECT_NE(log.find("ZipFile : cannot write Tilvo_install.exe: No space left on device"), std::string::npos) << log;
  EXPECT_NE(log.find("FileDownLoadComplete : , , "), std::string::npos) << "the run reached its end";
  const auto tree = folderTree(copy.path());
  EXPECT_EQ(tree.at("user_notes.txt"), "my notes");
  EXPECT_EQ(tree.count("Tilvo_install.exe"), 0u) << "no half-written program under its name";
  EXPECT_EQ(tree.count("Tilvo_Setup.exe"), 1u) << "later files still installed";
  for (const auto& [name, content] : tree)
    EXPECT_TRUE(name.find(".part-") == std::string::npos && fs::path(name).extension() != ".zip") << name;
}

}  // namespace
}  // namespace tilvo::testing
