#pragma once
#include <memory>

#include "platform/browser.h"
#include "platform/linux/gtk_window.h"
#include "platform/main_loop.h"

namespace tilvo::platform::linux_host {

// A WebKitGTK view filling `window`, with its own non-persistent website data (nothing cached on disk, so a
// stale page is never served). Page events are handed to the logic through `loop` (posted). Both must
// outlive the browser; the view goes when the window is destroyed, and the browser then does nothing.
std::unique_ptr<Browser> createWebKitBrowser(GtkMainWindow& window, MainLoop& loop);

}  // namespace tilvo::platform::linux_host
