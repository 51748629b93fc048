#include "platform/linux/registry_firewall.h"

#include "platform/platform.h"

namespace tilvo::platform::linux_host {
namespace {

class RegistryFirewall final : public Firewall {
 public:
  Status addAuthorizedApplication(const AuthorizedApplication& app) override {
    if (app.imagePath.empty()) return Status::failure(87, "the application has no program path");
    const std::string scope = app.scope == FirewallScope::All ? "*" : "LocalSubNet";
    const std::string entry =
        app.imagePath + ":" + scope + ":" + (app.enabled ? "Enabled" : "Disabled") + ":" + app.name;
    // Looked up at each call: the store is whichever registry the platform holds now.
    auto& registry = platform::registry();
    if (Status s = registry.createKey(RootKey::LocalMachine, kAuthorizedApplicationsKey, RegView::Default); !s) return s;
    return registry.writeValue(RootKey::LocalMachine, kAuthorizedApplicationsKey, app.imagePath,
                               RegValue::string(entry), RegView::Default);
  }
};

}  // namespace

std::unique_ptr<Firewall> createRegistryFirewall() { return std::make_unique<RegistryFirewall>(); }

}  // namespace tilvo::platform::linux_host
