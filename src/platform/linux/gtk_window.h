#pragma once
#include <memory>
#include <optional>

#include "platform/main_loop.h"
#include "platform/window.h"

typedef struct _GtkWidget GtkWidget;

namespace tilvo::platform::linux_host {

// Opens the display for GTK (X11 preferred: a Wayland compositor ignores where a window asks to be placed).
// False when there is none: no DISPLAY/WAYLAND_DISPLAY, or GTK cannot open it.
bool openGtkDisplay();

// The program's window on a display: an undecorated GTK window. Its size is the size the logic set; GTK
// cannot make a window smaller than 1 x 1, so a window of size 0 shows as a single pixel.
class GtkMainWindow : public Window {
 public:
  // The GtkWindow, to put the browser in and to own dialogs.
  virtual GtkWidget* widget() const = 0;
};

// Call after openGtkDisplay(). Close requests reach the logic through `loop` (posted), so that a held loop
// holds them too. `composition` overrides what the screen reports.
std::unique_ptr<GtkMainWindow> createGtkWindow(MainLoop& loop, std::optional<bool> composition);

}  // namespace tilvo::platform::linux_host
