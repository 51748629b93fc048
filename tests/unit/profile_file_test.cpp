#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <thread>

#include "core/installer_state.h"
#include "core/settings_file.h"
#include "platform/linux/ini_profile_file.h"
#include "support/sandbox.h"

namespace tilvo {
namespace {

using platform::linux_host::iniRead;
using platform::linux_host::iniWrite;
using testing::readFile;
using testing::Sandbox;
using testing::writeFile;

TEST(IniText, ReadsTheFirstMatchingSectionAndKeyWithoutRegardToCase) {
  const std::string ini =
      "; comment\r\n[Other]\r\nis_debug=5\r\n[SETUP]\r\n  IS_DEBUG =  1  \r\ntheme=\"dark blue\"\r\n"
      "[setup]\r\nis_debug=7\r\n";
  EXPECT_EQ(iniRead(ini, "setup", "is_debug", "d"), "1");
  EXPECT_EQ(iniRead(ini, "setup", "theme", "d"), "dark blue");
  EXPECT_EQ(iniRead(ini, "setup", "missing", "d"), "d");
  EXPECT_EQ(iniRead(ini, "nosection", "is_debug", "d"), "d");
  EXPECT_EQ(iniRead("\xEF\xBB\xBF[setup]\nk=v\n", "setup", "k", ""), "v");
}

TEST(IniText, WritesOneKeyAndKeepsEveryOtherLine) {
  struct Case {
    const char* name;
    std::string before, key, value, after;
  };
  const Case cases[] = {
      {"new file", "", "pctype", "mero", "[setup]\r\npctype=mero\r\n"},
      {"replace", "; keep\r\n[Setup]\r\nPCTYPE=old\r\ntheme=x\r\n", "pctype", "mero",
       "; keep\r\n[Setup]\r\npctype=mero\r\ntheme=x\r\n"},
      {"add after last entry", "[setup]\r\na=1\r\n\r\n[other]\r\nb=2\r\n", "theme", "dark",
       "[setup]\r\na=1\r\ntheme=dark\r\n\r\n[other]\r\nb=2\r\n"},
      {"new section", "[other]\nb=2", "pctype", "mero", "[other]\nb=2\n[setup]\npctype=mero\n"},
      {"bom kept", "\xEF\xBB\xBF[setup]\r\na=1\r\n", "a", "2", "\xEF\xBB\xBF[setup]\r\na=2\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(iniWrite(c.before, "setup", c.key, c.value), c.after) << c.name;
}

TEST(SettingsFile, IsDebugTurnsOnOnlyForNonZeroIntegers) {
  Sandbox sb;
  AppDir = "C:\\inst\\";
  const std::pair<const char*, bool> cases[] = {{"1", true},  {"0x10", true}, {"0", false},
                                                {"true", false}, {"", false}, {" 2", true}};
  for (const auto& [value, on] : cases) {
    writeFile(sb.host("C:\\inst\\setup.ini"), std::string("[setup]\r\nis_debug=") + value + "\r\n");
    EXPECT_EQ(ReadSetupBool("is_debug"), on) << value;
  }
  std::filesystem::remove(sb.host("C:\\inst\\setup.ini"));
  EXPECT_FALSE(ReadSetupBool("is_debug"));
}

TEST(SettingsFile, WriteCreatesTheFileAndFailsNamingItWhenTheFolderIsMissing) {
  Sandbox sb;
  InstallPath = "C:\\Tilvo launcher\\";
  try {
    WriteSetupValue("pctype", "mero");
    FAIL() << "no error for a missing folder";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("C:\\Tilvo launcher\\setup.ini"), std::string::npos) << e.what();
  }
  std::filesystem::create_directories(sb.host("C:\\Tilvo launcher"));
  WriteSetupValue("pctype", "mero");
  WriteSetupValue("theme", "dark");
  EXPECT_EQ(readFile(sb.host("C:\\Tilvo launcher\\setup.ini")), "[setup]\r\npctype=mero\r\ntheme=dark\r\n");
  // Written values are read back by the next reader, through another spelling of the path.
  EXPECT_EQ(platform::profile().readString("c:\\TILVO LAUNCHER\\SETUP.INI", "SETUP", "Theme", ""), "dark");
}

TEST(SettingsFile, AWriterKilledMidWayLeavesTheOldOrTheNewFile) {
  Sandbox sb;
  const std::string file = "C:\\setup.ini";
  const std::string host = sb.host(file);
  ASSERT_TRUE(platform::profile().writeString(file, "setup", "big", std::string(100000, 'a')));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (char c = 'b';; c = c == 'z' ? 'b' : static_cast<char>(c + 1))
      platform::profile().writeString(file, "setup", "big", std::string(100000, c));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  const std::string value = platform::profile().readString(file, "setup", "big", "");
  ASSERT_EQ(value.size(), 100000u);
  EXPECT_EQ(value.find_first_not_of(value[0]), std::string::npos);
}

}  // namespace
}  // namespace tilvo
