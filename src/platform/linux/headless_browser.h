#pragma once
#include <memory>

#include "platform/browser.h"
#include "platform/http_client.h"
#include "platform/main_loop.h"

namespace tilvo::platform::linux_host {

// The page host where there is no display. navigate() fetches the page over HTTP on a worker thread and
// reports the top-level document complete on the main thread, with the URL reached after redirects. A page
// that cannot be fetched still completes, with the URL asked for, as a browser completes its error page.
// "about:blank" completes without a fetch; a URL that is neither http(s) nor about:blank never completes.
// Only the latest navigation completes. It has no document model, runs no script and shows nothing.
// `loop` must outlive the browser.
std::unique_ptr<Browser> createHeadlessBrowser(MainLoop& loop, std::shared_ptr<HttpClient> http);

}  // namespace tilvo::platform::linux_host
