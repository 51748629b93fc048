#include "server/update_servers.h"

#include <stdexcept>

#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/text.h"
#include "platform/platform.h"

namespace tilvo {

std::string ServerHost(int server) {
  static const char* const builtIn[] = {TILVO_SERVER1_HOST, TILVO_SERVER2_HOST, TILVO_SERVER3_HOST};
  if (server < 1 || server > 3) throw std::out_of_range("no update server " + std::to_string(server));
  const auto& overrides = platform::current().serverHosts;
  const auto index = static_cast<size_t>(server - 1);
  return index < overrides.size() ? overrides[index] : builtIn[index];
}

std::string VersionPageUrl(int server) { return "http://" + ServerHost(server) + "/inst/tilvo_ver.html"; }

std::string PcTypeQuery() { return Format("?pctype=%s", PcType.c_str()); }

std::string NextVersionPage(const std::string& failedUrl) {
  struct Row {
    int failed, next;
  };
  static constexpr Row table[] = {{2, 1}, {3, 1}, {1, 2}};
  const std::string url = LowerCase(failedUrl);
  for (const auto& row : table)
    if (url.find(LowerCase(ServerHost(row.failed))) != std::string::npos) return VersionPageUrl(row.next);
  return VersionPageUrl(1);
}

}  // namespace tilvo
