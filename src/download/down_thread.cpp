#include "download/down_thread.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <thread>

#include <nlohmann/json.hpp>

#include "core/command_line.h"
#include "core/debug_log.h"
#include "core/json.h"
#include "core/text.h"
#include "download/version_manifest.h"
#include "install/system_registration.h"
#include "platform/platform.h"

namespace tilvo {
namespace {

// The system's progress figures are 32-bit: a larger file is reported scaled down, its ratio intact.
void fitInto32Bits(uint64_t& done, uint64_t& total) {
  while (total > std::numeric_limits<uint32_t>::max() || done > std::numeric_limits<uint32_t>::max()) {
    done >>= 1;
    total >>= 1;
  }
}

// Runs `handler` on the main thread and waits until it has returned. What it throws is the handler's own
// business: the run goes on.
void HandOver(const std::function<void()>& handler) {
  try {
    platform::loop().invokeAndWait(handler);
  } catch (const std::exception&) {
  }
}

}  // namespace

// ---- TBindStatusCallback ----------------------------------------------------------------------------------

TBindStatusCallback::TBindStatusCallback(TOnProgress onProgress)
    : onProgress_(std::move(onProgress)), mailbox_(std::make_shared<Mailbox>()) {}

void TBindStatusCallback::OnProgress(const platform::DownloadProgress& progress) {
  {
    std::lock_guard lock(mailbox_->mutex);
    mailbox_->latest = progress;
    if (mailbox_->queued) return;
    mailbox_->queued = true;
  }
  // Main thread, when the hand-over is taken from the queue: the figures are the latest by then.
  platform::loop().post([mailbox = mailbox_, onProgress = onProgress_] {
    platform::DownloadProgress latest;
    {
      std::lock_guard lock(mailbox->mutex);
      latest = mailbox->latest;
      mailbox->queued = false;
    }
    if (!onProgress) return;
    uint64_t done = latest.done, total = latest.total;
    fitInto32Bits(done, total);
    onProgress(static_cast<uint32_t>(done), static_cast<uint32_t>(total), static_cast<uint32_t>(latest.status),
               latest.statusText);
  });
}

// ---- TDownThread ------------------------------------------------------------------------------------------

TDownThread::TDownThread() : finished_(std::make_shared<Finished>()) {}

void TDownThread::SetInstPath(const std::string& value) {
  FInstPath_ = IncludeTrailingPathDelimiter(value);
  DebugLog(false, FInstPath_);
}

void TDownThread::Start() {
  settings_ = {ServerConfig, FtpBaseUrl, PcType, InstallerExeName, ParamStr(1), IsWindows64()};
  std::thread([this, finished = finished_] {
    Execute();
    std::lock_guard lock(finished->mutex);
    finished->done = true;
    finished->changed.notify_all();
  }).detach();
}

bool TDownThread::WaitFor(std::chrono::milliseconds limit) {
  std::unique_lock lock(finished_->mutex);
  return finished_->changed.wait_for(lock, limit, [this] { return finished_->done; });
}

void TDownThread::Execute() {
  try {
    DeleteIECache();
    Check_Total_Download_Count();
    bool redo = false;
    Fbsc = std::make_unique<TBindStatusCallback>(OnProgress);
    const nlohmann::json& versions = ManifestVersions(settings_.config);
    for (const auto& name : JsonMemberOrder(versions)) DownloadEntry(versions.at(name), redo);
    Fbsc.reset();
    if (settings_.firstParameter.empty()) redo = true;
    if (OnDownLoadComplete) {
      DeleteIECache();
      HandOver([&] { OnDownLoadComplete("", "", redo, true, ""); });
    }
  } catch (const std::exception&) {
    // A manifest that cannot be walked ends the run where it stands, without a final event.
    Fbsc.reset();
  }
}

void TDownThread::DownloadEntry(const nlohmann::json& entry, bool& redo) {
  const ManifestEntry e = EvaluateManifestEntry(entry, FInstPath_);
  if (!e.hasDownname || !e.needsDownload) return;
  DebugLog(false, Format("fileinfo_: %s, %s", "downname", e.downname.c_str()));
  DebugLog(false, e.entryFolder + e.orgname);
  if (!redo) redo = e.redo == "true";
  DebugLog(true, Format("update fileinfo_: %s, %s, %s, %s", "downname", e.downname.c_str(), e.entryFolder.c_str(),
                        e.localVersion.c_str()));
  const std::string localFile = e.entryFolder + e.downname;
  if (OnDownLoadBegin) HandOver([&] { OnDownLoadBegin(localFile, e.entryFolder, redo); });

  const std::string sourceFolder = SourceFolder(e.orgname);
  if (!DownloadFile(sourceFolder + e.downname, localFile)) {
    ReportFailure(sourceFolder, localFile, e.downname, e.orgname);
    return;
  }
  if (!OnDownLoadComplete) return;
  HandOver([&] { OnDownLoadComplete(localFile, e.entryFolder, redo, false, e.orgname); });
  DebugLog(false, Format("%s, %s, %s DownLoadComplete", sourceFolder.c_str(), localFile.c_str(), e.orgname.c_str()));
}

void TDownThread::ReportFailure(const std::string& sourceFolder, const std::string& localFile,
                                const std::string& downname, const std::string& orgname) {
  DebugLog(false, Format("%s, %s, %s DownLoad False", sourceFolder.c_str(), localFile.c_str(), orgname.c_str()));
  DebugLog(false, Format("Install Fail : %s, %s", sourceFolder.c_str(), downname.c_str()));
  if (settings_.pcType != "mero_pe") return;
  const std::string text = Format("%s Download 실패 하였습니다.", downname.c_str());
  HandOver([&] { platform::messageBoxes().show(text); });
}

// The 64-bit edition of every file sits in "x64/", except the installer, which is one program for both.
std::string TDownThread::SourceFolder(const std::string& orgname) const {
  const bool x64 = settings_.windows64 && orgname != settings_.installerExeName;
  return settings_.ftpBaseUrl + settings_.pcType + (x64 ? "/x64/" : "/");
}

void TDownThread::Check_Total_Download_Count() {
  Total_Download_Count = 0;
  const nlohmann::json& versions = ManifestVersions(settings_.config);
  for (const auto& name : JsonMemberOrder(versions)) {
    const ManifestEntry e = EvaluateManifestEntry(versions.at(name), FInstPath_);
    if (!e.hasDownname || !e.needsDownload) continue;
    DebugLog(false, e.entryFolder + e.orgname + "," + e.localVersion + "," + e.ver);
    ++Total_Download_Count;
  }
}

bool TDownThread::DownloadFile(const std::string& SourceFile, const std::string& DestFile) {
  auto& service = platform::urlDownload();
  service.deleteCacheEntry(SourceFile);
  platform::Status status;
  try {
    status = service.downloadToFile(SourceFile, DestFile, [this](const platform::DownloadProgress& p) {
      if (Fbsc) Fbsc->OnProgress(p);
    });
  } catch (const std::exception& e) {
    status = platform::Status::failure(-1, e.what());
  }
  service.deleteCacheEntry(SourceFile);
  if (!status) DebugLog(false, "DownloadFile : " + status.message);
  return status.ok();
}

void TDownThread::DeleteIECache() {
  auto& service = platform::urlDownload();
  for (const auto& url : service.cachedUrls()) service.deleteCacheEntry(url);
}

}  // namespace tilvo
