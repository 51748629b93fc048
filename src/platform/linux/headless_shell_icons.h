#pragma once
#include <memory>

#include "platform/taskbar.h"
#include "platform/tray_icon.h"

namespace tilvo::platform::linux_host {

// Where there is no desktop to show them: the taskbar progress and the tray icon keep their state and
// show nothing.
std::unique_ptr<Taskbar> createHeadlessTaskbar();
std::unique_ptr<TrayIcon> createHeadlessTrayIcon();

}  // namespace tilvo::platform::linux_host
