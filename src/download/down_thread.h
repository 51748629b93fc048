#pragma once
// The file-store download thread: walks the version manifest, fetches every outdated file and reports the
// start and end of each, and the end of the run, to the main thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "core/installer_state.h"
#include "platform/url_download.h"

namespace tilvo {

using TOnDownLoadBegin = std::function<void(const std::string& file_, const std::string& instpath_, bool redo_)>;
using TOnDownLoadComplete = std::function<void(const std::string& file_, const std::string& instpath_, bool redo_,
                                               bool downloadend_, const std::string& orgname_)>;
// The main window's progress handler: ulProgress of ulProgressMax, the stage, the URL.
using TOnProgress = std::function<void(uint32_t ulProgress, uint32_t ulProgressMax, uint32_t ulStatusCode,
                                       const std::string& szStatusText)>;

// Receives the download service's progress reports on the download thread and hands them to the main
// thread without waiting. Only the latest figures matter: while one hand-over is still queued, later reports
// just replace its figures, so the main loop sees at most one report per turn.
class TBindStatusCallback {
 public:
  explicit TBindStatusCallback(TOnProgress onProgress);
  // Download thread.
  void OnProgress(const platform::DownloadProgress& progress);

 private:
  struct Mailbox {
    std::mutex mutex;
    bool queued = false;
    platform::DownloadProgress latest;
  };
  TOnProgress onProgress_;
  std::shared_ptr<Mailbox> mailbox_;  // shared with the queued hand-over, which may outlive this object
};

class TDownThread {
 public:
  TDownThread();  // created not running
  TDownThread(const TDownThread&) = delete;
  TDownThread& operator=(const TDownThread&) = delete;

  // Properties; set them all before Start().
  TOnDownLoadBegin OnDownLoadBegin;
  TOnDownLoadComplete OnDownLoadComplete;
  TOnProgress OnProgress;
  void SetInstPath(const std::string& value);
  const std::string& InstPath() const { return FInstPath_; }

  // Main thread: takes what the run reads (server configuration, file store address, edition, mode) and
  // starts the run on a thread of its own, which is never stopped or awaited.
  void Start();
  // For tests: true once the run has ended.
  bool WaitFor(std::chrono::milliseconds limit);

  // The run and its steps, on the download thread.
  void Execute();
  void Check_Total_Download_Count();
  bool DownloadFile(const std::string& SourceFile, const std::string& DestFile);
  void DeleteIECache();

 private:
  struct Finished {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
  };
  // What the run reads of the program's state, taken on the main thread when it starts.
  struct RunSettings {
    JsonPtr config;
    std::string ftpBaseUrl, pcType, installerExeName, firstParameter;
    bool windows64 = false;
  };

  std::string SourceFolder(const std::string& orgname) const;
  void DownloadEntry(const nlohmann::json& entry, bool& redo);
  void ReportFailure(const std::string& sourceFolder, const std::string& localFile, const std::string& downname,
                     const std::string& orgname);

  std::string FInstPath_;
  std::unique_ptr<TBindStatusCallback> Fbsc;
  RunSettings settings_;
  std::shared_ptr<Finished> finished_;
};

}  // namespace tilvo
