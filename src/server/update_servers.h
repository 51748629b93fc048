#pragma once
// The three update servers: their hosts, their version pages and the failover between them.
#include <string>

namespace tilvo {

// Host ("name[:port]") of update server 1, 2 or 3: the platform's run-time override, else the build's.
std::string ServerHost(int server);

// "http://" + host + "/inst/tilvo_ver.html", without the query.
std::string VersionPageUrl(int server);

// The query every version page carries: "?pctype=" followed by the edition key.
std::string PcTypeQuery();

// The version page (without query) to ask after a request for `failedUrl` failed: the lower-cased URL is
// searched for the lower-cased hosts of Server 2, Server 3, Server 1 in this order and the first hit
// decides (2 -> 1, 3 -> 1, 1 -> 2). A URL of none of them goes to Server 1, the fallback of the others.
std::string NextVersionPage(const std::string& failedUrl);

}  // namespace tilvo
