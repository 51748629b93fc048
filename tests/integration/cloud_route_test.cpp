// The cloud-drive route end to end: the real binary against the local update service, whose server
// configuration switches the route on and whose HTTPS cloud drive holds the file store's archives. The
// installer trusts the drive through the CA certificates of its own "SSL" archive (this build's test CA is
// among them); verification stays on.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "core/text.h"
#include "download/app_version.h"
#include "install/system_registration.h"
#include "platform/platform.h"
#include "support/folder_tree.h"
#include "support/main_job.h"

namespace tilvo::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The drive's file requests (not the index), in the order they ended.
std::vector<ServiceRequest> FileRequests(const UpdateService& service) {
  std::vector<ServiceRequest> out;
  for (auto& r : service.cloudRequests())
    if (r.path.rfind("/files/", 0) == 0 || r.path.rfind("/redirect/", 0) == 0) out.push_back(std::move(r));
  return out;
}

const ServiceRequest* FindRequest(const std::vector<ServiceRequest>& requests, const std::string& path) {
  for (const auto& r : requests)
    if (r.path == path) return &r;
  return nullptr;
}

// Where the installer saves a member's archive.
std::string LocalArchive(const std::string& member) {
  return kInstallFolder + (member == "tools" ? "tools\\" : "") + ArchiveOf(member);
}

// Nothing left of a download in the virtual drive: no archive, no temporary file.
void ExpectNoDownloadLeft(Sandbox& sb, const std::string& what) {
  for (const auto& [name, content] : folderTree(sb.host(kInstallFolder)))
    EXPECT_TRUE(ExtractFileExt(name) != ".zip" && ExtractFileExt(name) != ".part") << what << ": " << name;
}

TEST(CloudRoute, FilesDownloadAtOnceAndEachIsInstalledAsItArrives) {
  MainJob m({"--cloud-route"});
  // The first file walked takes three seconds; one answers with a redirect, one without Content-Length.
  const auto members = ManifestMembers();
  const std::string slow = ArchiveOf(members.front());
  m.service.cloud("/file/" + slow + "/slow");
  m.service.cloud("/file/Tilvo_Tool.zip/redirect");
  m.service.cloud("/file/Tilvo_Start.zip/chunked");
  const auto log = m.run({"/s"});

  // Every file came from the drive, all requested while the slow one was still arriving.
  EXPECT_TRUE(m.service.storeTransfers().empty());
  const auto files = FileRequests(m.service);
  const ServiceRequest* slowRequest = FindRequest(files, "/files/" + slow);
  ASSERT_NE(slowRequest, nullptr);
  for (const auto& member : members) {
    const ServiceRequest* r = FindRequest(files, "/files/" + ArchiveOf(member));
    ASSERT_NE(r, nullptr) << member;
    EXPECT_EQ(r->status, 200) << member;
    EXPECT_LT(r->started, slowRequest->ended) << member << " waited for " << slow;
  }
  // The redirect was followed; each file was fetched once.
  const ServiceRequest* redirect = FindRequest(files, "/redirect/Tilvo_Tool.zip");
  ASSERT_NE(redirect, nullptr);
  EXPECT_EQ(redirect->status, 302);
  EXPECT_EQ(files.size(), members.size() + 1);

  // Each file was installed when it arrived: the slow one, walked first, last of all.
  const int slowInstalled = FindLine(log, "FileDownLoadComplete : " + LocalArchive(members.front()));
  ASSERT_GE(slowInstalled, 0);
  for (const auto& member : members)
    EXPECT_LE(FindLine(log, "FileDownLoadComplete : " + LocalArchive(member)), slowInstalled) << member;

  // The final step registered and started the launcher; the window closed by itself.
  EXPECT_EQ(CountLines(log, "FileDownLoadComplete : , , True, True, "), 1);
  EXPECT_EQ(installedNames(m.host()), kInstalledFiles);
  EXPECT_EQ(GetAppVersionStr(kInstallFolder + "Tilvo.exe"), m.service.storeVersion("launcher"));
  EXPECT_TRUE(platform::registry().keyExists(platform::RootKey::LocalMachine, UninstallKey()));
  EXPECT_TRUE(waitUntil(5000, [&] { return !m.launchers().empty(); }));
  ExpectNoDownloadLeft(m.sb, "complete run");
  EXPECT_EQ(CountLines(log, "download_error"), 0);
}

