#pragma once
// Small archives made for a test: what a packer writes, and the damaged or hostile ones it never would.
#include <cstdint>
#include <string>
#include <vector>

namespace tilvo::testing {

struct ZipEntrySpec {
  std::string name;
  std::string data;
  bool deflate = true;
  uint32_t unixMode = 0;  // st_mode with the file type (S_IFLNK | 0777 for a link); 0 leaves the default
};

// The bytes of an archive holding `entries`, in this order.
std::string BuildZip(const std::vector<ZipEntrySpec>& entries);

// `zip` (one stored entry) with a second central-directory record pointing at the first entry's data: an
// archive whose entries overlap.
std::string WithOverlappingEntry(const std::string& zip);

// Offset of the first entry's data in an archive made by BuildZip.
size_t FirstEntryDataOffset(const std::string& zip);

// The first entry's declared uncompressed size set to `size`, in its local and its central header.
std::string WithDeclaredSize(const std::string& zip, uint32_t size);

}  // namespace tilvo::testing
