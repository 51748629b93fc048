// The cloud-drive download thread against the local service's HTTPS drive, trusting the drive's test CA
// the way the installer trusts any: through the certificate file in AppDir + "ssl32\".
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <string>
#include <vector>

#include "core/installer_state.h"
#include "core/json.h"
#include "download/gdrive_download_thread.h"
#include "platform/platform.h"
#include "support/platform_fakes.h"
#include "support/sandbox.h"
#include "support/update_service.h"

namespace tilvo::testing {
namespace {

const std::string kAppDir = "C:\\installer\\";
const std::string kDest = "C:\\Tilvo\\launcher\\Tilvo.zip";

class GDriveThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGlobals();
    AppDir = kAppDir;
    auto& fs = platform::fileSystem();
    ASSERT_TRUE(fs.forceDirectories(kAppDir + "ssl32"));
    ASSERT_TRUE(fs.forceDirectories("C:\\Tilvo\\launcher"));
    writeFile(sb_.host(TrustedCaFile()), readFile(service_.cloudCaFile()));
  }

  // Runs one thread for `title` (whose download URL is `url`, or the drive's /files/ URL) to its final
  // message and returns every message it sent.
  std::vector<nlohmann::json> Download(const std::string& title, std::string url = {}) {
    if (url.empty()) url = service_.cloudUrl("/files/" + title);
    auto messages = std::make_shared<std::vector<nlohmann::json>>();
    auto* thread = new TGDriveDownloadThread();
    thread->SourceUrl = url;
    thread->DestPath = kDest;
    thread->Original_Name = "Tilvo.exe";
    thread->OnDownLoadStatus = [messages](const std::string& status) {
      EXPECT_TRUE(platform::loop().onMainThread());
      messages->push_back(*ParseJson(status));
    };
    thread->Start();
    const bool ended = PumpUntil(
        [&] { return !messages->empty() && messages->back()["command"] != "download_status"; },
        std::chrono::seconds(120));
    EXPECT_TRUE(ended) << "no final message for " << title;
    return *messages;
  }

  // The files left in the destination's folder.
  std::vector<std::string> FolderContent() {
    std::vector<std::string> names;
    for (const auto& e : platform::fileSystem().listDirectory("C:\\Tilvo\\launcher")) names.push_back(e.name);
    return names;
  }

  // A URL the index names for `title` (after the drive's modes were set).
  std::string IndexedUrl(const std::string& title) {
    platform::HttpRequest request;
    request.url = service_.cloudIndexUrl("mero");
    const auto answer = platform::http().perform(request);
    const JsonPtr index = ParseJson(answer.response.body);
    for (const auto& item : (*index)["list"])
      if (item["title"] == title) return item["download_url"].get<std::string>();
    ADD_FAILURE() << title << " is not in the index";
    return {};
  }

  Sandbox sb_;
  UpdateService service_;
};

std::vector<long long> Percents(const std::vector<nlohmann::json>& messages) {
  std::vector<long long> out;
  for (const auto& m : messages)
    if (m["command"] == "download_status") out.push_back(m["percent"].get<long long>());
  return out;
}

TEST_F(GDriveThreadTest, DownloadsWithPercentAndReplacesAnExistingFile) {
  service_.cloud("/generate/Tilvo.zip/3000000");
  writeFile(sb_.host(kDest), "an older copy");

  const auto messages = Download("Tilvo.zip");

  ASSERT_FALSE(messages.empty());
  const auto& last = messages.back();
  EXPECT_EQ(last, nlohmann::json({{"command", "download_complete"}, {"file", kDest}, {"org_name", "Tilvo.exe"}}));
  const auto percents = Percents(messages);
  ASSERT_FALSE(percents.empty());
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(percents.back(), 100);
  EXPECT_EQ(platform::fileSystem().fileSize(kDest), 3000000);
  EXPECT_EQ(FolderContent(), std::vector<std::string>{"Tilvo.zip"});

  const auto requests = service_.cloudRequests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].userAgent, "Mozilla/5.0 (Windows NT 6.1) Gecko/20130101 Firefox/21.0");
  EXPECT_EQ(requests[0].referer, service_.cloudUrl("/files/Tilvo.zip"));
}

