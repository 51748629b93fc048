#pragma once
#include <memory>

#include "platform/firewall.h"

namespace tilvo::platform::linux_host {

// The firewall's authorized applications recorded in the registry store of the installed platform, where
// the Windows firewall policy keeps them (standard profile: a machine outside a domain); one value per
// program, named by its path, holding "path:scope:Enabled|Disabled:name". The host's firewall is not touched.
std::unique_ptr<Firewall> createRegistryFirewall();

// The key that holds the list.
inline constexpr const char* kAuthorizedApplicationsKey =
    "SYSTEM\\CurrentControlSet\\Services\\SharedAccess\\Parameters\\FirewallPolicy\\StandardProfile\\"
    "AuthorizedApplications\\List";

}  // namespace tilvo::platform::linux_host
