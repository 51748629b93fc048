// What one run of the real binary stores is there for the next run, even when a run is killed.
#include <gtest/gtest.h>

#include "platform/linux/sqlite_registry.h"
#include "support/installer_run.h"
#include "support/sandbox.h"

namespace tilvo {
namespace {

using platform::RegValue;
using platform::RootKey;
using testing::InstallerCopy;
using testing::TempFolder;

const char* kEmulationKey = "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

TEST(Persistence, TheRegistryStoreOutlivesAKilledRunAndFeedsTheNext) {
  TempFolder root, bin;
  InstallerCopy installer(bin.path() + "/installer");
  // An argument that is no mode leaves the program idle until it is ended from outside (or by the server
  // check finding no server); either way it is ended here after a moment.
  const std::map<std::string, std::string> offline{{"TILVO_CONNECTED", "0"}};
  installer.run({"idle"}, root.path(), offline, 1500);

  auto registry = platform::linux_host::createSqliteRegistry(root.path() + "/registry.db", true);
  auto value = registry->readValue(RootKey::CurrentUser, kEmulationKey, "Tilvo_install.exe");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->dword, 6000u);

  // The next run reads what is stored now.
  registry->createKey(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Internet Explorer");
  registry->writeValue(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Internet Explorer", "Version",
                       RegValue::string("9.11.19041.0"));
  const auto second = installer.run({"idle"}, root.path(), offline, 1500);
  EXPECT_NE(second.output.find("ie ver : 11000"), std::string::npos) << second.output;
  EXPECT_EQ(registry->readValue(RootKey::CurrentUser, kEmulationKey, "Tilvo_install.exe")->dword, 11000u);
}

}  // namespace
}  // namespace tilvo
