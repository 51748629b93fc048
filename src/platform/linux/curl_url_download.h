#pragma once
#include <memory>

#include "platform/linux/virtual_drives.h"
#include "platform/url_download.h"

namespace tilvo::platform::linux_host {

// The URL download service on libcurl: a 100 KB buffer, a 30 s connect time-out, a stalled transfer ends
// after a minute, at most 10 redirects and only to http/https.
std::unique_ptr<UrlDownload> createCurlUrlDownload(VirtualDrives drives);

}  // namespace tilvo::platform::linux_host
