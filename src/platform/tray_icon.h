#pragma once
// The program's icon in the notification area, with its balloon message.
#include <string>

namespace tilvo::platform {

class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  // Main thread, all of them.
  virtual void setVisible(bool visible) = 0;
  virtual bool visible() const = 0;
  virtual void setBalloonHint(const std::string& text) = 0;
  virtual std::string balloonHint() const = 0;
  // Shows the balloon with the current hint for `timeoutMs`.
  virtual void showBalloonHint(int timeoutMs) = 0;
};

}  // namespace tilvo::platform
