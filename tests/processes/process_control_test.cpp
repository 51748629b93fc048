#include <gtest/gtest.h>

#include "core/installer_state.h"
#include <unistd.h>

#include "core/process_control.h"
#include "core/text.h"
#include "support/helper_process.h"
#include "support/sandbox.h"

namespace tilvo {
namespace {

using testing::HelperProcess;
using testing::Sandbox;

TEST(ProcessNameMatches, ComparesTheFileNameOrTheWholeTextIgnoringAsciiCase) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"Tilvo.exe", "tilvo.exe", true},
      {"Tilvo.exe", "TILVO.EXE", true},
      {"C:\\Tilvo launcher\\Tilvo.exe", "Tilvo.exe", true},           // file-name part
      {"C:Tilvo.exe", "Tilvo.exe", true},                              // a colon also delimits
      {"C:\\Tilvo launcher\\Tilvo.exe", "c:\\tilvo launcher\\tilvo.exe", true},  // whole text
      {"Tilvo.exe", "C:\\Tilvo launcher\\Tilvo.exe", false},           // a path does not match a bare name
      {"\xC3\x89t\xC3\xA9.exe", "\xC3\xA9T\xC3\xA9.EXE", false},      // É and é differ
      {"\xC3\x89t\xC3\xA9.exe", "\xC3\x89T\xC3\xA9.EXE", true},
      {"Tilvo.exe", "", false},
      {"", "", false},
      {"Tilvo.exe.bak", "Tilvo.exe", false},
  };
  for (const auto& [exe, name, match] : cases) EXPECT_EQ(ProcessNameMatches(exe, name), match) << exe << " / " << name;
}

TEST(ProcessControl, KillsEveryMatchAndFindsTheFolderOfTheFirst) {
  Sandbox sb;
  // A name of this test's own, so that other programs on the machine cannot disturb the checks.
  const std::string name = "TilvoProbe" + std::to_string(::getpid()) + ".exe";
  HelperProcess first(sb.host("C:\\Tilvo launcher\\" + name));
  HelperProcess second(sb.host("C:\\Other\\" + name));
  HelperProcess bystander(sb.host("C:\\Tilvo launcher\\Keep" + name));

  EXPECT_TRUE(ProcessExists(LowerCase(name)));
  const std::string folder = GetProcessFolder(name);
  EXPECT_TRUE(folder == "C:\\TILVO LAUNCHER\\" || folder == "C:\\OTHER\\") << folder;
  EXPECT_EQ(GetProcessImagePath(static_cast<uint32_t>(bystander.pid())), "C:\\TILVO LAUNCHER\\KEEP" + UpperCase(name));

  ProcessList list;
  ListProcesses(list, true);
  bool listed = false;
  for (const auto& e : list)
    listed = listed || (e.pid == static_cast<uint32_t>(first.pid()) && e.text == "C:\\TILVO LAUNCHER\\" + UpperCase(name));
  EXPECT_TRUE(listed);

  ProcessKill("C:\\Tilvo launcher\\" + name);  // the snapshot has bare names: a path ends nothing
  EXPECT_TRUE(first.running());

  ProcessKill(UpperCase(name));
  EXPECT_TRUE(first.waitForExit(2000));
  EXPECT_TRUE(second.waitForExit(2000));
  EXPECT_TRUE(bystander.running());
  EXPECT_FALSE(ProcessExists(name));
  EXPECT_EQ(GetProcessFolder(name), "");
}

TEST(ProcessControl, ProcessKillsEndsTheCompanionsButNotTheLauncher) {
  Sandbox sb;
  LauncherSubExe = "Tilvo_m.exe";
  HelperProcess games(sb.host("C:\\L\\TilvoGames.exe"));
  HelperProcess chat(sb.host("C:\\L\\TilvoChat.exe"));
  HelperProcess sub(sb.host("C:\\L\\Tilvo_m.exe"));
  HelperProcess util(sb.host("C:\\L\\TUtil.exe"));
  HelperProcess launcher(sb.host("C:\\L\\Tilvo.exe"));
  TfInstUpdate form;
  form.Process_Kills();
  for (auto* p : {&games, &chat, &sub, &util}) EXPECT_TRUE(p->waitForExit(2000));
  EXPECT_TRUE(launcher.running());
}

}  // namespace
}  // namespace tilvo
