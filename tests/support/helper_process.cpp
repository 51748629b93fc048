#include "support/helper_process.h"

#include <filesystem>

#ifndef TILVO_SLEEPER
#error "TILVO_SLEEPER must name the sleeper test program"
#endif

namespace tilvo::testing {

void installSleeper(const std::string& hostPath) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  std::filesystem::copy_file(TILVO_SLEEPER, hostPath, std::filesystem::copy_options::skip_existing);
  std::filesystem::permissions(hostPath, std::filesystem::perms::owner_all | std::filesystem::perms::group_exec |
                                             std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add);
}

static const std::string& installed(const std::string& hostPath) {
  installSleeper(hostPath);
  return hostPath;
}

HelperProcess::HelperProcess(const std::string& hostPath) : ChildProcess(installed(hostPath), {}) {
  const std::string exeLink = "/proc/" + std::to_string(pid()) + "/exe";
  waitUntil(1000, [&] {
    std::error_code ec;
    return std::filesystem::read_symlink(exeLink, ec) == std::filesystem::path(hostPath);
  });
}

}  // namespace tilvo::testing
