// The start of a download run: the route, the install folder, the one download thread of the process.
#include "download/download_orchestration.h"

#include <nlohmann/json.hpp>

#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/json.h"
#include "download/down_thread.h"
#include "platform/platform.h"

namespace tilvo {

void CreateDirectoryForEveryone(const std::string& path) { platform::fileSystem().createDirectoryForEveryone(path); }

void TfInstUpdate::Timer_DownLoadTimer() {
  Timer_DownLoad->setEnabled(false);
  FDownLoad_Fail_Flag = false;
  if (!JsonReadBool(ServerConfig, "inst_use_google_drive_")) {
    Process_Download();
    return;
  }
  Extract_Movie_SSL();
  GoogleObject = std::make_shared<nlohmann::json>(nlohmann::json::object());
  // The index is released however the dispatch ends; the threads hold what they need.
  struct ReleaseIndex {
    JsonPtr& index;
    ~ReleaseIndex() { index.reset(); }
  } release{GoogleObject};
  if (!Get_GoogleDrive_JsonFile(PcType)) {
    OutputDebugString("파일 정보 다운 로드에 실패 하였습니다");
    Timer_Exit->setEnabled(true);
  } else if (!Process_Download_GoogleDrive()) {
    OutputDebugString("파일 다운 로드에 실패 하였습니다");
    Timer_Exit->setEnabled(true);
  }
}

void TfInstUpdate::Process_Download() {
  if (InstallPath.empty()) return;
  auto& fs = platform::fileSystem();
  if (!fs.directoryExists(InstallPath)) CreateDirectoryForEveryone(InstallPath);
  if (!fs.directoryExists(InstallPath)) {
    platform::messageBoxes().show("경로가 올바르지 않습니다 : " + InstallPath);
    return;
  }
  if (DownloadThread) return;

  DownloadThread = new TDownThread();  // kept until the process ends: one file-store run per process
  DownloadThread->OnDownLoadBegin = [this](const std::string& file_, const std::string& instpath_, bool redo_) {
    FileDownLoadBegin(file_, instpath_, redo_);
  };
  DownloadThread->OnDownLoadComplete = [this](const std::string& file_, const std::string& instpath_, bool redo_,
                                              bool downloadend_, const std::string& orgname_) {
    // When this run fetches what a cloud-drive run could not, that run's files are installed too (its
    // launcher already stopped): the final step registers and restarts as that run decided.
    const bool redo = redo_ || (downloadend_ && FRestart_Launcher);
    FileDownLoadComplete(file_, instpath_, redo, downloadend_, orgname_);
  };
  DownloadThread->OnProgress = [this](uint32_t progress, uint32_t progressMax, uint32_t status, const std::string& text) {
    RunHandler([&] { OnProgress(progress, progressMax, status, text); });
  };
  DownloadThread->SetInstPath(InstallPath);
  DebugLog(false, Format("Process_Download : %s", InstallPath.c_str()));
  DownloadThread->Start();
}

void TfInstUpdate::FileDownLoadBegin(const std::string&, const std::string& instpath_, bool redo_) {
  if (instpath_.empty()) return;
  if (redo_) Process_FormShow();
  if (!platform::fileSystem().directoryExists(instpath_)) CreateDirectoryForEveryone(instpath_);
}

}  // namespace tilvo
