#include "support/pe_builder.h"

#include <cstdint>

namespace tilvo::testing {
namespace {

void put16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, size_t at, uint32_t v) {
  put16(s, at, v & 0xFFFF);
  put16(s, at + 2, v >> 16);
}

// A resource directory at `at` with one ID entry.
void directory(std::string& s, size_t at, uint32_t id, uint32_t target) {
  put16(s, at + 14, 1);
  put32(s, at + 16, id);
  put32(s, at + 20, target);
}

}  // namespace

std::string BuildPe(bool pe32Plus, std::optional<std::array<uint16_t, 4>> version) {
  constexpr size_t kPe = 0x40, kRaw = 0x200;
  constexpr uint32_t kRva = 0x1000;
  std::string s(kRaw + 0x200, '\0');
  s[0] = 'M';
  s[1] = 'Z';
  put32(s, 0x3C, kPe);
  s.replace(kPe, 4, std::string("PE\0\0", 4));
  const size_t coff = kPe + 4;
  const uint32_t optionalSize = pe32Plus ? 240 : 224;
  put16(s, coff, pe32Plus ? 0x8664 : 0x14C);
  put16(s, coff + 2, 1);
  put16(s, coff + 16, optionalSize);
  const size_t optional = coff + 20;
  put16(s, optional, pe32Plus ? 0x20B : 0x10B);
  const size_t directories = optional + (pe32Plus ? 112 : 96);
  put32(s, directories - 4, 16);
  put32(s, directories + 16, kRva);  // the resource directory
  put32(s, directories + 20, 0x200);
  const size_t section = optional + optionalSize;
  s.replace(section, 5, ".rsrc");
  put32(s, section + 8, 0x200);
  put32(s, section + 12, kRva);
  put32(s, section + 16, 0x200);
  put32(s, section + 20, kRaw);

  directory(s, kRaw, version ? 16 : 3, 0x80000000u | 0x18);
  directory(s, kRaw + 0x18, 1, 0x80000000u | 0x30);
  directory(s, kRaw + 0x30, 1033, 0x48);
  const size_t block = kRaw + 0x58;
  put32(s, kRaw + 0x48, kRva + 0x58);
  put32(s, kRaw + 0x4C, 92);
  put16(s, block, 92);
  put16(s, block + 2, 52);
  const std::string key = "VS_VERSION_INFO";
  for (size_t i = 0; i < key.size(); ++i) put16(s, block + 6 + 2 * i, static_cast<unsigned char>(key[i]));
  if (version) {
    const auto& v = *version;
    put32(s, block + 40, 0xFEEF04BD);
    put32(s, block + 48, (static_cast<uint32_t>(v[0]) << 16) | v[1]);
    put32(s, block + 52, (static_cast<uint32_t>(v[2]) << 16) | v[3]);
  }
  return s;
}

}  // namespace tilvo::testing
