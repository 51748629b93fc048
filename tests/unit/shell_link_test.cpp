#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "core/installer_state.h"
#include "install/system_registration.h"
#include "platform/platform.h"
#include "support/child_process.h"
#include "support/sandbox.h"

namespace tilvo {
namespace {

using testing::Sandbox;

// The fields lnkinfo (liblnk-utils) reads from a link file, by their label.
std::map<std::string, std::string> lnkinfo(const std::string& hostFile) {
  std::map<std::string, std::string> fields;
  std::istringstream out(testing::runCommand("lnkinfo '" + hostFile + "' 2>&1"));
  for (std::string line; std::getline(out, line);) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const size_t first = line.find_first_not_of('\t');
    std::string label = line.substr(first, colon - first);
    while (!label.empty() && (label.back() == '\t' || label.back() == ' ')) label.pop_back();
    const std::string value = colon + 2 <= line.size() ? line.substr(colon + 2) : std::string();
    fields.emplace(label, value);
  }
  return fields;
}

TEST(MakeLnkFile, WritesALinkThatLnkinfoReadsWithTargetAndWorkingFolder) {
  Sandbox sb;
  DebugMode = true;
  testing::writeFile(sb.host("C:\\Tilvo\\") + "/Tilvo.exe", std::string(4321, 'x'));
  const std::string startup = GetSpecialFolderPath(CSIDL_COMMON_STARTUP) + "\\";
  Make_Lnk_File("C:\\Tilvo\\Tilvo.exe", "Tilvo.lnk", startup);

  const auto info = lnkinfo(sb.host(startup + "Tilvo.lnk"));
  ASSERT_EQ(info.count("Local path"), 1u) << testing::runCommand("lnkinfo '" + sb.host(startup + "Tilvo.lnk") + "'");
  EXPECT_EQ(info.at("Local path"), "C:\\Tilvo\\Tilvo.exe");
  EXPECT_EQ(info.at("Working directory"), "C:\\Tilvo\\");
  EXPECT_EQ(info.at("File size"), "4321 bytes");  // what the target was when the link was made
  EXPECT_EQ(info.at("Drive type"), "Fixed (3)");
  EXPECT_TRUE(sb.log().contains("Make_Lnk_File: C:\\Tilvo\\Tilvo.exe, " + startup + "Tilvo.lnk"));
}

TEST(MakeLnkFile, KeepsNamesOutsideAsciiAndReplacesAnExistingLink) {
  Sandbox sb;
  const std::string desktop = GetDesktopPath() + "\\";
  Make_Lnk_File("C:\\Old\\Tilvo.exe", "Tilvo.lnk", desktop);
  Make_Lnk_File("C:\\게임 폴더\\Tilvo.exe", "Tilvo.lnk", desktop);  // target need not exist yet

  const auto info = lnkinfo(sb.host(desktop + "Tilvo.lnk"));
  EXPECT_EQ(info.at("Local path"), "C:\\게임 폴더\\Tilvo.exe");
  EXPECT_EQ(info.at("Working directory"), "C:\\게임 폴더\\");
  EXPECT_EQ(info.at("File attribute flags"), "0x00000000");
  // Nothing but the link is left behind in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sb.host(desktop)), {}), 1);
}

TEST(MakeLnkFile, AMissingFolderIsLoggedWithTheErrorPrefix) {
  Sandbox sb;
  DebugMode = true;
  Make_Lnk_File("C:\\Tilvo\\Tilvo.exe", "Tilvo.lnk", "C:\\No such folder\\");
  EXPECT_TRUE(sb.log().contains("Make_Lnk_File : "));
  EXPECT_FALSE(sb.log().contains("Make_Lnk_File: "));
  EXPECT_FALSE(std::filesystem::exists(sb.host("C:\\No such folder")));
}

}  // namespace
}  // namespace tilvo
