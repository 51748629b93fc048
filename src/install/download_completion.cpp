// What happens to each downloaded file, and after the last one: unpacking, then registration and the launch.
#include <stdexcept>

#include "core/command_line.h"
#include "core/debug_log.h"
#include "core/delay.h"
#include "core/installer_state.h"
#include "core/json.h"
#include "core/process_control.h"
#include "core/settings_file.h"
#include "core/text.h"
#include "install/archive_extraction.h"
#include "install/system_registration.h"
#include "platform/platform.h"

namespace tilvo {
namespace {

const char* const kStartProgram = "Tilvo_Start.exe";
const char* const kSetupProgram = "Tilvo_Setup.exe";
constexpr int kBalloonTimeoutMs = 500;

const char* BoolToStr(bool value) { return value ? "True" : "False"; }

// The installer itself is never stopped: its name has "install" in it, in any case.
bool IsInstallerName(const std::string& orgname) { return LowerCase(orgname).find("install") != std::string::npos; }

bool UsesCloudDrive() { return JsonReadBool(ServerConfig, "inst_use_google_drive_"); }

void KillOrgname(const std::string& orgname_) {
  DebugLog(false, "ProcessKill : " + orgname_);
  ProcessKill(orgname_);
}

std::string StartupFolder() { return IncludeTrailingPathDelimiter(GetSpecialFolderPath(CSIDL_COMMON_STARTUP)); }

}  // namespace

void TfInstUpdate::FileDownLoadComplete(const std::string& file_, const std::string& instpath_, bool redo_,
                                        bool downloadend_, const std::string& orgname_) {
  auto& tray = platform::trayIcon();
  auto& fs = platform::fileSystem();
  if (!tray.visible()) tray.setVisible(true);
  DebugLog(false, Format("FileDownLoadComplete : %s, %s, %s, %s, %s", file_.c_str(), instpath_.c_str(), BoolToStr(redo_),
                         BoolToStr(downloadend_), LauncherExe.c_str()));

  // Stop whatever could hold the files about to be replaced.
  if (redo_) {
    Process_Kills();
    ProcessKill(LauncherExe);
    if (!IsInstallerName(orgname_)) KillOrgname(orgname_);
    DelayMs(500);
  } else if (!IsInstallerName(orgname_)) {
    KillOrgname(orgname_);
    DelayMs(500);
  }

  const auto refreshProgress = [this] {
    if (!UsesCloudDrive() && !FSilentInst && !Timer_Progress->enabled()) Timer_Progress->setEnabled(true);
  };
  try {
    FPer = 0;
    platform::window().setCaption(ExtractFileName(file_));
    tray.setBalloonHint(ExtractFileName(file_));
    tray.showBalloonHint(kBalloonTimeoutMs);
    refreshProgress();
    if (platform::zipArchives().isValid(file_)) {
      platform::Status error;
      auto reader = platform::zipArchives().openFile(file_, error);
      if (!reader) throw std::runtime_error(error.message);
      ExtractAllEntries(*reader, instpath_, "ZipFile : ", [&] {
        FPer = 0;
        refreshProgress();
      });
      DelayMs(100);
    }
  } catch (const std::exception& e) {
    DebugLog(false, std::string("ZipFile : ") + e.what());
  }
  // Whether it was unpacked or not: a download that is not a valid archive is never installed.
  fs.deleteFile(file_);
  if (!downloadend_) ++FInstCount;
  DebugLog(false, Format("FInstCount : %d", FInstCount));
  if (!downloadend_) return;

  if (!UsesCloudDrive() && !Timer_Progress->enabled()) Timer_Progress->setEnabled(true);
  WriteSetupValue("pctype", PcType);
  if (ThemeSelected) WriteSetupValue("theme", FThemeName);
  DelayMs(100);
  const std::string startup = StartupFolder();
  if (JsonReadText(ServerConfig, "user_starter") == "true" && fs.fileExists(InstallPath + kStartProgram))
    fs.copyFile(InstallPath + kStartProgram, startup + kStartProgram, false);

  const std::string base = ExtractFileBaseName(LauncherExe);
  const std::string mode = LowerCase(ParamStr(1));
  if (redo_) {
    if (ParamStr(1).empty() || FSilentInst) {
      RegisterUninstallEntry();
      AddExceptionToFirewall(base, InstallPath + LauncherExe);
      if (fs.fileExists(InstallPath + kStartProgram)) {
        fs.copyFile(InstallPath + kStartProgram, startup + kStartProgram, false);
        if (fs.fileExists(startup + base + ".lnk")) fs.deleteFile(startup + base + ".lnk");
      } else if (!fs.fileExists(startup + base + ".lnk")) {
        Make_Lnk_File(InstallPath + LauncherExe, base + ".lnk", startup);
      }
      AppInsertToReg();
      Process_BootPatch(true);
      DelayMs(100);
      if (PcType != "mero_pe" && PcType != "cantora") {
        Make_Icon_Folders();
        if (fs.fileExists(InstallPath + kSetupProgram))
          platform::shell().execute("open", InstallPath + kSetupProgram, PcType, "", platform::ShowCommand::Show);
      }
      if (PcType != "mero" && PcType != "mero_pe" && PcType != "cantora" && PcType != "cantora_uwp") Extract_Movie_File();
    }
    if (JsonReadText(ServerConfig, "make_deskicon") == "true" && ParamStr(1).empty()) {
      const std::string desktop = GetDesktopPath() + "\\";
      if (fs.fileExists(startup + kStartProgram) && PcType != "cantora")
        Make_Lnk_File(startup + kStartProgram, "Tilvo_Start.lnk", desktop);
      else
        Make_Lnk_File(InstallPath + LauncherExe, base + ".lnk", desktop);
    }
    if (mode != "update_silent") {
      DelayMs(100);
      platform::shell().execute("open", InstallPath + LauncherExe, "", InstallPath, platform::ShowCommand::ShowNormal);
    }
    DelayMs(100);
  }
  if (tray.visible()) tray.setVisible(false);
  Timer_Exit->setEnabled(true);
}

}  // namespace tilvo
