// Clicks on the page: which element and alt text make which command, and what each command does with and
// without the elements it reads. Here because "install" and "uninstall" end and look for processes by name.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/installer_state.h"
#include "platform/platform.h"
#include "support/folder_tree.h"
#include "support/helper_process.h"
#include "support/page_harness.h"

namespace tilvo {
namespace {

using platform::ElementKind;
using testing::FakeDocument;
using testing::PageHarness;

// An install page with the three fields of the page contract.
std::shared_ptr<FakeDocument> installPage(const std::string& folder = "C:\\Tilvo launcher", bool agreed = false) {
  auto doc = std::make_shared<FakeDocument>();
  doc->pageMetrics = {true, 0, 0, 744, 528, 744, 528};
  doc->add("INPUT", "icon_file", ElementKind::Input).withValue(folder);
  doc->add("INPUT", "chk_agree", ElementKind::Input).withChecked(agreed);
  doc->add("SELECT", "theme", ElementKind::Select).withValue("dark");
  return doc;
}

// What a click did, as far as these tests look.
struct Outcome {
  bool closed = false;
  int backs = 0;
  bool download = false;
  bool themes = false;
};

Outcome clickOn(const std::string& tag, const std::string& alt) {
  PageHarness h;
  h.show(installPage("C:\\Tilvo launcher", true));
  EXPECT_TRUE(h.clickNew(tag, alt));
  return {h.form().Closed(), h.browser().backs, h.form().Timer_DownLoad->enabled(),
          h.form().Timer_Input_Theme->enabled()};
}

TEST(Document_OnMouseClick, RunsTheCommandOfTheTypeEntryOnCommandElementsOnly) {
  struct Case {
    const char* tag;
    const char* alt;
    Outcome expected;
  };
  const Case cases[] = {
      {"DIV", "type=close", {}},                          // not a command element
      {"SPAN", "type=back", {}},
      {"TD", "type=install", {}},
      {"BUTTON", "type=Install", {}},                     // the command word keeps its letter case
      {"IMG", "TYPE=install", {false, 0, true, false}},   // the entry's name does not
      {"A", "id=5,type=back", {false, 1, false, false}},
      {"INPUT", "type=back,type=close", {false, 1, false, false}},  // the first "type" counts
      {"a", "\"type=cancel\"", {true, 0, false, false}},  // a quoted entry, a lower-case tag
      {"IMG", "type=close", {true, 0, false, false}},
      {"BUTTON", "type=select_theme", {false, 0, false, true}},
      {"BUTTON", "type=autoinst", {false, 0, true, false}},
      {"BUTTON", "", {}},
      {"BUTTON", "type=", {}},
      {"BUTTON", "name=install", {}},
  };
  for (const auto& c : cases) {
    const Outcome o = clickOn(c.tag, c.alt);
    const std::string label = std::string(c.tag) + " " + c.alt;
    EXPECT_EQ(o.closed, c.expected.closed) << label;
    EXPECT_EQ(o.backs, c.expected.backs) << label;
    EXPECT_EQ(o.download, c.expected.download) << label;
    EXPECT_EQ(o.themes, c.expected.themes) << label;
  }
}

TEST(Document_OnMouseClick, LogsEveryClickAndTheCommand) {
  PageHarness h;
  h.show(installPage());
  auto& img = h.browser().page->add("IMG", "logo");
  img.withAlt("x=1,type=nothing");
  h.browser().click(h.browser().page->elements.back());
  EXPECT_TRUE(h.sandbox().log().contains("MeroInst MouseClick: element.tagName : IMG, logo, x=1,type=nothing"));
  EXPECT_TRUE(h.sandbox().log().lines().back().ends_with(" : nothing"));
  h.clickNew("DIV", "type=close");
  EXPECT_TRUE(h.sandbox().log().lines().back().ends_with("MeroInst MouseClick: element.tagName : DIV, , type=close"));
}

TEST(InstallCommand, EndsTheLauncherCleansTheFolderAndRequestsTheDownload) {
  PageHarness h;
  const std::string folder = h.sandbox().host("C:\\Games\\Tilvo launcher");
  testing::writeFile(folder + "/old.dll", "old");
  testing::writeFile(folder + "/setup.ini", "[setup]\r\n");
  testing::writeFile(folder + "/bin/engine.dll", "engine");
  testing::HelperProcess launcher(folder + "/Tilvo.exe");
  testing::HelperProcess companion(folder + "/Tilvo_m.exe");

  h.show(installPage("C:\\Games\\Tilvo launcher"));
  h.clickNew("BUTTON", "type=install");
  EXPECT_EQ(InstallPath, "C:\\Games\\Tilvo launcher\\");
  EXPECT_TRUE(launcher.waitForExit(5000));
  EXPECT_TRUE(companion.waitForExit(5000));
  EXPECT_EQ(testing::folderTree(folder), (std::map<std::string, std::string>{{"setup.ini", "[setup]\r\n"}}));
  EXPECT_TRUE(h.form().Timer_DownLoad->enabled());
  EXPECT_TRUE(h.messages().empty());
}

TEST(InstallCommand, TakesTheCurrentFolderWithoutTheFieldAndStopsOnAnEmptyOne) {
  {
    PageHarness h;
    InstallPath = "C:\\Tilvo launcher\\";
    testing::writeFile(h.sandbox().host("C:\\Tilvo launcher") + "/stale.txt", "x");
    auto page = std::make_shared<FakeDocument>();
    page->add("DIV", "icon_file");  // not an input element: as if missing
    h.show(page);
    h.clickNew("IMG", "type=install");
    EXPECT_EQ(InstallPath, "C:\\Tilvo launcher\\");
    EXPECT_FALSE(std::filesystem::exists(h.sandbox().host("C:\\Tilvo launcher") + "/stale.txt"));
    EXPECT_TRUE(h.form().Timer_DownLoad->enabled());
  }
  {
    PageHarness h;
    const std::string kept = h.sandbox().host("C:\\Tilvo launcher") + "/kept.txt";
    testing::writeFile(kept, "x");
    h.show(installPage(""));
    h.clickNew("IMG", "type=install");
    EXPECT_EQ(h.messages(), std::vector<std::string>{"설치 경로를 지정해 주세요"});
    EXPECT_EQ(h.browser().backs, 1);
    EXPECT_TRUE(std::filesystem::exists(kept));
    EXPECT_FALSE(h.form().Timer_DownLoad->enabled());
    EXPECT_EQ(InstallPath, "C:\\Tilvo launcher\\");
  }
}

TEST(FindPathCommand, PutsTheLauncherFolderUnderTheChosenFolder) {
  PageHarness h;
  h.folders().answers = {std::string("D:\\Games"), std::string("C:\\")};
  auto page = installPage();
  h.show(page);
  h.clickNew("BUTTON", "type=find_path");
  EXPECT_EQ(h.folders().captions, std::vector<std::string>{"Select folder.."});
  EXPECT_EQ(h.folders().starts, std::vector<std::string>{"C:\\"});
  EXPECT_EQ(InstallPath, "D:\\Games\\Tilvo launcher\\");
  EXPECT_EQ(page->find("icon_file")->value(), "D:\\Games\\Tilvo launcher\\");
  h.clickNew("BUTTON", "type=find_path");
  EXPECT_EQ(InstallPath, "C:\\Tilvo launcher\\");

  // Without the field the folder stays as chosen.
  h.folders().answers = {std::string("D:\\Games")};
  h.show(std::make_shared<FakeDocument>());
  h.clickNew("BUTTON", "type=find_path");
  EXPECT_EQ(InstallPath, "D:\\Games");
}

TEST(FindPathCommand, ACancelledDialogLeavesTheDriveRootForAutoinst) {
  PageHarness h;
  auto page = installPage("C:\\Tilvo launcher", true);
  h.show(page);
  h.clickNew("BUTTON", "type=find_path");  // no answer: cancelled
  EXPECT_EQ(InstallPath, "C:\\");
  EXPECT_EQ(page->find("icon_file")->value(), "C:\\Tilvo launcher");  // the field is not touched
  h.clickNew("BUTTON", "type=autoinst");
  EXPECT_EQ(InstallPath, "C:\\");
  EXPECT_TRUE(h.form().Timer_DownLoad->enabled());
}

TEST(AutoinstCommand, NeedsTheAgreementAndClearsNothing) {
  PageHarness h;
  const std::string kept = h.sandbox().host("C:\\Tilvo launcher") + "/kept.txt";
  testing::writeFile(kept, "x");
  auto page = installPage();
  h.show(page);
  h.clickNew("BUTTON", "type=autoinst");
  EXPECT_EQ(h.messages(), std::vector<std::string>{"License agreement check please"});
  EXPECT_EQ(h.form().FAgreeMsg, "License agreement check please");
  EXPECT_FALSE(h.form().Timer_DownLoad->enabled());

  page->find("chk_agree")->withChecked(true);
  InstallPath = "C:\\Tilvo launcher";
  h.clickNew("BUTTON", "type=autoinst");
  EXPECT_TRUE(h.form().Timer_DownLoad->enabled());
  EXPECT_EQ(InstallPath, "C:\\Tilvo launcher\\");
  EXPECT_TRUE(std::filesystem::exists(kept));
  EXPECT_EQ(h.messages().size(), 1u);

  // A page without the box keeps the agreement last read.
  h.form().Timer_DownLoad->setEnabled(false);
  h.show(std::make_shared<FakeDocument>());
  h.clickNew("BUTTON", "type=autoinst");
  EXPECT_TRUE(h.form().Timer_DownLoad->enabled());
}

TEST(AgreeAndThemeCommands, RecordWhatTheFieldsHoldAndNothingWithoutThem) {
  PageHarness h;
  auto page = installPage();
  h.show(page);
  page->find("chk_agree")->withChecked(true);
  h.clickNew("INPUT", "type=agree");
  EXPECT_TRUE(h.form().FInstAgreed);
  EXPECT_TRUE(h.sandbox().log().lines().back().ends_with(" : True"));
  page->find("chk_agree")->withChecked(false);
  h.clickNew("INPUT", "type=agree");
  EXPECT_FALSE(h.form().FInstAgreed);
  EXPECT_TRUE(h.sandbox().log().lines().back().ends_with(" : False"));

  h.clickNew("IMG", "type=theme_name");
  EXPECT_EQ(h.form().FThemeName, "dark");
  EXPECT_TRUE(ThemeSelected);
  EXPECT_TRUE(h.sandbox().log().contains("Selected Theme value : dark"));

  // "theme" as an input element and a missing "chk_agree" change nothing.
  PageHarness other;
  auto plain = std::make_shared<FakeDocument>();
  plain->add("INPUT", "theme", ElementKind::Input).withValue("light");
  other.show(plain);
  other.form().FInstAgreed = true;
  other.clickNew("IMG", "type=theme_name");
  other.clickNew("INPUT", "type=agree");
  EXPECT_EQ(other.form().FThemeName, "default");
  EXPECT_FALSE(ThemeSelected);
  EXPECT_TRUE(other.form().FInstAgreed);
}

TEST(PageCommands, AnErrorEndsTheCommandInProcessExcept) {
  PageHarness h;
  auto page = installPage();
  page->body = false;
  h.show(page);  // the completion itself fails the same way
  for (const char* alt : {"type=agree", "type=install", "type=theme_name"}) {
    h.sandbox().log().clear();
    EXPECT_NO_THROW(h.clickNew("BUTTON", alt)) << alt;
    EXPECT_TRUE(h.sandbox().log().contains("ProcessExcept : Can't find <body> element")) << alt;
  }
  EXPECT_FALSE(h.form().Timer_DownLoad->enabled());
}

TEST(UninstallCommand, RunsThePageUninstall) {
  PageHarness h;
  h.show(installPage());
  h.clickNew("A", "type=uninstall");  // nothing installed, the launcher not running
  EXPECT_EQ(h.browser().backs, 1);
  EXPECT_EQ(h.messages(), std::vector<std::string>{"Tilvo.exe 런처 설치 내용이 없습니다."});
  EXPECT_FALSE(h.form().Closed());
}

}  // namespace
}  // namespace tilvo
