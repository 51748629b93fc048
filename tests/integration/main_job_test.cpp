// The installer's main job end to end: the real binary against the local update service and its FTP file
// store, installing the sample launcher into C:\Tilvo launcher\ of a virtual drive.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "core/installer_state.h"
#include "core/json.h"
#include "core/text.h"
#include "download/app_version.h"
#include "install/system_registration.h"
#include "platform/platform.h"
#include "support/folder_tree.h"
#include "support/installer_process.h"
#include "support/running_programs.h"
#include "support/sandbox.h"
#include "support/main_job.h"
#include "support/update_service.h"

namespace tilvo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(MainJob, SilentInstallFetchesEverythingRegistersAndStartsTheLauncher) {
  MainJob m;
  const auto log = m.run({"/s"});

  EXPECT_EQ(m.service.storeTransfers(), AllTransfers());
  EXPECT_EQ(installedNames(m.host()), kInstalledFiles);
  EXPECT_EQ(GetAppVersionStr(kInstallFolder + "Tilvo.exe"), m.service.storeVersion("launcher"));
  EXPECT_EQ(GetAppVersionStr(kInstallFolder + "tools\\Tilvo_Tool.exe"), m.service.storeVersion("tools"));
  EXPECT_NE(readFile(m.host("setup.ini")).find("pctype=mero"), std::string::npos);

  // Registered as a silent install of the "mero" edition: uninstall entry, application key, the start
  // program in the common Startup folder (it replaces the launcher's own link), icon folders; no movie.
  EXPECT_TRUE(platform::registry().keyExists(platform::RootKey::LocalMachine, UninstallKey()));
  EXPECT_TRUE(platform::registry().keyExists(platform::RootKey::LocalMachine, AppKey()));
  const std::string startup = m.sb.host(GetSpecialFolderPath(CSIDL_COMMON_STARTUP));
  EXPECT_TRUE(fs::exists(startup + "/Tilvo_Start.exe"));
  EXPECT_FALSE(fs::exists(startup + "/Tilvo.lnk"));
  EXPECT_TRUE(fs::is_directory(m.host("icons/hotgame")));
  EXPECT_FALSE(fs::exists(m.host("movie")));
  EXPECT_FALSE(fs::exists(m.sb.host(GetDesktopPath()) + "/Tilvo.lnk")) << "no desktop link with an argument";

  // The launcher runs as a real process from its folder; the edition's set-up program ran with the edition.
  ASSERT_TRUE(waitUntil(5000, [&] { return !m.launchers().empty(); }));
  const std::string runs = readFile(m.host("sample_run.log"));
  EXPECT_NE(runs.find("Tilvo.exe started pid=" + std::to_string(m.launchers().front()) + " cwd=" +
                      m.host().substr(0, m.host().size() - 1)),
            std::string::npos)
      << runs;
  EXPECT_NE(runs.find("Tilvo_Setup.exe started"), std::string::npos);
  EXPECT_NE(runs.find("args=mero"), std::string::npos);
  EXPECT_EQ(CountLines(log, "DownLoad False"), 0);
  EXPECT_EQ(CountLines(log, "ZipFile : "), 0);
  EXPECT_EQ(CountLines(log, "FInstCount : 5"), 2) << "the last file and the final event";
}

TEST(MainJob, ASecondRunFetchesNothing) {
  MainJob m;
  m.run({"/s"});
  const size_t before = m.service.storeTransfers().size();
  const auto log = m.run({"/s"});
  EXPECT_TRUE(m.transfersSince(before).empty());
  EXPECT_EQ(CountLines(log, "update fileinfo_"), 0);
  EXPECT_EQ(CountLines(log, "FileDownLoadComplete : "), 1) << "only the final event";
  EXPECT_EQ(CountLines(log, "FileDownLoadComplete : , , False, True, Tilvo.exe"), 1);
  // The progress tick after the final event has no overall percentage to form: its one logged error.
  EXPECT_EQ(CountLines(log, "ProcessExcept : "), 1);
  EXPECT_EQ(CountLines(log, "ProcessExcept : Invalid floating point operation"), 1);
  EXPECT_EQ(CountLines(log, "DownLoad False"), 0);
}

