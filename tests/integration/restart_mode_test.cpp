// Restart mode with the real binary and real processes.
#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/linux/sqlite_registry.h"
#include "support/helper_process.h"
#include "support/installer_run.h"
#include "support/sandbox.h"

namespace tilvo {
namespace {

using testing::HelperProcess;
using testing::InstallerCopy;
using testing::TempFolder;

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

void killAll(const std::string& hostPath) {
  for (int pid : pidsRunning(hostPath)) ::kill(pid, SIGKILL);
}


TEST(RestartMode, EndsEveryRunningCopyStartsTheProgramAgainAndWritesNothing) {
  TempFolder root, bin;
  InstallerCopy installer(bin.path() + "/installer");
  const std::string launcherDir = root.path() + "/drive_c/Tilvo launcher";
  const std::string launcher = launcherDir + "/Tilvo.exe";
  HelperProcess first(launcher);
  HelperProcess second(launcher);

  // A bare name is found in the working folder, as the shell finds it.
  const auto result = installer.run({"restart", "Tilvo.exe"}, root.path(), {}, 30000, launcherDir);
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_TRUE(first.waitForExit(3000));
  EXPECT_TRUE(second.waitForExit(3000));
  EXPECT_TRUE(testing::waitUntil(5000, [&] { return pidsRunning(launcher).size() == 1; })) << "the program was not started again";
  killAll(launcher);

  auto registry = platform::linux_host::createSqliteRegistry(root.path() + "/registry.db", true);
  for (auto rootKey : {platform::RootKey::CurrentUser, platform::RootKey::LocalMachine})
    EXPECT_TRUE(registry->subKeyNames(rootKey, "").empty());
}

TEST(RestartMode, GivenAPathItOpensTheProgramButEndsOnlyWhatTheNameMatches) {
  TempFolder root, bin;
  InstallerCopy installer(bin.path() + "/installer");
  const std::string launcher = root.path() + "/drive_c/Tilvo launcher/Tilvo.exe";
  HelperProcess running(launcher);

  const auto result = installer.run({"RESTART", "C:\\Tilvo launcher\\Tilvo.exe"}, root.path());
  EXPECT_EQ(result.exitCode, 0) << result.output;
  // Snapshot names are bare file names: a path matches none of them.
  EXPECT_TRUE(running.running());
  EXPECT_TRUE(testing::waitUntil(5000, [&] { return pidsRunning(launcher).size() == 2; }));
  killAll(launcher);
}

TEST(RestartMode, WithoutAProgramEndsNothingAndStillExits) {
  TempFolder root, bin;
  InstallerCopy installer(bin.path() + "/installer");
  HelperProcess running(root.path() + "/drive_c/L/Tilvo.exe");
  const auto result = installer.run({"restart"}, root.path());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_FALSE(result.timedOut);
  EXPECT_TRUE(running.running());
}

}  // namespace
}  // namespace tilvo
