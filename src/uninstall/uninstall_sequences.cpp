#include "core/delay.h"
#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/process_control.h"
#include "core/text.h"
#include "install/system_registration.h"
#include "platform/platform.h"
#include "uninstall/install_folder_cleaner.h"
#include "uninstall/uninstall_registration.h"

namespace tilvo {
namespace {

// `name` in a special folder; empty when the system has no such folder, so that nothing is found.
std::string specialFolderFile(int csidl, const std::string& name) {
  const std::string folder = GetSpecialFolderPath(csidl);
  return folder.empty() ? std::string() : IncludeTrailingPathDelimiter(folder) + name;
}

void deleteFileIfPresent(const std::string& path) {
  auto& files = platform::fileSystem();
  if (!path.empty() && files.fileExists(path)) files.deleteFile(path);
}

std::string launcherRunCommand() { return "\"" + AppDir + LauncherExe + "\""; }

}  // namespace

void TfInstUpdate::Process_Uninstall() {
  const std::string base = LauncherBaseName();
  Process_Kills();
  ProcessKill(LauncherExe);
  DelayMs(1000);
  CleanInstallFolder(ExtractFilePath(InstallPath), "*.*");  // InstallPath is the installer's own folder here
  DeleteUninstallKey();
  AddProgramOnStart(base, launcherRunCommand(), false);
  DeleteAppKey();
  Process_BootPatch(false);
  deleteFileIfPresent(specialFolderFile(CSIDL_ALTSTARTUP, base + ".lnk"));
  DebugLog(false, IncludeTrailingPathDelimiter(GetSpecialFolderPath(CSIDL_COMMON_STARTUP)) + base + ".lnk");
  const std::string desktopLink = IncludeTrailingPathDelimiter(GetDesktopPath()) + base + ".lnk";
  DebugLog(false, desktopLink);
  deleteFileIfPresent(desktopLink);
  Close();
}

void TfInstUpdate::Process_Page_Uninstall() {
  const std::string base = LauncherBaseName();
  DelayMs(1000);
  if (ProcessExists(LauncherExe)) {
    // An unreadable process folder leaves "\" here, which the cleaner refuses.
    InstallPath = IncludeTrailingPathDelimiter(GetProcessFolder(LauncherExe));
    Process_Kills();
    ProcessKill(LauncherExe);
    CleanInstallFolder(InstallPath, "*.*");
    deleteFileIfPresent(specialFolderFile(CSIDL_COMMON_STARTUP, "Tilvo_Start.exe"));
    Process_BootPatch(false);
    DeleteUninstallKey();
    AddProgramOnStart(base, launcherRunCommand(), false);
    DeleteAppKey();
    Close();
    return;
  }
  // The uninstall entry names the installer inside the install folder: that folder, with its setup.ini,
  // is the installation.
  const std::string installer = InstallerPathFromUninstallString(GetUninstallString());
  InstallPath = ExtractFilePath(installer);
  if (!installer.empty() && platform::fileSystem().fileExists(installer)) {
    CleanInstallFolder(InstallPath, "*.*");
    DeleteUninstallKey();
    deleteFileIfPresent(specialFolderFile(CSIDL_COMMON_STARTUP, "Tilvo_Start.exe"));
    Process_BootPatch(false);
    AddProgramOnStart(base, launcherRunCommand(), false);
    DeleteAppKey();
    Close();
    return;
  }
  platform::browser().goBack();
  platform::messageBoxes().show(ExtractFileName(LauncherExe) + " 런처 설치 내용이 없습니다.");
}

}  // namespace tilvo
