#pragma once
// The local firewall's list of applications allowed to accept connections.
#include <string>

#include "platform/status.h"

namespace tilvo::platform {

enum class FirewallScope { All = 0, LocalSubnet = 1 };
enum class FirewallIpVersion { V4 = 0, V6 = 1, Any = 2 };

struct AuthorizedApplication {
  std::string name;
  std::string imagePath;  // Windows path of the program
  FirewallScope scope = FirewallScope::All;
  FirewallIpVersion ipVersion = FirewallIpVersion::Any;
  bool enabled = true;
};

class Firewall {
 public:
  virtual ~Firewall() = default;
  // Adds the application to the current profile; one already listed for the same program is replaced.
  virtual Status addAuthorizedApplication(const AuthorizedApplication& application) = 0;
};

}  // namespace tilvo::platform
