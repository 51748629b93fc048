#include "platform/linux/headless_window.h"

#include <cstdio>
#include <cstdlib>

namespace tilvo::platform::linux_host {
namespace {

class HeadlessWindow final : public Window {
 public:
  explicit HeadlessWindow(bool composition) : composition_(composition) {
    if (const char* screen = std::getenv("TILVO_SCREEN"); screen && *screen) {
      int w = 0, h = 0;
      if (std::sscanf(screen, "%dx%d", &w, &h) == 2 && w > 0 && h > 0) work_ = {0, 0, w, h};
    }
  }
  void setCaption(const std::string&) override {}
  void setSize(int width, int height) override {
    width_ = width;
    height_ = height;
  }
  int width() const override { return width_; }
  int height() const override { return height_; }
  void setPosition(int left, int top) override {
    left_ = left;
    top_ = top;
  }
  int left() const override { return left_; }
  int top() const override { return top_; }
  void setToolWindow(bool toolWindow) override { toolWindow_ = toolWindow; }
  bool isToolWindow() const override { return toolWindow_; }
  void show() override { visible_ = true; }
  void hide() override { visible_ = false; }
  bool isVisible() const override { return visible_; }
  void bringToFront() override {}
  Rect primaryWorkArea() const override { return work_; }
  Rect primaryScreen() const override { return work_; }
  bool compositionEnabled() const override { return composition_; }
  void setOnCloseRequest(std::function<void()> handler) override { onClose_ = std::move(handler); }
  void destroy() override { visible_ = false; }

 private:
  int width_ = 0, height_ = 0, left_ = 0, top_ = 0;
  bool toolWindow_ = false, visible_ = false;
  const bool composition_;
  Rect work_{0, 0, 1920, 1080};
  std::function<void()> onClose_;
};

}  // namespace

std::unique_ptr<Window> createHeadlessWindow(std::optional<bool> composition) {
  // Without a display nothing composites.
  return std::make_unique<HeadlessWindow>(composition.value_or(false));
}

}  // namespace tilvo::platform::linux_host
