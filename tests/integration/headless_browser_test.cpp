// The page host without a display, fetching real pages from the update service.
#include <gtest/gtest.h>

#include "platform/linux/curl_http_client.h"
#include "platform/linux/headless_browser.h"
#include "support/platform_fakes.h"
#include "support/sandbox.h"
#include "support/update_service.h"

namespace tilvo::platform::linux_host {
namespace {

using testing::PumpFor;
using testing::PumpUntil;

class HeadlessBrowserTest : public ::testing::Test {
 protected:
  HeadlessBrowserTest() {
    browser = createHeadlessBrowser(platform::loop(), createCurlHttpClient());
    browser->setOnDocumentComplete([this](const std::string& url, bool topLevel) {
      EXPECT_TRUE(loop().onMainThread());
      completed.push_back(url + (topLevel ? "" : " (frame)"));
    });
  }

  bool WaitForCompletions(size_t n) { return PumpUntil([&] { return completed.size() >= n; }); }

  testing::Sandbox sb;
  testing::UpdateService service;
  std::unique_ptr<Browser> browser;
  std::vector<std::string> completed;
};

TEST_F(HeadlessBrowserTest, FetchesThePageAndCompletesTheTopDocumentOnTheMainThread) {
  const std::string page = service.url(3, "/inst/install.html");
  browser->navigate(page);
  ASSERT_TRUE(WaitForCompletions(1));
  EXPECT_EQ(completed, std::vector<std::string>{page});
  EXPECT_EQ(service.count(3, "/inst/install.html"), 1);

  browser->navigate("about:blank");
  ASSERT_TRUE(WaitForCompletions(2));
  EXPECT_EQ(completed.back(), "about:blank");

  // Back re-loads the page before.
  browser->goBack();
  ASSERT_TRUE(WaitForCompletions(3));
  EXPECT_EQ(completed.back(), page);
  EXPECT_EQ(service.count(3, "/inst/install.html"), 2);
}

TEST_F(HeadlessBrowserTest, APageThatCannotBeFetchedCompletesWithTheUrlAskedFor) {
  const std::string missing = service.url(1, "/inst/missing.html");
  browser->navigate(missing);
  ASSERT_TRUE(WaitForCompletions(1));
  EXPECT_EQ(completed, std::vector<std::string>{missing});
}

TEST_F(HeadlessBrowserTest, OnlyTheLatestNavigationCompletes) {
  service.setMode(2, "hang");  // a page that never comes
  browser->navigate(service.url(2, "/inst/install.html"));
  const std::string page = service.url(1, "/inst/update.html");
  browser->navigate(page);
  ASSERT_TRUE(WaitForCompletions(1));
  PumpFor(std::chrono::milliseconds(200));
  EXPECT_EQ(completed, std::vector<std::string>{page});
  service.setMode(2, "normal");  // lets the hanging request end
}

TEST_F(HeadlessBrowserTest, FollowsRedirectsAndReportsTheUrlReached) {
  testing::HttpFixture fixture;
  browser->navigate(fixture.url("/redirect/2"));
  ASSERT_TRUE(WaitForCompletions(1));
  EXPECT_EQ(completed, std::vector<std::string>{fixture.url("/redirect/0")});
}

}  // namespace
}  // namespace tilvo::platform::linux_host
