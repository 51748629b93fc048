// The check loop with the network faked: which requests it makes, which events it raises and how it paces
// itself. Sleeps are shortened to 1 ms and recorded.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/installer_state.h"
#include "server/chk_server_thread.h"
#include "support/platform_fakes.h"
#include "support/sandbox.h"

namespace tilvo {
namespace {

using platform::HttpFailure;
using testing::FakeConnectionState;
using testing::FakeHttpClient;
using testing::PacedSystemInfo;
using testing::PumpUntil;

const std::string kUrl = "http://s3.test/inst/tilvo_ver.html?pctype=mero";

class CheckThreadTest : public ::testing::Test {
 protected:
  // Answers every request alike unless a test sets another responder.
  void Respond(FakeHttpClient::Responder responder) { responder_ = std::move(responder); }

  void StartThread() {
    auto& p = sb.platform();
    auto http = std::make_unique<FakeHttpClient>([this](const platform::HttpRequest& r, int i) { return responder_(r, i); });
    http_ = http.get();
    p.http = std::move(http);
    auto net = std::make_unique<FakeConnectionState>();
    net_ = net.get();
    p.connection = std::move(net);
    auto clock = std::make_unique<PacedSystemInfo>(std::move(p.systemInfo));
    clock_ = clock.get();
    p.systemInfo = std::move(clock);
    DebugMode = true;
    net_->connected = connectedAtStart;

    thread = std::make_unique<TChkServerThread>();
    thread->SetUrl(kUrl);
    thread->SetOnServerConn([this](const std::string& body, int code, const std::string& url) {
      events.push_back("conn " + std::to_string(code) + " " + url + " " + body);
      if (onConn) onConn();
    });
    thread->SetOnServerDisConn([this] { events.push_back("disconn"); });
    thread->SetOnServerError([this](const std::string& url) { events.push_back("error " + url); });
    thread->Start();
  }

  // Lets the loop run `turns` more turns (each ends with its 100 ms sleep).
  void RunTurns(int turns) {
    const auto count100 = [this] {
      const auto s = clock_->workerSleeps();
      return std::count(s.begin(), s.end(), 100u);
    };
    const auto target = count100() + turns;
    ASSERT_TRUE(PumpUntil([&] { return count100() >= target; }));
  }

  bool WaitForEvents(size_t n) {
    return PumpUntil([&] { return events.size() >= n; });
  }

