#pragma once
// Facts about the running system and program, and the system clock.
#include <cstdint>
#include <string>

namespace tilvo::platform {

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  virtual uint32_t tickCount() = 0;  // milliseconds, wraps around like GetTickCount
  virtual void sleepMs(uint32_t milliseconds) = 0;
  virtual std::string executablePath() = 0;  // Windows form of the running executable's full path
  virtual bool isNative64Bit() = 0;  // the system's native architecture is x64
  virtual uint32_t windowsMajorVersion() = 0;
  virtual uint32_t windowsMinorVersion() = 0;
};

}  // namespace tilvo::platform
