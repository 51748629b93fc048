#pragma once
// The desktop as a user meets it, under Xvfb: windows found by name, clicks at screen positions,
// screenshots.
#include <optional>
#include <string>

#include "support/child_process.h"

namespace tilvo::testing {

struct ScreenRect {
  int x = 0, y = 0, width = 0, height = 0;
};

// The visible window named `name` exactly, with its place and size on the screen.
std::optional<ScreenRect> findWindow(const std::string& name);
// Whether any window named `name` is visible.
bool windowVisible(const std::string& name);
// The size of the X screen.
ScreenRect screenSize();

// Asks the window named `name` to close, as a window manager's close button does (WM_DELETE_WINDOW).
bool requestClose(const std::string& name);

// Moves the pointer to (x, y) and clicks the left button there.
void clickAt(int x, int y);
// Types `text` into the window that has the focus; `keys` are xdotool key names ("Return", "ctrl+l").
void typeText(const std::string& text);
void pressKeys(const std::string& keys);

// Saves the whole screen as a PNG file.
bool screenshot(const std::string& path);
// Saves the whole screen once `area` of it shows something other than one flat colour (a window whose
// content has been painted); false when that did not happen within `milliseconds`.
bool screenshotOncePainted(const std::string& path, const ScreenRect& area, int milliseconds = 5000);

}  // namespace tilvo::testing
