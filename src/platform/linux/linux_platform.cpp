#include "platform/linux/linux_platform.h"

#include <cstdlib>

#include "platform/linux/glib_main_loop.h"
#include "platform/linux/gtk_folder_dialog.h"
#include "platform/linux/gtk_message_boxes.h"
#include "platform/linux/gtk_window.h"
#include "platform/linux/headless_message_boxes.h"
#include "platform/linux/headless_window.h"
#include "platform/linux/ini_profile_file.h"
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
#include "platform/linux/webkit_browser.h"

namespace tilvo::platform::linux_host {
namespace {

std::string environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// TILVO_COMPOSITION=0/1 stands in for what the desktop reports.
std::optional<bool> compositionOverride() {
  const std::string v = environment("TILVO_COMPOSITION");
  if (v.empty()) return std::nullopt;
  return v != "0";
}

// The window, the page host and the dialogs: on the display when there is one, otherwise without.
void createUserInterface(Platform& p, DisplayUse display) {
  const auto composition = compositionOverride();
  if (display == DisplayUse::WhenAvailable && openGtkDisplay()) {
    auto window = createGtkWindow(*p.loop, composition);
    p.browser = createWebKitBrowser(*window, *p.loop);
    p.folderDialog = createGtkFolderDialog(*window, *p.fileSystem);
    p.messageBoxes = createGtkMessageBoxes(*window);
    p.window = std::move(window);
    p.settings.push_back("display=gtk");
    return;
  }
  p.window = createHeadlessWindow(composition);
  p.folderDialog = createHeadlessFolderDialog();
  p.messageBoxes = createHeadlessMessageBoxes();
  p.settings.push_back("display=none");
}

}  // namespace

std::unique_ptr<Platform> createLinuxPlatform(int argc, char** argv, DisplayUse display) {
  auto p = std::make_unique<Platform>();
  for (int i = 1; i < argc; ++i) p->arguments.emplace_back(argv[i]);

  const char* rootEnv = std::getenv("TILVO_ROOT");
  const VirtualDrives drives(rootEnv && *rootEnv ? rootEnv : VirtualDrives::defaultRoot());
  p->settings.push_back("TILVO_ROOT=" + drives.root());

  TimerTrace trace;
  if (environment("TILVO_TRACE_TIMERS") == "1") {
    // The platform outlives its loop; the debug output may be replaced after creation (tests).
    trace = [platform = p.get()](const std::string& line) { platform->debugOutput->write(line); };
  }
  p->loop = createGlibMainLoop(std::move(trace));
  p->debugOutput = createStderrDebugOutput();
  p->fileSystem = createFileSystem(drives);
  p->systemInfo = createLinuxSystemInfo(drives);
  p->registry = createSqliteRegistry(drives.root() + "/registry.db", p->systemInfo->isNative64Bit());
  p->profile = createIniProfileFile(drives);
  p->processes = createProcProcesses(drives);
  p->shell = createPosixShell(drives);
  p->specialFolders = createVirtualSpecialFolders(drives, p->systemInfo->isNative64Bit());
  p->shellLinks = createShellLinkWriter(drives);
  p->firewall = createRegistryFirewall();
  createUserInterface(*p, display);
  for (const char* name : {"TILVO_NATIVE_ARCH", "TILVO_WINDOWS_VERSION", "TILVO_SCREEN", "TILVO_COMPOSITION",
                           "TILVO_TRACE_TIMERS"})
    if (const char* v = std::getenv(name); v && *v) p->settings.push_back(std::string(name) + "=" + v);
  return p;
}

}  // namespace tilvo::platform::linux_host
