#include "platform/linux/linux_platform.h"

#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "platform/linux/curl_http_client.h"
#include "platform/linux/curl_url_download.h"
#include "platform/linux/embedded_resources.h"
#include "platform/linux/executable_file_versions.h"
#include "platform/linux/glib_main_loop.h"
#include "platform/linux/gtk_folder_dialog.h"
#include "platform/linux/gtk_message_boxes.h"
#include "platform/linux/gtk_window.h"
#include "platform/linux/headless_browser.h"
#include "platform/linux/headless_message_boxes.h"
#include "platform/linux/headless_shell_icons.h"
#include "platform/linux/headless_window.h"
#include "platform/linux/ini_profile_file.h"
#include "platform/linux/libzip_archives.h"
#include "platform/linux/linux_connection_state.h"
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

// The value of an override that is set and not empty, recorded for the log.
std::optional<std::string> readOverride(Platform& p, const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return std::nullopt;
  p.settings.push_back(std::string(name) + "=" + v);
  return std::string(v);
}

std::string trimBlanks(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::optional<bool> connectedOverride(Platform& p) {
  const auto value = readOverride(p, "TILVO_CONNECTED");
  if (!value) return std::nullopt;
  return ParseConnectedOverride(*value);
}

// TILVO_COMPOSITION=0/1 stands in for what the desktop reports.
std::optional<bool> compositionOverride(Platform& p) {
  const auto value = readOverride(p, "TILVO_COMPOSITION");
  if (!value) return std::nullopt;
  return *value != "0";
}

// The window, the page host and the dialogs: on the display when there is one, otherwise without.
void createUserInterface(Platform& p, DisplayUse display) {
  const auto composition = compositionOverride(p);
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
  p.browser = createHeadlessBrowser(*p.loop, createCurlHttpClient());
  p.folderDialog = createHeadlessFolderDialog();
  p.messageBoxes = createHeadlessMessageBoxes();
  p.settings.push_back("display=none");
}

}  // namespace

bool ParseConnectedOverride(const std::string& text) {
  if (text == "0") return false;
  if (text == "1") return true;
  throw std::runtime_error("TILVO_CONNECTED must be 0 or 1, not " + text);
}

std::vector<std::string> ParseServerHosts(const std::string& text) {
  std::vector<std::string> hosts;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    hosts.push_back(trimBlanks(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  bool anyEmpty = false;
  for (const auto& h : hosts) anyEmpty = anyEmpty || h.empty();
  if (hosts.size() != 3 || anyEmpty)
    throw std::runtime_error("TILVO_SERVER_HOSTS needs three hosts, host1[:port],host2[:port],host3[:port]: " + text);
  return hosts;
}

std::unique_ptr<Platform> createLinuxPlatform(int argc, char** argv, DisplayUse display) {
  auto p = std::make_unique<Platform>();
  for (int i = 1; i < argc; ++i) p->arguments.emplace_back(argv[i]);

  const char* rootEnv = std::getenv("TILVO_ROOT");
  const VirtualDrives drives(rootEnv && *rootEnv ? rootEnv : VirtualDrives::defaultRoot());
  p->settings.push_back("TILVO_ROOT=" + drives.root());

  TimerTrace trace;
  if (readOverride(*p, "TILVO_TRACE_TIMERS") == "1") {
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
  p->zipArchives = createLibzipArchives(drives);
  p->resources = createEmbeddedResources();
  p->fileVersions = createExecutableFileVersions(drives);
  p->urlDownload = createCurlUrlDownload(drives);
  p->taskbar = createHeadlessTaskbar();
  p->trayIcon = createHeadlessTrayIcon();
  p->http = createCurlHttpClient();
  createUserInterface(*p, display);
  for (const char* name : {"TILVO_NATIVE_ARCH", "TILVO_WINDOWS_VERSION", "TILVO_SCREEN"}) readOverride(*p, name);
  p->connection = createLinuxConnectionState(connectedOverride(*p));
  if (const auto hosts = readOverride(*p, "TILVO_SERVER_HOSTS")) p->serverHosts = ParseServerHosts(*hosts);
  if (const auto ftp = readOverride(*p, "TILVO_FTP_HOST")) p->ftpHost = *ftp;
  return p;
}

}  // namespace tilvo::platform::linux_host
