#pragma once
#include <memory>

#include "platform/http_client.h"

namespace tilvo::platform::linux_host {

// HTTP(S) on libcurl. The first call initialises the library: make it on the main thread before workers run.
std::unique_ptr<HttpClient> createCurlHttpClient();

}  // namespace tilvo::platform::linux_host
