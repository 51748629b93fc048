#pragma once
#include <memory>

#include "platform/linux/gtk_window.h"
#include "platform/message_box.h"

namespace tilvo::platform::linux_host {

// Modal GTK message boxes with an OK button, owned by `window`, titled with its caption. The text also goes
// to the debugger output, as without a display.
std::unique_ptr<MessageBoxes> createGtkMessageBoxes(GtkMainWindow& window);

}  // namespace tilvo::platform::linux_host
