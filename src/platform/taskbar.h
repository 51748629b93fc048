#pragma once
// The progress shown on the window's taskbar button.
namespace tilvo::platform {

class Taskbar {
 public:
  virtual ~Taskbar() = default;
  // Normal state, `value` of `maximum`. Main thread.
  virtual void setProgress(int value, int maximum) = 0;
  virtual int progressValue() const = 0;  // the last value set; 0 before any
};

}  // namespace tilvo::platform
