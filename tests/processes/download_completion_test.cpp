#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/json.h"
#include "core/startup.h"
#include "core/text.h"
#include "install/system_registration.h"
#include "platform/platform.h"
#include "support/folder_tree.h"
#include "support/helper_process.h"
#include "support/sandbox.h"
#include "support/zip_builder.h"

namespace tilvo::testing {
namespace {

namespace fs = std::filesystem;

// Names of this test's own, so that no other program on the machine is ended or mistaken for ours.
std::string probeName(const std::string& stem) { return stem + std::to_string(::getpid()) + ".exe"; }

class Completion {
 public:
  explicit Completion(std::vector<std::string> arguments) : sb(arguments), shell(sb.recordShell()) {
    DebugMode = true;
    PcType = "mero";
    LauncherExe = probeName("TilvoProbe");
    LauncherSubExe = probeName("TilvoProbeSub");
    InstallPath = "C:\\Tilvo launcher\\";
    ServerConfig = ParseJson(R"({"user_starter": "true", "make_deskicon": "true"})");
    form.FSilentInst = !arguments.empty() && IsSilentSwitch(arguments[0]);
    fs::create_directories(root());
  }
  std::string root() { return sb.host("C:\\") + "/Tilvo launcher"; }
  // Puts `bytes` where the download thread would have saved it and returns its Windows path.
  std::string download(const std::string& name, const std::string& bytes) {
    writeFile(root() + "/" + name, bytes);
    return InstallPath + name;
  }
  bool started(const std::string& file, const std::string& parameters = "") const {
    for (const auto& c : shell.calls)
      if (c.verb == "open" && c.file == file && c.parameters == parameters) return true;
    return false;
  }

