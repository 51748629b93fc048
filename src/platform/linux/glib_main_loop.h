#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/main_loop.h"

namespace tilvo::platform::linux_host {

// Receives a line whenever a named timer is switched on or off.
using TimerTrace = std::function<void(const std::string& line)>;

// The main loop on GLib's default main context (the one GTK uses too).
// Create it on the thread that becomes the main thread.
std::unique_ptr<MainLoop> createGlibMainLoop(TimerTrace trace = {});

}  // namespace tilvo::platform::linux_host
