#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/debug_log.h"
#include "core/edition_table.h"
#include "core/installer_state.h"
#include "core/startup.h"
#include "platform/platform.h"
#include "support/sandbox.h"

namespace tilvo {
namespace {

using platform::RegValue;
using platform::RootKey;
using testing::Sandbox;

const char* kEmulationKey = "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

TEST(EditionTable, NamesTheLauncherByExactKey) {
  const std::pair<const char*, const char*> cases[] = {
      {"mero", "Tilvo launcher"},       {"mero_pe", "Tilvo launcher"},     {"person", "Tilvo"},
      {"pcbang", "Tilvo"},              {"cantora", "cantora launcher"},   {"http", "Tilvo_http launcher"},
      {"Mero", "Tilvo_Mero launcher"},  {"abc", "Tilvo_abc launcher"},     {"kord", "Tilvo_kord launcher"},
      {"cantora_uwp", "cantora_uwp launcher"},
  };
  for (const auto& [key, name] : cases) EXPECT_EQ(LauncherNameForEdition(key, "Tilvo"), name) << key;
}

TEST(GetIEVersion, TakesCharactersThreeAndFourOfTheVersion) {
  Sandbox sb;
  auto& reg = platform::registry();
  EXPECT_EQ(GetIEVersion(), 6);  // no value
  reg.createKey(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Internet Explorer");
  const std::pair<const char*, int> cases[] = {{"9.11.19041.0", 11}, {"9.10.9200", 10}, {"8.0.6001", 6}, {"9", 6}};
  for (const auto& [version, major] : cases) {
    reg.writeValue(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Internet Explorer", "Version", RegValue::string(version));
    EXPECT_EQ(GetIEVersion(), major) << version;
  }
}

TEST(FormCreate, PreparesTheInstallFromTheBuildConstants) {
  Sandbox sb({"/S"});
  auto& shell = sb.recordShell();
  PcType = "mero";
  InstallerExeName = "Tilvo_install.exe";
  TfInstUpdate form;
  form.FormCreate();
  EXPECT_TRUE(form.FSilentInst);
  EXPECT_TRUE(platform::window().isToolWindow());
  EXPECT_EQ(LauncherExe, "Tilvo.exe");
  EXPECT_EQ(LauncherSubExe, "Tilvo_m.exe");
  EXPECT_EQ(LauncherName, "Tilvo launcher");
  EXPECT_EQ(InstallPath, "C:\\Tilvo launcher\\");
  EXPECT_EQ(form.FThemeName, "default");
  EXPECT_EQ(platform::window().width(), 0);
  EXPECT_FALSE(platform::loop().quitRequested());
  EXPECT_TRUE(shell.calls.empty());
  // The emulation value is named after the running executable.
  const std::string exe = platform::systemInfo().executablePath();
  const auto value = platform::registry().readValue(RootKey::CurrentUser, kEmulationKey, exe.substr(exe.rfind('\\') + 1));
  ASSERT_TRUE(value);
  EXPECT_EQ(value->dword, 6000u);
  testing::StopServerCheck();
}

TEST(FormCreate, SilentSwitchesAreFoundAfterLowerCasing) {
  const std::pair<const char*, bool> cases[] = {{"/S", true},  {"/Silent", true}, {"-SILENT", true},
                                                {"-s", true},  {"/q", false},     {"silent", false}};
  for (const auto& [arg, silent] : cases) {
    Sandbox sb({arg});
    TfInstUpdate form;
    form.FormCreate();
    EXPECT_EQ(form.FSilentInst, silent) << arg;
    EXPECT_EQ(platform::window().isToolWindow(), silent) << arg;
    testing::StopServerCheck();
  }
}

TEST(FormCreate, RestartModeOpensTheProgramAgainAndStopsAtOnce) {
  Sandbox sb({"Restart", "Tilvo.exe"});
  auto& shell = sb.recordShell();
  TfInstUpdate form;
  form.FormCreate();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].verb, "open");
  EXPECT_EQ(shell.calls[0].file, "Tilvo.exe");
  EXPECT_TRUE(platform::loop().quitRequested());
  EXPECT_EQ(InstallPath, "");  // nothing after the restart step runs
  EXPECT_TRUE(platform::registry().subKeyNames(RootKey::CurrentUser, "").empty());
}

TEST(DebugLog, WritesWhenForcedOrInDebugMode) {
  Sandbox sb;
  const std::string exe = platform::systemInfo().executablePath();
  const std::string name = exe.substr(exe.rfind('\\') + 1);
  DebugLog(false, "quiet");
  DebugLog(true, "forced");
  DebugMode = true;
  DebugLog(false, "loud");
  EXPECT_EQ(sb.log().lines(), (std::vector<std::string>{name + " : forced", name + " : loud"}));
}

TEST(ProcessExcept, LogsAnErrorThatEscapesAHandler) {
  Sandbox sb;
  DebugMode = true;
  TfInstUpdate form;
  form.RunHandler([] { throw std::runtime_error("boom"); });
  EXPECT_TRUE(sb.log().contains(" : ProcessExcept : boom"));
}

TEST(TimerExit, ClosesTheWindowAndReleasesTheConfiguration) {
  Sandbox sb;
  ServerConfig = std::make_shared<nlohmann::json>();
  TfInstUpdate form;
  platform::window().show();
  form.Timer_Exit->setEnabled(true);
  platform::loop().run();  // ends when the timer closes the window
  EXPECT_TRUE(form.Closed());
  EXPECT_FALSE(platform::window().isVisible());
  EXPECT_EQ(ServerConfig, nullptr);
}

}  // namespace
}  // namespace tilvo
