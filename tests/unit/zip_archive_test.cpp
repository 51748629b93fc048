#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/platform.h"
#include "support/sandbox.h"
#include "support/zip_builder.h"

namespace tilvo::testing {
namespace {

namespace fs = std::filesystem;
using Kind = platform::ZipExtractResult::Kind;

// Files left in a folder tree, relative, sorted.
std::vector<std::string> treeOf(const std::string& host) {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(host)) out.push_back(fs::relative(e.path(), host).string());
  std::sort(out.begin(), out.end());
  return out;
}

class ZipArchiveTest : public ::testing::Test {
 protected:
  // Writes `bytes` as C:\in\<name> and returns its Windows path.
  std::string put(const std::string& name, const std::string& bytes) {
    writeFile(sb.host("C:\\") + "/in/" + name, bytes);
    return "C:\\in\\" + name;
  }
  std::unique_ptr<platform::ZipReader> open(const std::string& path) {
    platform::Status error;
    auto reader = platform::zipArchives().openFile(path, error);
    EXPECT_TRUE(reader) << error.message;
    return reader;
  }
  // Extracts every entry into C:\out and returns the results by index.
  std::vector<platform::ZipExtractResult> extractAll(platform::ZipReader& reader) {
    std::vector<platform::ZipExtractResult> results;
    for (int i = 0; i < reader.entryCount(); ++i) results.push_back(reader.extract(i, "C:\\out\\"));
    return results;
  }
  std::string out() { return sb.host("C:\\") + "/out"; }

