#include "platform/linux/headless_browser.h"

#include <strings.h>

#include <mutex>
#include <thread>
#include <vector>

namespace tilvo::platform::linux_host {
namespace {

constexpr uint32_t kPageTimeoutMs = 30000;

// What a fetch in flight needs after the browser may be gone.
struct Shared {
  std::mutex mutex;
  MainLoop* loop = nullptr;  // nullptr once the browser is destroyed
  uint64_t generation = 0;   // of the latest navigation
  // Main thread only.
  std::function<void(const std::string& url, bool topLevel)> onComplete;
};

// Main thread: reports `url` complete when it is still the latest navigation.
void deliver(const std::shared_ptr<Shared>& shared, const std::string& url, uint64_t generation) {
  {
    std::lock_guard lock(shared->mutex);
    if (!shared->loop || generation != shared->generation) return;
  }
  if (auto handler = shared->onComplete) handler(url, true);
}

// Any thread: queues the completion on the main thread while the browser lives.
void postCompletion(const std::shared_ptr<Shared>& shared, const std::string& url, uint64_t generation) {
  std::lock_guard lock(shared->mutex);
  if (!shared->loop || generation != shared->generation) return;
  shared->loop->post([shared, url, generation] { deliver(shared, url, generation); });
}

bool isWebUrl(const std::string& url) {
  return ::strncasecmp(url.c_str(), "http://", 7) == 0 || ::strncasecmp(url.c_str(), "https://", 8) == 0;
}

class HeadlessBrowser final : public Browser {
 public:
  HeadlessBrowser(MainLoop& loop, std::shared_ptr<HttpClient> http) : http_(std::move(http)) { shared_->loop = &loop; }

  ~HeadlessBrowser() override {
    std::lock_guard lock(shared_->mutex);
    shared_->loop = nullptr;
  }

  void navigate(const std::string& url) override {
    history_.push_back(url);
    load(url);
  }

  void goBack() override {
    if (history_.size() < 2) return;
    history_.pop_back();
    load(history_.back());
  }

  void setOnDocumentComplete(std::function<void(const std::string& url, bool topLevel)> handler) override {
    shared_->onComplete = std::move(handler);
  }

  // Pages are fetched, not read: there is no document, so no element, no click and no script.
  std::shared_ptr<HtmlDocument> document() override { return nullptr; }
  void setClickSink(ClickSink) override {}
  bool execScript(const std::string&, std::string& error) override {
    error = "no script runs without a display";
    return false;
  }

 private:
  void load(const std::string& url) {
    uint64_t generation = 0;
    {
      std::lock_guard lock(shared_->mutex);
      generation = ++shared_->generation;
    }
    if (::strcasecmp(url.c_str(), "about:blank") == 0) {
      postCompletion(shared_, url, generation);
      return;
    }
    if (!isWebUrl(url)) return;
    std::thread([shared = shared_, http = http_, url, generation] {
      HttpRequest request;
      request.url = url;
      request.userAgent = "Mozilla/5.0 (X11; Linux x86_64) headless page host";
      request.accept = "text/html, */*";
      request.connectTimeoutMs = kPageTimeoutMs;
      request.readTimeoutMs = kPageTimeoutMs;
      request.redirects.follow = true;
      request.redirects.limit = 20;
      const HttpResult result = http->perform(request);
      const std::string& reached = result.response.finalUrl;
      postCompletion(shared, reached.empty() ? url : reached, generation);
    }).detach();
  }

  std::shared_ptr<HttpClient> http_;
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::vector<std::string> history_;
};

}  // namespace

std::unique_ptr<Browser> createHeadlessBrowser(MainLoop& loop, std::shared_ptr<HttpClient> http) {
  return std::make_unique<HeadlessBrowser>(loop, std::move(http));
}

}  // namespace tilvo::platform::linux_host
