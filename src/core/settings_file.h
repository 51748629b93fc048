#pragma once
// setup.ini: section "setup", one key per call, never cached.
#include <string>

namespace tilvo {

// Value of `key` in AppDir + "setup.ini" read as an integer; true when non-zero. False when absent.
bool ReadSetupBool(const std::string& key);

// Stores `value` under `key` in InstallPath + "setup.ini", creating the file when missing.
// Throws std::runtime_error naming the file when the system refuses (the install folder is missing).
void WriteSetupValue(const std::string& key, const std::string& value);

// The number ReadSetupBool takes from the text (0 for text that is no integer).
long long SetupTextToInt(const std::string& text);

}  // namespace tilvo
