#pragma once
// Fakes of the network-facing platform services, for tests of the logic.
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/recording_ui.h"

namespace tilvo::testing {

// Answers each request with what the responder says; records every request.
class FakeHttpClient final : public platform::HttpClient {
 public:
  // `index`: 0 for the first request, 1 for the second, ...
  using Responder = std::function<platform::HttpResult(const platform::HttpRequest& request, int index)>;
  explicit FakeHttpClient(Responder responder) : responder_(std::move(responder)) {}

  platform::HttpResult perform(const platform::HttpRequest& request) override;
  std::vector<platform::HttpRequest> requests() const;
  int count() const;

  static platform::HttpResult Answer(int status, std::string body = {});
  static platform::HttpResult Failure(platform::HttpFailure kind, int status = 0);

 private:
  Responder responder_;
  mutable std::mutex mutex_;
  std::vector<platform::HttpRequest> requests_;
};

class FakeConnectionState final : public platform::ConnectionState {
 public:
  bool isConnected() override { return connected; }
  std::atomic<bool> connected{true};
};

// The real system information, but sleeps of worker threads last 1 ms and are recorded, so loops paced by
// sleeps run fast and their pacing can be read back.
class PacedSystemInfo final : public platform::SystemInfo {
 public:
  explicit PacedSystemInfo(std::unique_ptr<platform::SystemInfo> real) : real_(std::move(real)) {}
  uint32_t tickCount() override { return real_->tickCount(); }
  void sleepMs(uint32_t milliseconds) override;
  std::string executablePath() override { return real_->executablePath(); }
  bool isNative64Bit() override { return real_->isNative64Bit(); }
  uint32_t windowsMajorVersion() override { return real_->windowsMajorVersion(); }
  uint32_t windowsMinorVersion() override { return real_->windowsMinorVersion(); }

  std::vector<uint32_t> workerSleeps() const;

 private:
  std::unique_ptr<platform::SystemInfo> real_;
  mutable std::mutex mutex_;
  std::vector<uint32_t> sleeps_;
};


// Handles the main thread's messages until `done` holds; false when `limit` passed first.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));
// Handles the main thread's messages for `duration`.
void PumpFor(std::chrono::milliseconds duration);

}  // namespace tilvo::testing
