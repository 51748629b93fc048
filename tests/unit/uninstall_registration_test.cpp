#include <gtest/gtest.h>

#include "core/installer_state.h"
#include "core/text.h"
#include "install/system_registration.h"
#include "platform/platform.h"
#include "support/registry_dump.h"
#include "support/sandbox.h"
#include "uninstall/uninstall_registration.h"

namespace tilvo {
namespace {

using platform::RootKey;
using testing::Sandbox;

TEST(InstallerPathFromUninstallString, TakesThePathOutOfTheCommand) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"C:\\Tilvo\\Tilvo_install.exe\" -uninstall", "C:\\Tilvo\\Tilvo_install.exe"},
      {"\"C:\\Program Files (x86)\\Tilvo launcher\\Tilvo_install.exe\" -uninstall",
       "C:\\Program Files (x86)\\Tilvo launcher\\Tilvo_install.exe"},
      {"  \"C:\\Tilvo\\Tilvo_install.exe\"", "C:\\Tilvo\\Tilvo_install.exe"},
      {"\"C:\\Tilvo\\Tilvo_install.exe", "C:\\Tilvo\\Tilvo_install.exe"},  // unterminated quote
      {"C:\\Tilvo launcher\\Tilvo_install.exe -UNINSTALL", "C:\\Tilvo launcher\\Tilvo_install.exe"},
      {"C:\\Tilvo\\Tilvo_install.exe", "C:\\Tilvo\\Tilvo_install.exe"},
      {"", ""},
      {" -uninstall", ""},
      {"\"\" -uninstall", ""},
  };
  for (const auto& [command, path] : cases) EXPECT_EQ(InstallerPathFromUninstallString(command), path) << command;
}

TEST(UninstallRegistration, ReadingTheCommandLeavesAnEmptyEntryAndDeletingItIsQuiet) {
  Sandbox sb;
  EXPECT_EQ(GetUninstallString(), "");
  EXPECT_TRUE(platform::registry().keyExists(RootKey::LocalMachine, UninstallKey()));
  EXPECT_TRUE(testing::dumpRegistryValues().empty());

  InstallPath = "C:\\Tilvo\\";
  RegisterUninstallEntry();
  AppInsertToReg();
  EXPECT_EQ(InstallerPathFromUninstallString(GetUninstallString()),
            "C:\\Tilvo\\" + ExtractFileName(platform::systemInfo().executablePath()));
  DeleteUninstallKey();
  DeleteAppKey();
  DeleteUninstallKey();  // already gone: nothing happens
  DeleteAppKey();
  EXPECT_FALSE(platform::registry().keyExists(RootKey::LocalMachine, UninstallKey()));
  EXPECT_FALSE(platform::registry().keyExists(RootKey::LocalMachine, AppKey()));
  EXPECT_TRUE(platform::registry().keyExists(RootKey::LocalMachine, kUninstallKeyRoot));
}

TEST(UninstallRegistration, DeletingTheEntryWithoutAnUninstallKeyCreatesNothing) {
  Sandbox sb;
  DeleteUninstallKey();
  DeleteAppKey();
  EXPECT_TRUE(testing::dumpRegistryKeys().empty());
}

}  // namespace
}  // namespace tilvo
