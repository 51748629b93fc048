#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/installer_state.h"
#include "install/system_registration.h"
#include "platform/platform.h"
#include "support/child_process.h"
#include "support/sandbox.h"
#include "support/scoped_env.h"

namespace tilvo {
namespace {

using testing::Sandbox;

// A desktop opener on the search path that writes down what it was asked to open.
class FakeOpener {
 public:
  FakeOpener() : path_("PATH", folder_.path() + ":" + currentPath()) {
    const std::string script = folder_.path() + "/xdg-open";
    testing::writeFile(script, "#!/bin/sh\nprintf '%s' \"$1\" > '" + record() + ".part' && mv '" + record() +
                                   ".part' '" + record() + "'\n");
    ::chmod(script.c_str(), 0755);
  }
  std::string record() const { return folder_.path() + "/opened"; }
  // What was opened, once the opener has run; empty after `timeoutMs`.
  std::string opened(int timeoutMs = 5000) const {
    testing::waitUntil(timeoutMs, [this] { return ::access(record().c_str(), F_OK) == 0; });
    return testing::readFile(record());
  }

 private:
  static std::string currentPath() {
    const char* p = std::getenv("PATH");
    return p ? p : "/usr/bin:/bin";
  }
  testing::TempFolder folder_;
  testing::ScopedEnv path_;
};

TEST(ShellOpen, TheIconFoldersWindowOpensTheFolderWithTheDesktopOpener) {
  FakeOpener opener;
  Sandbox sb;
  InstallPath = "C:\\Tilvo\\";
  Make_Icon_Folders();
  EXPECT_EQ(opener.opened(), sb.host("C:\\Tilvo\\icons"));
}

TEST(ShellOpen, TheWebBrowserOpensItsAddressAndAMissingFolderOpensNothing) {
  FakeOpener opener;
  Sandbox sb;
  auto& shell = platform::shell();
  EXPECT_FALSE(shell.execute("open", "explorer.exe", "C:\\Nothing here", "", platform::ShowCommand::ShowNormal));
  EXPECT_FALSE(shell.execute("open", "explorer.exe", "", "", platform::ShowCommand::ShowNormal));
  EXPECT_TRUE(shell.execute("open", "iexplore.exe", "http://127.0.0.1/aero.html", "", platform::ShowCommand::ShowNormal));
  EXPECT_EQ(opener.opened(), "http://127.0.0.1/aero.html");
}

}  // namespace
}  // namespace tilvo
