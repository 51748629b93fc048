#include "core/installer_state.h"

#include <nlohmann/json.hpp>

#include "platform/platform.h"

namespace tilvo {
namespace {

const char* const kFtpCredentials = "ftp://pelmar:pelmar4071@";

}  // namespace

std::string PcType;
bool DebugMode = false;
std::string InstallerExeName;
std::atomic<int32_t> Total_Download_Count{0};
int32_t FInstCount = 0;
std::string FtpBaseUrl = kFtpCredentials + std::string(TILVO_FTP_HOST);  // the override applies at program entry
bool ThemeSelected = false;
const bool UseServer3First = true;
std::string LauncherName = "Tilvo";
std::string LauncherExe = "Tilvo.exe";
std::string LauncherSubExe = "Tilvo_m.exe";
const std::array<const char*, 6> CategoryNames = {"hotgame", "online", "fps", "casual", "cd", "messenger"};
int32_t PageWidth = 0;
int32_t PageHeight = 0;
TChkServerThread* ServerCheckThread = nullptr;
TDownThread* DownloadThread = nullptr;
std::string AppDir;
JsonPtr ServerConfig;
std::string InstallPath;

TfInstUpdate* fInstUpdate = nullptr;

std::string DefaultFtpBaseUrl() {
  const std::string& host = platform::current().ftpHost;
  return kFtpCredentials + (host.empty() ? std::string(TILVO_FTP_HOST) : host);
}

void ResetGlobals() {
  PcType.clear();
  DebugMode = false;
  InstallerExeName.clear();
  Total_Download_Count = 0;
  FInstCount = 0;
  FtpBaseUrl = DefaultFtpBaseUrl();
  ThemeSelected = false;
  LauncherName = "Tilvo";
  LauncherExe = "Tilvo.exe";
  LauncherSubExe = "Tilvo_m.exe";
  PageWidth = 0;
  PageHeight = 0;
  // The worker threads are never freed (they end with the process); a reset only forgets them.
  ServerCheckThread = nullptr;
  DownloadThread = nullptr;
  AppDir.clear();
  ServerConfig.reset();
  InstallPath.clear();
}

}  // namespace tilvo
