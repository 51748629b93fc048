// The libcurl HTTP layer against scripted answers on loopback.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <vector>
#include <nlohmann/json.hpp>

#include "core/json.h"
#include "platform/linux/curl_http_client.h"
#include "support/update_service.h"

namespace tilvo::platform {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class HttpClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { fixture = new testing::HttpFixture(); }
  static void TearDownTestSuite() {
    delete fixture;
    fixture = nullptr;
  }

  HttpResult Get(const std::string& path, HttpRequest request = {}) {
    request.url = fixture->url(path);
    return client->perform(request);
  }

  static testing::HttpFixture* fixture;
  std::unique_ptr<HttpClient> client = linux_host::createCurlHttpClient();
};

testing::HttpFixture* HttpClientTest::fixture = nullptr;

TEST_F(HttpClientTest, SendsTheRequestHeadersAndReadsTheAnswer) {
  HttpRequest request;
  request.userAgent = "Mozilla/4.0";
  request.accept = "*/*";
  request.referer = "http://example.test/from";
  const auto result = Get("/echo", request);
  ASSERT_FALSE(result.failed()) << result.error;
  EXPECT_EQ(result.response.status, 200);
  EXPECT_EQ(result.response.statusLine, "HTTP/1.1 200 OK");
  EXPECT_EQ(result.response.header("x-fixture"), "echo");
  EXPECT_EQ(result.response.contentLength, static_cast<int64_t>(result.response.body.size()));
  const auto sent = ParseJson(result.response.body);
  ASSERT_TRUE(sent);
  EXPECT_EQ(JsonReadText(sent, "User-Agent"), "Mozilla/4.0");
  EXPECT_EQ(JsonReadText(sent, "Accept"), "*/*");
  EXPECT_EQ(JsonReadText(sent, "Referer"), "http://example.test/from");
}

TEST_F(HttpClientTest, ErrorStatusesAreLibraryFailuresAndOthersAreCompletedRequests) {
  const std::pair<int, bool> cases[] = {{200, false}, {204, false}, {302, false}, {399, false},
                                        {400, true},  {404, true},  {500, true},  {503, true}};
  for (const auto& [status, failure] : cases) {
    const auto result = Get("/status/" + std::to_string(status));
    EXPECT_EQ(result.response.status, status);
    EXPECT_EQ(result.failed(), failure) << status;
    if (failure) {
      EXPECT_EQ(result.failure, HttpFailure::ErrorStatus) << status;
      EXPECT_EQ(result.error.rfind("HTTP/1.1 " + std::to_string(status), 0), 0u) << result.error;
      EXPECT_EQ(result.response.body, "status " + std::to_string(status));  // kept for a look
    }
  }
}

TEST_F(HttpClientTest, ConnectionFailuresAndBadUrls) {
  HttpRequest request;
  request.url = "http://127.0.0.1:1/";
  EXPECT_EQ(client->perform(request).failure, HttpFailure::Connect);
  request.url = "http://name-that-does-not-resolve.invalid/";
  EXPECT_EQ(client->perform(request).failure, HttpFailure::Connect);
  for (const char* url : {"ftp://127.0.0.1/x", "file:///etc/passwd", "", "http//missing-colon"}) {
    request.url = url;
    EXPECT_EQ(client->perform(request).failure, HttpFailure::BadUrl) << url;
  }
}

TEST_F(HttpClientTest, TheReadTimeOutIsALimitOnSilenceNotOnTheWholeTransfer) {
  HttpRequest request;
  request.readTimeoutMs = 800;

  auto start = Clock::now();
  auto result = Get("/silent", request);
  EXPECT_EQ(result.failure, HttpFailure::Timeout);
  EXPECT_GE(SecondsSince(start), 0.8);
  EXPECT_LT(SecondsSince(start), 1.2);

  start = Clock::now();
  result = Get("/stall", request);  // half a body, then silence
  EXPECT_EQ(result.failure, HttpFailure::Timeout);
  EXPECT_LT(SecondsSince(start), 1.2);

  // Ten pieces 300 ms apart: three seconds in all, never 800 ms of silence.
  start = Clock::now();
  result = Get("/trickle/10/300", request);
  ASSERT_FALSE(result.failed()) << result.error;
  EXPECT_EQ(result.response.body, std::string(100, 't'));
  EXPECT_GT(SecondsSince(start), 2.5);
}

// A listener that never accepts: with a backlog of one already taken, further connections are not completed.
class FullListener {
 public:
  FullListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd_, 0) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("cannot listen");
    port_ = ntohs(address.sin_port);
  }
  ~FullListener() {
    for (int fd : waiting_) ::close(fd);
    ::close(fd_);
  }
  // Connections that complete but are never accepted, until the queue is full.
  void fill(int count) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port_));
    for (int i = 0; i < count; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      waiting_.push_back(fd);
    }
  }
  std::string url(const std::string& scheme) const { return scheme + "://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::vector<int> waiting_;
};

