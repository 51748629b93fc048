#include <gtest/gtest.h>

#include "core/settings_file.h"
#include "core/text.h"

namespace tilvo {
namespace {

TEST(ExtractFileBaseName, TakesTheNameWithoutFolderAndLastExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"Tilvo_install.exe", "Tilvo_install"},
      {"C:\\Tilvo launcher\\Tilvo.exe", "Tilvo"},
      {"C:\\a.b\\archive.tar.gz", "archive.tar"},
      {"Z:\\usr\\bin\\noext", "noext"},
      {"C:Tilvo.exe", "Tilvo"},
      {"folder.d\\", ""},
  };
  for (const auto& [path, base] : cases) EXPECT_EQ(ExtractFileBaseName(path), base) << path;
}

TEST(UpperCase, ChangesOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase("tilvo_m.exe"), "TILVO_M.EXE");
  EXPECT_EQ(UpperCase("\xC3\xA9t\xC3\xA9.exe"), "\xC3\xA9T\xC3\xA9.EXE");  // é stays é
}

TEST(SetupTextToInt, ReadsIntegersAsTheRuntimeDoes) {
  const std::pair<const char*, long long> cases[] = {
      {"1", 1},      {"0x10", 16},   {"0X1f", 31},  {"0", 0},   {"true", 0}, {"", 0},
      {"  7", 7},    {"-3", -3},     {"$10", 16},   {"x10", 16}, {"0x", 0},  {"12abc", 0},
      {"7 ", 0},     {"99999999999", 0},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(SetupTextToInt(text), value) << '"' << text << '"';
}

TEST(StringReplaceAll, ReplacesEveryExactOccurrence) {
  EXPECT_EQ(StringReplaceAll("Tilvo_install_install", "_install", ""), "Tilvo");
  EXPECT_EQ(StringReplaceAll("Tilvo_INSTALL", "_install", ""), "Tilvo_INSTALL");
}

}  // namespace
}  // namespace tilvo
