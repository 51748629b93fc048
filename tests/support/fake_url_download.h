#pragma once
// A download service that serves files from memory: what the download thread fetched, in which order, and
// the progress it reported, without a network.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/url_download.h"

namespace tilvo::testing {

class FakeUrlDownload final : public platform::UrlDownload {
 public:
  // Called on the download thread.
  platform::Status downloadToFile(const std::string& url, const std::string& destination,
                                  const platform::DownloadProgressHandler& progress) override;
  std::vector<std::string> cachedUrls() override;
  bool deleteCacheEntry(const std::string& url) override;

  void serve(const std::string& url, const std::string& content);
  void addCacheEntry(const std::string& url);
  std::vector<std::string> requested() const;  // URLs asked for, in order
  std::vector<std::string> deletedCacheEntries() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::string> files_;
  std::vector<std::string> requested_, cache_, deleted_;
};

// Installs a FakeUrlDownload into `p` and returns it.
FakeUrlDownload& installFakeUrlDownload(platform::Platform& p);

}  // namespace tilvo::testing
