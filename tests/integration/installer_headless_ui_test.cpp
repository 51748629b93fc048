// The installer's pages without a display: the page host fetches them and reports their completion, so the
// update and uninstall modes work on a machine without a desktop.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

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

// No DISPLAY: the runner removes it.
InstallerProcess startHeadless(const UpdateService& service, std::vector<std::string> arguments) {
  InstallerOptions options;
  options.arguments = std::move(arguments);
  options.environment = {"TILVO_CONNECTED=1", "TILVO_TRACE_TIMERS=1", "TILVO_SERVER_HOSTS=" + service.hostsEnv()};
  return InstallerProcess(TILVO_INSTALLER, options);
}

TEST(InstallerWithoutADisplay, TheInstallPageCompletesWithoutADocument) {
  UpdateService service;
  auto installer = startHeadless(service, {});
  // The first load places the (hidden) window, which checks the system's version.
  ASSERT_TRUE(installer.waitForLog("Windows 10, 10, 0", 15s));
  std::this_thread::sleep_for(500ms);
  const auto log = installer.log();
  EXPECT_GE(FindLine(log, "setting display=none"), 0);
  EXPECT_EQ(service.count(3, "/inst/install.html"), 1);
  EXPECT_EQ(CountLines(log, "Explorer DocumentComplete"), 0);  // no document: no click sink, no log line
  EXPECT_EQ(CountLines(log, "ProcessExcept"), 0);
  EXPECT_FALSE(installer.waitFor(0ms));
}

TEST(InstallerWithoutADisplay, UpdateModesRequestTheDownloadOnceTheUpdatePageHasLoaded) {
  for (const char* mode : {"update", "update_silent"}) {
    UpdateService service;
    auto installer = startHeadless(service, {mode, "C:\\Tilvo launcher\\"});
    ASSERT_TRUE(installer.waitForLog("timer Timer_DownLoad on", 15s)) << mode;
    EXPECT_EQ(service.count(3, "/inst/update.html"), 1) << mode;
    EXPECT_FALSE(installer.waitFor(0ms)) << mode;
  }
}

TEST(InstallerWithoutADisplay, UninstallModeRunsTheUninstallAndEnds) {
  UpdateService service;
  auto installer = startHeadless(service, {"-uninstall"});
  ASSERT_EQ(installer.waitFor(15s), 0);
  const auto log = installer.log();
  EXPECT_EQ(service.count(3, "/inst/uninstall.html"), 1);
  const int placed = FindLine(log, "Windows 10, 10, 0");  // the window is placed first, then the uninstall runs
  ASSERT_GE(placed, 0);
  EXPECT_GT(FindLine(log, "DeleteFile ", placed), placed);
}

}  // namespace
}  // namespace tilvo
