// The cloud-drive route's rules with a fake network: the index lookup, the dispatch, the counting of the
// threads' final messages and how a run ends.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>

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

using namespace std::chrono_literals;

// The form on a sandbox whose network answers every file URL with a small body and the index with `index`.
struct CloudRoute {
  explicit CloudRoute(std::vector<std::string> arguments = {})
      : sb(std::move(arguments)), ui(installRecordingUi(sb.platform())), store(installFakeUrlDownload(sb.platform())) {
    DebugMode = true;
    AppDir = "C:\\setup\\";
    InstallPath = "C:\\Tilvo launcher\\";
    auto fake = std::make_unique<FakeHttpClient>([this](const platform::HttpRequest& request, int) {
      if (request.url.find("/inst/googledrive/") != std::string::npos) return FakeHttpClient::Answer(200, index);
      if (request.url.find("/broken/") != std::string::npos)
        return FakeHttpClient::Failure(platform::HttpFailure::Transfer);
      if (request.sink) request.sink->write("data", 4);
      return FakeHttpClient::Answer(200);
    });
    http = fake.get();
    sb.platform().http = std::move(fake);
  }
  ~CloudRoute() {
    if (DownloadThread) {
      EXPECT_TRUE(DownloadThread->WaitFor(5s));
      delete DownloadThread;
    }
  }

  // Messages the threads posted, handled until every started thread has reported.
  void AwaitThreads() {
    EXPECT_TRUE(PumpUntil([&] { return form.FDownLoad_Count == form.FDownLoad_TotalCount; }, 10s));
  }

  std::string index;
  Sandbox sb;
  RecordingUi ui;
  FakeUrlDownload& store;
  FakeHttpClient* http = nullptr;
  TfInstUpdate form;
};

// Entries whose programs are "<downname>.exe" in the folder "bin"; a program without version resource reads
// as "0.0.0.0".
std::string Manifest(const std::vector<std::string>& downnames, const std::string& ver = "1.0.0.1") {
  nlohmann::json versions = nlohmann::json::object();
  for (const auto& d : downnames)
    versions[d] = {{"downname", d}, {"path", "bin"}, {"orgname", d + ".exe"}, {"ver", ver}, {"redo", "false"}};
  return JsonToText(nlohmann::json{{"versions", versions}});
}

std::string Index(const std::vector<std::pair<std::string, std::string>>& items) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& [title, url] : items) list.push_back({{"title", title}, {"download_url", url}});
  return JsonToText(nlohmann::json{{"list", list}});
}

TEST(Get_GoogleDrive_JsonFile, AsksServer3WithoutFollowingRedirects) {
  CloudRoute r;
  r.index = Index({{"a.zip", "https://drive/a"}});
  ASSERT_TRUE(r.form.Get_GoogleDrive_JsonFile("mero"));
  const auto request = r.http->requests().at(0);
  EXPECT_NE(request.url.find("/inst/googledrive/mero.json"), std::string::npos);
  EXPECT_EQ(request.userAgent, "Mozilla/4.0");
  EXPECT_EQ(request.readTimeoutMs, 3000u);
  EXPECT_FALSE(request.redirects.follow);
  EXPECT_EQ((*r.form.GoogleObject)["list"][0]["title"], "a.zip");
}

TEST(Get_GoogleDrive_JsonFile, AFailureOrAnEmptyBodyGivesFalse) {
  CloudRoute r;
  r.sb.platform().http = std::make_unique<FakeHttpClient>([](const platform::HttpRequest&, int index) {
    return index == 0 ? FakeHttpClient::Failure(platform::HttpFailure::ErrorStatus, 404) : FakeHttpClient::Answer(200);
  });
  const auto kept = r.form.GoogleObject = ParseJson("{}");
  EXPECT_FALSE(r.form.Get_GoogleDrive_JsonFile("mero"));
  EXPECT_FALSE(r.form.Get_GoogleDrive_JsonFile("mero"));
  EXPECT_EQ(r.form.GoogleObject, kept);
  const auto lines = r.sb.log().lines();
  const auto unprefixed = [](const std::string& line) { return line.rfind("Get_GoogleDrive_JsonFile : ", 0) == 0; };
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), unprefixed), 1);
}

