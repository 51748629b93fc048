#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "core/installer_state.h"
#include "core/text.h"
#include "install/system_registration.h"
#include "platform/platform.h"
#include "support/registry_dump.h"
#include "support/sandbox.h"
#include "support/scoped_env.h"

namespace tilvo {
namespace {

using platform::RegView;
using platform::RootKey;
using testing::Sandbox;

std::string installerName() { return ExtractFileName(platform::systemInfo().executablePath()); }

// What the final installation step registers, in its order.
void registerLauncher() {
  RegisterUninstallEntry();
  AddExceptionToFirewall(LauncherBaseName(), InstallPath + LauncherExe);
  AppInsertToReg();
  Process_BootPatch(true);
}

struct ArchCase {
  const char* arch;
  const char* software;  // where the 32-bit view of HKLM\SOFTWARE lands
};

void PrintTo(const ArchCase& c, std::ostream* os) { *os << c.arch; }

class RegistrationOnFreshRoot : public ::testing::TestWithParam<ArchCase> {};

TEST_P(RegistrationOnFreshRoot, WritesExactlyTheEntriesWithTheirTypesAndViews) {
  testing::ScopedEnv arch("TILVO_NATIVE_ARCH", GetParam().arch);
  Sandbox sb;
  PcType = "person";
  InstallPath = "C:\\Tilvo\\";
  registerLauncher();

  const std::string sw = GetParam().software;
  const std::string exe = installerName();
  const std::set<std::string> expected = {
      "HKLM\\" + sw + "\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tilvo : Displayname = REG_SZ Tilvo",
      "HKLM\\" + sw + "\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tilvo : Publisher = REG_SZ Mero Corp",
      "HKLM\\" + sw + "\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tilvo : DisplayIcon = REG_SZ \"C:\\Tilvo\\" +
          exe + "\"",
      "HKLM\\" + sw + "\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tilvo : UninstallString = REG_SZ \"C:\\Tilvo\\" +
          exe + "\" -uninstall",
      "HKLM\\" + sw + "\\Tilvo : Path = REG_EXPAND_SZ \"C:\\Tilvo\\Tilvo.exe\"",
      "HKLM\\" + sw + "\\Tilvo : Uninstall = REG_SZ \"C:\\Tilvo\\Tilvo\" -uninstall",
      "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters : ArpRetryCount = REG_DWORD 0",
      "HKLM\\SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\StandardProfile\\"
      "AuthorizedApplications\\List : C:\\Tilvo\\Tilvo.exe = REG_SZ C:\\Tilvo\\Tilvo.exe:*:Enabled:Tilvo",
  };
  EXPECT_EQ(testing::dumpRegistryValues(), expected);
}

INSTANTIATE_TEST_SUITE_P(Architectures, RegistrationOnFreshRoot,
                         ::testing::Values(ArchCase{"x64", "SOFTWARE\\WOW6432Node"}, ArchCase{"x86", "SOFTWARE"}),
                         [](const auto& info) { return std::string(info.param.arch); });

TEST(Registration, RunTwiceRewritesEveryValueWithTheCurrentInstallFolder) {
  Sandbox sb;
  PcType = "person";
  InstallPath = "C:\\Old place\\";
  registerLauncher();
  InstallPath = "D:\\Games\\Tilvo\\";
  registerLauncher();

  auto& registry = platform::registry();
  EXPECT_EQ(registry.readValue(RootKey::LocalMachine, UninstallKey(), "UninstallString")->text,
            "\"D:\\Games\\Tilvo\\" + installerName() + "\" -uninstall");
  EXPECT_EQ(registry.readValue(RootKey::LocalMachine, AppKey(), "Path")->text, "\"D:\\Games\\Tilvo\\Tilvo.exe\"");
  EXPECT_EQ(registry.readValue(RootKey::LocalMachine, AppKey(), "Uninstall")->text,
            "\"D:\\Games\\Tilvo\\Tilvo\" -uninstall");
}

TEST(Registration, KeysAreNamedByTheLauncherBaseName) {
  Sandbox sb;
  LauncherExe = "Kord.Launcher.exe";
  InstallPath = "C:\\K\\";
  RegisterUninstallEntry();
  AppInsertToReg();
  EXPECT_TRUE(platform::registry().keyExists(RootKey::LocalMachine,
                                             "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kord.Launcher"));
  EXPECT_EQ(platform::registry().readValue(RootKey::LocalMachine, "Software\\Kord.Launcher", "Uninstall")->text,
            "\"C:\\K\\Kord.Launcher\" -uninstall");
}

TEST(ProcessBootPatch, SetsAndRemovesArpRetryCountExceptForPcCafeEditions) {
  const std::pair<const char*, bool> editions[] = {
      {"pcbang", false}, {"kord", false}, {"person", true}, {"mero", true}, {"PCBANG", true}, {"", true}};
  for (const auto& [edition, touched] : editions) {
    Sandbox sb;
    PcType = edition;
    auto& registry = platform::registry();
    auto arp = [&] { return registry.readValue(RootKey::LocalMachine, kTcpipParametersKey, "ArpRetryCount"); };

    Process_BootPatch(true);
    ASSERT_EQ(arp().has_value(), touched) << edition;
    if (touched) {
      EXPECT_EQ(arp()->type, platform::RegType::DWord);
      EXPECT_EQ(arp()->dword, 0u);
    }

    // Removal leaves a value that some other program wrote alone in the cafe editions.
    registry.createKey(RootKey::LocalMachine, kTcpipParametersKey);
    registry.writeValue(RootKey::LocalMachine, kTcpipParametersKey, "ArpRetryCount", platform::RegValue::dwordValue(3));
    Process_BootPatch(false);
    EXPECT_EQ(arp().has_value(), !touched) << edition;
    Process_BootPatch(false);  // a missing value is no error
    EXPECT_FALSE(sb.log().contains("Process_BootPatch")) << edition;
  }
}

TEST(AddProgramOnStart, UsesTheSixtyFourBitViewOnlyOnASixtyFourBitSystem) {
  for (const char* arch : {"x64", "x86"}) {
    testing::ScopedEnv env("TILVO_NATIVE_ARCH", arch);
    Sandbox sb;
    EXPECT_EQ(IsWindows64(), std::string(arch) == "x64");
    AddProgramOnStart("Tilvo", "\"C:\\Tilvo\\Tilvo.exe\"", true);
    const std::set<std::string> expected = {
        "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run : Tilvo = REG_SZ \"C:\\Tilvo\\Tilvo.exe\""};
    EXPECT_EQ(testing::dumpRegistryValues(), expected) << arch;

    AddProgramOnStart("Tilvo", "", false);
    AddProgramOnStart("Tilvo", "", false);  // already gone: no error
    EXPECT_TRUE(testing::dumpRegistryValues().empty()) << arch;
    EXPECT_FALSE(sb.log().contains("AddProgramOnStart")) << arch;
  }
}

// A registry that refuses every write, as one without administrator rights would.
class ReadOnlyRegistry final : public platform::Registry {
 public:
  platform::Status createKey(RootKey, const std::string&, RegView) override { return {}; }
  bool keyExists(RootKey, const std::string&, RegView) override { return false; }
  platform::Status writeValue(RootKey, const std::string&, const std::string&, const platform::RegValue&,
                              RegView) override {
    return platform::Status::failure(5, "Access is denied");
  }
  std::optional<platform::RegValue> readValue(RootKey, const std::string&, const std::string&, RegView) override {
    return std::nullopt;
  }
  platform::Status deleteValue(RootKey, const std::string&, const std::string&, RegView) override {
    return platform::Status::failure(5, "Access is denied");
  }
  platform::Status deleteKey(RootKey, const std::string&, RegView) override {
    return platform::Status::failure(5, "Access is denied");
  }
  std::vector<std::string> subKeyNames(RootKey, const std::string&, RegView) override { return {}; }
  std::vector<std::string> valueNames(RootKey, const std::string&, RegView) override { return {}; }
};

TEST(Registration, RefusedWritesAreReportedEachTheWayItsOperationSays) {
  Sandbox sb;
  sb.platform().registry = std::make_unique<ReadOnlyRegistry>();
  PcType = "person";
  InstallPath = "C:\\Tilvo\\";

  // Debug logging off: only the boot patch speaks, forced.
  AppInsertToReg();
  AddProgramOnStart("Tilvo", "x", true);
  Process_BootPatch(true);
  EXPECT_FALSE(sb.log().contains("AppInsertToReg"));
  EXPECT_FALSE(sb.log().contains("AddProgramOnStart"));
  EXPECT_TRUE(sb.log().contains("Process_BootPatch : Failed to set data for 'ArpRetryCount': Access is denied"));

  DebugMode = true;
  AppInsertToReg();
  AddProgramOnStart("Tilvo", "x", true);
  EXPECT_TRUE(sb.log().contains("AppInsertToReg : Failed to set data for 'Path': Access is denied"));
  EXPECT_TRUE(sb.log().contains("AddProgramOnStart : Failed to set data for 'Tilvo': Access is denied"));

  // The uninstall entry's failure is the caller's to handle.
  EXPECT_THROW(RegisterUninstallEntry(), std::runtime_error);
}

TEST(AddExceptionToFirewall, AFailureIsLoggedWithItsPrefix) {
  Sandbox sb;
  DebugMode = true;
  AddExceptionToFirewall("Tilvo", "");
  EXPECT_TRUE(sb.log().contains("AddExceptionToFirewall : "));
}

TEST(SpecialFolders, AreTheFoldersOfAWindowsTenDrive) {
  for (const char* arch : {"x64", "x86"}) {
    testing::ScopedEnv env("TILVO_NATIVE_ARCH", arch);
    Sandbox sb;
    const std::string startup = GetSpecialFolderPath(CSIDL_COMMON_STARTUP);
    EXPECT_EQ(startup, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup");
    EXPECT_TRUE(std::filesystem::is_directory(sb.host(startup)));
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_ALTSTARTUP), "");  // gone from current Windows
    EXPECT_EQ(GetSpecialFolderPath(0x001e), "");            // CSIDL_COMMON_ALTSTARTUP
    EXPECT_EQ(GetSpecialFolderPath(0x0004), "");            // the printers: no folder of the file system

    const std::string desktop = GetDesktopPath();
    EXPECT_EQ(desktop.rfind("C:\\Users\\", 0), 0u) << desktop;
    EXPECT_EQ(ExtractFileName(desktop), "Desktop");
    EXPECT_TRUE(std::filesystem::is_directory(sb.host(desktop)));
    EXPECT_EQ(GetSpecialFolderPath(0x0026),  // CSIDL_PROGRAM_FILES of a 32-bit program
              std::string(arch) == "x64" ? "C:\\Program Files (x86)" : "C:\\Program Files");
    EXPECT_EQ(GetSpecialFolderPath(0x0024), "C:\\Windows");
  }
}

class NoSpecialFolders final : public platform::SpecialFolders {
 public:
  std::string path(int) override { return {}; }
  std::vector<std::string> systemFolders() override { return {}; }
};

TEST(SpecialFolders, AnUnresolvableDesktopRaisesTheShellError) {
  Sandbox sb;
  sb.platform().specialFolders = std::make_unique<NoSpecialFolders>();
  try {
    GetDesktopPath();
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "SHGetPathFromIDList failed : invalid pidl");
  }
}

