#pragma once
// Settings (INI) files with the behaviour of the system's private-profile functions: one key per call,
// no caching, section and key names without regard to letter case, every other line kept as it is.
#include <string>

#include "platform/status.h"

namespace tilvo::platform {

class ProfileFile {
 public:
  virtual ~ProfileFile() = default;
  // `fallback` when the file, the section or the key is missing.
  virtual std::string readString(const std::string& file, const std::string& section, const std::string& key,
                                 const std::string& fallback) = 0;
  // Creates the file, the section and the key as needed. Fails when the file's folder does not exist.
  // The file is replaced atomically, so a killed process never leaves half a file.
  virtual Status writeString(const std::string& file, const std::string& section, const std::string& key,
                             const std::string& value) = 0;
};

}  // namespace tilvo::platform
