// The cloud-drive route: the drive's index, one download thread per file, the counting of their final
// messages, and the end of the run (installation, or the file-store run for what is still missing).
#include <cmath>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "core/command_line.h"
#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/json.h"
#include "core/text.h"
#include "download/gdrive_download_thread.h"
#include "download/version_manifest.h"
#include "platform/platform.h"
#include "server/update_servers.h"
#include "ui/script_bridge.h"

namespace tilvo {
namespace {

constexpr uint32_t kIndexReadTimeoutMs = 3000;
constexpr int kIndexServer = 3;

std::string IndexUrl(const std::string& type_) {
  return "http://" + ServerHost(kIndexServer) + "/inst/googledrive/" + type_ + ".json";
}

// Count / total * 100 cut toward zero; a division by zero is an error, as in floating point.
int64_t TruncShare(double count, double total) {
  if (total == 0) throw std::runtime_error(count == 0 ? "Invalid floating point operation" : "Floating point division by zero");
  return static_cast<int64_t>(std::trunc(count / total * 100));
}

}  // namespace

bool TfInstUpdate::Get_GoogleDrive_JsonFile(const std::string& type_) {
  platform::HttpRequest request;
  request.url = IndexUrl(type_);
  request.readTimeoutMs = kIndexReadTimeoutMs;
  request.userAgent = "Mozilla/4.0";
  request.redirects.follow = false;
  const platform::HttpResult answer = platform::http().perform(request);
  if (answer.failed()) {
    OutputDebugString("Get_GoogleDrive_JsonFile : " + answer.error);
    return false;
  }
  if (answer.response.body.empty()) return false;
  // A body that is no JSON gives an empty index: every lookup fails.
  JsonPtr parsed = ParseJson(answer.response.body);
  GoogleObject = parsed ? parsed : std::make_shared<nlohmann::json>();
  return true;
}

bool TfInstUpdate::Get_DownLoad_FileId(const std::string& filename_, std::string& download_url_) {
  const nlohmann::json* list = GoogleObject ? JsonReadArray(*GoogleObject, "list") : nullptr;
  if (!list) return false;
  for (const auto& item : *list) {
    if (!item.is_object() || !item.contains("title") || !item["title"].is_string()) continue;
    if (item["title"].get<std::string>() != filename_) continue;
    download_url_ = JsonReadText(item, "download_url");
    return true;
  }
  return false;
}

bool TfInstUpdate::Process_Download_GoogleDrive() {
  bool result = false;
  bool redo = false;
  bool titleMissing = false;
  const nlohmann::json& versions = ManifestVersions(ServerConfig);
  for (const std::string& name : JsonMemberOrder(versions)) {
    const ManifestEntry entry = EvaluateManifestEntry(versions[name], InstallPath);
    if (!entry.hasDownname) continue;
    auto& fs = platform::fileSystem();
    if (!fs.directoryExists(entry.entryFolder)) fs.forceDirectories(entry.entryFolder);
    if (!entry.needsDownload) continue;

    const std::string local = entry.entryFolder + entry.downname;
    DebugLog(false, Format("fileinfo_: %s, %s", entry.downname.c_str(), (entry.entryFolder + entry.orgname).c_str()));
    if (!redo) {
      redo = entry.redo == "true";
      FRestart_Launcher = redo;
    }
    DebugLog(false, Format("update fileinfo_: %s, %s, %s, %s", "downname", entry.downname.c_str(),
                           entry.entryFolder.c_str(), entry.localVersion.c_str()));
    std::string url;
    if (!Get_DownLoad_FileId(entry.downname, url)) {
      DebugLog(true, Format("Get_DownLoad_FileId Fail :  %s", entry.downname.c_str()));
      result = false;
      titleMissing = true;
      continue;
    }
    ++FDownLoad_TotalCount;
    FileDownLoadBegin(local, entry.entryFolder, false);
    DebugLog(true, Format("%s, %s", url.c_str(), local.c_str()));
    GoogleDrive_DownLoad_Thread_Create(url, local, entry.orgname);
    result = true;
  }
  if (ParamStr(1).empty()) FRestart_Launcher = true;
  // A file the drive does not hold would otherwise be left out of an installation reported as complete:
  // counted as a failure, the file-store run fetches it once the started downloads have reported.
  if (result && titleMissing) FDownLoad_Fail_Flag = true;
  return result;
}

void TfInstUpdate::GoogleDrive_DownLoad_Thread_Create(const std::string& src_, const std::string& dest,
                                                      const std::string& org_name_) {
  auto* thread = new TGDriveDownloadThread();  // frees itself when it ends
  thread->SourceUrl = src_;
  thread->DestPath = dest;
  thread->Original_Name = org_name_;
  thread->OnDownLoadStatus = [this](const std::string& Status_) { ReceiveGoogleDriveStatus(Status_); };
  thread->Start();
}

void TfInstUpdate::ReceiveGoogleDriveStatus(std::string Status_) {
  pendingStatus_.push_back(std::move(Status_));
  if (handlingStatus_) return;  // called from within a handler's wait: the loop below takes it next
  handlingStatus_ = true;
  while (!pendingStatus_.empty()) {
    const std::string next = std::move(pendingStatus_.front());
    pendingStatus_.pop_front();
    RunHandler([&] { Do_OnGoogleDrive_DownLoadStatus(next); });
  }
  handlingStatus_ = false;
}

void TfInstUpdate::Do_OnGoogleDrive_DownLoadStatus(const std::string& Status_) {
  const JsonPtr status = ParseJson(Status_);
  const std::string command = JsonReadText(status, "command");
  if (command == "download_complete") {
    const std::string file = JsonReadText(status, "file");
    FileDownLoadComplete(file, ExtractFilePath(file), false, false, JsonReadText(status, "org_name"));
    ++FDownLoad_Count;
  } else if (command == "download_error") {
    ++FDownLoad_Count;
    FDownLoad_Fail_Flag = true;
    DebugLog(true, Status_);
  }
  if (FDownLoad_Count == FDownLoad_TotalCount) {
    if (!FDownLoad_Fail_Flag) {
      FileDownLoadComplete("", "", FRestart_Launcher, true, "");
      Timer_Exit->setEnabled(true);
    } else {
      FInstCount = 1;
      Process_Download();
    }
  }
  if (!Timer_Progress_GoogleDrive->enabled()) Timer_Progress_GoogleDrive->setEnabled(true);
}

void TfInstUpdate::Timer_Progress_GoogleDriveTimer() {
  Timer_Progress_GoogleDrive->setEnabled(false);
  int64_t p = TruncShare(FDownLoad_Count, FDownLoad_TotalCount);
  if (p > 100) p = 100;
  const std::string script = InstInfoScript(static_cast<int>(p), static_cast<int>(p));
  if (!ExecJavaScript(platform::browser(), script)) return;
  DebugLog(false, script);
  platform::taskbar().setProgress(static_cast<int>(p), 100);
}

}  // namespace tilvo
