#include <gtest/gtest.h>

#include <filesystem>

#include "core/installer_state.h"
#include "install/system_registration.h"
#include "platform/platform.h"
#include "support/folder_tree.h"
#include "support/sandbox.h"
#include "uninstall/install_folder_cleaner.h"

namespace tilvo {
namespace {

using testing::folderTree;
using testing::Sandbox;
using testing::writeFile;
using Tree = std::map<std::string, std::string>;

void writeSetup(Sandbox& sb, const std::string& folder, const std::string& wallpaper) {
  writeFile(sb.host(folder) + "/setup.ini", "[setup]\r\npctype=person\r\nwallpaper_path=" + wallpaper + "\r\n");
}

TEST(CleanInstallFolder, KeepsTheSettingsTheWallpaperAndTheUsersFolders) {
  Sandbox sb;
  DebugMode = true;
  InstallPath = "C:\\Tilvo\\";
  const std::string root = sb.host("C:\\") + "/Tilvo";
  writeSetup(sb, InstallPath, "WALL.JPG");
  writeFile(root + "/a.txt", "a");
  writeFile(root + "/wall.jpg", "jpeg bytes");
  writeFile(root + "/bin/launcher.dll", "dll");
  writeFile(root + "/data/save/slot1.dat", "progress");
  writeFile(root + "/icons/fps/game.ico", "icon");
  writeFile(root + "/run/state", "run state");
  const std::string settings = testing::readFile(root + "/setup.ini");

  CleanInstallFolder(InstallPath, "*.*");

  const Tree expected = {{"setup.ini", settings},    {"wall.jpg", "jpeg bytes"},     {"data", "<folder>"},
                         {"data/save", "<folder>"},  {"data/save/slot1.dat", "progress"},
                         {"icons", "<folder>"},      {"icons/fps", "<folder>"},      {"icons/fps/game.ico", "icon"},
                         {"run", "<folder>"},        {"run/state", "run state"}};
  EXPECT_EQ(folderTree(root), expected);
  EXPECT_TRUE(sb.log().contains("DeleteFile C:\\Tilvo\\a.txt"));
  EXPECT_TRUE(sb.log().contains("DeleteFile C:\\Tilvo\\setup.ini"));  // every file is named, kept or not
  EXPECT_TRUE(sb.log().contains("DeleteDirectory C:\\Tilvo\\bin, bin"));
  EXPECT_TRUE(sb.log().contains("DeleteDirectory C:\\Tilvo\\data, data"));
}

TEST(CleanInstallFolder, FolderNamesIgnoreLetterCaseAndProtectOnlyFolders) {
  Sandbox sb;
  InstallPath = "C:\\Tilvo\\";
  const std::string root = sb.host("C:\\") + "/Tilvo";
  writeFile(root + "/Data/x", "1");
  writeFile(root + "/RUN/y", "2");
  writeFile(root + "/Icons/z", "3");
  writeFile(root + "/data", "a file named data");
  writeFile(root + "/SETUP.INI", "[setup]\r\n");
  writeFile(root + "/other.ini", "[other]\r\n");
  writeFile(root + "/setup.ini.d/inside", "a folder named like the settings");
  writeFile(root + "/.hidden", "hidden files go too");

  CleanInstallFolder(InstallPath, "*.*");

  const Tree expected = {{"Data", "<folder>"},  {"Data/x", "1"},     {"RUN", "<folder>"}, {"RUN/y", "2"},
                         {"Icons", "<folder>"}, {"Icons/z", "3"},    {"SETUP.INI", "[setup]\r\n"}};
  EXPECT_EQ(folderTree(root), expected);
}

TEST(CleanInstallFolder, TheWallpaperSettingNamesAFolderOnlyByItsFullPath) {
  struct Case {
    const char* wallpaper;
    bool isFolder, kept;
  };
  const Case cases[] = {
      {"C:\\Tilvo\\wallpapers", true, true},     // a folder by its full path
      {"c:\\TILVO\\Wallpapers", true, true},     // letter case does not matter
      {"C:\\Tilvo\\wallpapers\\", true, false},  // with a trailing backslash it names nothing
      {"wallpapers", true, false},               // a bare name never keeps a folder...
      {"wallpapers", false, true},               // ...only a file of that name
      {"C:\\Tilvo\\wallpapers", false, false},   // and a file is never kept by its full path
      {"", true, false},
  };
  for (const auto& c : cases) {
    Sandbox sb;
    InstallPath = "C:\\Tilvo\\";
    const std::string root = sb.host("C:\\") + "/Tilvo";
    writeSetup(sb, InstallPath, c.wallpaper);
    writeFile(root + (c.isFolder ? "/wallpapers/sea.jpg" : "/wallpapers"), "sea");
    writeFile(root + "/wallpapers.bak", "x");

    CleanInstallFolder(InstallPath, "*.*");

    EXPECT_EQ(std::filesystem::exists(root + "/wallpapers"), c.kept) << c.wallpaper << (c.isFolder ? " folder" : " file");
    if (c.kept && c.isFolder) {
      EXPECT_EQ(testing::readFile(root + "/wallpapers/sea.jpg"), "sea");
    }
    EXPECT_FALSE(std::filesystem::exists(root + "/wallpapers.bak")) << c.wallpaper;
    EXPECT_TRUE(std::filesystem::exists(root + "/setup.ini")) << c.wallpaper;
  }
}

TEST(CleanInstallFolder, RemovesLinksWithoutFollowingThemOutOfTheFolder) {
  Sandbox sb;
  testing::TempFolder outside;
  writeFile(outside.path() + "/documents/letter.txt", "dear");
  writeFile(outside.path() + "/notes.txt", "notes");
  InstallPath = "C:\\Tilvo\\";
  const std::string root = sb.host("C:\\") + "/Tilvo";
  std::filesystem::create_directories(root + "/bin");
  std::filesystem::create_directory_symlink(outside.path() + "/documents", root + "/bin/documents");
  std::filesystem::create_directory_symlink(outside.path() + "/documents", root + "/cache");
  std::filesystem::create_symlink(outside.path() + "/notes.txt", root + "/notes.txt");
  std::filesystem::create_directory_symlink(outside.path() + "/documents", root + "/data");  // kept by its name

  CleanInstallFolder(InstallPath, "*.*");

  const Tree expected = {{"data", "<link to " + outside.path() + "/documents>"}};
  EXPECT_EQ(folderTree(root), expected);
  const Tree untouched = {{"documents", "<folder>"}, {"documents/letter.txt", "dear"}, {"notes.txt", "notes"}};
  EXPECT_EQ(folderTree(outside.path()), untouched);
}

TEST(CleanInstallFolder, RefusesWhatCannotBeAnInstallationAndSaysWhy) {
  Sandbox sb;
  testing::TempFolder outside;
  writeFile(outside.path() + "/keep.txt", "keep");
  std::filesystem::create_directory_symlink(outside.path(), sb.host("C:\\") + "/Linked");
  const std::string desktop = GetDesktopPath();
  struct Case {
    std::string folder, why;
  };
  const Case cases[] = {
      {"", "no folder given"},
      {"\\", "a lone backslash"},
      {"C:\\", "a drive root"},
      {"c:", "a drive root"},
      {"D:\\", "a drive root"},
      {"Tilvo\\", "not a full path"},
      {"C:\\Tilvo\\..\\", "it holds a folder of the system"},
      {"C:\\Windows", "a folder of the system (C:\\Windows)"},
      {"c:\\WINDOWS\\", "a folder of the system (C:\\Windows)"},
      {"C:\\Program Files (x86)\\", "a folder of the system"},
      {"C:\\Program Files\\", "a folder of the system"},
      {"C:\\Users\\", "a folder of the system"},
      {"C:\\ProgramData\\Microsoft\\", "it holds a folder of the system"},
      {desktop + "\\", "a folder of the system (" + desktop + ")"},
      {"C:\\Linked\\", "a symbolic link"},
  };
  for (const auto& c : cases) {
    sb.log().clear();
    // Something to lose in each place the case names, and in the root of C: and D:.
    for (const std::string& place : {c.folder, std::string("C:\\"), std::string("D:\\")})
      if (!place.empty() && place.find(':') != std::string::npos) writeFile(sb.host(place) + "/sentinel", "x");
    const Tree before = folderTree(sb.root()), outsideBefore = folderTree(outside.path());

    CleanInstallFolder(c.folder, "*.*");

    EXPECT_EQ(folderTree(sb.root()), before) << c.folder;
    EXPECT_EQ(folderTree(outside.path()), outsideBefore) << c.folder;
    EXPECT_TRUE(sb.log().contains("CleanInstallFolder : not cleaning \"" + c.folder + "\": ")) << c.folder;
    EXPECT_TRUE(sb.log().contains(c.why)) << c.folder << " -> " << WhyNotCleanable(c.folder);
  }
  EXPECT_EQ(testing::readFile(outside.path() + "/keep.txt"), "keep");
}

TEST(WhyNotCleanable, AllowsInstallFoldersAndRefusesTheHostsOwnFolders) {
  Sandbox sb;
  for (const char* folder : {"C:\\Tilvo\\", "C:\\Program Files (x86)\\Tilvo", "D:\\Games\\Tilvo\\", "C:\\게임\\"})
    EXPECT_EQ(WhyNotCleanable(folder), "") << folder;
  // Only asked, never cleaned: these are the host's.
  const std::string rootOfDrives = platform::fileSystem().windowsPath(sb.root());
  for (const std::string& folder : {std::string("Z:\\"), std::string("Z:\\usr"), std::string("Z:\\etc\\"),
                                    std::string("Z:\\tmp"), rootOfDrives, rootOfDrives + "\\drive_c"})
    EXPECT_NE(WhyNotCleanable(folder), "") << folder;
}

TEST(MatchesMask, FollowsTheFileNameWildcards) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"setup.ini", "*.*", true}, {"noext", "*.*", true},   {".hidden", "*.*", true}, {"a.txt", "*.TXT", true},
      {"a.txt", "*.ini", false},  {"ab", "a?", true},       {"abc", "a?", false},     {"Tilvo.exe", "t*.exe", true},
  };
  for (const auto& [name, mask, matches] : cases) EXPECT_EQ(MatchesMask(name, mask), matches) << name << " " << mask;
}

}  // namespace
}  // namespace tilvo
