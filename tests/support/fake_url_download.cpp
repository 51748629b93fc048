#include "support/fake_url_download.h"

#include <algorithm>
#include <fstream>

#include "platform/platform.h"

namespace tilvo::testing {

platform::Status FakeUrlDownload::downloadToFile(const std::string& url, const std::string& destination,
                                                 const platform::DownloadProgressHandler& progress) {
  std::string content;
  {
    std::lock_guard lock(mutex_);
    requested_.push_back(url);
    const auto it = files_.find(url);
    if (it == files_.end()) return platform::Status::failure(78, "Remote file not found");
    content = it->second;
  }
  std::ofstream out(platform::fileSystem().hostPath(destination), std::ios::binary | std::ios::trunc);
  if (!out) return platform::Status::failure(2, "cannot create " + destination);
  out << content;
  const uint64_t size = content.size();
  if (progress) {
    progress({0, size, platform::DownloadStatus::BeginDownloadData, url});
    progress({size / 2, size, platform::DownloadStatus::DownloadingData, url});
    progress({size, size, platform::DownloadStatus::EndDownloadData, url});
  }
  return platform::Status::success();
}

std::vector<std::string> FakeUrlDownload::cachedUrls() {
  std::lock_guard lock(mutex_);
  return cache_;
}

bool FakeUrlDownload::deleteCacheEntry(const std::string& url) {
  std::lock_guard lock(mutex_);
  deleted_.push_back(url);
  const auto it = std::find(cache_.begin(), cache_.end(), url);
  if (it == cache_.end()) return false;
  cache_.erase(it);
  return true;
}

void FakeUrlDownload::serve(const std::string& url, const std::string& content) {
  std::lock_guard lock(mutex_);
  files_[url] = content;
}

void FakeUrlDownload::addCacheEntry(const std::string& url) {
  std::lock_guard lock(mutex_);
  cache_.push_back(url);
}

std::vector<std::string> FakeUrlDownload::requested() const {
  std::lock_guard lock(mutex_);
  return requested_;
}

std::vector<std::string> FakeUrlDownload::deletedCacheEntries() const {
  std::lock_guard lock(mutex_);
  return deleted_;
}

FakeUrlDownload& installFakeUrlDownload(platform::Platform& p) {
  auto fake = std::make_unique<FakeUrlDownload>();
  auto& ref = *fake;
  p.urlDownload = std::move(fake);
  return ref;
}

}  // namespace tilvo::testing
