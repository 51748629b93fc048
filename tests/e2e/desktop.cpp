#include "desktop.h"

#include <X11/Xlib.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <sstream>

namespace tilvo::testing {
namespace {

std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

int shellValue(const std::string& text, const std::string& name) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(name + "=", 0) == 0) return std::stoi(line.substr(name.size() + 1));
  return -1;
}

}  // namespace

std::optional<ScreenRect> findWindow(const std::string& name) {
  std::istringstream ids(runCommand("xdotool search --onlyvisible --name " + quoted("^" + name + "$") + " 2>/dev/null"));
  std::string id;
  if (!std::getline(ids, id) || id.empty()) return std::nullopt;
  const std::string geometry = runCommand("xdotool getwindowgeometry --shell " + id + " 2>/dev/null");
  ScreenRect r{shellValue(geometry, "X"), shellValue(geometry, "Y"), shellValue(geometry, "WIDTH"),
               shellValue(geometry, "HEIGHT")};
  if (r.width < 0) return std::nullopt;
  return r;
}

bool windowVisible(const std::string& name) { return findWindow(name).has_value(); }

bool requestClose(const std::string& name) {
  std::istringstream ids(runCommand("xdotool search --name " + quoted("^" + name + "$") + " 2>/dev/null"));
  std::string id;
  if (!std::getline(ids, id) || id.empty()) return false;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = static_cast<Window>(std::stoul(id));
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
  XFlush(display);
  XCloseDisplay(display);
  return sent != 0;
}

ScreenRect screenSize() {
  const std::string out = runCommand("xdotool getdisplaygeometry 2>/dev/null");
  ScreenRect r;
  std::istringstream(out) >> r.width >> r.height;
  return r;
}

void clickAt(int x, int y) {
  // Not "mousemove --sync": it waits for ever when the pointer is already there.
  runCommand("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.05 click 1 2>/dev/null");
}

// Slowly: a file chooser completes names as they are typed.
void typeText(const std::string& text) { runCommand("xdotool type --delay 120 " + quoted(text) + " 2>/dev/null"); }

void pressKeys(const std::string& keys) { runCommand("xdotool key " + keys + " 2>/dev/null"); }

bool screenshot(const std::string& path) {
  std::filesystem::remove(path);
  runCommand("import -window root " + quoted(path) + " 2>/dev/null");
  return std::filesystem::exists(path);
}

bool screenshotOncePainted(const std::string& path, const ScreenRect& area, int milliseconds) {
  const std::string crop = std::to_string(area.width) + "x" + std::to_string(area.height) + "+" +
                           std::to_string(area.x) + "+" + std::to_string(area.y);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (!screenshot(path)) return false;
    const std::string deviation = runCommand("convert " + quoted(path) + " -crop " + crop +
                                             " +repage -format '%[fx:standard_deviation]' info: 2>/dev/null");
    if (!deviation.empty() && std::stod(deviation) > 0.01) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

}  // namespace tilvo::testing