TEST(MainJob, UpdateFetchesOnlyTheRaisedFileAndRestartsTheLauncherUnlessSilent) {
  for (const std::string mode : {"update", "update_silent"}) {
    MainJob m;
    m.run({"/s"});
    ASSERT_TRUE(waitUntil(5000, [&] { return !m.launchers().empty(); }));
    const pid_t old = m.launchers().front();
    // Registration is the installation's: an update must not make it again.
    platform::registry().deleteKey(platform::RootKey::LocalMachine, UninstallKey());

    m.service.raiseVersion("launcher");
    const size_t before = m.service.storeTransfers().size();
    const auto log = m.run({mode, kInstallFolder});

    EXPECT_EQ(m.transfersSince(before), std::vector<std::string>{kStoreX64 + "Tilvo.zip"}) << mode;
    EXPECT_EQ(GetAppVersionStr(kInstallFolder + "Tilvo.exe"), m.service.storeVersion("launcher")) << mode;
    EXPECT_EQ(installedNames(m.host()), kInstalledFiles) << mode;
    EXPECT_FALSE(platform::registry().keyExists(platform::RootKey::LocalMachine, UninstallKey())) << mode;
    EXPECT_EQ(CountLines(log, "FileDownLoadComplete : C:\\Tilvo launcher\\Tilvo.zip, C:\\Tilvo launcher\\, True, False"),
              1)
        << mode;
    const auto now = m.launchers();
    EXPECT_TRUE(std::find(now.begin(), now.end(), old) == now.end()) << mode << ": the old launcher was ended";
    if (mode == "update") {
      EXPECT_TRUE(waitUntil(5000, [&] { return !m.launchers().empty(); })) << "started again";
    } else {
      EXPECT_TRUE(now.empty()) << "update_silent does not start it";
    }
  }
}

TEST(MainJob, AnInstallFolderWhoseParentIsMissingIsReportedAndNothingIsFetched) {
  MainJob m;
  auto installer = m.start({"update", "C:\\no parent\\Tilvo\\"});
  EXPECT_TRUE(installer.waitForLog("경로가 올바르지 않습니다 : C:\\no parent\\Tilvo\\", 20s));
  EXPECT_FALSE(installer.waitFor(1s)) << "no run: nothing ends it";
  EXPECT_TRUE(m.service.storeTransfers().empty());
  EXPECT_FALSE(fs::exists(m.sb.host("C:\\no parent")));
}

TEST(MainJob, BadDownloadsLoseNothingAndTheRunGoesOn) {
  struct Case {
    const char* entry;
    const char* fault;
    std::string logged;
    std::vector<std::string> missing;  // of a complete installation
  };
  const Case cases[] = {
      {"tools", "notzip", "", {"tools/Tilvo_Tool.exe", "tools/lang", "tools/lang/ko.txt"}},
      {"setup", "cut", "Tilvo_Setup.zip, Tilvo_Setup.exe DownLoad False", {"Tilvo_Setup.exe"}},
      {"tools", "traversal", "ZipFile : refused entry ../escaped.txt", {}},
  };
  for (const auto& c : cases) {
    MainJob m({"--store-fault", std::string(c.entry) + "=" + c.fault});
    const auto log = m.run({"/s"});
    if (!c.logged.empty()) {
      EXPECT_EQ(CountLines(log, c.logged), 1) << c.fault;
    }
    auto expected = kInstalledFiles;
    for (const auto& name : c.missing) expected.erase(name);
    EXPECT_EQ(installedNames(m.host()), expected) << c.fault;
    // Nothing half-written, no download left, nothing outside the entry's folder.
    for (const auto& [name, content] : folderTree(m.sb.host("C:\\")))
      EXPECT_TRUE(name.find(".part-") == std::string::npos && name.find("escaped") == std::string::npos &&
                  ExtractFileExt(name) != ".zip")
          << c.fault << ": " << name;
    EXPECT_EQ(CountLines(log, "FileDownLoadComplete : , , "), 1) << c.fault << ": the final event";
    EXPECT_TRUE(waitUntil(5000, [&] { return !m.launchers().empty(); })) << c.fault << ": the launcher started";
  }
}

}  // namespace
}  // namespace tilvo::testing
