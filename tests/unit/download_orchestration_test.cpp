#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>

#include "core/installer_state.h"
#include "core/json.h"
#include "download/down_thread.h"
#include "platform/platform.h"
#include "support/fake_url_download.h"
#include "support/platform_fakes.h"
#include "support/recording_ui.h"
#include "support/sandbox.h"

namespace tilvo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The form with recorded message boxes and a store that serves nothing. A download thread that a test
// starts has nothing to walk (no manifest) and ends at once; the test frees it.
struct Orchestration {
  Orchestration() : ui(installRecordingUi(sb.platform())), store(installFakeUrlDownload(sb.platform())) {
    DebugMode = true;
    AppDir = "C:\\setup\\";
    ServerConfig = ParseJson("{}");
  }
  ~Orchestration() {
    if (DownloadThread) {
      EXPECT_TRUE(DownloadThread->WaitFor(5s));
      delete DownloadThread;
    }
  }
  mode_t mode(const std::string& windowsPath) {
    struct stat st{};
    return ::stat(sb.host(windowsPath).c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
  }

  Sandbox sb;
  RecordingUi ui;
  FakeUrlDownload& store;
  TfInstUpdate form;
};

TEST(Process_Download, CreatesTheInstallFolderForEveryoneAndOneThreadPerProcess) {
  Orchestration o;
  InstallPath = "C:\\Tilvo launcher\\";
  o.form.Process_Download();
  ASSERT_NE(DownloadThread, nullptr);
  EXPECT_EQ(o.mode(InstallPath), 0777u);
  EXPECT_EQ(DownloadThread->InstPath(), InstallPath);
  EXPECT_TRUE(o.sb.log().contains("Process_Download : C:\\Tilvo launcher\\"));

  TDownThread* first = DownloadThread;
  o.form.Process_Download();
  EXPECT_EQ(DownloadThread, first) << "a second request starts nothing";
  EXPECT_TRUE(o.ui.messageBoxes->texts.empty());
}

TEST(Process_Download, AFolderThatCannotBeCreatedIsReportedAndNothingRuns) {
  Orchestration o;
  InstallPath = "";
  o.form.Process_Download();
  EXPECT_EQ(DownloadThread, nullptr);
  EXPECT_TRUE(o.ui.messageBoxes->texts.empty()) << "an empty folder does nothing at all";

  InstallPath = "C:\\no parent\\Tilvo\\";
  o.form.Process_Download();
  EXPECT_EQ(DownloadThread, nullptr);
  EXPECT_EQ(o.ui.messageBoxes->texts, std::vector<std::string>{"경로가 올바르지 않습니다 : C:\\no parent\\Tilvo\\"});
  EXPECT_FALSE(fs::exists(o.sb.host("C:\\no parent")));
}

TEST(Timer_DownLoadTimer, PicksTheRouteByTheCloudDriveSwitch) {
  const std::pair<const char*, bool> cases[] = {
      {R"({"inst_use_google_drive_": "false"})", true}, {R"({"inst_use_google_drive_": 1})", true},
      {R"({"inst_use_google_drive_": false})", false},  {R"({"inst_use_google_drive_": 0})", false},
      {R"({"inst_use_google_drive_": ""})", false},     {"{}", false},
  };
  for (const auto& [config, cloud] : cases) {
    Orchestration o;
    o.sb.platform().http = std::make_unique<FakeHttpClient>(
        [](const platform::HttpRequest&, int) { return FakeHttpClient::Failure(platform::HttpFailure::Connect); });
    ServerConfig = ParseJson(config);
    InstallPath = "C:\\Tilvo launcher\\";
    o.form.FDownLoad_Fail_Flag = true;
    o.form.Timer_DownLoad->setEnabled(true);
    o.form.Timer_DownLoadTimer();
    EXPECT_FALSE(o.form.Timer_DownLoad->enabled()) << config;
    EXPECT_FALSE(o.form.FDownLoad_Fail_Flag) << config;
    EXPECT_EQ(DownloadThread == nullptr, cloud) << config;
    EXPECT_EQ(o.form.Timer_Exit->enabled(), cloud) << config;
    // The cloud-drive route unpacks its trust store first; here its index cannot be had.
    EXPECT_EQ(fs::exists(o.sb.host("C:\\setup\\ssl32\\ca-certificates.crt")), cloud) << config;
    const auto lines = o.sb.log().lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "파일 정보 다운 로드에 실패 하였습니다"), cloud ? 1 : 0) << config;
    EXPECT_EQ(o.form.GoogleObject, nullptr) << config;
  }
}

TEST(FileDownLoadBegin, CreatesTheEntryFolderAndShowsTheWindowWhenTheRunReplacesPrograms) {
  Orchestration o;
  PageWidth = 744;
  PageHeight = 528;
  o.form.FileDownLoadBegin("C:\\x\\a.zip", "", true);
  EXPECT_EQ(platform::window().width(), 0) << "no folder: nothing at all";

  o.form.FileDownLoadBegin("C:\\Tilvo launcher\\tools\\t.zip", "C:\\Tilvo launcher\\tools\\", false);
  EXPECT_FALSE(fs::exists(o.sb.host("C:\\Tilvo launcher"))) << "one level only: the parent must exist";
  fs::create_directories(o.sb.host("C:\\") + "/Tilvo launcher");
  o.form.FileDownLoadBegin("C:\\Tilvo launcher\\tools\\t.zip", "C:\\Tilvo launcher\\tools\\", false);
  EXPECT_EQ(o.mode("C:\\Tilvo launcher\\tools"), 0777u);
  EXPECT_EQ(platform::window().width(), 0);

  o.form.FileDownLoadBegin("C:\\Tilvo launcher\\a.zip", "C:\\Tilvo launcher\\", true);
  EXPECT_EQ(platform::window().width(), 744);
  EXPECT_EQ(platform::window().height(), 528);
}

}  // namespace
}  // namespace tilvo::testing
