#include "platform/linux/headless_shell_icons.h"

namespace tilvo::platform::linux_host {
namespace {

class HeadlessTaskbar final : public Taskbar {
 public:
  void setProgress(int value, int) override { value_ = value; }
  int progressValue() const override { return value_; }

 private:
  int value_ = 0;
};

class HeadlessTrayIcon final : public TrayIcon {
 public:
  void setVisible(bool visible) override { visible_ = visible; }
  bool visible() const override { return visible_; }
  void setBalloonHint(const std::string& text) override { hint_ = text; }
  std::string balloonHint() const override { return hint_; }
  void showBalloonHint(int) override {}

 private:
  bool visible_ = false;
  std::string hint_;
};

}  // namespace

std::unique_ptr<Taskbar> createHeadlessTaskbar() { return std::make_unique<HeadlessTaskbar>(); }
std::unique_ptr<TrayIcon> createHeadlessTrayIcon() { return std::make_unique<HeadlessTrayIcon>(); }

}  // namespace tilvo::platform::linux_host
