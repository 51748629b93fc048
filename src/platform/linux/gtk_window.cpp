#include "platform/linux/gtk_window.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace tilvo::platform::linux_host {
namespace {

GdkMonitor* primaryMonitor() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return nullptr;
  // A bare X server (Xvfb) names no primary monitor: the first one is it.
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  return monitor ? monitor : gdk_display_get_monitor(display, 0);
}

Rect toRect(const GdkRectangle& r) { return {r.x, r.y, r.width, r.height}; }

class GtkMainWindowImpl final : public GtkMainWindow {
 public:
  GtkMainWindowImpl(MainLoop& loop, std::optional<bool> composition) : loop_(loop), composition_(composition) {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window_);  // ours until destroy(), whatever GTK does with its own reference
    gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(window_), 1, 1);
    g_signal_connect(window_, "delete-event", G_CALLBACK(&GtkMainWindowImpl::onDeleteEvent), this);
  }

  ~GtkMainWindowImpl() override {
    if (!window_) return;
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(window_);
    g_object_unref(window_);
  }

  GtkWidget* widget() const override { return window_; }

  void setCaption(const std::string& caption) override {
    if (window_) gtk_window_set_title(GTK_WINDOW(window_), caption.c_str());
  }

  void setSize(int width, int height) override {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    if (window_) gtk_window_resize(GTK_WINDOW(window_), std::max(width_, 1), std::max(height_, 1));
  }
  int width() const override { return width_; }
  int height() const override { return height_; }

  void setPosition(int left, int top) override {
    left_ = left;
    top_ = top;
    if (window_) gtk_window_move(GTK_WINDOW(window_), left, top);
  }
  int left() const override { return left_; }
  int top() const override { return top_; }

  void setToolWindow(bool toolWindow) override {
    toolWindow_ = toolWindow;
    if (!window_) return;
    // No taskbar or pager entry, never takes the focus.
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window_), toolWindow);
    gtk_window_set_skip_pager_hint(GTK_WINDOW(window_), toolWindow);
    gtk_window_set_accept_focus(GTK_WINDOW(window_), !toolWindow);
    gtk_window_set_focus_on_map(GTK_WINDOW(window_), !toolWindow);
  }
  bool isToolWindow() const override { return toolWindow_; }

  void show() override {
    if (!window_) return;
    gtk_widget_show_all(window_);
    gtk_window_move(GTK_WINDOW(window_), left_, top_);
  }
  void hide() override {
    if (window_) gtk_widget_hide(window_);
  }
  bool isVisible() const override { return window_ && gtk_widget_get_visible(window_); }
  void bringToFront() override {
    if (window_) gtk_window_present(GTK_WINDOW(window_));
  }

  Rect primaryWorkArea() const override {
    GdkMonitor* monitor = primaryMonitor();
    if (!monitor) return {};
    GdkRectangle r{};
    gdk_monitor_get_workarea(monitor, &r);
    return toRect(r);
  }
  Rect primaryScreen() const override {
    GdkMonitor* monitor = primaryMonitor();
    if (!monitor) return {};
    GdkRectangle r{};
    gdk_monitor_get_geometry(monitor, &r);
    return toRect(r);
  }
  bool compositionEnabled() const override {
    if (composition_) return *composition_;
    GdkScreen* screen = window_ ? gtk_widget_get_screen(window_) : gdk_screen_get_default();
    return screen && gdk_screen_is_composited(screen);
  }

  void setOnCloseRequest(std::function<void()> handler) override { onClose_ = std::move(handler); }

  void destroy() override {
    if (!window_) return;
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(window_);  // takes the browser view with it
    g_object_unref(window_);
    window_ = nullptr;
  }

 private:
  // GTK main thread, inside GTK's event dispatch.
  static gboolean onDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) {
    auto* window = static_cast<GtkMainWindowImpl*>(self);
    // The logic decides; it closes the window itself. Handed over like every other event.
    if (window->onClose_) window->loop_.post(window->onClose_);
    return TRUE;
  }

  MainLoop& loop_;
  const std::optional<bool> composition_;
  GtkWidget* window_ = nullptr;
  int width_ = 0, height_ = 0, left_ = 0, top_ = 0;
  bool toolWindow_ = false;
  std::function<void()> onClose_;
};

}  // namespace

bool openGtkDisplay() {
  const char* x11 = g_getenv("DISPLAY");
  const char* wayland = g_getenv("WAYLAND_DISPLAY");
  if ((!x11 || !*x11) && (!wayland || !*wayland)) return false;
  gdk_set_allowed_backends("x11,*");
  return gtk_init_check(nullptr, nullptr);
}

std::unique_ptr<GtkMainWindow> createGtkWindow(MainLoop& loop, std::optional<bool> composition) {
  return std::make_unique<GtkMainWindowImpl>(loop, composition);
}

}  // namespace tilvo::platform::linux_host
