// Calls into the page: running a script, the theme list, and the theme timer's retry loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "core/delay.h"
#include "core/installer_state.h"
#include "core/json.h"
#include "platform/platform.h"
#include "support/page_harness.h"
#include "ui/script_bridge.h"

namespace tilvo {
namespace {

using testing::FakeDocument;
using testing::PageHarness;

// A page whose script defines only the functions named: other calls fail, and so does a call whose string
// literals do not close (an odd number of quotes), as in a browser.
void defineFunctions(testing::FakeBrowser& browser, std::vector<std::string> names) {
  browser.scriptOutcome = [names](const std::string& code, std::string& error) {
    const std::string function = code.substr(0, code.find('('));
    if (std::count(code.begin(), code.end(), '"') % 2 != 0) {
      error = "SyntaxError: Unexpected EOF";
      return false;
    }
    if (std::find(names.begin(), names.end(), function) != names.end()) return true;
    error = "ReferenceError: Can't find variable: " + function;
    return false;
  };
}

TEST(ExecJavaScript, TellsWhetherTheScriptRanAndLogsAFailureAlways) {
  PageHarness h;
  DebugMode = false;  // the failure line is written anyway
  auto& browser = h.browser();
  EXPECT_FALSE(ExecJavaScript(browser, "instinfo(\"1\",\"2\")"));  // no document: nothing is run or logged
  EXPECT_TRUE(browser.scripts.empty());
  EXPECT_TRUE(h.sandbox().log().lines().empty());

  browser.load(std::make_shared<FakeDocument>());
  defineFunctions(browser, {"instinfo"});
  EXPECT_TRUE(ExecJavaScript(browser, "instinfo(\"1\",\"2\")"));
  EXPECT_TRUE(h.sandbox().log().lines().empty());
  EXPECT_FALSE(ExecJavaScript(browser, "select_theme(\"dark\")"));
  ASSERT_EQ(h.sandbox().log().lines().size(), 1u);
  const std::string line = h.sandbox().log().lines()[0];
  EXPECT_EQ(line.substr(line.find(" : ")),
            " : Javascript error ReferenceError: Can't find variable: select_theme in: \r\nselect_theme(\"dark\")");
}

TEST(PageCalls, AreBuiltByPlainFormatting) {
  EXPECT_EQ(InstInfoScript(33, 99), "instinfo(\"33\",\"99\")");
  EXPECT_EQ(InstInfoScript(100, 0), "instinfo(\"100\",\"0\")");
  EXPECT_EQ(SelectThemeScript("dark"), "select_theme(\"dark\")");
  EXPECT_EQ(SelectThemeScript("say \"hi\""), "select_theme(\"say \"hi\"\")");  // not escaped
  EXPECT_EQ(SelectThemeScript("50%"), "select_theme(\"50%\")");
}

TEST(Process_ThemeList, SendsEveryThemeInMemberOrder) {
  PageHarness h;
  auto& browser = h.browser();
  browser.load(std::make_shared<FakeDocument>());
  defineFunctions(browser, {"select_theme"});
  EXPECT_FALSE(h.form().Process_ThemeList());  // no server configuration
  ServerConfig = ParseJson(R"({"theme_url": ""})");
  EXPECT_FALSE(h.form().Process_ThemeList());
  ServerConfig = ParseJson(R"({"theme_url": {}})");
  EXPECT_FALSE(h.form().Process_ThemeList());
  EXPECT_TRUE(browser.scripts.empty());

  ServerConfig = ParseJson(R"({"theme_url": {"a": "A theme", "b": {"preview": "b.png"}, "c": 3}})");
  EXPECT_TRUE(h.form().Process_ThemeList());
  std::vector<std::string> expected;
  for (const auto& name : JsonMemberOrder(*JsonReadObject(*ServerConfig, "theme_url")))
    expected.push_back("select_theme(\"" + name + "\")");
  EXPECT_EQ(browser.scripts, expected);
  // b before a, whatever the text's order
  EXPECT_LT(std::find(expected.begin(), expected.end(), "select_theme(\"b\")"),
            std::find(expected.begin(), expected.end(), "select_theme(\"a\")"));
  EXPECT_TRUE(h.sandbox().log().contains(" : {\"preview\":\"b.png\"}"));  // each value, as text
  EXPECT_TRUE(h.sandbox().log().contains(" : A theme"));

  // A name that breaks the script fails alone; the theme list may also come as a JSON text.
  browser.scripts.clear();
  ServerConfig = ParseJson(R"({"theme_url": "{\"b\\\"\": 1, \"light\": 2}"})");
  EXPECT_TRUE(h.form().Process_ThemeList());
  EXPECT_EQ(browser.scripts.size(), 2u);
  EXPECT_TRUE(h.sandbox().log().contains("Javascript error"));

  ServerConfig = ParseJson(R"({"theme_url": "[\"a\", \"b\"]"})");
  EXPECT_THROW(h.form().Process_ThemeList(), std::exception);
}

bool waitFor(const std::function<bool()>& done, int milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    DelayMs(5);
  }
  return true;
}

TEST(Timer_Input_Theme, RetriesEvery100MsUntilACallRuns) {
  PageHarness h;
  auto& browser = h.browser();
  browser.load(std::make_shared<FakeDocument>());
  defineFunctions(browser, {});  // a page without select_theme
  ServerConfig = ParseJson(R"({"theme_url": {"dark": 1, "light": 2}})");
  h.form().Timer_Input_Theme->setEnabled(true);
  ASSERT_TRUE(waitFor([&] { return browser.scripts.size() >= 6; }, 3000));  // three attempts at least
  EXPECT_TRUE(h.form().Timer_Input_Theme->enabled());

  defineFunctions(browser, {"select_theme"});  // the page that defines it has loaded
  ASSERT_TRUE(waitFor([&] { return !h.form().Timer_Input_Theme->enabled(); }, 3000));
  const size_t sent = browser.scripts.size();
  DelayMs(350);
  EXPECT_EQ(browser.scripts.size(), sent);  // the timer stays off

  // A theme list that is no object ends the attempts with ProcessExcept.
  ServerConfig = ParseJson(R"({"theme_url": "not json"})");
  h.form().Timer_Input_Theme->setEnabled(true);
  ASSERT_TRUE(waitFor([&] { return h.sandbox().log().contains("ProcessExcept : "); }, 3000));
  EXPECT_FALSE(h.form().Timer_Input_Theme->enabled());
}

}  // namespace
}  // namespace tilvo
