// The real installer against the local update service: what it asks, what it logs, and when it ends.
#include <gtest/gtest.h>

#include <chrono>

#include "support/installer_process.h"
#include "support/update_service.h"

namespace tilvo {
namespace {

using namespace std::chrono_literals;
using testing::CountLines;
using testing::FindLine;
using testing::InstallerOptions;
using testing::InstallerProcess;
using testing::UpdateService;

const std::string kVersionPath = "/inst/tilvo_ver.html?pctype=mero";

InstallerProcess Start(const UpdateService& service, std::vector<std::string> arguments,
                       std::vector<std::string> environment = {"TILVO_CONNECTED=1"}) {
  InstallerOptions options;
  options.arguments = std::move(arguments);
  options.environment = std::move(environment);
  options.environment.push_back("TILVO_SERVER_HOSTS=" + service.hostsEnv());
  return InstallerProcess(TILVO_INSTALLER, options);
}

// Paths requested by the headless page host (everything that is not the version page).
std::vector<std::string> PagesLoaded(const UpdateService& service) {
  std::vector<std::string> pages;
  for (const auto& r : service.requests())
    if (r.path != kVersionPath) pages.push_back(std::to_string(r.server) + " " + r.path);
  return pages;
}

// Asserts that each fragment appears on a later line than the one before.
void ExpectInOrder(const std::vector<std::string>& log, const std::vector<std::string>& fragments) {
  int at = -1;
  for (const auto& f : fragments) {
    const int found = FindLine(log, f, at + 1);
    EXPECT_GT(found, at) << "missing or out of order: " << f;
    if (found > at) at = found;
  }
}

TEST(InstallerAgainstService, Server3AnswersOnceAndTheModeLoadsItsPage) {
  struct Case {
    std::vector<std::string> arguments;
    std::string page;     // loaded from Server 3; empty: none
    std::string logLine;  // written by the mode
    bool ends = false;    // the mode's action ends the program: the uninstall page runs the uninstall
  };
  const Case cases[] = {
      {{}, "3 /inst/install.html", "Param :"},
      {{"update", "C:\\A", "B\\"}, "3 /inst/update.html", "update path : C:\\A B\\"},
      {{"-uninstall"}, "3 /inst/uninstall.html", "Param :-uninstall", true},
      {{"/s"}, "", "Param :/s"},
      {{"unknown"}, "", "Param :unknown"},
  };
  for (const auto& c : cases) {
    const std::string label = c.arguments.empty() ? "(none)" : c.arguments[0];
    UpdateService service;
    auto installer = Start(service, c.arguments);
    ASSERT_TRUE(installer.waitForLog(c.logLine, 10s)) << label;
    std::this_thread::sleep_for(1500ms);  // time for a page load, and for a second check that must not come

    EXPECT_EQ(installer.waitFor(c.ends ? 5000ms : 0ms).has_value(), c.ends) << label << ": ended or not";
    EXPECT_EQ(service.count(0, kVersionPath), 1) << label;
    EXPECT_EQ(service.count(3, kVersionPath), 1) << label;
    EXPECT_EQ(PagesLoaded(service), c.page.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.page})
        << label;
    ExpectInOrder(installer.log(), {"CheckServer : " + service.versionPage(3) + ", False", "TChkServerThread Start",
                                    "Check_ServerAlive : " + service.versionPage(3) + ", 200",
                                    "OnSeverDetect : 200, " + service.versionPage(3), c.logLine});
  }
}

// The first failure ends the program: the error moves the check to Server 1 first.
TEST(InstallerAgainstService, AFailingServer3EndsTheProgramThroughTheDisconnection) {
  struct Case {
    const char* mode;
    double minSeconds, maxSeconds;  // the whole run
  };
  const Case cases[] = {{"down", 0.0, 2.0}, {"404", 0.0, 2.0}, {"hang", 3.0, 4.5}};
  for (const auto& c : cases) {
    UpdateService service({"--mode", std::string("3=") + c.mode});
    auto installer = Start(service, {});
    ASSERT_EQ(installer.waitFor(10s), 0) << c.mode;
    EXPECT_GE(installer.seconds(), c.minSeconds) << c.mode;
    EXPECT_LE(installer.seconds(), c.maxSeconds) << c.mode;

    const auto log = installer.log();
    ExpectInOrder(log, {"TChkServerThread Start",
                        "ServerError : " + service.versionPage(3) + "," + service.versionPage(1),
                        "Check_ServerAlive : EIdException", "ServerDisConn : "});
    EXPECT_EQ(CountLines(log, "ServerDisConn : "), 1) << c.mode;
    EXPECT_EQ(CountLines(log, "Check_ServerAlive : http"), 0) << c.mode;
    EXPECT_EQ(service.count(1, kVersionPath), 0) << c.mode;
    EXPECT_TRUE(PagesLoaded(service).empty()) << c.mode;
  }
}

TEST(InstallerAgainstService, APlainStringAnswerSendsTheNextCheckToServer1WithoutAPage) {
  UpdateService service({"--mode", "3=string"});
  auto installer = Start(service, {});
  ASSERT_TRUE(installer.waitForLog("OnSeverDetect : 200, " + service.versionPage(1), 10s));
  ASSERT_TRUE(installer.waitForLog("Param :", 5s));
  std::this_thread::sleep_for(1000ms);

  std::vector<std::string> order;
  for (const auto& r : service.requests()) order.push_back(std::to_string(r.server) + " " + r.path);
  EXPECT_EQ(order, (std::vector<std::string>{"3 " + kVersionPath, "1 " + kVersionPath, "1 /inst/install.html"}));
  ExpectInOrder(installer.log(), {"OnSeverDetect : 200, " + service.versionPage(3),
                                  "ServerConn \"This server is closed: please use server 1\"",
                                  "Check_ServerAlive : " + service.versionPage(1) + ", 200", "Param :"});
}

TEST(InstallerAgainstService, AnAnswerThatIsNoJsonIsLoggedAndNothingElseHappens) {
  UpdateService service({"--mode", "3=notjson"});
  auto installer = Start(service, {});
  ASSERT_TRUE(installer.waitForLog("SeverDetect : ", 10s));
  std::this_thread::sleep_for(1500ms);
  EXPECT_FALSE(installer.waitFor(0ms));
  EXPECT_EQ(service.requests().size(), 1u);
  EXPECT_EQ(CountLines(installer.log(), "Param :"), 0);
}

TEST(InstallerAgainstService, OfflineTheProgramReportsOneDisconnectionAndEnds) {
  UpdateService service;
  auto installer = Start(service, {}, {"TILVO_CONNECTED=0"});
  ASSERT_EQ(installer.waitFor(10s), 0);
  EXPECT_LT(installer.seconds(), 2.0);
  const auto log = installer.log();
  EXPECT_EQ(CountLines(log, "ServerDisConn : "), 1);
  EXPECT_GE(FindLine(log, "setting TILVO_CONNECTED=0"), 0);
  ExpectInOrder(log, {"TChkServerThread Start", "ServerDisConn : "});
  EXPECT_TRUE(service.requests().empty());
}

TEST(InstallerAgainstService, WithoutDebugModeOnlyForcedLinesAreWritten) {
  UpdateService service({"--mode", "3=down"});
  InstallerOptions options;
  options.environment = {"TILVO_CONNECTED=1", "TILVO_SERVER_HOSTS=" + service.hostsEnv()};
  options.debug = false;
  InstallerProcess installer(TILVO_INSTALLER, options);
  ASSERT_EQ(installer.waitFor(10s), 0);
  EXPECT_EQ(installer.log(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tilvo