  Sandbox sb;
  RecordingShell& shell;
  TfInstUpdate form;
};

TEST(FileDownLoadComplete, UnpacksEachArchiveStopsWhatItReplacesAndDeletesTheDownload) {
  Completion c({"/s"});
  HelperProcess replaced(c.sb.host("C:\\elsewhere\\") + "/" + probeName("TilvoTool"));
  HelperProcess installer(c.sb.host("C:\\elsewhere\\") + "/" + probeName("Probe_INSTALL"));

  const std::string a = c.download("a.zip", BuildZip({{"TilvoTool.exe", "tool"}, {"res/strings.txt", "s"}, {"../up.txt", "x"}}));
  c.form.FileDownLoadComplete(a, InstallPath, false, false, probeName("TilvoTool"));
  EXPECT_TRUE(replaced.waitForExit(2000)) << "the program being replaced is stopped even without redo";
  const std::string b = c.download("b.zip", BuildZip({{"more.txt", "m"}}));
  c.form.FileDownLoadComplete(b, InstallPath + "sub\\", false, false, probeName("Probe_INSTALL"));
  EXPECT_TRUE(installer.running()) << "the installer is never stopped";

  EXPECT_EQ(folderTree(c.root()), (std::map<std::string, std::string>{{"TilvoTool.exe", "tool"},
                                                                      {"res", "<folder>"},
                                                                      {"res/strings.txt", "s"},
                                                                      {"sub", "<folder>"},
                                                                      {"sub/more.txt", "m"}}));
  EXPECT_FALSE(fs::exists(c.sb.host("C:\\up.txt")));
  EXPECT_EQ(FInstCount, 2);
  EXPECT_TRUE(platform::trayIcon().visible());
  EXPECT_EQ(platform::trayIcon().balloonHint(), "b.zip");
  auto& log = c.sb.log();
  EXPECT_TRUE(log.contains("FileDownLoadComplete : C:\\Tilvo launcher\\a.zip, C:\\Tilvo launcher\\, False, False, " + LauncherExe));
  EXPECT_TRUE(log.contains("ProcessKill : " + probeName("TilvoTool")));
  EXPECT_FALSE(log.contains("ProcessKill : " + probeName("Probe_INSTALL")));
  EXPECT_TRUE(log.contains("ZipFile : refused entry ../up.txt"));
  EXPECT_TRUE(log.contains("FInstCount : 2"));
}

TEST(FileDownLoadComplete, ABadDownloadIsDeletedAndCountedAndTheInstalledFilesStayAsTheyWere) {
  std::string damaged = BuildZip({{"Tilvo.dll", std::string(4000, 'n'), false}});
  damaged[FirstEntryDataOffset(damaged) + 100] ^= 0x20;
  const std::pair<const char*, std::string> cases[] = {{"not a zip", "<html>502 Bad Gateway</html>"},
                                                       {"damaged", damaged},
                                                       {"bomb", WithOverlappingEntry(BuildZip({{"Tilvo.dll", "x", false}}))}};
  for (const auto& [label, bytes] : cases) {
    Completion c({"/s"});
    writeFile(c.root() + "/Tilvo.dll", "installed");
    const std::string file = c.download("x.zip", bytes);
    c.form.FileDownLoadComplete(file, InstallPath, false, false, "Tilvo.dll");
    EXPECT_EQ(folderTree(c.root()), (std::map<std::string, std::string>{{"Tilvo.dll", "installed"}})) << label;
    EXPECT_EQ(FInstCount, 1) << label;
    EXPECT_EQ(c.sb.log().contains("ZipFile : "), std::string(label) != "not a zip") << label;
  }
}

TEST(FileDownLoadComplete, WithRedoTheLauncherFamilyIsStoppedFirst) {
  Completion c({"update", "C:\\Tilvo launcher\\"});
  HelperProcess launcher(c.sb.host("C:\\Tilvo launcher\\") + "/" + LauncherExe);
  HelperProcess sub(c.sb.host("C:\\Tilvo launcher\\") + "/" + LauncherSubExe);
  const std::string file = c.download("d.zip", BuildZip({{"data.txt", "d"}}));
  c.form.FileDownLoadComplete(file, InstallPath, true, false, "data.txt");
  EXPECT_TRUE(launcher.waitForExit(2000));
  EXPECT_TRUE(sub.waitForExit(2000));
}

struct FinalCase {
  std::vector<std::string> arguments;
  const char* edition;
  bool redo;
  bool startProgram;  // the install folder holds Tilvo_Start.exe
  bool registered, setupStarted, iconFolders, movieFolder, desktopLink, launched;
};

TEST(FileDownLoadComplete, TheFinalCallRegistersAndLaunchesByModeAndEdition) {
  const FinalCase cases[] = {
      {{}, "mero", true, false, true, true, true, false, true, true},
      {{"/s"}, "person", true, true, true, true, true, true, false, true},
      {{"/silent"}, "cantora", true, true, true, false, false, false, false, true},
      {{"update", "C:\\Tilvo launcher\\"}, "mero", true, false, false, false, false, false, false, true},
      {{"update_silent", "C:\\Tilvo launcher\\"}, "mero", true, false, false, false, false, false, false, false},
      {{"/s"}, "mero", false, false, false, false, false, false, false, false},
  };
  for (const auto& k : cases) {
    const std::string label = (k.arguments.empty() ? std::string("no arguments") : k.arguments[0]) + " " + k.edition;
    Completion c(k.arguments);
    PcType = k.edition;
    ThemeSelected = k.arguments.empty();
    c.form.FThemeName = "dark";
    writeFile(c.root() + "/Tilvo_Setup.exe", "setup");
    if (k.startProgram) writeFile(c.root() + "/Tilvo_Start.exe", "start");
    c.form.FileDownLoadComplete("", "", k.redo, true, "");

    const std::string base = ExtractFileBaseName(LauncherExe);
    const std::string startup = c.sb.host(GetSpecialFolderPath(CSIDL_COMMON_STARTUP));
    const std::string desktop = c.sb.host(GetDesktopPath());
    const std::string ini = readFile(c.root() + "/setup.ini");
    EXPECT_NE(ini.find(std::string("pctype=") + k.edition), std::string::npos) << label;
    EXPECT_EQ(ini.find("theme=dark") != std::string::npos, k.arguments.empty()) << label;
    EXPECT_EQ(platform::registry().keyExists(platform::RootKey::LocalMachine, UninstallKey()), k.registered) << label;
    // Startup: the start program when there is one (copied whenever "user_starter" asks), else the launcher's link.
    EXPECT_EQ(fs::exists(startup + "/Tilvo_Start.exe"), k.startProgram) << label;
    EXPECT_EQ(fs::exists(startup + "/" + base + ".lnk"), k.registered && !k.startProgram) << label;
    EXPECT_EQ(c.started(InstallPath + "Tilvo_Setup.exe", k.edition), k.setupStarted) << label;
    EXPECT_EQ(fs::is_directory(c.root() + "/icons/hotgame"), k.iconFolders) << label;
    EXPECT_EQ(fs::is_directory(c.root() + "/movie"), k.movieFolder) << label;
    EXPECT_EQ(c.sb.log().contains("Extract_Movie_File : Resource movie not found"), k.movieFolder) << label;
    EXPECT_EQ(fs::exists(desktop + "/" + base + ".lnk") || fs::exists(desktop + "/Tilvo_Start.lnk"), k.desktopLink)
        << label;
    EXPECT_EQ(c.started(InstallPath + LauncherExe), k.launched) << label;
    if (k.launched) {
      EXPECT_EQ(c.shell.calls.back().directory, InstallPath) << label;
    }
    EXPECT_TRUE(c.form.Timer_Exit->enabled()) << label;
    EXPECT_FALSE(platform::trayIcon().visible()) << label;
    EXPECT_EQ(FInstCount, 0) << label;
  }
}

TEST(FileDownLoadComplete, TheCantoraDesktopLinkPointsAtTheLauncherEvenWithAStartProgram) {
  for (const std::string edition : {"cantora", "person"}) {
    Completion c({});
    PcType = edition;
    writeFile(c.root() + "/Tilvo_Start.exe", "start");
    c.form.FileDownLoadComplete("", "", true, true, "");
    const std::string desktop = c.sb.host(GetDesktopPath());
    const bool toLauncher = edition == "cantora";
    EXPECT_EQ(fs::exists(desktop + "/" + ExtractFileBaseName(LauncherExe) + ".lnk"), toLauncher) << edition;
    EXPECT_EQ(fs::exists(desktop + "/Tilvo_Start.lnk"), !toLauncher) << edition;
  }
}

}  // namespace
}  // namespace tilvo::testing
