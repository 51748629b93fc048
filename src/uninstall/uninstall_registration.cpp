#include "uninstall/uninstall_registration.h"

#include "core/text.h"
#include "install/system_registration.h"
#include "platform/platform.h"

namespace tilvo {
namespace {

using platform::RegType;
using platform::RootKey;

std::string trimmed(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string GetUninstallString() {
  auto& registry = platform::registry();
  registry.createKey(RootKey::LocalMachine, UninstallKey());
  const auto value = registry.readValue(RootKey::LocalMachine, UninstallKey(), "UninstallString");
  if (!value || (value->type != RegType::String && value->type != RegType::ExpandString)) return {};
  return value->text;
}

void DeleteUninstallKey() {
  auto& registry = platform::registry();
  if (!registry.keyExists(RootKey::LocalMachine, kUninstallKeyRoot)) return;
  registry.deleteKey(RootKey::LocalMachine, UninstallKey());  // a missing entry is no error
}

void DeleteAppKey() { platform::registry().deleteKey(RootKey::LocalMachine, AppKey()); }

std::string InstallerPathFromUninstallString(const std::string& command) {
  const std::string text = trimmed(command);
  if (!text.empty() && text[0] == '"') {
    const size_t close = text.find('"', 1);
    return text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  // Unquoted: the switch is the last word; the path before it may hold blanks.
  const std::string padded = " " + text;
  const std::string sw = " -uninstall";
  if (padded.size() >= sw.size() && SameText(padded.substr(padded.size() - sw.size()), sw))
    return trimmed(padded.substr(0, padded.size() - sw.size()));
  return text;
}

}  // namespace tilvo
