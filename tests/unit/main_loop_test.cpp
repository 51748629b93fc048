#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/delay.h"
#include "platform/platform.h"
#include "support/sandbox.h"

namespace tilvo {
namespace {

using testing::Sandbox;

// Pumps the loop until `done` holds or `limitMs` passed.
template <typename Pred>
bool pumpUntil(Pred done, uint32_t limitMs = 3000) {
  auto& system = platform::systemInfo();
  const uint32_t start = system.tickCount();
  while (!done()) {
    if (system.tickCount() - start > limitMs) return false;
    platform::loop().processPendingMessages();
    system.sleepMs(1);
  }
  return true;
}

TEST(Timer, FiresWhileEnabledAndNotAfterItIsSwitchedOff) {
  Sandbox sb;
  auto timer = platform::loop().createTimer(20);
  int ticks = 0;
  timer->setOnTimer([&] { ++ticks; });
  DelayMs(80);
  EXPECT_EQ(ticks, 0) << "a timer starts switched off";

  timer->setEnabled(true);
  ASSERT_TRUE(pumpUntil([&] { return ticks >= 3; }));
  timer->setEnabled(false);
  const int stopped = ticks;
  DelayMs(80);
  EXPECT_EQ(ticks, stopped);
}

TEST(Timer, OneShotHandlerThatSwitchesItselfOffRunsOnce) {
  Sandbox sb;
  auto timer = platform::loop().createTimer(10);
  int runs = 0;
  timer->setOnTimer([&] {
    timer->setEnabled(false);
    ++runs;
    DelayMs(50);  // pumping inside the handler must not run it again
  });
  timer->setEnabled(true);
  DelayMs(150);
  EXPECT_EQ(runs, 1);
  timer->setEnabled(true);  // enabling again requests one more run
  DelayMs(100);
  EXPECT_EQ(runs, 2);
}

TEST(MainLoop, InvokeAndWaitBlocksTheWorkerUntilTheMainThreadRanTheHandler) {
  Sandbox sb;
  std::atomic<bool> workerPassed{false};
  std::thread::id ranOn;
  std::thread worker([&] {
    platform::loop().invokeAndWait([&] { ranOn = std::this_thread::get_id(); });
    workerPassed = true;
  });
  DelayMs(50);
  // The handler ran inside DelayMs on this thread, and only then did the worker go on.
  ASSERT_TRUE(pumpUntil([&] { return workerPassed.load(); }));
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  worker.join();
}

TEST(MainLoop, PostedWorkRunsInTheOrderSent) {
  Sandbox sb;
  std::vector<int> order;
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i) platform::loop().post([&order, i] { order.push_back(i); });
  });
  worker.join();
  ASSERT_TRUE(pumpUntil([&] { return order.size() == 200; }));
  for (int i = 0; i < 200; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

TEST(DelayMs, ZeroStillHandlesPendingWorkAndWaitsAtLeastTheTime) {
  Sandbox sb;
  bool ran = false;
  platform::loop().post([&] { ran = true; });
  DelayMs(0);
  EXPECT_TRUE(ran);

  auto& system = platform::systemInfo();
  const uint32_t start = system.tickCount();
  DelayMs(120);
  EXPECT_GE(system.tickCount() - start, 120u);
}

TEST(MainLoop, RunReturnsWhenAHandlerQuits) {
  Sandbox sb;
  auto timer = platform::loop().createTimer(10);
  timer->setOnTimer([] { platform::loop().quit(); });
  timer->setEnabled(true);
  platform::loop().run();
  EXPECT_TRUE(platform::loop().quitRequested());
}

}  // namespace
}  // namespace tilvo
