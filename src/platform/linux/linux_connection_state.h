#pragma once
#include <memory>
#include <optional>
#include <vector>

#include "platform/connection_state.h"

namespace tilvo::platform::linux_host {

struct InterfaceFacts {
  unsigned flags = 0;  // IFF_* of the interface
  int family = 0;      // address family of one of its addresses (AF_INET, AF_INET6, AF_PACKET, ...)
};

// Connected when some interface other than loopback is up and running with an IP address.
bool AnyNetworkInterfaceUsable(const std::vector<InterfaceFacts>& interfaces);

// The machine's interfaces, asked at each call; `forced` (TILVO_CONNECTED) answers instead when set.
std::unique_ptr<ConnectionState> createLinuxConnectionState(std::optional<bool> forced);

}  // namespace tilvo::platform::linux_host
