#include "platform/http_client.h"

#include <strings.h>

namespace tilvo::platform {

std::string HttpResponse::header(const std::string& name) const {
  for (const auto& [key, value] : headers)
    if (::strcasecmp(key.c_str(), name.c_str()) == 0) return value;
  return {};
}

const char* HttpFailureName(HttpFailure failure) {
  switch (failure) {
    case HttpFailure::None: return "none";
    case HttpFailure::BadUrl: return "bad url";
    case HttpFailure::Connect: return "connect";
    case HttpFailure::Timeout: return "timeout";
    case HttpFailure::Tls: return "tls";
    case HttpFailure::TooManyRedirects: return "too many redirects";
    case HttpFailure::RedirectRefused: return "redirect refused";
    case HttpFailure::BodyTooLarge: return "body too large";
    case HttpFailure::SinkFailed: return "sink failed";
    case HttpFailure::ErrorStatus: return "error status";
    case HttpFailure::Transfer: return "transfer";
  }
  return "unknown";
}

}  // namespace tilvo::platform
