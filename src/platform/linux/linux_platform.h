#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tilvo::platform::linux_host {

enum class DisplayUse {
  WhenAvailable,  // a GTK window with a WebKit view when a display can be opened
  Never,          // no display: the headless window and page host (tests of the logic)
};

// The platform of the installer on Linux. Reads the environment overrides once:
// TILVO_ROOT (the folder of the virtual drives and the registry), TILVO_NATIVE_ARCH, TILVO_WINDOWS_VERSION,
// TILVO_SCREEN (headless screen size), TILVO_CONNECTED ("0" or "1"), TILVO_SERVER_HOSTS
// ("host1[:port],host2[:port],host3[:port]"), TILVO_FTP_HOST ("host[:port]/folder/"), TILVO_COMPOSITION (0/1:
// desktop composition), TILVO_TRACE_TIMERS (1: log switching the named timers). Throws std::runtime_error on a
// malformed override. Call on the thread that runs the main loop.
std::unique_ptr<Platform> createLinuxPlatform(int argc, char** argv, DisplayUse display = DisplayUse::WhenAvailable);

// The three hosts of TILVO_SERVER_HOSTS, blanks around each removed. Throws unless there are exactly three,
// none empty.
std::vector<std::string> ParseServerHosts(const std::string& text);

// TILVO_CONNECTED: "0" offline, "1" online. Throws on any other text.
bool ParseConnectedOverride(const std::string& text);

}  // namespace tilvo::platform::linux_host
