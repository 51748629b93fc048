#include "platform/linux/gtk_message_boxes.h"

#include <gtk/gtk.h>

#include "platform/platform.h"

namespace tilvo::platform::linux_host {
namespace {

class GtkMessageBoxes final : public MessageBoxes {
 public:
  explicit GtkMessageBoxes(GtkMainWindow& window) : window_(window) {}

  MessageBoxAnswer show(const std::string& text) override {
    platform::debugOutput().write("message box: " + text);
    GtkWidget* owner = window_.widget();
    GtkWidget* box = gtk_message_dialog_new(owner ? GTK_WINDOW(owner) : nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                            GTK_BUTTONS_OK, "%s", text.c_str());
    const char* title = owner ? gtk_window_get_title(GTK_WINDOW(owner)) : nullptr;
    gtk_window_set_title(GTK_WINDOW(box), title ? title : "");
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    gtk_dialog_run(GTK_DIALOG(box));  // modal: the main loop runs inside; closing the box counts as OK
    gtk_widget_destroy(box);
    return MessageBoxAnswer::Ok;
  }

 private:
  GtkMainWindow& window_;
};

}  // namespace

std::unique_ptr<MessageBoxes> createGtkMessageBoxes(GtkMainWindow& window) {
  return std::make_unique<GtkMessageBoxes>(window);
}

}  // namespace tilvo::platform::linux_host