  Sandbox sb;
};

TEST_F(ZipArchiveTest, UnpacksFilesAndFoldersAndReplacesExistingFilesWhateverTheirCase) {
  writeFile(out() + "/DATA/Old.txt", "old content that is longer than the new one");
  writeFile(out() + "/keep.txt", "untouched");
  const auto zip = BuildZip({{"Tilvo.exe", "launcher"},
                             {"data/old.txt", "new", false},
                             {"data\\sub\\deep.bin", std::string(100000, 'x')},
                             {"empty/", ""}});
  auto reader = open(put("a.zip", zip));
  ASSERT_TRUE(reader);
  ASSERT_EQ(reader->entryCount(), 4);
  EXPECT_EQ(reader->entryName(2), "data\\sub\\deep.bin");
  for (const auto& r : extractAll(*reader)) EXPECT_TRUE(r.extracted()) << r.message;

  EXPECT_EQ(readFile(out() + "/Tilvo.exe"), "launcher");
  EXPECT_EQ(readFile(out() + "/DATA/Old.txt"), "new");
  EXPECT_EQ(readFile(out() + "/DATA/sub/deep.bin"), std::string(100000, 'x'));
  EXPECT_EQ(readFile(out() + "/keep.txt"), "untouched");
  EXPECT_EQ(treeOf(out()), (std::vector<std::string>{"DATA", "DATA/Old.txt", "DATA/sub", "DATA/sub/deep.bin", "Tilvo.exe",
                                                     "empty", "keep.txt"}));
  struct stat st{};
  ASSERT_EQ(::stat((out() + "/Tilvo.exe").c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST_F(ZipArchiveTest, RefusesNamesThatLeaveTheFolderAndStillUnpacksTheRest) {
  const std::vector<std::string> hostile = {"../up.txt",  "..\\up2.txt", "a/../../up3.txt", "/abs.txt",
                                            "\\abs2.txt", "C:\\drive.txt", "c:rel.txt",     "sub/..\\..\\up4.txt"};
  std::vector<ZipEntrySpec> entries;
  for (const auto& name : hostile) entries.push_back({name, "evil"});
  entries.push_back({"good.txt", "fine"});
  auto reader = open(put("hostile.zip", BuildZip(entries)));
  ASSERT_TRUE(reader);
  const auto results = extractAll(*reader);
  for (size_t i = 0; i < hostile.size(); ++i) {
    EXPECT_EQ(results[i].kind, Kind::Refused) << hostile[i];
    EXPECT_NE(results[i].message.find(hostile[i]), std::string::npos) << results[i].message;
  }
  EXPECT_TRUE(results.back().extracted());
  EXPECT_EQ(treeOf(sb.host("C:\\")), (std::vector<std::string>{"in", "in/hostile.zip", "out", "out/good.txt"}));
}

TEST_F(ZipArchiveTest, WritesLinkEntriesAsFilesAndDoesNotFollowLinkedFolders) {
  TempFolder outside;
  fs::create_directories(out());
  fs::create_directory_symlink(outside.path(), out() + "/linked");
  auto reader = open(put("links.zip", BuildZip({{"link", "/etc/passwd", false, S_IFLNK | 0777},
                                                {"linked/escape.txt", "evil"}})));
  ASSERT_TRUE(reader);
  const auto results = extractAll(*reader);
  EXPECT_TRUE(results[0].extracted());
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out() + "/link")));
  EXPECT_EQ(readFile(out() + "/link"), "/etc/passwd");
  EXPECT_EQ(results[1].kind, Kind::Failed);
  EXPECT_TRUE(fs::is_empty(outside.path()));
}

TEST_F(ZipArchiveTest, DamagedDataLeavesTheExistingFileAsItWas) {
  const std::string original = "the user's file";
  const auto good = BuildZip({{"file.bin", std::string(5000, 'a') + "tail", false}});
  std::string badCrc = good;
  badCrc[FirstEntryDataOffset(good) + 10] ^= 0x55;
  const std::pair<const char*, std::string> cases[] = {
      {"crc", badCrc},
      {"declared smaller", WithDeclaredSize(BuildZip({{"file.bin", std::string(50000, 'z')}}), 100)},
  };
  for (const auto& [label, bytes] : cases) {
    writeFile(out() + "/file.bin", original);
    auto reader = open(put("bad.zip", bytes));
    ASSERT_TRUE(reader) << label;
    const auto result = reader->extract(0, "C:\\out\\");
    EXPECT_EQ(result.kind, Kind::Failed) << label;
    EXPECT_EQ(readFile(out() + "/file.bin"), original) << label;
    EXPECT_EQ(treeOf(out()), std::vector<std::string>{"file.bin"}) << label << ": no temporary file left";
  }
}

TEST_F(ZipArchiveTest, ValidityAndOpeningFromFileAndMemory) {
  const auto zip = BuildZip({{"a.txt", "A"}});
  const auto bomb = WithOverlappingEntry(BuildZip({{"k.bin", std::string(1000, 'k'), false}}));
  EXPECT_TRUE(platform::zipArchives().isValid(put("ok.zip", zip)));
  EXPECT_FALSE(platform::zipArchives().isValid(put("text.zip", "this is not an archive")));
  EXPECT_FALSE(platform::zipArchives().isValid(put("empty.zip", "")));
  EXPECT_FALSE(platform::zipArchives().isValid(put("cut.zip", zip.substr(0, zip.size() / 2))));
  EXPECT_FALSE(platform::zipArchives().isValid("C:\\in\\missing.zip"));
  // The bomb's directory reads fine; opening it for unpacking is what refuses it.
  EXPECT_TRUE(platform::zipArchives().isValid(put("bomb.zip", bomb)));

  platform::Status error;
  EXPECT_FALSE(platform::zipArchives().openFile("C:\\in\\bomb.zip", error));
  EXPECT_NE(error.message.find("overlap"), std::string::npos) << error.message;
  EXPECT_FALSE(platform::zipArchives().openMemory(bomb, error));
  EXPECT_FALSE(platform::zipArchives().openFile("C:\\in\\text.zip", error));
  EXPECT_FALSE(error.ok());
  EXPECT_FALSE(platform::zipArchives().openMemory("garbage", error));

  auto reader = platform::zipArchives().openMemory(zip, error);
  ASSERT_TRUE(reader) << error.message;
  EXPECT_EQ(reader->entryCount(), 1);
  EXPECT_TRUE(reader->extract(0, "C:\\out\\mem\\").extracted());
  EXPECT_EQ(readFile(out() + "/mem/a.txt"), "A");
}

}  // namespace
}  // namespace tilvo::testing
