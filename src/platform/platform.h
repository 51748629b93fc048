#pragma once
// The set of platform services the logic runs on. main() installs the Linux implementation; tests install
// real pieces, fakes, or a mix.
#include <memory>
#include <string>
#include <vector>

#include "platform/browser.h"
#include "platform/connection_state.h"
#include "platform/debug_output.h"
#include "platform/file_system.h"
#include "platform/file_version.h"
#include "platform/firewall.h"
#include "platform/folder_dialog.h"
#include "platform/http_client.h"
#include "platform/main_loop.h"
#include "platform/message_box.h"
#include "platform/processes.h"
#include "platform/profile_file.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/shell.h"
#include "platform/shell_links.h"
#include "platform/special_folders.h"
#include "platform/system_info.h"
#include "platform/taskbar.h"
#include "platform/tray_icon.h"
#include "platform/url_download.h"
#include "platform/window.h"
#include "platform/zip_archive.h"

namespace tilvo::platform {

struct Platform {
  std::vector<std::string> arguments;  // argv[1..]
  std::vector<std::string> settings;   // the environment overrides in effect, "NAME=value", for the log
  // Update servers and file store named at run time ("host[:port]" x 3; "host/folder/"); empty: the build's.
  std::vector<std::string> serverHosts;
  std::string ftpHost;
  std::unique_ptr<MainLoop> loop;
  std::unique_ptr<DebugOutput> debugOutput;
  std::unique_ptr<FileSystem> fileSystem;
  std::unique_ptr<Registry> registry;
  std::unique_ptr<ProfileFile> profile;
  std::unique_ptr<Processes> processes;
  std::unique_ptr<Shell> shell;
  std::unique_ptr<SystemInfo> systemInfo;
  std::unique_ptr<Window> window;
  std::unique_ptr<Browser> browser;
  std::unique_ptr<ZipArchives> zipArchives;
  std::unique_ptr<Resources> resources;
  std::unique_ptr<FileVersions> fileVersions;
  std::unique_ptr<FolderDialog> folderDialog;
  std::unique_ptr<SpecialFolders> specialFolders;
  std::unique_ptr<ShellLinks> shellLinks;
  std::unique_ptr<Firewall> firewall;
  std::unique_ptr<MessageBoxes> messageBoxes;
  std::unique_ptr<UrlDownload> urlDownload;
  std::unique_ptr<Taskbar> taskbar;
  std::unique_ptr<TrayIcon> trayIcon;
  std::unique_ptr<HttpClient> http;
  std::unique_ptr<ConnectionState> connection;
};

// The installed platform. Aborts with a message when none is installed or the piece is missing.
Platform& current();
// Installs `p` and returns the one installed before (for tests that restore it).
std::unique_ptr<Platform> install(std::unique_ptr<Platform> p);

MainLoop& loop();
DebugOutput& debugOutput();
FileSystem& fileSystem();
Registry& registry();
ProfileFile& profile();
Processes& processes();
Shell& shell();
SystemInfo& systemInfo();
Window& window();
Browser& browser();
ZipArchives& zipArchives();
Resources& resources();
FileVersions& fileVersions();
FolderDialog& folderDialog();
SpecialFolders& specialFolders();
ShellLinks& shellLinks();
Firewall& firewall();
MessageBoxes& messageBoxes();
UrlDownload& urlDownload();
Taskbar& taskbar();
TrayIcon& trayIcon();
HttpClient& http();
ConnectionState& connection();

}  // namespace tilvo::platform
