#pragma once
// The window around the page: where it stands and what the desktop offers.
#include <string>

namespace tilvo {

// Windows 8 or a later version (6.2 and up).
bool IsWindows8OrLater();
// Desktop composition is on (never before Windows Vista).
bool IsAeroEnabled();
// The name of a Windows version, as the system reports it ("Windows 10").
std::string WindowsVersionName(unsigned major, unsigned minor);

}  // namespace tilvo
