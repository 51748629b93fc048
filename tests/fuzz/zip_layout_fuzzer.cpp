// Fuzz target: the central-directory walk and the entry-name rules see bytes straight from the network.
// Build with clang: cmake -DTILVO_BUILD_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
#include <cstring>
#include <string>

#include "platform/linux/zip_entry_path.h"
#include "platform/linux/zip_layout.h"

using tilvo::platform::linux_host::CheckZipLayout;
using tilvo::platform::linux_host::ParseZipEntryName;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto read = [&](uint64_t offset, size_t n, unsigned char* out) {
    if (offset > size || n > size - offset) return false;
    std::memcpy(out, data + offset, n);
    return true;
  };
  CheckZipLayout(read, size);
  const auto path = ParseZipEntryName(std::string(reinterpret_cast<const char*>(data), size));
  for (const auto& folder : path.folders)
    if (folder == ".." || folder.empty()) __builtin_trap();
  return 0;
}
