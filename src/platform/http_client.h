#pragma once
// HTTP(S) requests on the calling thread: one blocking call per request, nothing kept between requests.
//
// A request ends in one of two ways, and the caller must tell them apart:
//  - the library failed (HttpResult::failure is set): no connection, a time-out, a refused or endless
//    redirect, a body over the cap, a sink that gave up, a TLS error, or an error status. Error statuses are
//    the 4xx and 5xx ones (404, 500, ...): they come back as failures with the response kept for a look;
//  - the request completed with some other status (1xx, 2xx, and 3xx when redirects are not followed):
//    failure is HttpFailure::None and the caller judges the status itself.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tilvo::platform {

// Receives the body as it arrives instead of the in-memory buffer (a file, for large downloads).
class HttpBodySink {
 public:
  virtual ~HttpBodySink() = default;
  // Called on the requesting thread with each piece of the body; false stops the transfer.
  virtual bool write(const char* data, size_t size) = 0;
};

struct HttpRedirects {
  bool follow = false;
  int limit = 15;  // redirects followed at most; one more is a failure
  // Methods whose redirects are followed; for any other method the 3xx answer is the result.
  std::vector<std::string> methods{"GET", "HEAD"};
};

struct HttpResponse;

inline constexpr uint64_t kDefaultHttpBodyCap = 64ull * 1024 * 1024;

struct HttpRequest {
  std::string method = "GET";  // "GET" or "HEAD"
  std::string url;             // http:// or https://; every other scheme is refused
  std::string userAgent;       // empty: no User-Agent header
  std::string accept;          // empty: the library's "*/*"
  std::string referer;         // empty: none
  uint32_t connectTimeoutMs = 0;  // the TCP connection's, not the TLS handshake's; 0: the system's own limit
  // Longest silence once connected: no byte of the answer for this long ends the request. Not a limit on
  // the whole transfer: a slow answer that keeps moving never times out. 0: none.
  uint32_t readTimeoutMs = 0;
  HttpRedirects redirects;
  // Most body bytes accepted, counted as they arrive (also for chunked bodies). 0: no cap (use with a sink).
  uint64_t maxBodyBytes = kDefaultHttpBodyCap;
  // HTTPS: trust only the certificates in this file (PEM); empty: the system's. Peers are always verified.
  std::string caFile;
  // Where the body goes; nullptr: HttpResponse::body.
  HttpBodySink* sink = nullptr;
  // Called on the requesting thread whenever body bytes arrive, with the body bytes received so far.
  std::function<void(uint64_t workCount)> onWork;
  // Called on the requesting thread once the headers of a response are complete (for each response of a
  // redirect chain), before its body: what a transfer in progress needs to know of its answer.
  std::function<void(const HttpResponse& response)> onHeaders;
};

struct HttpResponse {
  int status = 0;              // of the last response; 0 when none arrived
  std::string statusLine;      // "HTTP/1.1 404 Not Found"
  std::string body;            // when no sink was given
  std::string finalUrl;        // after the redirects that were followed
  int redirectsFollowed = 0;
  int64_t contentLength = -1;  // -1: no Content-Length
  std::string transferEncoding;
  std::vector<std::pair<std::string, std::string>> headers;  // of the last response, in arrival order

  // Value of the first header called `name` (any letter case); empty when absent.
  std::string header(const std::string& name) const;
};

enum class HttpFailure {
  None,              // completed; look at the status
  BadUrl,            // malformed, or a scheme other than http/https
  Connect,           // name not resolved, connection refused or unreachable
  Timeout,           // connect time-out, or silence beyond the read time-out
  Tls,               // handshake or certificate verification failed
  TooManyRedirects,  // more than HttpRedirects::limit
  RedirectRefused,   // a redirect to a scheme other than http/https
  BodyTooLarge,      // more than HttpRequest::maxBodyBytes
  SinkFailed,        // the sink refused a piece
  ErrorStatus,       // a 4xx or 5xx answer; the response is kept
  Transfer,          // the connection broke or the answer was malformed
};

struct HttpResult {
  HttpFailure failure = HttpFailure::None;
  std::string error;  // readable cause when failed; the status line for ErrorStatus
  HttpResponse response;

  bool failed() const { return failure != HttpFailure::None; }
};

const char* HttpFailureName(HttpFailure failure);

// Error statuses: the ones a request reports as a library failure.
inline bool IsHttpErrorStatus(int status) { return status >= 400; }

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  // Any thread; several requests may run at once on different threads.
  virtual HttpResult perform(const HttpRequest& request) = 0;
};

}  // namespace tilvo::platform
