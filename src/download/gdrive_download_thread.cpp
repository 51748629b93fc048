#include "download/gdrive_download_thread.h"

#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include <nlohmann/json.hpp>

#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/json.h"
#include "core/text.h"
#include "download/partial_download_file.h"
#include "platform/platform.h"

namespace tilvo {
namespace {

constexpr uint32_t kConnectTimeoutMs = 1000;
constexpr int kRedirectLimit = 15;
const char* const kAccept = "*/*";
const char* const kUserAgent = "Mozilla/5.0 (Windows NT 6.1) Gecko/20130101 Firefox/21.0";

// Only the installer's own cache is touched; on Linux it holds nothing, so this removes nothing.
void DeleteUrlCacheEntryW(const std::string& url) { platform::urlDownload().deleteCacheEntry(url); }

bool IsSuccessStatus(int status) { return status >= 200 && status < 300; }

}  // namespace

const char* const kTrustedCaFileName = "ca-certificates.crt";

std::string TrustedCaFile() { return AppDir + "ssl32\\" + kTrustedCaFileName; }

void TGDriveDownloadThread::Start() {
  std::thread([this] {
    std::unique_ptr<TGDriveDownloadThread> self(this);  // freed when Execute ends
    try {
      Execute();
    } catch (const std::exception& e) {
      OutputDebugString(std::string("TGDriveDownloadThread : ") + e.what());
    }
  }).detach();
}

void TGDriveDownloadThread::Execute() {
  while (!DownloadFile_HttpGet(SourceUrl)) {
    if (terminated_ && platform::loop().quitRequested()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool TGDriveDownloadThread::HttpRedirect(const std::string& VMethod) { return VMethod == "GET" || VMethod == "HEAD"; }

platform::HttpRequest TGDriveDownloadThread::FileRequest(const std::string& url) {
  platform::HttpRequest request;
  request.method = "GET";
  request.url = url;
  request.accept = kAccept;
  request.userAgent = kUserAgent;
  request.referer = url;
  request.connectTimeoutMs = kConnectTimeoutMs;
  request.readTimeoutMs = 0;
  request.redirects.follow = true;
  request.redirects.limit = kRedirectLimit;
  request.redirects.methods.clear();
  for (const char* method : {"GET", "HEAD", "POST", "PUT", "DELETE", "OPTIONS"})
    if (HttpRedirect(method)) request.redirects.methods.emplace_back(method);
  // The body goes to a file: no cap beyond the disk's room.
  request.maxBodyBytes = 0;
  // Peers are verified against the certificates carried by the installer, and only against them.
  request.caFile = platform::fileSystem().hostPath(TrustedCaFile());
  return request;
}

bool TGDriveDownloadThread::DownloadFile_HttpGet(const std::string& url) {
  platform::HttpRequest request;
  try {
    request = FileRequest(url);
    request.onHeaders = [this](const platform::HttpResponse& response) { NoteResponse(response); };
    request.onWork = [this](uint64_t workCount) { HttpWork(static_cast<int64_t>(workCount)); };
  } catch (const std::exception& e) {
    OutputDebugString(std::string("DownloadFile_HttpGet : ") + e.what());
    return false;
  }

  bool result = false;
  try {
    DeleteUrlCacheEntryW(url);
    auto& fs = platform::fileSystem();
    if (fs.fileExists(DestPath)) fs.deleteFile(DestPath);

    PartialDownloadFile file(DestPath);
    request.sink = &file;
    const platform::HttpResult answer = platform::http().perform(request);
    if (answer.failed()) throw std::runtime_error(answer.error);
    if (!IsSuccessStatus(answer.response.status)) throw std::runtime_error(answer.response.statusLine);
    file.Commit();
    result = true;
    if (OnDownLoadStatus)
      SendStatus({{"command", "download_complete"}, {"file", DestPath}, {"org_name", Original_Name}});
  } catch (const std::exception& e) {
    if (OnDownLoadStatus) {
      SendStatus({{"command", "download_error"},
                  {"source", SourceUrl},
                  {"file", DestPath},
                  {"org_name", Original_Name},
                  {"error", e.what()}});
      result = true;
    }
  }
  return result;
}

void TGDriveDownloadThread::NoteResponse(const platform::HttpResponse& response) {
  contentLength_ = response.contentLength;
  transferEncoding_ = response.transferEncoding;
}

void TGDriveDownloadThread::HttpWork(int64_t AWorkCount) {
  if (LowerCase(transferEncoding_).find("chunked") != std::string::npos || contentLength_ <= 0) return;
  const int64_t percent = (100 * AWorkCount) / contentLength_;
  if (OnDownLoadStatus) SendStatus({{"command", "download_status"}, {"file", DestPath}, {"percent", percent}});
}

// Handed to the main thread without waiting; messages of one thread arrive in the order sent.
void TGDriveDownloadThread::SendStatus(const nlohmann::json& message) const {
  platform::loop().post([handler = OnDownLoadStatus, text = JsonToText(message)] { handler(text); });
}

}  // namespace tilvo
