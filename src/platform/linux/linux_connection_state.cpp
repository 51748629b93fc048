#include "platform/linux/linux_connection_state.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

namespace tilvo::platform::linux_host {
namespace {

struct IfaddrsDeleter {
  void operator()(ifaddrs* list) const { ::freeifaddrs(list); }
};

std::vector<InterfaceFacts> currentInterfaces() {
  ifaddrs* raw = nullptr;
  if (::getifaddrs(&raw) != 0) return {};
  const std::unique_ptr<ifaddrs, IfaddrsDeleter> list(raw);
  std::vector<InterfaceFacts> facts;
  for (const ifaddrs* i = raw; i; i = i->ifa_next)
    facts.push_back({i->ifa_flags, i->ifa_addr ? i->ifa_addr->sa_family : AF_UNSPEC});
  return facts;
}

class LinuxConnectionState final : public ConnectionState {
 public:
  explicit LinuxConnectionState(std::optional<bool> forced) : forced_(forced) {}
  bool isConnected() override { return forced_ ? *forced_ : AnyNetworkInterfaceUsable(currentInterfaces()); }

 private:
  const std::optional<bool> forced_;
};

}  // namespace

bool AnyNetworkInterfaceUsable(const std::vector<InterfaceFacts>& interfaces) {
  for (const auto& i : interfaces) {
    const bool up = (i.flags & IFF_UP) && (i.flags & IFF_RUNNING);
    const bool ip = i.family == AF_INET || i.family == AF_INET6;
    if (up && ip && !(i.flags & IFF_LOOPBACK)) return true;
  }
  return false;
}

std::unique_ptr<ConnectionState> createLinuxConnectionState(std::optional<bool> forced) {
  return std::make_unique<LinuxConnectionState>(forced);
}

}  // namespace tilvo::platform::linux_host
