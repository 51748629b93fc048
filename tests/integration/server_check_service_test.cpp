// The server check in process, over the real HTTP layer, against the local update service: the mode actions
// after a real answer, and the failover when a server fails.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "core/installer_state.h"
#include "server/chk_server_thread.h"
#include "support/platform_fakes.h"
#include "support/sandbox.h"
#include "support/update_service.h"

namespace tilvo {
namespace {

using testing::PumpFor;
using testing::PumpUntil;
using testing::RecordingBrowser;

// One installer window in a sandbox, set up as start-up leaves it, pointed at the service.
class Installer {
 public:
  Installer(const testing::UpdateService& service, std::vector<std::string> arguments) : sb(std::move(arguments)) {
    auto recorder = std::make_unique<RecordingBrowser>();
    browser = recorder.get();
    sb.platform().browser = std::move(recorder);
    sb.platform().connection = std::make_unique<testing::FakeConnectionState>();
    sb.platform().serverHosts = service.hosts();
    PcType = "mero";
    LauncherName = "Tilvo launcher";
    AppDir = "C:\\Setup\\";
    InstallPath = "C:\\Tilvo launcher\\";
    DebugMode = true;
  }
  ~Installer() {
    delete ServerCheckThread;  // stops the loop and waits for it
    ServerCheckThread = nullptr;
  }

  testing::Sandbox sb;
  RecordingBrowser* browser = nullptr;
  TfInstUpdate form;
};

TEST(ServerCheckAgainstService, Server3AnswersOnceAndTheModeActs) {
  testing::UpdateService service;
  struct Case {
    std::vector<std::string> arguments;
    std::string page;  // path navigated to on Server 3; empty: none
    std::string installPath;
    bool download;
  };
  const Case cases[] = {
      {{}, "/inst/install.html", "C:\\Tilvo launcher\\", false},
      {{"update", "C:\\A", "B\\"}, "/inst/update.html", "C:\\A B\\", false},
      {{"-uninstall"}, "/inst/uninstall.html", "C:\\Setup\\", false},
      {{"/s"}, "", "C:\\Tilvo launcher\\", true},
      {{"unknown"}, "", "C:\\Tilvo launcher\\", false},
  };
  int checks = 0;
  for (const auto& c : cases) {
    const std::string label = c.arguments.empty() ? "(none)" : c.arguments[0];
    Installer installer(service, c.arguments);
    installer.form.Timer_DownLoad->setOnTimer({});  // the run it requests is not this test's business
    installer.form.CheckServer_Thread_Create();
    ASSERT_TRUE(PumpUntil([&] { return installer.sb.log().contains("Param :"); })) << label;
    PumpFor(std::chrono::milliseconds(400));  // time for a second request, which must not come

    EXPECT_EQ(service.count(3, "/inst/tilvo_ver.html?pctype=mero"), ++checks) << label;
    EXPECT_EQ(service.count(0, "/inst/tilvo_ver.html?pctype=mero"), checks) << label;
    const auto expected = c.page.empty() ? std::vector<std::string>{} : std::vector<std::string>{service.url(3, c.page)};
    EXPECT_EQ(installer.browser->navigations, expected) << label;
    EXPECT_EQ(InstallPath, c.installPath) << label;
    EXPECT_EQ(installer.form.Timer_DownLoad->enabled(), c.download) << label;
    ASSERT_TRUE(ServerConfig && ServerConfig->is_object()) << label;
    EXPECT_EQ(ServerConfig->value("inst_url", ""), service.url(3, "/inst/install.html")) << label;
  }
  EXPECT_EQ(service.requests().at(0).userAgent, "Mozilla/4.0");
}

// Server 3 fails; the thread's error event moves the check to Server 1, which answers. The first failure's
// disconnection report is only recorded here, so the check can be seen going on.
TEST(ServerCheckAgainstService, AFailedServerMovesTheCheckToServer1) {
  struct Case {
    const char* mode;
    double minSeconds, maxSeconds;  // from the start to the error event
  };
  const Case cases[] = {{"down", 0.0, 0.5}, {"404", 0.0, 0.5}, {"hang", 2.95, 3.5}};
  for (const auto& c : cases) {
    testing::UpdateService service({"--mode", std::string("3=") + c.mode});
    Installer installer(service, {});
    std::vector<std::string> events;
    double errorAfter = -1;
    const auto start = std::chrono::steady_clock::now();

    ServerCheckThread = new TChkServerThread();
    auto& thread = *ServerCheckThread;
    thread.SetUrl(service.versionPage(3));
    thread.SetOnServerError([&](const std::string& url) {
      errorAfter = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      events.push_back("error");
      installer.form.ServerError(url);
    });
    thread.SetOnServerDisConn([&] { events.push_back("disconn"); });
    thread.SetOnServerConn([&](const std::string& body, int code, const std::string& url) {
      events.push_back("conn");
      installer.form.ServerConn(body, code, url);
    });
    thread.Start();

    ASSERT_TRUE(PumpUntil([&] { return events.size() >= 3; })) << c.mode;
    EXPECT_EQ(events, (std::vector<std::string>{"error", "disconn", "conn"})) << c.mode;
    EXPECT_GE(errorAfter, c.minSeconds) << c.mode;
    EXPECT_LE(errorAfter, c.maxSeconds) << c.mode;
    EXPECT_EQ(installer.browser->navigations, std::vector<std::string>{service.url(1, "/inst/install.html")})
        << c.mode;

    const auto log = installer.sb.log().lines();
    const auto at = [&](const std::string& fragment) {
      for (size_t i = 0; i < log.size(); ++i)
        if (log[i].find(fragment) != std::string::npos) return static_cast<int>(i);
      return -1;
    };
    const int error = at("ServerError : " + service.versionPage(3) + "," + service.versionPage(1));
    const int exception = at("Check_ServerAlive : EIdException");
    const int answer = at("Check_ServerAlive : " + service.versionPage(1) + ", 200");
    ASSERT_GE(error, 0) << c.mode;
    EXPECT_LT(error, exception) << c.mode;
    EXPECT_LT(exception, answer) << c.mode;
    EXPECT_EQ(at("Check_ServerAlive : " + service.versionPage(3) + ","), -1) << c.mode;
    if (std::string(c.mode) == "hang") service.setMode(3, "normal");  // lets the held request go
  }
}

}  // namespace
}  // namespace tilvo
