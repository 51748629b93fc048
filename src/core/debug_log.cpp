#include "core/debug_log.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "core/installer_state.h"
#include "core/text.h"
#include "platform/platform.h"

namespace tilvo {

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (size > 0) {
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    out.assign(buffer.data(), static_cast<size_t>(size));
  }
  va_end(args);
  return out;
}

void DebugLog(bool force, const std::string& text) {
  if (!force && !DebugMode) return;
  OutputDebugString(ExtractFileName(platform::systemInfo().executablePath()) + " : " + text);
}

void OutputDebugString(const std::string& text) { platform::debugOutput().write(text); }

}  // namespace tilvo
