#pragma once
// The installer's shared state: the process-wide globals and the controller window TfInstUpdate.
// Each subsystem implements the methods of its own concern in its own folder.
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "platform/main_loop.h"

namespace tilvo {

class TChkServerThread;
class TDownThread;

namespace platform {
class HtmlDocument;
}

using JsonPtr = std::shared_ptr<nlohmann::json>;

// ---- Process-wide globals -------------------------------------------------------------------------------
// Written on the main thread before any worker starts, unless noted.
extern std::string PcType;
extern bool DebugMode;
extern std::string InstallerExeName;
extern std::atomic<int32_t> Total_Download_Count;  // written by the download thread, read by the progress timer
extern int32_t FInstCount;
extern std::string FtpBaseUrl;
extern bool ThemeSelected;
extern const bool UseServer3First;
extern std::string LauncherName;
extern std::string LauncherExe;
extern std::string LauncherSubExe;
extern const std::array<const char*, 6> CategoryNames;
extern int32_t PageWidth;
extern int32_t PageHeight;
extern TChkServerThread* ServerCheckThread;  // created once, never freed
extern TDownThread* DownloadThread;          // created at the first file-store run, never freed
extern std::string AppDir;
extern JsonPtr ServerConfig;
extern std::string InstallPath;

// The file store's address before a server names one: the build's host, or the platform's override.
// Needs an installed platform.
std::string DefaultFtpBaseUrl();

// Puts every global back to its initial value (a fresh process; used by tests).
void ResetGlobals();

// ---- The controller window --------------------------------------------------------------------------------
class TfInstUpdate {
 public:
  TfInstUpdate();
  ~TfInstUpdate();
  TfInstUpdate(const TfInstUpdate&) = delete;
  TfInstUpdate& operator=(const TfInstUpdate&) = delete;

  // Components, in declaration order.
  std::unique_ptr<platform::Timer> Timer_DownLoad;              // 100 ms, off
  std::unique_ptr<platform::Timer> Timer_Exit;                  // 500 ms, off
  std::unique_ptr<platform::Timer> Timer_Progress;              // 1 ms, off
  std::unique_ptr<platform::Timer> Timer_Input_Theme;           // 100 ms, off
  std::unique_ptr<platform::Timer> Timer_Progress_GoogleDrive;  // 1 ms, off

  // Fields, in declaration order.
  bool FDocComp = false;
  int32_t FPer = 0;
  bool FSilentInst = false;
  bool FInstAgreed = false;
  std::string FAgreeMsg;
  std::string FThemeName;
  int32_t FDownLoad_TotalCount = 0;
  int32_t FDownLoad_Count = 0;
  JsonPtr GoogleObject;
  bool FRestart_Launcher = false;
  bool FDownLoad_Fail_Flag = false;

  // Start-up and shutdown.
  void FormCreate();
  void FormClose();
  void Timer_ExitTimer();
  void ProcessExcept(const std::exception& E);
  // Closes the window: runs FormClose, destroys the window and ends the message loop.
  void Close();
  bool Closed() const { return closed_; }
  // Runs a main-thread event handler the way the application does: an escaping error goes to ProcessExcept.
  void RunHandler(const std::function<void()>& handler);

  // Process control.
  void Process_Kills();

  // Server discovery.
  void CheckServer_Thread_Create();
  void ServerConn(const std::string& AStrem, int ResponseCode, const std::string& Url_);
  void ServerDisConn();
  void ServerError(const std::string& Url_);

  // Browser host, page commands, script bridge.
  void WebBrowserDocumentComplete(const std::string& URL, bool topLevel);
  void Process_FormShow();
  void Document_OnMouseClick(const std::shared_ptr<platform::HtmlDocument>& Doc);
  void Timer_Input_ThemeTimer();
  bool Process_ThemeList();

  // Downloads.
  void Timer_DownLoadTimer();
  void Process_Download();
  void FileDownLoadBegin(const std::string& file_, const std::string& instpath_, bool redo_);
  // The current file's progress as the download service reports it (handed to the main thread).
  void OnProgress(uint32_t ulProgress, uint32_t ulProgressMax, uint32_t ulStatusCode, const std::string& szStatusText);
  void Timer_ProgressTimer();
  void Timer_Progress_GoogleDriveTimer();

  // Installation.
  void FileDownLoadComplete(const std::string& file_, const std::string& instpath_, bool redo_, bool downloadend_,
                            const std::string& orgname_);
  void Extract_Movie_File();
  void Extract_Movie_SSL();

  // Uninstall: the sequence of the "-uninstall" mode (after Process_FormShow) and the page command
  // "uninstall". Both close the window when they have removed an installation.
  void Process_Uninstall();
  void Process_Page_Uninstall();

  // Cloud-drive route.
  bool Get_GoogleDrive_JsonFile(const std::string& type_);
  bool Get_DownLoad_FileId(const std::string& filename_, std::string& download_url_);
  bool Process_Download_GoogleDrive();
  void GoogleDrive_DownLoad_Thread_Create(const std::string& src_, const std::string& dest,
                                          const std::string& org_name_);
  void Do_OnGoogleDrive_DownLoadStatus(const std::string& Status_);
  // Main thread: a status message posted by a download thread. Messages are handled one at a time, in the
  // order they arrived; one arriving while another is handled (in the waits of an installation) waits.
  void ReceiveGoogleDriveStatus(std::string Status_);

 private:
  bool closed_ = false;
  std::deque<std::string> pendingStatus_;
  bool handlingStatus_ = false;
};

// The one window of the process (set while it exists).
extern TfInstUpdate* fInstUpdate;

}  // namespace tilvo
