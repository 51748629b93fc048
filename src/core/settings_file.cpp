#include "core/settings_file.h"

#include <climits>
#include <stdexcept>

#include "core/installer_state.h"
#include "core/text.h"
#include "platform/platform.h"

namespace tilvo {
namespace {

constexpr const char* kSection = "setup";

// Integers are 32-bit: anything outside that range is no integer, as for the runtime's conversion.
bool tryStrToInt32(const std::string& text, long long& value) {
  long long v = 0;
  if (!TryStrToInt64(text, v)) return false;
  if (v < INT_MIN || v > static_cast<long long>(UINT_MAX)) return false;
  value = v;
  return true;
}

}  // namespace

long long SetupTextToInt(const std::string& text) {
  long long value = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return tryStrToInt32("$" + text.substr(2), value) ? value : 0;
  }
  return tryStrToInt32(text, value) ? value : 0;
}

bool ReadSetupBool(const std::string& key) {
  const std::string text = platform::profile().readString(AppDir + "setup.ini", kSection, key, "");
  return SetupTextToInt(text) != 0;
}

void WriteSetupValue(const std::string& key, const std::string& value) {
  const std::string file = InstallPath + "setup.ini";
  const platform::Status status = platform::profile().writeString(file, kSection, key, value);
  if (!status) throw std::runtime_error("Cannot write to " + file + ": " + status.message);
}

}  // namespace tilvo