TEST(MakeIconFolders, CreatesTheSixCategoryFoldersAndOpensTheIconsFolder) {
  Sandbox sb;
  auto& shell = sb.recordShell();
  InstallPath = "C:\\Tilvo\\";
  Make_Icon_Folders();
  for (const char* name : {"hotgame", "online", "fps", "casual", "cd", "messenger"})
    EXPECT_TRUE(std::filesystem::is_directory(sb.host("C:\\Tilvo\\icons\\" + std::string(name)))) << name;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sb.host("C:\\Tilvo\\icons")), {}), 6);

  // Existing folders keep what they hold; the window opens again.
  testing::writeFile(sb.host("C:\\Tilvo\\icons\\fps") + "/game.ico", "icon");
  Make_Icon_Folders();
  EXPECT_EQ(testing::readFile(sb.host("C:\\Tilvo\\icons\\fps\\game.ico")), "icon");
  ASSERT_EQ(shell.calls.size(), 2u);
  for (const auto& call : shell.calls) {
    EXPECT_EQ(call.verb, "open");
    EXPECT_EQ(call.file, "explorer.exe");
    EXPECT_EQ(call.parameters, "C:\\Tilvo\\icons");
    EXPECT_EQ(call.directory, "");
  }
}

}  // namespace
}  // namespace tilvo