TEST(Get_DownLoad_FileId, FirstExactTitleWins) {
  CloudRoute r;
  struct Case {
    std::string index, title;
    bool found;
    std::string url;
  };
  const std::vector<Case> cases = {
      {Index({{"a.zip", "u1"}, {"a.zip", "u2"}}), "a.zip", true, "u1"},
      {Index({{"A.zip", "u1"}}), "a.zip", false, ""},
      {Index({}), "a.zip", false, ""},
      {R"({"list": {"title": "a.zip"}})", "a.zip", false, ""},
      {R"({"other": []})", "a.zip", false, ""},
  };
  for (const auto& c : cases) {
    r.form.GoogleObject = ParseJson(c.index);
    std::string url;
    EXPECT_EQ(r.form.Get_DownLoad_FileId(c.title, url), c.found) << c.index;
    EXPECT_EQ(url, c.url) << c.index;
  }
}

TEST(Process_Download_GoogleDrive, NothingToFetchGivesFalseAndStartsNothing) {
  CloudRoute r;
  ServerConfig = ParseJson(Manifest({"a.zip"}, "0.0.0.0"));
  r.form.GoogleObject = ParseJson(Index({{"a.zip", "https://drive/a"}}));
  std::filesystem::create_directories(r.sb.host("C:\\Tilvo launcher\\bin"));
  writeFile(r.sb.host("C:\\Tilvo launcher\\bin\\a.zip.exe"), "");
  EXPECT_FALSE(r.form.Process_Download_GoogleDrive());
  EXPECT_EQ(r.form.FDownLoad_TotalCount, 0);
  EXPECT_EQ(r.http->count(), 0);
}

TEST(Process_Download_GoogleDrive, TheLastMissingTitleDecidesTheResult) {
  CloudRoute r;
  ServerConfig = ParseJson(Manifest({"a.zip", "b.zip", "c.zip"}));
  const auto order = JsonMemberOrder((*ServerConfig)["versions"]);
  // Every title in the index but the last one visited.
  std::vector<std::pair<std::string, std::string>> items;
  for (size_t i = 0; i + 1 < order.size(); ++i) items.emplace_back(order[i], "https://drive/" + order[i]);
  r.form.GoogleObject = ParseJson(Index(items));

  EXPECT_FALSE(r.form.Process_Download_GoogleDrive());
  EXPECT_EQ(r.form.FDownLoad_TotalCount, 2);
  EXPECT_TRUE(r.sb.log().contains("Get_DownLoad_FileId Fail :  " + order.back()));
  EXPECT_TRUE(r.form.FRestart_Launcher) << "a run without parameters restarts the launcher";
  r.AwaitThreads();
}

TEST(Process_Download_GoogleDrive, AMissingTitleBeforeTheLastMakesTheRunFallBackToTheFileStore) {
  CloudRoute r;
  ServerConfig = ParseJson(Manifest({"a.zip", "b.zip", "c.zip"}));
  const auto order = JsonMemberOrder((*ServerConfig)["versions"]);
  r.form.GoogleObject = ParseJson(Index({{order[0], "https://drive/" + order[0]}, {order[2], "https://drive/" + order[2]}}));
  ASSERT_TRUE(r.form.Process_Download_GoogleDrive());
  EXPECT_TRUE(r.sb.log().contains("Get_DownLoad_FileId Fail :  " + order[1]));
  r.AwaitThreads();
  EXPECT_EQ(r.form.FDownLoad_Count, 2);
  EXPECT_NE(DownloadThread, nullptr) << "the file-store run fetches what the drive lacks";
  EXPECT_FALSE(r.form.Timer_Exit->enabled()) << "not reported as a complete installation";
  EXPECT_TRUE(PumpUntil([] { return DownloadThread->WaitFor(0ms); }, 10s));
}

TEST(Process_Download_GoogleDrive, TheRedoFlagComesFromTheEntriesInUpdateMode) {
  CloudRoute r({"update", "C:\\Tilvo launcher\\"});
  ServerConfig = ParseJson(Manifest({"a.zip"}));
  r.form.GoogleObject = ParseJson(Index({{"a.zip", "https://drive/a"}}));
  EXPECT_TRUE(r.form.Process_Download_GoogleDrive());
  EXPECT_FALSE(r.form.FRestart_Launcher);
  r.AwaitThreads();
}

