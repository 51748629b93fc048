#pragma once
// The fixed file version that a program file carries.
#include <cstdint>
#include <string>

#include "platform/status.h"

namespace tilvo::platform {

struct FixedFileVersion {
  uint32_t fileVersionMS = 0;  // major << 16 | minor
  uint32_t fileVersionLS = 0;  // release << 16 | build
};

class FileVersions {
 public:
  virtual ~FileVersions() = default;
  // The version of the program file `path` (Windows path). A Windows program keeps it in its version
  // resource; a native program in a section of its own (see version_section.h). Fails with a message in the
  // system's words for a missing file, a file that is no program, and a program without a version.
  virtual Status read(const std::string& path, FixedFileVersion& version) = 0;
};

}  // namespace tilvo::platform
