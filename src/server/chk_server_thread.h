#pragma once
// The background check that finds out, again and again, whether the machine is online and whether the
// update server at Url answers.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tilvo {

// Strem: the whole response body, valid only during the call.
using TOnServerConn = std::function<void(const std::string& Strem, int ResponseCode, const std::string& Url_)>;
using TOnServerDisConn = std::function<void()>;
using TOnServerError = std::function<void(const std::string& Url_)>;

// Created not running; Start() runs Execute on a detached thread of its own. Each event is handed to the main
// thread and the thread waits until it has been handled, so handlers may use main-thread state and change
// Url and ServerAlive for the next turn. Url and ServerAlive have no lock: they are written only before
// Start, by the thread itself, or by handlers while the thread waits.
class TChkServerThread {
 public:
  TChkServerThread();
  // Stops the loop and waits for the thread as WaitFor does. The installer never frees its thread.
  virtual ~TChkServerThread();
  TChkServerThread(const TChkServerThread&) = delete;
  TChkServerThread& operator=(const TChkServerThread&) = delete;

  // Set before Start.
  void SetOnServerConn(TOnServerConn handler) { FOnServerConn = std::move(handler); }
  void SetOnServerDisConn(TOnServerDisConn handler) { FOnServerDisConn = std::move(handler); }
  void SetOnServerError(TOnServerError handler) { FOnServerError = std::move(handler); }

  const std::string& Url() const { return FUrl; }
  void SetUrl(const std::string& url) { FUrl = url; }
  bool ServerAlive() const { return FServerAlive; }
  void SetServerAlive(bool alive) { FServerAlive = alive; }
  bool Use_Https() const { return FUse_Https; }

  void Start();      // once
  void Terminate();  // the loop stops at its next turn
  bool Terminated() const { return terminated_; }
  bool Finished() const { return *finished_; }
  // Returns once the thread has ended; on the main thread it keeps handling messages meanwhile, so an
  // event the thread waits on can still run.
  void WaitFor();

 protected:
  virtual void Execute();
  bool IsConnected();
  bool Check_ServerAlive();

 private:
  // Runs `event` on the main thread and returns once it has run; an error of the handler comes back here.
  static void Synchronize(const std::function<void()>& event);
  void RaiseServerDisConn();
  static void Sleep(uint32_t milliseconds);

  TOnServerConn FOnServerConn;
  TOnServerDisConn FOnServerDisConn;
  TOnServerError FOnServerError;
  std::string FUrl;
  bool FServerAlive = false;
  bool FFrirstExcute = false;
  bool FUse_Https = false;
  int32_t FServerChkCnt = 0;

  std::atomic<bool> terminated_{false};
  bool started_ = false;
  // Shared with the running thread, which may still set it after this object is gone.
  std::shared_ptr<std::atomic<bool>> finished_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace tilvo
