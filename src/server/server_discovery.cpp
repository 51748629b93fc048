// The window's side of the server check: starting it, the server configuration, the mode actions and the
// failover between the three servers. The handlers run on the main thread while the check thread waits.
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "core/command_line.h"
#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/json.h"
#include "core/text.h"
#include "platform/platform.h"
#include "server/chk_server_thread.h"
#include "server/update_servers.h"

namespace tilvo {
namespace {

TChkServerThread& CheckThread() {
  if (!ServerCheckThread) throw std::runtime_error("the server check does not exist");
  return *ServerCheckThread;
}

// Argument 2, joined with argument 3 by a blank when there is one: a folder whose name held a space.
std::string UpdateInstallPath() {
  const std::string third = ParamStr(3);
  return third.empty() ? ParamStr(2) : ParamStr(2) + " " + third;
}

void Navigate(const std::string& configKey) { platform::browser().navigate(JsonReadText(ServerConfig, configKey)); }

}  // namespace

void TfInstUpdate::CheckServer_Thread_Create() {
  if (ServerCheckThread) return;
  ServerCheckThread = new TChkServerThread();  // never freed: it runs until the process ends
  auto& thread = *ServerCheckThread;
  thread.SetUrl(VersionPageUrl(UseServer3First ? 3 : 2) + PcTypeQuery());
  DebugLog(false, Format("CheckServer : %s, %s", thread.Url().c_str(), thread.Use_Https() ? "True" : "False"));
  thread.SetOnServerConn([this](const std::string& Strem, int ResponseCode, const std::string& Url_) {
    ServerConn(Strem, ResponseCode, Url_);
  });
  thread.SetOnServerDisConn([this] { ServerDisConn(); });
  thread.SetOnServerError([this](const std::string& Url_) { ServerError(Url_); });
  thread.Start();
}

void TfInstUpdate::ServerConn(const std::string& AStrem, int ResponseCode, const std::string& Url_) {
  DebugLog(false, Format("OnSeverDetect : %d, %s", ResponseCode, Url_.c_str()));
  try {
    FDocComp = false;
    if (ResponseCode != 200) return;

    ServerConfig = ParseJson(AStrem);
    if (!ServerConfig) throw std::runtime_error("the server's answer is not JSON");

    if (ServerConfig->is_object()) {
      const std::string ftpUrl = JsonReadText(ServerConfig, "ftp_url");
      if (!ftpUrl.empty()) FtpBaseUrl = "ftp://pelmar:pelmar4071@" + ftpUrl;
      DebugLog(false, "Param :" + ParamStr(1));

      const std::string mode = LowerCase(ParamStr(1));
      if (mode == "update") {
        InstallPath = UpdateInstallPath();
        DebugLog(false, "update path : " + InstallPath);
        Navigate("update_url");
      } else if (mode == "update_silent") {
        InstallPath = UpdateInstallPath();
        Navigate("update_url");
      } else if (mode == "-uninstall") {
        InstallPath = AppDir;
        Navigate("uninst_url");
      } else if (mode == "/s" || mode == "/silent" || mode == "-s" || mode == "-silent") {
        InstallPath = "C:\\" + LauncherName + "\\";
        Timer_DownLoad->setEnabled(true);
      } else if (mode.empty()) {
        Navigate("inst_url");
      }
      return;
    }

    if (ServerConfig->is_string()) {
      // The server sends the client to Server 1; its next turn asks there and no page is loaded.
      DebugLog(false, "ServerConn " + AStrem);
      auto& thread = CheckThread();
      thread.SetServerAlive(false);
      thread.SetUrl(VersionPageUrl(1) + PcTypeQuery());
    }
  } catch (const std::exception& e) {
    DebugLog(false, std::string("SeverDetect : ") + e.what());
  }
}

void TfInstUpdate::ServerDisConn() {
  DebugLog(false, "ServerDisConn : ");
  try {
    platform::browser().navigate("about:blank");
    Close();
  } catch (const std::exception& e) {
    DebugLog(false, std::string("ServerDisConn : ") + e.what());
  }
}

void TfInstUpdate::ServerError(const std::string& Url_) {
  try {
    const std::string next = NextVersionPage(Url_) + PcTypeQuery();
    CheckThread().SetUrl(next);
    DebugLog(false, "ServerError : " + Url_ + "," + next);
  } catch (const std::exception& e) {
    DebugLog(false, std::string("ServerError : ") + e.what());
  }
}

}  // namespace tilvo
