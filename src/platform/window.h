#pragma once
// The program's one top-level window: borderless, sized and placed by the logic.
#include <functional>
#include <string>

namespace tilvo::platform {

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

class Window {
 public:
  virtual ~Window() = default;
  virtual void setCaption(const std::string& caption) = 0;
  virtual void setSize(int width, int height) = 0;
  virtual int width() const = 0;
  virtual int height() const = 0;
  virtual void setPosition(int left, int top) = 0;
  virtual int left() const = 0;
  virtual int top() const = 0;
  // Tool window that never takes focus: no taskbar button (silent install, restart mode).
  virtual void setToolWindow(bool toolWindow) = 0;
  virtual bool isToolWindow() const = 0;
  virtual void show() = 0;
  virtual void hide() = 0;
  virtual bool isVisible() const = 0;
  virtual void bringToFront() = 0;
  // Work area of the primary monitor (without panels and docks).
  virtual Rect primaryWorkArea() const = 0;
  // The whole primary monitor, in screen coordinates: the window is centred on it.
  virtual Rect primaryScreen() const = 0;
  // Whether the desktop composites windows (the desktop window manager's composition is on).
  virtual bool compositionEnabled() const = 0;
  // Called on the main thread when the user or the desktop asks the window to close.
  virtual void setOnCloseRequest(std::function<void()> handler) = 0;
  // Destroys the native window; the program ends after it.
  virtual void destroy() = 0;
};

}  // namespace tilvo::platform
