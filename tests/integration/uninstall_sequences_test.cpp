// Both uninstall sequences against an installation made by the registration code, with a real launcher
// process running from the install folder. Suites named LauncherProcess* hold the CTest lock
// "launcher_processes": they start and end processes named Tilvo.exe, which any other such test would see.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "core/installer_state.h"
#include "core/process_control.h"
#include "core/text.h"
#include "install/system_registration.h"
#include "platform/platform.h"
#include "support/child_process.h"
#include "support/folder_tree.h"
#include "support/recording_ui.h"
#include "support/registry_dump.h"
#include "support/sandbox.h"

namespace tilvo {
namespace {

namespace fs = std::filesystem;
using testing::folderTree;
using testing::writeFile;
using Tree = std::map<std::string, std::string>;

const std::string kNotInstalled = "Tilvo.exe 런처 설치 내용이 없습니다.";

class LauncherProcessUninstall : public ::testing::Test {
 protected:
  void SetUp() override {
    sb_.recordShell();  // the icon folders' Explorer window
    ui_ = testing::installRecordingUi(sb_.platform());
    PcType = "person";
    LauncherExe = "Tilvo.exe";
    InstallPath = "C:\\Tilvo\\";
    DebugMode = true;
  }

  std::string host(const std::string& windowsPath) { return sb_.host(windowsPath); }
  std::string installFolder() { return host("C:\\Tilvo"); }
  std::string startup() { return GetSpecialFolderPath(CSIDL_COMMON_STARTUP) + "\\"; }
  std::string desktop() { return GetDesktopPath() + "\\"; }

  // The launcher's files as the download left them, and the user's own items beside them.
  void installFiles() {
    const std::string root = installFolder();
    fs::create_directories(root);
    fs::copy_file(TILVO_SLEEPER, root + "/Tilvo.exe");
    fs::permissions(root + "/Tilvo.exe", fs::perms::owner_all, fs::perm_options::add);
    writeFile(root + "/" + ExtractFileName(platform::systemInfo().executablePath()), "the installer");
    writeFile(root + "/Tilvo_m.exe", "companion");
    writeFile(root + "/Tilvo_Start.exe", "start-up program");
    writeFile(root + "/bin/engine.dll", "engine");
    writeFile(root + "/setup.ini", "[setup]\r\npctype=person\r\nwallpaper_path=my wall.jpg\r\n");
    writeFile(root + "/My Wall.jpg", std::string("\xFF\xD8\xFF\xE0 jpeg", 9));
    writeFile(root + "/data/saves/slot1.sav", std::string("\0\1\2\3", 4));
    writeFile(root + "/run/last.txt", "run state");
    writeFile(root + "/icons/fps/mine.ico", "user icon");
  }

  // What the final installation step registers, plus a Run value as an older installer wrote it.
  void registerInstallation() {
    RegisterUninstallEntry();
    AddExceptionToFirewall(LauncherBaseName(), InstallPath + LauncherExe);
    platform::fileSystem().copyFile(InstallPath + "Tilvo_Start.exe", startup() + "Tilvo_Start.exe", false);
    Make_Lnk_File(InstallPath + LauncherExe, "Tilvo.lnk", startup());
    AppInsertToReg();
    Process_BootPatch(true);
    Make_Icon_Folders();
    Make_Lnk_File(InstallPath + LauncherExe, "Tilvo.lnk", desktop());
    AddProgramOnStart(LauncherBaseName(), "\"C:\\Tilvo\\Tilvo.exe\"", true);
    ASSERT_TRUE(fs::exists(host(desktop() + "Tilvo.lnk")));
    ASSERT_EQ(testing::dumpRegistryValues().size(), 9u);
  }

  void startLauncher() {
    launcher_ = std::make_unique<testing::ChildProcess>(installFolder() + "/Tilvo.exe", std::vector<std::string>{},
                                                         installFolder());
    ASSERT_TRUE(testing::waitUntil(5000, [] { return ProcessExists("Tilvo.exe"); }));
  }

  void expectLauncherEnded() {
    ASSERT_TRUE(launcher_);
    EXPECT_TRUE(launcher_->waitForExit(5000));
    EXPECT_EQ(launcher_->terminatingSignal(), SIGKILL);
  }

  // The user's items, byte for byte, and nothing else.
  Tree preservedItems() {
    Tree kept;
    for (const auto& [path, content] : folderTree(installFolder())) {
      const std::string top = path.substr(0, path.find('/'));
      if (top == "setup.ini" || top == "My Wall.jpg" || top == "data" || top == "run" || top == "icons")
        kept[path] = content;
    }
    return kept;
  }

  // Only the firewall exception outlives an uninstall.
  std::set<std::string> firewallOnly() {
    return {"HKLM\\SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\StandardProfile\\"
            "AuthorizedApplications\\List : C:\\Tilvo\\Tilvo.exe = REG_SZ C:\\Tilvo\\Tilvo.exe:*:Enabled:Tilvo"};
  }

