#pragma once
// Where each entry's bytes lie in a zip archive, read from its central directory. libzip does not check
// that entries occupy separate parts of the file; an archive whose entries share compressed data inflates
// far beyond its size (a decompression bomb), so the layout is checked before anything is unpacked.
#include <cstdint>
#include <functional>
#include <string>

namespace tilvo::platform::linux_host {

// Reads `size` bytes at `offset` into `out`; false when the range is not all there.
using ZipByteReader = std::function<bool(uint64_t offset, size_t size, unsigned char* out)>;

struct ZipLayoutCheck {
  bool ok = false;
  uint64_t entryCount = 0;
  std::string problem;  // why the layout is refused
};

// Walks the central directory of an archive of `archiveSize` bytes and checks that every entry's local
// header and data lie before the central directory and overlap no other entry's.
ZipLayoutCheck CheckZipLayout(const ZipByteReader& read, uint64_t archiveSize);

}  // namespace tilvo::platform::linux_host
