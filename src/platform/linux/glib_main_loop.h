#pragma once
#include <memory>

#include "platform/main_loop.h"

namespace tilvo::platform::linux_host {

// The main loop on GLib's default main context (the one GTK uses too).
// Create it on the thread that becomes the main thread.
std::unique_ptr<MainLoop> createGlibMainLoop();

}  // namespace tilvo::platform::linux_host
