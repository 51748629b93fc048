#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

namespace tilvo::platform {
namespace {

std::unique_ptr<Platform>& installed() {
  static std::unique_ptr<Platform> p;
  return p;
}

template <typename T>
T& require(const std::unique_ptr<T>& piece, const char* name) {
  if (!piece) {
    std::fprintf(stderr, "platform: no %s installed\n", name);
    std::abort();
  }
  return *piece;
}

}  // namespace

Platform& current() { return require(installed(), "platform"); }

std::unique_ptr<Platform> install(std::unique_ptr<Platform> p) {
  std::swap(installed(), p);
  return p;
}

MainLoop& loop() { return require(current().loop, "main loop"); }
DebugOutput& debugOutput() { return require(current().debugOutput, "debug output"); }
FileSystem& fileSystem() { return require(current().fileSystem, "file system"); }
Registry& registry() { return require(current().registry, "registry"); }
ProfileFile& profile() { return require(current().profile, "profile file"); }
Processes& processes() { return require(current().processes, "processes"); }
Shell& shell() { return require(current().shell, "shell"); }
SystemInfo& systemInfo() { return require(current().systemInfo, "system info"); }
Window& window() { return require(current().window, "window"); }
Browser& browser() { return require(current().browser, "browser"); }
ZipArchives& zipArchives() { return require(current().zipArchives, "zip archives"); }
Resources& resources() { return require(current().resources, "resources"); }
FileVersions& fileVersions() { return require(current().fileVersions, "file versions"); }
FolderDialog& folderDialog() { return require(current().folderDialog, "folder dialog"); }
SpecialFolders& specialFolders() { return require(current().specialFolders, "special folders"); }
ShellLinks& shellLinks() { return require(current().shellLinks, "shell links"); }
Firewall& firewall() { return require(current().firewall, "firewall"); }
MessageBoxes& messageBoxes() { return require(current().messageBoxes, "message boxes"); }
UrlDownload& urlDownload() { return require(current().urlDownload, "URL download"); }
Taskbar& taskbar() { return require(current().taskbar, "taskbar"); }
TrayIcon& trayIcon() { return require(current().trayIcon, "tray icon"); }
HttpClient& http() { return require(current().http, "http client"); }
ConnectionState& connection() { return require(current().connection, "connection state"); }

}  // namespace tilvo::platform
