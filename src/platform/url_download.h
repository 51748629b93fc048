#pragma once
// The system's URL download service: a whole transfer into a file as one blocking call.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace tilvo::platform {

// The stage a progress report belongs to, numbered as the system's binding status codes.
enum class DownloadStatus : uint32_t { BeginDownloadData = 4, DownloadingData = 5, EndDownloadData = 6 };

struct DownloadProgress {
  uint64_t done = 0;
  uint64_t total = 0;  // 0 while the size is not known
  DownloadStatus status = DownloadStatus::DownloadingData;
  std::string statusText;  // the URL
};

// Called on the downloading thread, inside downloadToFile, whenever the figures have changed.
using DownloadProgressHandler = std::function<void(const DownloadProgress&)>;

class UrlDownload {
 public:
  virtual ~UrlDownload() = default;

  // Fetches `url` (ftp://, http://, https://) into the file `destination` (Windows path) and returns when the
  // transfer has ended. The file takes its name only once complete: a failed or cut transfer leaves no file
  // (and an existing file of that name as it was).
  virtual Status downloadToFile(const std::string& url, const std::string& destination,
                                const DownloadProgressHandler& progress) = 0;

  // The copies the service keeps of what it fetched, by URL, and their removal (true when one was removed).
  virtual std::vector<std::string> cachedUrls() = 0;
  virtual bool deleteCacheEntry(const std::string& url) = 0;
};

}  // namespace tilvo::platform
