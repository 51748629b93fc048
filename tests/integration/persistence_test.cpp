// What one run of the real binary stores is there for the next run, even when a run is killed.
#include <gtest/gtest.h>

#include "platform/linux/sqlite_registry.h"
#include "support/installer_process.h"
#include "support/sandbox.h"

namespace tilvo {
namespace {

using platform::RegValue;
using platform::RootKey;
using testing::InstallerProcess;
using testing::TempFolder;
using namespace std::chrono_literals;

const char* kEmulationKey = "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

// An argument that is no mode, with servers that refuse: the run ends at its first failed check, or is
// killed when the test is done with it, whichever comes first.
testing::InstallerOptions idleRun(const std::string& root) {
  testing::InstallerOptions options;
  options.arguments = {"idle"};
  options.environment = {"TILVO_CONNECTED=1", "TILVO_SERVER_HOSTS=127.0.0.1:9,127.0.0.2:9,127.0.0.3:9"};
  options.root = root;
  return options;
}

TEST(Persistence, TheRegistryStoreOutlivesAKilledRunAndFeedsTheNext) {
  TempFolder root;
  {
    InstallerProcess first(TILVO_INSTALLER, idleRun(root.path()));
    ASSERT_TRUE(first.waitForLog("ie ver : 6000", 10s));
  }  // killed here

  auto registry = platform::linux_host::createSqliteRegistry(root.path() + "/registry.db", true);
  auto value = registry->readValue(RootKey::CurrentUser, kEmulationKey, "Tilvo_install.exe");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->dword, 6000u);

  // The next run reads what is stored now.
  registry->createKey(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Internet Explorer");
  registry->writeValue(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Internet Explorer", "Version",
                       RegValue::string("9.11.19041.0"));
  InstallerProcess second(TILVO_INSTALLER, idleRun(root.path()));
  EXPECT_TRUE(second.waitForLog("ie ver : 11000", 10s));
  second.waitFor(200ms);
  EXPECT_EQ(registry->readValue(RootKey::CurrentUser, kEmulationKey, "Tilvo_install.exe")->dword, 11000u);
}

}  // namespace
}  // namespace tilvo
