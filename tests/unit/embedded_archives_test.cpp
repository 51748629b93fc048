#include <gtest/gtest.h>

#include <filesystem>

#include "core/installer_state.h"
#include "platform/platform.h"
#include "support/sandbox.h"
#include "support/zip_builder.h"

namespace tilvo::testing {
namespace {

namespace fs = std::filesystem;

// Resources of our choosing in place of the ones linked into the program.
class MapResources final : public platform::Resources {
 public:
  std::optional<std::string_view> find(const std::string& name) override {
    const auto it = items.find(name);
    if (it == items.end()) return std::nullopt;
    return std::string_view(it->second);
  }
  std::map<std::string, std::string> items;
};

class EmbeddedArchivesTest : public ::testing::Test {
 protected:
  EmbeddedArchivesTest() {
    DebugMode = true;
    AppDir = "C:\\setup\\";
    InstallPath = "C:\\Tilvo launcher\\";
  }
  MapResources& replaceResources() {
    auto r = std::make_unique<MapResources>();
    auto& ref = *r;
    sb.platform().resources = std::move(r);
    return ref;
  }
  Sandbox sb;
  TfInstUpdate form;
};

TEST_F(EmbeddedArchivesTest, TheSslArchiveUnpacksTheTrustedCertificatesAndReplacesThemOnTheNextRun) {
  const std::string folder = sb.host("C:\\") + "/setup/ssl32";
  form.Extract_Movie_SSL();
  ASSERT_TRUE(fs::is_directory(folder));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"ca-certificates.crt"});
  const std::string bundle = readFile(folder + "/ca-certificates.crt");
  EXPECT_NE(bundle.find("-----BEGIN CERTIFICATE-----"), std::string::npos);

  writeFile(folder + "/ca-certificates.crt", "stale");
  form.Extract_Movie_SSL();
  EXPECT_EQ(readFile(folder + "/ca-certificates.crt"), bundle);
  EXPECT_FALSE(sb.log().contains("Extract_Movie_File"));
}

TEST_F(EmbeddedArchivesTest, WithoutAMovieResourceTheFolderIsCreatedAndTheMissingResourceLogged) {
  form.Extract_Movie_File();
  EXPECT_TRUE(fs::is_directory(sb.host("C:\\Tilvo launcher\\movie")));
  EXPECT_TRUE(fs::is_empty(sb.host("C:\\Tilvo launcher\\movie")));
  EXPECT_TRUE(sb.log().contains(" : Extract_Movie_File : Resource movie not found"));
}

TEST_F(EmbeddedArchivesTest, AMovieArchiveUnpacksIntoTheMovieFolderAndHostileNamesAreSkipped) {
  auto& resources = replaceResources();
  resources.items["movie"] = BuildZip({{"../outside.txt", "evil"}, {"intro.webm", "video"}, {"sub/a.webm", "a"}});
  writeFile(sb.host("C:\\Tilvo launcher\\") + "/movie/old.webm", "kept");
  form.Extract_Movie_File();
  const std::string movie = sb.host("C:\\Tilvo launcher\\movie");
  EXPECT_EQ(readFile(movie + "/intro.webm"), "video");
  EXPECT_EQ(readFile(movie + "/sub/a.webm"), "a");
  EXPECT_EQ(readFile(movie + "/old.webm"), "kept");
  EXPECT_FALSE(fs::exists(sb.host("C:\\Tilvo launcher\\outside.txt")));
  EXPECT_TRUE(sb.log().contains("Extract_Movie_File : refused entry ../outside.txt"));

  resources.items["SSL"] = "not an archive";
  form.Extract_Movie_SSL();
  EXPECT_TRUE(sb.log().contains("Extract_Movie_File : cannot open archive"));
  EXPECT_FALSE(fs::exists(sb.host("C:\\setup\\ssl32")));
}

}  // namespace
}  // namespace tilvo::testing
