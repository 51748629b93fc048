#include "platform/linux/gtk_folder_dialog.h"

#include <gtk/gtk.h>

namespace tilvo::platform::linux_host {
namespace {

class GtkFolderDialog final : public FolderDialog {
 public:
  GtkFolderDialog(GtkMainWindow& window, FileSystem& files) : window_(window), files_(files) {}

  std::optional<std::string> selectFolder(const std::string& caption, const std::string& startFolder) override {
    GtkWidget* owner = window_.widget();
    GtkWidget* dialog = gtk_file_chooser_dialog_new(caption.c_str(), owner ? GTK_WINDOW(owner) : nullptr,
                                                    GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel",
                                                    GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_create_folders(chooser, FALSE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    const std::string start = files_.hostPath(startFolder);
    if (!start.empty()) gtk_file_chooser_set_current_folder(chooser, start.c_str());

    std::optional<std::string> chosen;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {  // modal: the main loop runs inside
      if (gchar* folder = gtk_file_chooser_get_filename(chooser)) {
        chosen = files_.windowsPath(folder);
        g_free(folder);
      }
    }
    gtk_widget_destroy(dialog);
    return chosen;
  }

 private:
  GtkMainWindow& window_;
  FileSystem& files_;
};

class HeadlessFolderDialog final : public FolderDialog {
 public:
  std::optional<std::string> selectFolder(const std::string&, const std::string&) override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<FolderDialog> createGtkFolderDialog(GtkMainWindow& window, FileSystem& files) {
  return std::make_unique<GtkFolderDialog>(window, files);
}

std::unique_ptr<FolderDialog> createHeadlessFolderDialog() { return std::make_unique<HeadlessFolderDialog>(); }

}  // namespace tilvo::platform::linux_host
