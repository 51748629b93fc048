#include "platform/linux/curl_url_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/linux/posix_handles.h"
#include "platform/linux/temporary_file.h"

namespace tilvo::platform::linux_host {
namespace {

// The curl tool's buffer: the 16 KB default is measurably slower on FTP.
constexpr long kBufferSize = 100 * 1024;
constexpr long kConnectTimeoutSeconds = 30;
// A transfer that moves less than a byte per second for a minute has stalled.
constexpr long kStallSeconds = 60;
constexpr long kMaxRedirects = 10;

struct EasyCleanup {
  void operator()(CURL* c) const {
    if (c) curl_easy_cleanup(c);
  }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

void initCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The system's download service takes a URL as the caller wrote it and escapes what a URL cannot hold
// (blanks, non-ASCII names); libcurl wants it escaped already.
std::string escapeForUrl(const std::string& url) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : url) {
    if (c <= 0x20 || c >= 0x7F || std::strchr("\"<>\\^`{|}", c)) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

struct Transfer {
  TemporaryFile* file = nullptr;
  int writeErrno = 0;
  const DownloadProgressHandler* progress = nullptr;
  std::string url;
  uint64_t lastDone = 0, lastTotal = 0;
  bool began = false;

  void report(uint64_t done, uint64_t total, DownloadStatus status) {
    if (!*progress) return;
    (*progress)(DownloadProgress{done, total, status, url});
  }
};

size_t onData(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (!t->file->write(data, bytes)) {
    t->writeErrno = errno;
    return 0;  // ends the transfer with CURLE_WRITE_ERROR
  }
  return bytes;
}

int onProgress(void* user, curl_off_t total, curl_off_t done, curl_off_t, curl_off_t) {
  auto* t = static_cast<Transfer*>(user);
  const auto d = static_cast<uint64_t>(done), n = static_cast<uint64_t>(total);
  // libcurl calls this many times a second even when nothing moved: report changes only.
  if (t->began && d == t->lastDone && n == t->lastTotal) return 0;
  t->report(d, n, t->began ? DownloadStatus::DownloadingData : DownloadStatus::BeginDownloadData);
  t->began = true;
  t->lastDone = d;
  t->lastTotal = n;
  return 0;
}

Status curlFailure(CURLcode code, const char* detail) {
  std::string message = curl_easy_strerror(code);
  if (detail && *detail) message += std::string(" (") + detail + ")";
  return Status::failure(static_cast<int>(code), message);
}

void configure(CURL* c, const std::string& url, Transfer& t, char* errorBuffer) {
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp,http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_BUFFERSIZE, kBufferSize);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &onData);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &onProgress);
  curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
}

class CurlUrlDownload final : public UrlDownload {
 public:
  explicit CurlUrlDownload(VirtualDrives drives) : drives_(std::move(drives)) { initCurlOnce(); }

  Status downloadToFile(const std::string& url, const std::string& destination,
                        const DownloadProgressHandler& progress) override {
    const std::string host = drives_.toHost(destination);
    const size_t slash = host.rfind('/');
    if (host.empty() || slash == std::string::npos || slash + 1 == host.size())
      return Status::failure(ENOENT, "no such file name: " + destination);
    FileDescriptor dir(::open(slash == 0 ? "/" : host.substr(0, slash).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) return Status::failure(errno, "cannot open the folder of " + destination + ": " + std::strerror(errno));
    TemporaryFile file(dir.get(), host.substr(slash + 1));
    if (!file.isOpen()) return Status::failure(errno, "cannot create " + destination + ": " + std::strerror(errno));

    EasyHandle easy(curl_easy_init());
    if (!easy) return Status::failure(ENOMEM, "cannot start a transfer");
    Transfer t;
    t.file = &file;
    t.progress = &progress;
    t.url = url;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const std::string escaped = escapeForUrl(url);
    configure(easy.get(), escaped, t, errorBuffer);

    const CURLcode code = curl_easy_perform(easy.get());
    if (code == CURLE_WRITE_ERROR && t.writeErrno != 0)
      return Status::failure(t.writeErrno, "cannot write " + destination + ": " + std::strerror(t.writeErrno));
    if (code != CURLE_OK) return curlFailure(code, errorBuffer);
    if (!file.commit()) return Status::failure(errno, "cannot write " + destination + ": " + std::strerror(errno));
    curl_off_t size = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_SIZE_DOWNLOAD_T, &size);
    t.report(static_cast<uint64_t>(size), static_cast<uint64_t>(size), DownloadStatus::EndDownloadData);
    return Status::success();
  }

  // libcurl keeps no copy of anything it fetched: every transfer goes to the server, and there is nothing
  // stale to remove.
  std::vector<std::string> cachedUrls() override { return {}; }
  bool deleteCacheEntry(const std::string&) override { return false; }

 private:
  const VirtualDrives drives_;
};

}  // namespace

std::unique_ptr<UrlDownload> createCurlUrlDownload(VirtualDrives drives) {
  return std::make_unique<CurlUrlDownload>(std::move(drives));
}

}  // namespace tilvo::platform::linux_host
