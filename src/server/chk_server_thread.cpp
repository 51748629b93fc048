#include "server/chk_server_thread.h"

#include <chrono>
#include <thread>

#include "core/debug_log.h"
#include "platform/platform.h"

namespace tilvo {
namespace {

constexpr uint32_t kReadTimeoutMs = 3000;
constexpr int32_t kMaxFailedChecks = 5;  // counts 0 to 5: six requests

}  // namespace

TChkServerThread::TChkServerThread() = default;

TChkServerThread::~TChkServerThread() {
  Terminate();
  WaitFor();
}

void TChkServerThread::Start() {
  if (started_) return;
  started_ = true;
  std::thread([this, finished = finished_] {
    try {
      Execute();
    } catch (...) {
      // An error that is not the HTTP layer's (a handler's) ends the thread without the stop line.
    }
    finished->store(true);  // the last touch: the object may be freed from here on
  }).detach();
}

void TChkServerThread::Terminate() { terminated_ = true; }

void TChkServerThread::WaitFor() {
  if (!started_) return;
  auto& loop = platform::loop();
  while (!Finished()) {
    if (loop.onMainThread()) loop.processPendingMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void TChkServerThread::Execute() {
  DebugLog(false, "TChkServerThread Start");
  FServerAlive = false;
  FFrirstExcute = true;
  FServerChkCnt = 0;
  while (!Terminated()) {
    if (!FServerAlive) {
      if (!IsConnected()) {
        if (FFrirstExcute) {
          FFrirstExcute = false;
          RaiseServerDisConn();
        }
        FServerChkCnt = 0;
      } else if (!Check_ServerAlive()) {
        ++FServerChkCnt;
        if (FFrirstExcute) {
          FFrirstExcute = false;
          RaiseServerDisConn();
        }
        Sleep(1000);
      }
    } else if (!IsConnected()) {
      FServerAlive = false;
      RaiseServerDisConn();
    }
    Sleep(100);
  }
  DebugLog(false, "TChkServerThread Stop");
}

bool TChkServerThread::IsConnected() { return platform::connection().isConnected(); }

bool TChkServerThread::Check_ServerAlive() {
  if (FServerChkCnt > kMaxFailedChecks) return false;

  // A client of its own for this check; redirects are not followed.
  platform::HttpRequest request;
  request.url = FUrl;
  request.readTimeoutMs = kReadTimeoutMs;
  request.userAgent = "Mozilla/4.0";
  const platform::HttpResult result = platform::http().perform(request);

  const std::string url = FUrl;  // the handlers may change FUrl while they run
  if (result.failed()) {
    if (FOnServerError) Synchronize([this, &url] { FOnServerError(url); });
    DebugLog(false, "Check_ServerAlive : EIdException");
    return false;
  }
  const int status = result.response.status;
  DebugLog(false, Format("Check_ServerAlive : %s, %d", url.c_str(), status));
  if (status != 200) return false;
  if (FOnServerConn) {
    FServerAlive = true;
    Synchronize([this, &result, status, &url] { FOnServerConn(result.response.body, status, url); });
  }
  return true;
}

void TChkServerThread::Synchronize(const std::function<void()>& event) { platform::loop().invokeAndWait(event); }

void TChkServerThread::RaiseServerDisConn() {
  if (FOnServerDisConn) Synchronize([this] { FOnServerDisConn(); });
}

void TChkServerThread::Sleep(uint32_t milliseconds) { platform::systemInfo().sleepMs(milliseconds); }

}  // namespace tilvo
