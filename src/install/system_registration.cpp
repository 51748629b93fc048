#include "install/system_registration.h"

#include <stdexcept>

#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/text.h"
#include "platform/platform.h"

namespace tilvo {
namespace {

using platform::RegValue;
using platform::RegView;
using platform::RootKey;

constexpr size_t kMaxFolderPathLength = 256;

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

// The first `units` UTF-16 code units of a UTF-8 text, cut between characters.
std::string utf16Prefix(const std::string& text, size_t units) {
  size_t used = 0;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const size_t cost = length == 4 ? 2 : 1;  // beyond the basic plane: a surrogate pair
    if (used + cost > units) return text.substr(0, i);
    used += cost;
    i += length;
  }
  return text;
}

// Writes a value the way the registry class of the original runtime does: a refusal is an error.
void writeValueOrThrow(const std::string& key, const std::string& name, const RegValue& value, RegView view) {
  const platform::Status status = platform::registry().writeValue(RootKey::LocalMachine, key, name, value, view);
  if (!status) throw std::runtime_error("Failed to set data for '" + name + "': " + status.message);
}

}  // namespace

std::string LauncherBaseName() { return ExtractFileBaseName(LauncherExe); }
std::string UninstallKey() { return kUninstallKeyRoot + "\\" + LauncherBaseName(); }
std::string AppKey() { return "Software\\" + LauncherBaseName(); }

void RegisterUninstallEntry() {
  const std::string key = UninstallKey();
  const std::string installer = InstallPath + ExtractFileName(platform::systemInfo().executablePath());
  platform::registry().createKey(RootKey::LocalMachine, key);  // its result is not tested; a write tells
  writeValueOrThrow(key, "Displayname", RegValue::string(LauncherBaseName()), RegView::Default);
  writeValueOrThrow(key, "Publisher", RegValue::string("Mero Corp"), RegView::Default);
  writeValueOrThrow(key, "DisplayIcon", RegValue::string(quoted(installer)), RegView::Default);
  writeValueOrThrow(key, "UninstallString", RegValue::string(quoted(installer) + " -uninstall"), RegView::Default);
}

void AppInsertToReg() {
  try {
    auto& registry = platform::registry();
    const std::string key = AppKey();
    if (!registry.createKey(RootKey::LocalMachine, key)) return;
    // Only a sub-key of that name would stop a write, and nothing creates one.
    if (!registry.keyExists(RootKey::LocalMachine, key + "\\Path"))
      writeValueOrThrow(key, "Path", RegValue::expandString(quoted(InstallPath + LauncherExe)), RegView::Default);
    if (!registry.keyExists(RootKey::LocalMachine, key + "\\Uninstall"))
      writeValueOrThrow(key, "Uninstall", RegValue::string(quoted(InstallPath + LauncherBaseName()) + " -uninstall"),
                        RegView::Default);
  } catch (const std::exception& e) {
    DebugLog(false, std::string("AppInsertToReg : ") + e.what());
  }
}

void AddProgramOnStart(const std::string& valueName, const std::string& command, bool add) {
  try {
    const RegView view = IsWindows64() ? RegView::Key64 : RegView::Default;
    auto& registry = platform::registry();
    registry.createKey(RootKey::LocalMachine, kRunKey, view);
    if (add)
      writeValueOrThrow(kRunKey, valueName, RegValue::string(command), view);
    else
      registry.deleteValue(RootKey::LocalMachine, kRunKey, valueName, view);  // a missing value is no error
  } catch (const std::exception& e) {
    DebugLog(false, std::string("AddProgramOnStart : ") + e.what());
  }
}

bool IsWindows64() { return platform::systemInfo().isNative64Bit(); }

void Process_BootPatch(bool apply) {
  if (PcType == "kord" || PcType == "pcbang") return;
  try {
    auto& registry = platform::registry();
    registry.createKey(RootKey::LocalMachine, kTcpipParametersKey);
    if (apply)
      writeValueOrThrow(kTcpipParametersKey, "ArpRetryCount", RegValue::dwordValue(0), RegView::Default);
    else
      registry.deleteValue(RootKey::LocalMachine, kTcpipParametersKey, "ArpRetryCount");  // missing is no error
  } catch (const std::exception& e) {
    DebugLog(true, std::string("Process_BootPatch : ") + e.what());
  }
}

void AddExceptionToFirewall(const std::string& name, const std::string& imagePath) {
  try {
    platform::AuthorizedApplication app;
    app.imagePath = imagePath;
    app.name = name;
    app.scope = platform::FirewallScope::All;
    app.ipVersion = platform::FirewallIpVersion::Any;
    app.enabled = true;
    const platform::Status status = platform::firewall().addAuthorizedApplication(app);
    if (!status) throw std::runtime_error(status.message);
  } catch (const std::exception& e) {
    DebugLog(false, std::string("AddExceptionToFirewall : ") + e.what());
  }
}

void Make_Lnk_File(const std::string& target, const std::string& linkName, const std::string& folder) {
  try {
    const std::string linkPath = folder + linkName;
    const platform::Status status = platform::shellLinks().save(linkPath, {target, ExtractFilePath(target)});
    if (!status) throw std::runtime_error(status.message);
    DebugLog(false, Format("Make_Lnk_File: %s, %s", target.c_str(), linkPath.c_str()));
  } catch (const std::exception& e) {
    DebugLog(false, std::string("Make_Lnk_File : ") + e.what());
  }
}

std::string GetSpecialFolderPath(int csidl) {
  return utf16Prefix(platform::specialFolders().path(csidl), kMaxFolderPathLength);
}

std::string GetDesktopPath() {
  const std::string path = GetSpecialFolderPath(CSIDL_DESKTOP);
  if (path.empty()) throw std::runtime_error("SHGetPathFromIDList failed : invalid pidl");
  return path;
}

void Make_Icon_Folders() {
  auto& files = platform::fileSystem();
  for (const char* category : CategoryNames) {
    const std::string folder = InstallPath + Format("icons\\%s", category);
    if (!files.directoryExists(folder)) files.forceDirectories(folder);  // a folder that cannot be made is skipped
  }
  platform::shell().execute("open", "explorer.exe", InstallPath + "icons", "", platform::ShowCommand::ShowNormal);
}

}  // namespace tilvo
