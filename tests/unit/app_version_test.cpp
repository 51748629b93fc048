#include <gtest/gtest.h>

#include "core/installer_state.h"
#include "download/app_version.h"
#include "platform/platform.h"
#include "platform/version_section.h"
#include "support/pe_builder.h"
#include "support/sandbox.h"

// This test program carries a version of its own, read back through its ELF section.
TILVO_DEFINE_PROGRAM_VERSION(7, 65535, 0, 12);

namespace tilvo::testing {
namespace {

TEST(GetAppVersionStr, ReadsTheVersionResourceOfWindowsProgramsAndTheSectionOfNativeOnes) {
  Sandbox sb;
  writeFile(sb.host("C:\\") + "/p/a32.exe", BuildPe(false, std::array<uint16_t, 4>{1, 2, 3, 4}));
  writeFile(sb.host("C:\\") + "/p/a64.exe", BuildPe(true, std::array<uint16_t, 4>{10, 0, 65535, 1}));
  EXPECT_EQ(GetAppVersionStr("C:\\p\\a32.exe"), "1.2.3.4");
  EXPECT_EQ(GetAppVersionStr("c:\\P\\A64.EXE"), "10.0.65535.1");
  EXPECT_EQ(GetAppVersionStr(platform::fileSystem().windowsPath("/proc/self/exe")), "7.65535.0.12");
}

TEST(GetAppVersionStr, AnythingWithoutAVersionReadsAsZerosWithTheCauseLogged) {
  Sandbox sb;
  DebugMode = true;
  writeFile(sb.host("C:\\") + "/p/icon_only.exe", BuildPe(false, std::nullopt));
  writeFile(sb.host("C:\\") + "/p/readme.txt", "text, no program");
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\p\\icon_only.exe", "The specified resource type cannot be found in the image file"},
      {"C:\\p\\readme.txt", "The specified image file did not contain a resource section"},
      {"C:\\p\\missing.exe", "The system cannot find the file specified"},
      {platform::fileSystem().windowsPath(TILVO_SLEEPER), "The specified resource type cannot be found in the image file"},
  };
  for (const auto& [file, cause] : cases) {
    EXPECT_EQ(GetAppVersionStr(file), "0.0.0.0") << file;
    EXPECT_TRUE(sb.log().contains("GetAppVersionStr : " + file + "," + cause)) << file;
  }
}

}  // namespace
}  // namespace tilvo::testing
