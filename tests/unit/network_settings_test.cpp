// The run-time network settings of the Linux platform: the server host override, the connection state and
// its override.
#include <gtest/gtest.h>
#include <net/if.h>
#include <sys/socket.h>

#include <cstdlib>

#include "platform/linux/linux_connection_state.h"
#include "platform/linux/linux_platform.h"
#include "support/sandbox.h"

namespace tilvo::platform::linux_host {
namespace {

TEST(ParseServerHosts, WantsExactlyThreeNonEmptyHosts) {
  EXPECT_EQ(ParseServerHosts("127.0.0.1:8471, 127.0.0.2:8471 ,127.0.0.3"),
            (std::vector<std::string>{"127.0.0.1:8471", "127.0.0.2:8471", "127.0.0.3"}));
  for (const char* bad : {"", "a,b", "a,b,c,d", "a,,c", "a,b, "})
    EXPECT_THROW(ParseServerHosts(bad), std::runtime_error) << bad;
}

TEST(AnyNetworkInterfaceUsable, NeedsANonLoopbackInterfaceUpAndRunningWithAnIpAddress) {
  const unsigned up = IFF_UP | IFF_RUNNING;
  const std::pair<std::vector<InterfaceFacts>, bool> cases[] = {
      {{}, false},
      {{{up | IFF_LOOPBACK, AF_INET}, {up | IFF_LOOPBACK, AF_INET6}}, false},
      {{{up | IFF_LOOPBACK, AF_INET}, {up, AF_INET}}, true},
      {{{up, AF_INET6}}, true},
      {{{IFF_UP, AF_INET}}, false},    // cable out: up but not running
      {{{up, AF_PACKET}}, false},      // link only, no address
      {{{IFF_RUNNING, AF_INET}}, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(AnyNetworkInterfaceUsable(cases[i].first), cases[i].second) << i;
}

TEST(ConnectionOverride, IsReadOnceAtStartUpAndLogged) {
  ::setenv("TILVO_CONNECTED", "0", 1);
  testing::Sandbox offline;
  ::setenv("TILVO_CONNECTED", "1", 1);  // too late for the platform made above
  EXPECT_FALSE(offline.platform().connection->isConnected());
  const auto& settings = offline.platform().settings;
  EXPECT_NE(std::find(settings.begin(), settings.end(), "TILVO_CONNECTED=0"), settings.end());
  {
    testing::Sandbox online;
    EXPECT_TRUE(online.platform().connection->isConnected());
  }
  ::unsetenv("TILVO_CONNECTED");
  EXPECT_THROW(ParseConnectedOverride("yes"), std::runtime_error);
  EXPECT_THROW(ParseConnectedOverride(" 1"), std::runtime_error);
}

}  // namespace
}  // namespace tilvo::platform::linux_host
