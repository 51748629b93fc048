#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <thread>

#include "platform/platform.h"
#include "support/child_process.h"
#include "support/folder_tree.h"
#include "support/sandbox.h"

namespace tilvo::testing {
namespace {

namespace fs = std::filesystem;

std::string randomBytes(size_t size) {
  std::mt19937 rng(7);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

// A real FTP server on loopback (tests/support/ftp_fixture.py) serving a folder of this test.
class FtpFixture {
 public:
  explicit FtpFixture(const std::vector<std::string>& cut) {
    std::vector<std::string> args{std::string(TILVO_SOURCE_DIR) + "/tests/support/ftp_fixture.py", "--root",
                                  root_.path(), "--ready-file", state_.path() + "/ready.json"};
    for (const auto& c : cut) args.insert(args.end(), {"--cut", c});
    process_ = std::make_unique<ChildProcess>("/usr/bin/python3", args);
    const std::string ready = state_.path() + "/ready.json";
    if (!waitUntil(20000, [&] { return fs::exists(ready); })) throw std::runtime_error("the FTP fixture did not start");
    const std::string text = readFile(ready);
    port_ = std::stoi(text.substr(text.find(':') + 1));
  }
  void put(const std::string& relative, const std::string& content) { writeFile(root_.path() + "/" + relative, content); }
  std::string url(const std::string& relative, const std::string& login = "pelmar:pelmar4071") const {
    return "ftp://" + login + "@127.0.0.1:" + std::to_string(port_) + "/" + relative;
  }

 private:
  TempFolder root_, state_;
  std::unique_ptr<ChildProcess> process_;
  int port_ = 0;
};

class UrlDownloadTest : public ::testing::Test {
 protected:
  UrlDownloadTest() : ftp({"store/cut.bin"}) {
    ftp.put("store/a.bin", payload);
    ftp.put("store/cut.bin", payload);
    ftp.put("store/x64/with space \xED\x85\x8C.zip", "korean");
    fs::create_directories(folder());
  }
  std::string folder() { return sb.host("C:\\") + "/dl"; }

  const std::string payload = randomBytes(3 * 1024 * 1024 + 17);
  FtpFixture ftp;
  Sandbox sb;
};

TEST_F(UrlDownloadTest, AWholeTransferLandsUnderItsNameWithProgressOnTheCallingThread) {
  std::vector<platform::DownloadProgress> reports;
  const auto caller = std::this_thread::get_id();
  const auto status = platform::urlDownload().downloadToFile(ftp.url("store/a.bin"), "C:\\dl\\a.bin", [&](const auto& p) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    reports.push_back(p);
  });
  ASSERT_TRUE(status) << status.message;
  EXPECT_EQ(readFile(folder() + "/a.bin"), payload);
  EXPECT_EQ(folderTree(folder()).size(), 1u) << "no temporary file left";

  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports.front().status, platform::DownloadStatus::BeginDownloadData);
  EXPECT_EQ(reports.back().status, platform::DownloadStatus::EndDownloadData);
  EXPECT_EQ(reports.back().done, payload.size());
  EXPECT_EQ(reports.back().total, payload.size());
  for (size_t i = 1; i < reports.size(); ++i) {
    EXPECT_GE(reports[i].done, reports[i - 1].done);
    const bool moved = reports[i].done != reports[i - 1].done || reports[i].total != reports[i - 1].total;
    EXPECT_TRUE(moved || reports[i].status != reports[i - 1].status) << "a repeat";
  }
  EXPECT_EQ(reports.back().statusText, ftp.url("store/a.bin"));

  // Names are sent as the caller wrote them, escaped on the way.
  ASSERT_TRUE(platform::urlDownload().downloadToFile(ftp.url("store/x64/with space \xED\x85\x8C.zip"), "C:\\dl\\k.zip", {}));
  EXPECT_EQ(readFile(folder() + "/k.zip"), "korean");
  EXPECT_TRUE(platform::urlDownload().cachedUrls().empty());
}

TEST_F(UrlDownloadTest, AFailedTransferLeavesNoFileAndAnExistingOneAsItWas) {
  writeFile(folder() + "/cut.bin", "the previous file");
  const std::tuple<const char*, std::string, std::string, int> cases[] = {
      {"cut in the middle", ftp.url("store/cut.bin"), "C:\\dl\\cut.bin", 18},
      {"missing on the server", ftp.url("store/none.bin"), "C:\\dl\\none.bin", 78},
      {"wrong password", ftp.url("store/a.bin", "pelmar:wrong"), "C:\\dl\\a.bin", 67},
      {"no such folder", ftp.url("store/a.bin"), "C:\\dl\\missing\\a.bin", 2},
  };
  for (const auto& [label, url, destination, code] : cases) {
    const auto status = platform::urlDownload().downloadToFile(url, destination, {});
    EXPECT_EQ(status.code, code) << label << ": " << status.message;
    EXPECT_EQ(folderTree(folder()), (std::map<std::string, std::string>{{"cut.bin", "the previous file"}})) << label;
  }
}

}  // namespace
}  // namespace tilvo::testing
