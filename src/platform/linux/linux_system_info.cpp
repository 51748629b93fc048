#include "platform/linux/linux_system_info.h"

#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

namespace tilvo::platform::linux_host {
namespace {

class LinuxSystemInfo final : public SystemInfo {
 public:
  explicit LinuxSystemInfo(VirtualDrives drives) : drives_(std::move(drives)) {
    native64_ = kernelIs64Bit();
    if (const char* arch = std::getenv("TILVO_NATIVE_ARCH"); arch && *arch) native64_ = std::string(arch) != "x86";
    if (const char* version = std::getenv("TILVO_WINDOWS_VERSION"); version && *version) {
      char* end = nullptr;
      major_ = static_cast<uint32_t>(std::strtoul(version, &end, 10));
      minor_ = (end && *end == '.') ? static_cast<uint32_t>(std::strtoul(end + 1, nullptr, 10)) : 0;
    }
  }

  uint32_t tickCount() override {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);  // wraps like the Windows tick count
  }

  void sleepMs(uint32_t milliseconds) override {
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&ts, &ts) != 0) {
    }
  }

  std::string executablePath() override {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? drives_.toWindows(std::string(buffer, static_cast<size_t>(n))) : std::string();
  }

  bool isNative64Bit() override { return native64_; }
  uint32_t windowsMajorVersion() override { return major_; }
  uint32_t windowsMinorVersion() override { return minor_; }

 private:
  static bool kernelIs64Bit() {
    utsname u{};
    if (::uname(&u) != 0) return false;
    const std::string machine = u.machine;
    return machine == "x86_64" || machine == "aarch64";
  }

  const VirtualDrives drives_;
  bool native64_ = false;
  uint32_t major_ = 10;
  uint32_t minor_ = 0;
};

}  // namespace

std::unique_ptr<SystemInfo> createLinuxSystemInfo(VirtualDrives drives) {
  return std::make_unique<LinuxSystemInfo>(std::move(drives));
}

}  // namespace tilvo::platform::linux_host
