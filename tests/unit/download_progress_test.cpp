#include <gtest/gtest.h>

#include "core/debug_log.h"
#include "core/installer_state.h"
#include "platform/platform.h"
#include "support/fake_browser.h"
#include "support/sandbox.h"

namespace tilvo::testing {
namespace {

TEST(OnProgress, KeepsTheFilePercentageCutTowardZeroAndArmsTheRefresh) {
  Sandbox sb;
  TfInstUpdate form;
  const std::tuple<uint32_t, uint32_t, int32_t> cases[] = {
      {1023, 1024, 99}, {1024, 1024, 100}, {0, 1, 0}, {3000, 1000, 300}, {4294967295u, 4294967295u, 100}};
  for (const auto& [done, total, percent] : cases) {
    form.Timer_Progress->setEnabled(false);
    form.OnProgress(done, total, 5, "ftp://store/x.zip");
    EXPECT_EQ(form.FPer, percent) << done << "/" << total;
    EXPECT_TRUE(form.Timer_Progress->enabled());
  }
}

TEST(OnProgress, AReportWithoutATotalChangesNothingAndIsLogged) {
  Sandbox sb;
  DebugMode = true;
  TfInstUpdate form;
  form.FPer = 42;
  form.OnProgress(0, 0, 4, "ftp://store/x.zip");
  form.OnProgress(100, 0, 5, "ftp://store/x.zip");
  EXPECT_EQ(form.FPer, 42);
  EXPECT_FALSE(form.Timer_Progress->enabled());
  EXPECT_TRUE(sb.log().contains("OnProgress : Invalid floating point operation"));
  EXPECT_TRUE(sb.log().contains("OnProgress : Floating point division by zero"));
}

// The form over a page of the test's making.
struct ProgressPage {
  ProgressPage() {
    auto b = std::make_unique<FakeBrowser>();
    browser = b.get();
    sb.platform().browser = std::move(b);
    browser->load(std::make_shared<FakeDocument>());
    form = std::make_unique<TfInstUpdate>();
  }
  Sandbox sb;
  FakeBrowser* browser = nullptr;
  std::unique_ptr<TfInstUpdate> form;
};

TEST(Timer_ProgressTimer, ShowsTheRunAndTheFileOnThePageAndTheTaskbar) {
  const std::tuple<int32_t, int32_t, std::string, int> cases[] = {
      {1, 3, "instinfo(\"33\",\"57\")", 33}, {2, 3, "instinfo(\"66\",\"57\")", 66},
      {3, 4, "instinfo(\"75\",\"57\")", 75}, {5, 4, "instinfo(\"100\",\"57\")", 100}};
  for (const auto& [done, total, script, overall] : cases) {
    ProgressPage p;
    FInstCount = done;
    Total_Download_Count = total;
    p.form->FPer = 57;
    p.form->Timer_Progress->setEnabled(true);
    p.form->Timer_ProgressTimer();
    EXPECT_FALSE(p.form->Timer_Progress->enabled());
    EXPECT_EQ(p.browser->scripts, std::vector<std::string>{script});
    EXPECT_EQ(platform::taskbar().progressValue(), overall);
    EXPECT_TRUE(p.sb.log().contains(Format("%s, %d, %d, %d", script.c_str(), done, total, overall)));
  }
}

TEST(Timer_ProgressTimer, AFailedPageCallLeavesTheTaskbarAndARunWithoutFilesReachesTheErrorHandler) {
  ProgressPage p;
  DebugMode = true;
  FInstCount = 1;
  Total_Download_Count = 2;
  platform::taskbar().setProgress(10, 100);
  p.browser->scriptOutcome = [](const std::string&, std::string& error) {
    error = "instinfo is not defined";
    return false;
  };
  p.form->Timer_ProgressTimer();
  EXPECT_EQ(platform::taskbar().progressValue(), 10);
  EXPECT_FALSE(p.sb.log().contains(", 1, 2, 50"));

  Total_Download_Count = 0;
  FInstCount = 0;
  p.browser->scripts.clear();
  p.form->Timer_Progress->setEnabled(true);
  p.form->RunHandler([&] { p.form->Timer_ProgressTimer(); });
  EXPECT_FALSE(p.form->Timer_Progress->enabled());
  EXPECT_TRUE(p.browser->scripts.empty());
  EXPECT_EQ(platform::taskbar().progressValue(), 10);
  EXPECT_TRUE(p.sb.log().contains("ProcessExcept : Invalid floating point operation"));
}

}  // namespace
}  // namespace tilvo::testing