  testing::Sandbox sb;
  bool connectedAtStart = true;
  FakeHttpClient::Responder responder_ = [](const platform::HttpRequest&, int) { return FakeHttpClient::Answer(200, "{}"); };
  FakeHttpClient* http_ = nullptr;
  FakeConnectionState* net_ = nullptr;
  PacedSystemInfo* clock_ = nullptr;
  std::vector<std::string> events;  // main thread only
  std::function<void()> onConn;
  std::unique_ptr<TChkServerThread> thread;  // destroyed first: stops the loop and waits for it
};

TEST_F(CheckThreadTest, AnAnswerWith200IsReportedOnceAndNotAskedAgainWhileOnline) {
  StartThread();
  ASSERT_TRUE(WaitForEvents(1));
  RunTurns(30);
  EXPECT_EQ(events, std::vector<std::string>{"conn 200 " + kUrl + " {}"});
  ASSERT_EQ(http_->count(), 1);
  const auto request = http_->requests()[0];
  EXPECT_EQ(request.url, kUrl);
  EXPECT_EQ(request.userAgent, "Mozilla/4.0");
  EXPECT_EQ(request.readTimeoutMs, 3000u);
  EXPECT_FALSE(request.redirects.follow);
  EXPECT_TRUE(sb.log().contains("Check_ServerAlive : " + kUrl + ", 200"));
  EXPECT_TRUE(thread->ServerAlive());
}

TEST_F(CheckThreadTest, LibraryFailuresRaiseErrorsAndStopAfterSixRequests) {
  Respond([](const platform::HttpRequest&, int) { return FakeHttpClient::Failure(HttpFailure::Timeout); });
  StartThread();
  ASSERT_TRUE(WaitForEvents(7));
  RunTurns(30);
  EXPECT_EQ(http_->count(), 6);
  const std::vector<std::string> expected = {"error " + kUrl, "disconn", "error " + kUrl, "error " + kUrl,
                                             "error " + kUrl, "error " + kUrl, "error " + kUrl};
  EXPECT_EQ(events, expected);
  // A failed request writes the exception line and never the status line.
  int exceptionLines = 0;
  for (const auto& line : sb.log().lines()) {
    exceptionLines += line.find("Check_ServerAlive : EIdException") != std::string::npos;
    EXPECT_EQ(line.find("Check_ServerAlive : http"), std::string::npos) << line;
  }
  EXPECT_EQ(exceptionLines, 6);
  // Each failed check waits 1000 ms before the turn's 100 ms.
  const auto sleeps = clock_->workerSleeps();
  ASSERT_GE(sleeps.size(), 4u);
  EXPECT_EQ(std::vector<uint32_t>(sleeps.begin(), sleeps.begin() + 4), (std::vector<uint32_t>{1000, 100, 1000, 100}));

  // Only a turn that finds the machine offline allows six more requests; no second disconnection report.
  net_->connected = false;
  RunTurns(2);
  net_->connected = true;
  ASSERT_TRUE(PumpUntil([&] { return http_->count() == 12; }));
  RunTurns(20);
  EXPECT_EQ(http_->count(), 12);
  EXPECT_EQ(std::count(events.begin(), events.end(), "disconn"), 1);
}

TEST_F(CheckThreadTest, AnotherStatusThatIsNoLibraryErrorFailsWithoutErrorEvent) {
  Respond([](const platform::HttpRequest&, int) { return FakeHttpClient::Answer(302, "moved"); });
  StartThread();
  ASSERT_TRUE(PumpUntil([&] { return http_->count() == 6; }));
  RunTurns(20);
  EXPECT_EQ(http_->count(), 6);
  EXPECT_EQ(events, std::vector<std::string>{"disconn"});
  EXPECT_TRUE(sb.log().contains("Check_ServerAlive : " + kUrl + ", 302"));
  EXPECT_FALSE(sb.log().contains("EIdException"));
}

TEST_F(CheckThreadTest, OfflineAtStartIsReportedOnceAndTheFirstFailureAfterwardsIsNot) {
  connectedAtStart = false;
  Respond([](const platform::HttpRequest&, int) { return FakeHttpClient::Failure(HttpFailure::ErrorStatus, 404); });
  StartThread();
  ASSERT_TRUE(WaitForEvents(1));
  RunTurns(10);
  EXPECT_EQ(events, std::vector<std::string>{"disconn"});
  EXPECT_EQ(http_->count(), 0);

  net_->connected = true;
  ASSERT_TRUE(WaitForEvents(7));  // six failed checks
  RunTurns(10);
  EXPECT_EQ(events.size(), 7u);
  EXPECT_EQ(events[1], "error " + kUrl);
  EXPECT_EQ(std::count(events.begin(), events.end(), "disconn"), 1);
}

TEST_F(CheckThreadTest, LosingTheConnectionAfterAnAnswerIsReportedEveryTime) {
  StartThread();
  ASSERT_TRUE(WaitForEvents(1));
  const std::string conn = "conn 200 " + kUrl + " {}";

  // The loss is reported by the alive branch; the searching turn after it still holds the first-report flag.
  net_->connected = false;
  ASSERT_TRUE(WaitForEvents(3));
  RunTurns(10);
  EXPECT_EQ(events, (std::vector<std::string>{conn, "disconn", "disconn"}));
  EXPECT_FALSE(thread->ServerAlive());

  // Back online: the same URL is checked again and answers again; the next loss is reported once more.
  net_->connected = true;
  ASSERT_TRUE(WaitForEvents(4));
  net_->connected = false;
  ASSERT_TRUE(WaitForEvents(5));
  RunTurns(10);
  EXPECT_EQ(events, (std::vector<std::string>{conn, "disconn", "disconn", conn, "disconn"}));
  EXPECT_EQ(http_->count(), 2);
}

TEST_F(CheckThreadTest, AHandlerThatClearsAliveAndMovesUrlGetsTheNextCheckThere) {
  const std::string server1 = "http://s1.test/inst/tilvo_ver.html?pctype=mero";
  onConn = [this, &server1] {
    if (events.size() == 1) {
      thread->SetServerAlive(false);
      thread->SetUrl(server1);
    }
  };
  StartThread();
  ASSERT_TRUE(WaitForEvents(2));
  RunTurns(10);
  ASSERT_EQ(http_->count(), 2);
  EXPECT_EQ(http_->requests()[1].url, server1);
  EXPECT_EQ(events[1].rfind("conn 200 " + server1, 0), 0u);
}

TEST_F(CheckThreadTest, AnErrorOfAHandlerEndsTheLoopWithoutTheStopLine) {
  onConn = [] { throw std::runtime_error("handler broke"); };
  StartThread();
  ASSERT_TRUE(PumpUntil([&] { return thread->Finished(); }));
  EXPECT_TRUE(sb.log().contains("TChkServerThread Start"));
  EXPECT_FALSE(sb.log().contains("TChkServerThread Stop"));
}

TEST_F(CheckThreadTest, ATerminationRequestEndsTheLoopWithTheStopLine) {
  StartThread();
  ASSERT_TRUE(WaitForEvents(1));
  thread->Terminate();
  thread->WaitFor();
  EXPECT_TRUE(sb.log().contains("TChkServerThread Stop"));
}

}  // namespace
}  // namespace tilvo
