#include "support/registry_dump.h"

#include <functional>

#include "platform/platform.h"

namespace tilvo::testing {
namespace {

using platform::RegView;
using platform::RootKey;

const std::pair<RootKey, const char*> kRoots[] = {{RootKey::ClassesRoot, "HKCR"},
                                                  {RootKey::CurrentUser, "HKCU"},
                                                  {RootKey::LocalMachine, "HKLM"},
                                                  {RootKey::Users, "HKU"}};

std::string describe(const platform::RegValue& v) {
  switch (v.type) {
    case platform::RegType::String: return "REG_SZ " + v.text;
    case platform::RegType::ExpandString: return "REG_EXPAND_SZ " + v.text;
    case platform::RegType::DWord: return "REG_DWORD " + std::to_string(v.dword);
    case platform::RegType::MultiString: return "REG_MULTI_SZ " + v.text;
    case platform::RegType::Binary: return "REG_BINARY (" + std::to_string(v.binary.size()) + " bytes)";
  }
  return "?";
}

// Walks every key below each root in the 64-bit view, which shows the store as it is.
void walk(const std::function<void(RootKey, const std::string& rootName, const std::string& path)>& visit) {
  auto& registry = platform::registry();
  for (const auto& [root, rootName] : kRoots) {
    std::function<void(const std::string&)> descend = [&](const std::string& path) {
      for (const auto& sub : registry.subKeyNames(root, path, RegView::Key64)) {
        const std::string child = path.empty() ? sub : path + "\\" + sub;
        visit(root, rootName, child);
        descend(child);
      }
    };
    descend("");
  }
}

}  // namespace

std::set<std::string> dumpRegistryValues() {
  std::set<std::string> lines;
  auto& registry = platform::registry();
  walk([&](RootKey root, const std::string& rootName, const std::string& path) {
    for (const auto& name : registry.valueNames(root, path, RegView::Key64)) {
      const auto value = registry.readValue(root, path, name, RegView::Key64);
      lines.insert(rootName + "\\" + path + " : " + name + " = " + (value ? describe(*value) : "(unreadable)"));
    }
  });
  return lines;
}

std::set<std::string> dumpRegistryKeys() {
  std::set<std::string> keys;
  walk([&](RootKey, const std::string& rootName, const std::string& path) { keys.insert(rootName + "\\" + path); });
  return keys;
}

}  // namespace tilvo::testing