TEST(Do_OnGoogleDrive_DownLoadStatus, OneFailureOfThreeFallsBackToTheFileStore) {
  CloudRoute r;
  ServerConfig = ParseJson(Manifest({"a.zip", "b.zip", "c.zip"}));
  const auto order = JsonMemberOrder((*ServerConfig)["versions"]);
  r.form.GoogleObject = ParseJson(Index({{order[0], "https://drive/" + order[0]},
                                         {order[1], "https://drive/broken/" + order[1]},
                                         {order[2], "https://drive/" + order[2]}}));
  FInstCount = 7;
  ASSERT_TRUE(r.form.Process_Download_GoogleDrive());
  r.AwaitThreads();
  EXPECT_EQ(r.form.FDownLoad_Count, 3);
  EXPECT_TRUE(r.form.FDownLoad_Fail_Flag);
  EXPECT_EQ(FInstCount, 1);
  EXPECT_NE(DownloadThread, nullptr) << "the file-store run started";
  EXPECT_FALSE(r.form.Timer_Exit->enabled());
  EXPECT_TRUE(r.form.Timer_Progress_GoogleDrive->enabled());
  EXPECT_TRUE(r.sb.log().contains("\"command\":\"download_error\""));
  // The file-store run hands its events to this thread: let it finish.
  EXPECT_TRUE(PumpUntil([] { return DownloadThread->WaitFor(0ms); }, 10s));
}

TEST(ReceiveGoogleDriveStatus, AMessageArrivingDuringTheWaitsOfAnotherWaitsForItsEnd) {
  CloudRoute r;
  r.form.FDownLoad_TotalCount = 3;
  const auto complete = [](const std::string& name) {
    return R"({"command":"download_complete","file":"C:\\x\\)" + name + R"(","org_name":")" + name + R"(.exe"})";
  };
  // Posted before the first is handled: they arrive while it waits after stopping its program.
  platform::loop().post([&] { r.form.ReceiveGoogleDriveStatus(complete("b.zip")); });
  platform::loop().post([&] { r.form.ReceiveGoogleDriveStatus(complete("c.zip")); });
  r.form.ReceiveGoogleDriveStatus(complete("a.zip"));
  EXPECT_TRUE(PumpUntil([&] { return r.form.FDownLoad_Count == 3; }, 10s));

  std::vector<std::string> order;
  for (const auto& line : r.sb.log().lines())
    if (line.find("FileDownLoadComplete : ") != std::string::npos || line.find("FInstCount : ") != std::string::npos)
      order.push_back(line.substr(line.find(" : ") + 3));
  const std::vector<std::string> expected = {
      "FileDownLoadComplete : C:\\x\\a.zip, C:\\x\\, False", "FInstCount : 1",
      "FileDownLoadComplete : C:\\x\\b.zip, C:\\x\\, False", "FInstCount : 2",
      "FileDownLoadComplete : C:\\x\\c.zip, C:\\x\\, False", "FInstCount : 3",
      "FileDownLoadComplete : , , False, True, "};
  ASSERT_GE(order.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(order[i].rfind(expected[i], 0), 0u) << i << ": " << order[i];
}

TEST(Do_OnGoogleDrive_DownLoadStatus, StatusMessagesAreNotCountedAndTheLastCompleteEndsTheRun) {
  CloudRoute r;
  r.form.FDownLoad_TotalCount = 1;
  r.form.Do_OnGoogleDrive_DownLoadStatus(R"({"command":"download_status","file":"C:\\x\\a.zip","percent":50})");
  EXPECT_EQ(r.form.FDownLoad_Count, 0);
  EXPECT_TRUE(r.form.Timer_Progress_GoogleDrive->enabled());
  r.form.Do_OnGoogleDrive_DownLoadStatus(R"({"command":"Download_Complete","file":"C:\\x\\a.zip"})");
  EXPECT_EQ(r.form.FDownLoad_Count, 0) << "commands compare exactly";
}

}  // namespace
}  // namespace tilvo::testing
