#include "platform/linux/linux_platform.h"

#include <cstdlib>

#include "platform/linux/curl_url_download.h"
#include "platform/linux/embedded_resources.h"
#include "platform/linux/executable_file_versions.h"
#include "platform/linux/glib_main_loop.h"
#include "platform/linux/headless_message_boxes.h"
#include "platform/linux/headless_shell_icons.h"
#include "platform/linux/headless_window.h"
#include "platform/linux/ini_profile_file.h"
#include "platform/linux/libzip_archives.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/linux_system_info.h"
#include "platform/linux/posix_shell.h"
#include "platform/linux/proc_processes.h"
#include "platform/linux/registry_firewall.h"
#include "platform/linux/shell_link_file.h"
#include "platform/linux/sqlite_registry.h"
#include "platform/linux/stderr_debug_output.h"
#include "platform/linux/virtual_drives.h"
#include "platform/linux/virtual_special_folders.h"

namespace tilvo::platform::linux_host {

std::unique_ptr<Platform> createLinuxPlatform(int argc, char** argv) {
  auto p = std::make_unique<Platform>();
  for (int i = 1; i < argc; ++i) p->arguments.emplace_back(argv[i]);

  const char* rootEnv = std::getenv("TILVO_ROOT");
  const VirtualDrives drives(rootEnv && *rootEnv ? rootEnv : VirtualDrives::defaultRoot());
  p->settings.push_back("TILVO_ROOT=" + drives.root());

  p->loop = createGlibMainLoop();
  p->debugOutput = createStderrDebugOutput();
  p->fileSystem = createFileSystem(drives);
  p->systemInfo = createLinuxSystemInfo(drives);
  p->registry = createSqliteRegistry(drives.root() + "/registry.db", p->systemInfo->isNative64Bit());
  p->profile = createIniProfileFile(drives);
  p->processes = createProcProcesses(drives);
  p->shell = createPosixShell(drives);
  p->window = createHeadlessWindow();
  p->zipArchives = createLibzipArchives(drives);
  p->resources = createEmbeddedResources();
  p->fileVersions = createExecutableFileVersions(drives);
  p->specialFolders = createVirtualSpecialFolders(drives, p->systemInfo->isNative64Bit());
  p->shellLinks = createShellLinkWriter(drives);
  p->firewall = createRegistryFirewall();
  p->messageBoxes = createHeadlessMessageBoxes();
  p->urlDownload = createCurlUrlDownload(drives);
  p->taskbar = createHeadlessTaskbar();
  p->trayIcon = createHeadlessTrayIcon();
  for (const char* name : {"TILVO_NATIVE_ARCH", "TILVO_WINDOWS_VERSION", "TILVO_SCREEN"})
    if (const char* v = std::getenv(name); v && *v) p->settings.push_back(std::string(name) + "=" + v);
  return p;
}

}  // namespace tilvo::platform::linux_host