TEST_F(HttpClientTest, TheConnectTimeOutLimitsTheConnectionNotTheTlsHandshake) {
  FullListener listener;
  HttpRequest request;
  request.connectTimeoutMs = 300;
  request.readTimeoutMs = 1500;

  // Connected at once (the system completes it), then no handshake answer: only the read limit ends it.
  request.url = listener.url("https");
  auto start = Clock::now();
  auto result = client->perform(request);
  EXPECT_EQ(result.failure, HttpFailure::Timeout) << result.error;
  EXPECT_GE(SecondsSince(start), 1.4) << result.error;
  EXPECT_LT(SecondsSince(start), 3.0) << result.error;

  // A connection the listener's full queue never completes: the connect limit ends it.
  listener.fill(4);
  request.url = listener.url("http");
  start = Clock::now();
  result = client->perform(request);
  EXPECT_EQ(result.failure, HttpFailure::Timeout) << result.error;
  EXPECT_GE(SecondsSince(start), 0.29);
  EXPECT_LT(SecondsSince(start), 1.2) << result.error;
  EXPECT_NE(result.error.find("timed out after 300 ms"), std::string::npos) << result.error;
}

TEST_F(HttpClientTest, RedirectsFollowTheLimitTheMethodRuleAndTheSchemeRule) {
  HttpRequest off;
  auto result = Get("/redirect/2", off);
  ASSERT_FALSE(result.failed());
  EXPECT_EQ(result.response.status, 302);
  EXPECT_EQ(result.response.redirectsFollowed, 0);

  HttpRequest follow;
  follow.redirects.follow = true;
  follow.redirects.limit = 3;
  result = Get("/redirect/3", follow);
  ASSERT_FALSE(result.failed()) << result.error;
  EXPECT_EQ(result.response.body, "arrived");
  EXPECT_EQ(result.response.finalUrl, fixture->url("/redirect/0"));
  EXPECT_EQ(result.response.redirectsFollowed, 3);
  // The headers are those of the last answer only.
  EXPECT_EQ(result.response.header("X-Final"), "yes");
  EXPECT_EQ(result.response.header("X-Hop"), "");
  EXPECT_EQ(result.response.contentLength, 7);

  EXPECT_EQ(Get("/redirect/4", follow).failure, HttpFailure::TooManyRedirects);
  EXPECT_EQ(Get("/loop", follow).failure, HttpFailure::TooManyRedirects);
  EXPECT_EQ(Get("/redirect-to?url=ftp://127.0.0.1/file", follow).failure, HttpFailure::RedirectRefused);

  HttpRequest headOnlyRule = follow;
  headOnlyRule.redirects.methods = {"HEAD"};
  EXPECT_EQ(Get("/redirect/1", headOnlyRule).response.status, 302);
  headOnlyRule.method = "HEAD";
  result = Get("/redirect/1", headOnlyRule);
  EXPECT_EQ(result.response.status, 200);
  EXPECT_EQ(result.response.body, "");
}

TEST_F(HttpClientTest, ChunkedBodiesCountTheirWorkAndStopAtTheCap) {
  std::vector<uint64_t> work;
  HttpRequest request;
  request.onWork = [&](uint64_t n) { work.push_back(n); };
  auto result = Get("/chunked/5/1000", request);
  ASSERT_FALSE(result.failed()) << result.error;
  EXPECT_EQ(result.response.transferEncoding, "chunked");
  EXPECT_EQ(result.response.contentLength, -1);
  EXPECT_EQ(result.response.body.size(), 5000u);
  ASSERT_FALSE(work.empty());
  EXPECT_EQ(work.back(), 5000u);
  EXPECT_TRUE(std::is_sorted(work.begin(), work.end()));

  HttpRequest capped;
  capped.maxBodyBytes = 1 << 20;
  result = Get("/endless", capped);
  EXPECT_EQ(result.failure, HttpFailure::BodyTooLarge);
  EXPECT_LE(result.response.body.size(), capped.maxBodyBytes);

  EXPECT_EQ(Get("/size/5000", capped).response.body.size(), 5000u);
}

TEST_F(HttpClientTest, ASinkTakesTheBodyAndCanStopIt) {
  struct CountingSink final : HttpBodySink {
    bool write(const char*, size_t size) override {
      received += size;
      return received < limit;
    }
    size_t received = 0;
    size_t limit = SIZE_MAX;
  } sink;
  HttpRequest request;
  request.sink = &sink;
  request.maxBodyBytes = 0;
  auto result = Get("/size/300000", request);
  ASSERT_FALSE(result.failed()) << result.error;
  EXPECT_EQ(sink.received, 300000u);
  EXPECT_TRUE(result.response.body.empty());

  sink = {};
  sink.limit = 1000;
  result = Get("/endless", request);
  EXPECT_EQ(result.failure, HttpFailure::SinkFailed);
}

}  // namespace
}  // namespace tilvo::platform
