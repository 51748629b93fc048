#pragma once
// One file of the cloud-drive route, fetched over HTTPS on a worker thread of its own. What happens is
// reported as status messages: compact JSON texts with "command" "download_status", "download_complete"
// or "download_error".
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "platform/http_client.h"

namespace tilvo {

// Receives one status message; runs on the main thread.
using TOnDownLoadStatus = std::function<void(const std::string& Status_)>;

// The CA certificates the downloads trust, as the "SSL" archive unpacks them into AppDir + "ssl32\".
extern const char* const kTrustedCaFileName;
std::string TrustedCaFile();  // AppDir + "ssl32\" + kTrustedCaFileName

class TGDriveDownloadThread {
 public:
  // Not running; set the members, then Start.
  TGDriveDownloadThread() = default;
  TGDriveDownloadThread(const TGDriveDownloadThread&) = delete;
  TGDriveDownloadThread& operator=(const TGDriveDownloadThread&) = delete;
  virtual ~TGDriveDownloadThread() = default;

  TOnDownLoadStatus OnDownLoadStatus;
  std::string SourceUrl;      // the download URL
  std::string DestPath;       // full local file name
  std::string Original_Name;  // the manifest entry's "orgname"

  // Runs Execute on a detached thread. The object frees itself when Execute ends: it must have been created
  // with new, and nobody may touch it after this call.
  void Start();
  void Terminate() { terminated_ = true; }

  // Whether the client lets a redirect of a request made with `VMethod` through.
  static bool HttpRedirect(const std::string& VMethod);
  // The request of one attempt for `url`, before the sink and the callbacks are attached.
  static platform::HttpRequest FileRequest(const std::string& url);

 protected:
  // Attempts until one succeeds; an attempt fails only while its client is set up.
  virtual void Execute();
  bool DownloadFile_HttpGet(const std::string& url);
  // Body bytes arrived: AWorkCount of them so far in this response.
  void HttpWork(int64_t AWorkCount);

 private:
  void SendStatus(const nlohmann::json& message) const;
  void NoteResponse(const platform::HttpResponse& response);

  std::atomic<bool> terminated_{false};
  // Of the response whose body is arriving.
  int64_t contentLength_ = -1;
  std::string transferEncoding_;
};

}  // namespace tilvo
