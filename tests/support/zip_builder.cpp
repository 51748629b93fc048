#include "support/zip_builder.h"

#include <zip.h>

#include <cstring>
#include <stdexcept>

namespace tilvo::testing {
namespace {

uint16_t le16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8));
}
uint32_t le32(const std::string& s, size_t at) { return le16(s, at) | (static_cast<uint32_t>(le16(s, at + 2)) << 16); }
void put16(std::string& s, size_t at, uint16_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>(v >> 8);
}
void put32(std::string& s, size_t at, uint32_t v) {
  put16(s, at, static_cast<uint16_t>(v & 0xFFFF));
  put16(s, at + 2, static_cast<uint16_t>(v >> 16));
}

size_t endRecord(const std::string& zip) {
  const size_t at = zip.rfind(std::string("PK\x05\x06", 4));
  if (at == std::string::npos) throw std::runtime_error("no end record");
  return at;
}

}  // namespace

std::string BuildZip(const std::vector<ZipEntrySpec>& entries) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, &error);
  if (!archive) throw std::runtime_error("cannot create an archive");
  zip_source_keep(target);
  for (const auto& e : entries) {
    zip_source_t* data = zip_source_buffer(archive, e.data.data(), e.data.size(), 0);
    const zip_int64_t index = zip_file_add(archive, e.name.c_str(), data, ZIP_FL_ENC_UTF_8);
    if (index < 0) throw std::runtime_error("cannot add " + e.name);
    const auto i = static_cast<zip_uint64_t>(index);
    zip_set_file_compression(archive, i, e.deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    if (e.unixMode != 0) zip_file_set_external_attributes(archive, i, 0, ZIP_OPSYS_UNIX, e.unixMode << 16);
  }
  if (zip_close(archive) != 0) throw std::runtime_error("cannot write the archive");
  zip_stat_t st;
  zip_source_stat(target, &st);
  std::string bytes(st.size, '\0');
  zip_source_open(target);
  zip_source_read(target, bytes.data(), bytes.size());
  zip_source_close(target);
  zip_source_free(target);
  return bytes;
}

std::string WithOverlappingEntry(const std::string& zip) {
  const size_t end = endRecord(zip);
  const size_t central = le32(zip, end + 16);
  std::string record = zip.substr(central, end - central);
  const size_t nameLength = le16(record, 28);
  record[46 + nameLength - 1] ^= 0x01;  // another name, the same data
  std::string out = zip.substr(0, end) + record + zip.substr(end);
  const size_t newEnd = end + record.size();
  put16(out, newEnd + 8, static_cast<uint16_t>(le16(out, newEnd + 8) + 1));
  put16(out, newEnd + 10, static_cast<uint16_t>(le16(out, newEnd + 10) + 1));
  put32(out, newEnd + 12, le32(out, newEnd + 12) + static_cast<uint32_t>(record.size()));
  return out;
}

size_t FirstEntryDataOffset(const std::string& zip) { return 30 + le16(zip, 26) + le16(zip, 28); }

std::string WithDeclaredSize(const std::string& zip, uint32_t size) {
  std::string out = zip;
  put32(out, 22, size);
  put32(out, le32(out, endRecord(out) + 16) + 24, size);
  return out;
}

}  // namespace tilvo::testing
