#include "download/app_version.h"

#include "core/debug_log.h"
#include "platform/platform.h"

namespace tilvo {

std::string GetAppVersionStr(const std::string& FileName) {
  platform::FixedFileVersion version;
  const auto status = platform::fileVersions().read(FileName, version);
  if (!status) {
    DebugLog(false, "GetAppVersionStr : " + FileName + "," + status.message);
    return "0.0.0.0";
  }
  return Format("%d.%d.%d.%d", static_cast<int>(version.fileVersionMS >> 16), static_cast<int>(version.fileVersionMS & 0xFFFF),
                static_cast<int>(version.fileVersionLS >> 16), static_cast<int>(version.fileVersionLS & 0xFFFF));
}

}  // namespace tilvo
