#include "support/platform_fakes.h"

#include <thread>

namespace tilvo::testing {

platform::HttpResult FakeHttpClient::perform(const platform::HttpRequest& request) {
  int index = 0;
  {
    std::lock_guard lock(mutex_);
    index = static_cast<int>(requests_.size());
    requests_.push_back(request);
  }
  return responder_(request, index);
}

std::vector<platform::HttpRequest> FakeHttpClient::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

int FakeHttpClient::count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(requests_.size());
}

platform::HttpResult FakeHttpClient::Answer(int status, std::string body) {
  platform::HttpResult r;
  r.response.status = status;
  r.response.body = std::move(body);
  return r;
}

platform::HttpResult FakeHttpClient::Failure(platform::HttpFailure kind, int status) {
  platform::HttpResult r;
  r.failure = kind;
  r.error = platform::HttpFailureName(kind);
  r.response.status = status;
  return r;
}

void PacedSystemInfo::sleepMs(uint32_t milliseconds) {
  if (!platform::loop().onMainThread()) {
    std::lock_guard lock(mutex_);
    sleeps_.push_back(milliseconds);
  }
  real_->sleepMs(milliseconds == 0 ? 0 : 1);
}

std::vector<uint32_t> PacedSystemInfo::workerSleeps() const {
  std::lock_guard lock(mutex_);
  return sleeps_;
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    platform::loop().processPendingMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void PumpFor(std::chrono::milliseconds duration) {
  const auto deadline = std::chrono::steady_clock::now() + duration;
  PumpUntil([&] { return std::chrono::steady_clock::now() >= deadline; }, duration + std::chrono::seconds(1));
}

}  // namespace tilvo::testing