TEST_F(GDriveThreadTest, FollowsARedirectOfTheFileRequest) {
  service_.cloud("/generate/Tilvo.zip/100000");
  service_.cloud("/file/Tilvo.zip/redirect");

  const auto messages = Download("Tilvo.zip", IndexedUrl("Tilvo.zip"));

  EXPECT_EQ(messages.back()["command"], "download_complete");
  EXPECT_EQ(platform::fileSystem().fileSize(kDest), 100000);
  const auto requests = service_.cloudRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].status, 302);
  EXPECT_EQ(requests[1].status, 200);
}

TEST_F(GDriveThreadTest, AChunkedAnswerSendsOnlyTheFinalMessage) {
  service_.cloud("/generate/Tilvo.zip/2000000");
  service_.cloud("/file/Tilvo.zip/chunked");

  const auto messages = Download("Tilvo.zip");

  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["command"], "download_complete");
  EXPECT_EQ(platform::fileSystem().fileSize(kDest), 2000000);
}

// Every failed transfer ends the thread with one "download_error" and leaves nothing at the destination,
// not even the copy that was there before.
TEST_F(GDriveThreadTest, AFailedTransferReportsAnErrorAndLeavesNoFile) {
  struct Case {
    std::string mode, errorFragment;
  };
  const std::vector<Case> cases = {
      {"untrusted", "certificate"},
      {"cut", ""},
      {"fail", "500"},
  };
  service_.cloud("/generate/Tilvo.zip/1000000");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    service_.cloud("/file/Tilvo.zip/" + c.mode);
    writeFile(sb_.host(kDest), "an older copy");

    const auto messages = Download("Tilvo.zip", IndexedUrl("Tilvo.zip"));

    ASSERT_FALSE(messages.empty());
    const auto& last = messages.back();
    EXPECT_EQ(last["command"], "download_error");
    EXPECT_EQ(last["source"], IndexedUrl("Tilvo.zip"));
    EXPECT_EQ(last["file"], kDest);
    EXPECT_EQ(last["org_name"], "Tilvo.exe");
    EXPECT_NE(last["error"].get<std::string>().find(c.errorFragment), std::string::npos) << last["error"];
    EXPECT_TRUE(FolderContent().empty());
  }
}

TEST_F(GDriveThreadTest, WithoutTheTrustedCertificatesNothingIsTrusted) {
  service_.cloud("/generate/Tilvo.zip/1000");
  platform::fileSystem().deleteFile(TrustedCaFile());

  const auto messages = Download("Tilvo.zip");

  EXPECT_EQ(messages.back()["command"], "download_error");
  EXPECT_TRUE(FolderContent().empty());
}

long PeakResidentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// A 1 GB file goes through the thread with the process's peak memory far below the file's size.
TEST_F(GDriveThreadTest, ALargeFileIsStreamedToDisk) {
  constexpr long long kSize = 1024LL * 1024 * 1024;
  service_.cloud("/generate/Big.zip/" + std::to_string(kSize));
  const long before = PeakResidentKb();

  const auto messages = Download("Big.zip");

  const long after = PeakResidentKb();
  EXPECT_EQ(messages.back()["command"], "download_complete");
  EXPECT_EQ(platform::fileSystem().fileSize(kDest), kSize);
  std::printf("peak resident memory: %ld KB before, %ld KB after a %lld byte download\n", before, after, kSize);
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer keeps freed memory in quarantine (256 MB by default): the figure says nothing here.
  (void)after;
#else
  EXPECT_LT(after, 256 * 1024) << "peak RSS in KB";
#endif
  platform::fileSystem().deleteFile(kDest);
}

}  // namespace
}  // namespace tilvo::testing
