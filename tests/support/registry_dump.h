#pragma once
// Every value of the registry store as text lines, to compare a whole store with what a test expects.
#include <set>
#include <string>

namespace tilvo::testing {

// One line per value: root, key path as stored (a 32-bit view's redirection shows), value name, type and
// data, e.g. `HKLM\SOFTWARE\WOW6432Node\Tilvo : Path = REG_EXPAND_SZ "C:\Tilvo\Tilvo.exe"`.
std::set<std::string> dumpRegistryValues();
// Every key that exists, one per line, e.g. `HKLM\SOFTWARE\WOW6432Node\Tilvo`.
std::set<std::string> dumpRegistryKeys();

}  // namespace tilvo::testing
