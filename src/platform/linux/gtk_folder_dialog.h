#pragma once
#include <memory>

#include "platform/file_system.h"
#include "platform/folder_dialog.h"
#include "platform/linux/gtk_window.h"

namespace tilvo::platform::linux_host {

// A GTK folder chooser owned by `window`; folders go in and come out as Windows paths through `files`.
std::unique_ptr<FolderDialog> createGtkFolderDialog(GtkMainWindow& window, FileSystem& files);

// Without a display nobody can answer: every request is cancelled.
std::unique_ptr<FolderDialog> createHeadlessFolderDialog();

}  // namespace tilvo::platform::linux_host
