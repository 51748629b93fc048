#include <gtest/gtest.h>

#include "core/installer_state.h"
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

}  // namespace
}  // namespace tilvo::testing
