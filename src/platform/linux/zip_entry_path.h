#pragma once
// The place an archive entry's name asks for, below the folder it is unpacked into.
#include <string>
#include <vector>

namespace tilvo::platform::linux_host {

struct ZipEntryPath {
  std::vector<std::string> folders;  // sub-folders to walk or create, outermost first
  std::string file;                  // empty for a folder entry
  std::string refusal;               // set when the name would leave the target folder
};

// Both "/" and "\" separate components; empty and "." components are dropped. Refused: a ".." component,
// a name that starts with a separator, and a name with a ":" (a drive letter, or a stream on Windows).
ZipEntryPath ParseZipEntryName(const std::string& name);

}  // namespace tilvo::platform::linux_host