TEST(CloudRoute, WhatTheDriveDoesNotDeliverComesFromTheFileStore) {
  struct Case {
    std::string mode;
    std::string error;  // in the logged "download_error" message; empty: none is sent
  };
  const Case cases[] = {
      {"fail", "500"},
      {"cut", "\"error\":\""},
      {"untrusted", "certificate"},
      {"missing", ""},  // not in the index, but not the last file walked either
  };
  const auto members = ManifestMembers();
  const std::string member = members.at(1);
  const std::string archive = ArchiveOf(member);
  for (const auto& c : cases) {
    MainJob m({"--cloud-route"});
    m.service.cloud("/file/" + archive + "/" + c.mode);
    const auto log = m.run({"/s"});

    const int reported = c.error.empty() ? FindLine(log, "Get_DownLoad_FileId Fail :  " + archive)
                                         : FindLine(log, "\"command\":\"download_error\"");
    ASSERT_GE(reported, 0) << c.mode;
    if (!c.error.empty()) {
      EXPECT_NE(log[reported].find(archive), std::string::npos) << c.mode << ": " << log[reported];
      EXPECT_NE(log[reported].find(c.error), std::string::npos) << c.mode << ": " << log[reported];
    }
    EXPECT_EQ(CountLines(log, "download_error"), c.error.empty() ? 0 : 1) << c.mode;
    // After the last message the file-store run starts and fetches exactly the file still missing.
    const int storeRun = FindLine(log, "Process_Download : " + kInstallFolder);
    EXPECT_GT(storeRun, reported) << c.mode;
    // It counts from 1: its one file makes 2.
    const int counted = FindLine(log, "FInstCount : ", storeRun);
    ASSERT_GT(counted, storeRun) << c.mode;
    EXPECT_EQ(log[counted], "FInstCount : 2") << c.mode;
    EXPECT_EQ(m.service.storeTransfers(), std::vector<std::string>{kStoreX64 + archive}) << c.mode;
    EXPECT_EQ(installedNames(m.host()), kInstalledFiles) << c.mode;
    // The final step, once, registers and starts the launcher as the cloud-drive run decided.
    EXPECT_EQ(CountLines(log, "FileDownLoadComplete : , , True, True, "), 1) << c.mode;
    EXPECT_TRUE(platform::registry().keyExists(platform::RootKey::LocalMachine, UninstallKey())) << c.mode;
    EXPECT_TRUE(waitUntil(5000, [&] { return !m.launchers().empty(); })) << c.mode;
    ExpectNoDownloadLeft(m.sb, c.mode);
  }
}

TEST(CloudRoute, ATitleMissingAsTheLastFileWalkedEndsTheProgram) {
  MainJob m({"--cloud-route"});
  const std::string last = ArchiveOf(ManifestMembers().back());
  m.service.cloud("/file/" + last + "/missing");
  const auto log = m.run({"/s"});

  EXPECT_EQ(CountLines(log, "Get_DownLoad_FileId Fail :  " + last), 1);
  EXPECT_EQ(CountLines(log, "파일 다운 로드에 실패 하였습니다"), 1);
  // The downloads already started may still finish in the half second before the window closes; the
  // missing file is fetched from nowhere.
  EXPECT_TRUE(m.service.storeTransfers().empty());
  EXPECT_EQ(FindRequest(FileRequests(m.service), "/files/" + last), nullptr);
}

TEST(CloudRoute, WithoutItsIndexTheRunEndsBeforeAnyDownload) {
  struct Case {
    std::string mode;
    std::string logged;  // "" : no line of the request itself
  };
  // A redirect is not followed: its empty answer is no index.
  const Case cases[] = {{"missing", "Get_GoogleDrive_JsonFile : "}, {"redirect", ""}};
  for (const auto& c : cases) {
    MainJob m({"--cloud-route"});
    m.service.cloud("/index/" + c.mode);
    const auto log = m.run({"/s"});

    EXPECT_EQ(CountLines(log, "파일 정보 다운 로드에 실패 하였습니다"), 1) << c.mode;
    EXPECT_EQ(CountLines(log, "Get_GoogleDrive_JsonFile : "), c.logged.empty() ? 0 : 1) << c.mode;
    EXPECT_EQ(m.service.count(3, "/inst/googledrive/mero.json"), 1) << c.mode;
    EXPECT_EQ(m.service.count(0, "/inst/googledrive/moved/mero.json"), 0) << c.mode;
    EXPECT_TRUE(FileRequests(m.service).empty()) << c.mode;
    EXPECT_TRUE(m.service.storeTransfers().empty()) << c.mode;
    EXPECT_TRUE(!fs::exists(m.host()) || installedNames(m.host()).empty()) << c.mode;
  }
}

}  // namespace
}  // namespace tilvo::testing
