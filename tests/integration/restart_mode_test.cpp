// Restart mode with the real binary and real processes.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>

#include "platform/linux/sqlite_registry.h"
#include "support/helper_process.h"
#include "support/installer_process.h"
#include "support/sandbox.h"

namespace tilvo {
namespace {

using testing::HelperProcess;
using testing::InstallerProcess;
using testing::TempFolder;
using namespace std::chrono_literals;

// Pids of the processes that run the executable at `hostPath`.
std::vector<int> pidsRunning(const std::string& hostPath) {
  std::vector<int> pids;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.empty() || !std::isdigit(static_cast<unsigned char>(name[0]))) continue;
    std::error_code ec;
    if (std::filesystem::read_symlink(entry.path() / "exe", ec) == hostPath) pids.push_back(std::stoi(name));
  }
  return pids;
}

testing::InstallerOptions restartRun(std::vector<std::string> arguments, const std::string& root,
                                     const std::string& workingFolder = {}) {
  testing::InstallerOptions options;
  options.arguments = std::move(arguments);
  options.root = root;
  options.workingFolder = workingFolder;
  return options;
}

void killAll(const std::string& hostPath) {
  for (int pid : pidsRunning(hostPath)) ::kill(pid, SIGKILL);
}

TEST(RestartMode, EndsEveryRunningCopyStartsTheProgramAgainAndWritesNothing) {
  TempFolder root;
  const std::string launcherDir = root.path() + "/drive_c/Tilvo launcher";
  const std::string launcher = launcherDir + "/Tilvo.exe";
  HelperProcess first(launcher);
  HelperProcess second(launcher);

  // A bare name is found in the working folder, as the shell finds it.
  InstallerProcess installer(TILVO_INSTALLER, restartRun({"restart", "Tilvo.exe"}, root.path(), launcherDir));
  EXPECT_EQ(installer.waitFor(30s), 0);
  EXPECT_TRUE(first.waitForExit(3000));
  EXPECT_TRUE(second.waitForExit(3000));
  EXPECT_TRUE(testing::waitUntil(5000, [&] { return pidsRunning(launcher).size() == 1; }))
      << "the program was not started again";
  killAll(launcher);

  auto registry = platform::linux_host::createSqliteRegistry(root.path() + "/registry.db", true);
  for (auto rootKey : {platform::RootKey::CurrentUser, platform::RootKey::LocalMachine})
    EXPECT_TRUE(registry->subKeyNames(rootKey, "").empty());
}

TEST(RestartMode, GivenAPathItOpensTheProgramButEndsOnlyWhatTheNameMatches) {
  TempFolder root;
  const std::string launcher = root.path() + "/drive_c/Tilvo launcher/Tilvo.exe";
  HelperProcess running(launcher);

  InstallerProcess installer(TILVO_INSTALLER,
                             restartRun({"RESTART", "C:\\Tilvo launcher\\Tilvo.exe"}, root.path()));
  EXPECT_EQ(installer.waitFor(30s), 0);
  // Snapshot names are bare file names: a path matches none of them.
  EXPECT_TRUE(running.running());
  EXPECT_TRUE(testing::waitUntil(5000, [&] { return pidsRunning(launcher).size() == 2; }));
  killAll(launcher);
}

TEST(RestartMode, WithoutAProgramEndsNothingAndStillExits) {
  TempFolder root;
  HelperProcess running(root.path() + "/drive_c/L/Tilvo.exe");
  InstallerProcess installer(TILVO_INSTALLER, restartRun({"restart"}, root.path()));
  EXPECT_EQ(installer.waitFor(30s), 0);
  EXPECT_TRUE(running.running());
}

}  // namespace
}  // namespace tilvo