  testing::Sandbox sb_;
  testing::RecordingUi ui_;
  std::unique_ptr<testing::ChildProcess> launcher_;
};

TEST_F(LauncherProcessUninstall, CommandLineSequenceEndsTheLauncherAndRemovesTheInstallation) {
  installFiles();
  registerInstallation();
  const Tree kept = preservedItems();
  ASSERT_EQ(kept.count("icons/hotgame"), 1u);
  startLauncher();
  AppDir = InstallPath;  // the uninstall entry starts the installer inside the install folder

  TfInstUpdate form;
  form.Process_Uninstall();

  expectLauncherEnded();
  EXPECT_EQ(folderTree(installFolder()), kept);
  EXPECT_EQ(testing::dumpRegistryValues(), firewallOnly());
  EXPECT_FALSE(fs::exists(host(desktop() + "Tilvo.lnk")));
  // The sequence removes the launcher's link from the alternate Startup folder, which current Windows
  // does not have; the common Startup folder is only named in the log.
  EXPECT_TRUE(fs::exists(host(startup() + "Tilvo.lnk")));
  EXPECT_TRUE(fs::exists(host(startup() + "Tilvo_Start.exe")));
  EXPECT_TRUE(sb_.log().contains(startup() + "Tilvo.lnk"));
  EXPECT_TRUE(sb_.log().contains(desktop() + "Tilvo.lnk"));
  EXPECT_TRUE(form.Closed());
  EXPECT_TRUE(ui_.browser->events.empty());
}

TEST_F(LauncherProcessUninstall, CommandLineSequenceWithoutDesktopLinkOrLauncher) {
  installFiles();
  registerInstallation();
  fs::remove(host(desktop() + "Tilvo.lnk"));
  const Tree kept = preservedItems();
  AppDir = InstallPath;

  TfInstUpdate form;
  form.Process_Uninstall();

  EXPECT_EQ(folderTree(installFolder()), kept);
  EXPECT_EQ(testing::dumpRegistryValues(), firewallOnly());
  EXPECT_TRUE(form.Closed());
}

TEST_F(LauncherProcessUninstall, PageSequenceFindsTheRunningLaunchersFolderThroughTheProcessTable) {
  installFiles();
  registerInstallation();
  const Tree kept = preservedItems();
  startLauncher();
  AppDir = platform::fileSystem().windowsPath(fs::path(TILVO_SLEEPER).parent_path().string()) + "\\";
  InstallPath = "C:\\Somewhere else\\";  // what the page had chosen

  TfInstUpdate form;
  form.Process_Page_Uninstall();

  EXPECT_EQ(InstallPath, "C:\\TILVO\\");  // the process table speaks in upper case
  expectLauncherEnded();
  EXPECT_EQ(folderTree(installFolder()), kept);
  EXPECT_EQ(testing::dumpRegistryValues(), firewallOnly());
  EXPECT_FALSE(fs::exists(host(startup() + "Tilvo_Start.exe")));
  EXPECT_TRUE(fs::exists(host(startup() + "Tilvo.lnk")));  // the page sequence leaves the links
  EXPECT_TRUE(fs::exists(host(desktop() + "Tilvo.lnk")));
  EXPECT_TRUE(form.Closed());
  EXPECT_TRUE(ui_.browser->events.empty());
}

TEST_F(LauncherProcessUninstall, PageSequenceRemovesTheInstallationTheUninstallEntryNames) {
  installFiles();
  registerInstallation();
  const Tree kept = preservedItems();
  InstallPath = "C:\\Somewhere else\\";
  ASSERT_FALSE(ProcessExists("Tilvo.exe"));

  TfInstUpdate form;
  form.Process_Page_Uninstall();

  EXPECT_EQ(InstallPath, "C:\\Tilvo\\");
  EXPECT_EQ(folderTree(installFolder()), kept);
  EXPECT_EQ(testing::dumpRegistryValues(), firewallOnly());
  EXPECT_FALSE(fs::exists(host(startup() + "Tilvo_Start.exe")));
  EXPECT_TRUE(form.Closed());
  EXPECT_TRUE(ui_.browser->events.empty());
}

TEST_F(LauncherProcessUninstall, PageSequenceWithNothingInstalledGoesBackAndSaysSo) {
  TfInstUpdate form;
  form.Process_Page_Uninstall();

  const std::vector<std::string> expected = {"back", "message " + kNotInstalled};
  EXPECT_EQ(ui_.browser->events, expected);
  EXPECT_FALSE(form.Closed());
  // Reading the uninstall command left its key behind, empty.
  EXPECT_TRUE(testing::dumpRegistryValues().empty());
  EXPECT_TRUE(platform::registry().keyExists(platform::RootKey::LocalMachine, UninstallKey()));
}

TEST_F(LauncherProcessUninstall, PageSequenceWithAnEntryWhoseInstallerIsGoneDeletesNothing) {
  installFiles();
  registerInstallation();
  fs::remove(installFolder() + "/" + ExtractFileName(platform::systemInfo().executablePath()));
  const Tree before = folderTree(installFolder());
  const auto registryBefore = testing::dumpRegistryValues();

  TfInstUpdate form;
  form.Process_Page_Uninstall();

  const std::vector<std::string> expected = {"back", "message " + kNotInstalled};
  EXPECT_EQ(ui_.browser->events, expected);
  EXPECT_EQ(folderTree(installFolder()), before);
  EXPECT_EQ(testing::dumpRegistryValues(), registryBefore);
  EXPECT_FALSE(form.Closed());
}

}  // namespace
}  // namespace tilvo
