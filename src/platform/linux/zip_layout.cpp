#include "platform/linux/zip_layout.h"

#include <algorithm>
#include <vector>

namespace tilvo::platform::linux_host {
namespace {

constexpr uint32_t kEndOfCentralDirectory = 0x06054b50;
constexpr uint32_t kZip64EndLocator = 0x07064b50;
constexpr uint32_t kZip64End = 0x06064b50;
constexpr uint32_t kCentralHeader = 0x02014b50;
constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kMaxCommentSize = 0xFFFF;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;

uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const unsigned char* p) { return static_cast<uint32_t>(le16(p)) | (static_cast<uint32_t>(le16(p + 2)) << 16); }
uint64_t le64(const unsigned char* p) { return static_cast<uint64_t>(le32(p)) | (static_cast<uint64_t>(le32(p + 4)) << 32); }

struct Directory {
  uint64_t entries = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
};

struct Span {
  uint64_t begin = 0;
  uint64_t end = 0;
};

ZipLayoutCheck refuse(std::string problem) { return {false, 0, std::move(problem)}; }

// The end record is the last one in the file; a comment of up to 64 KiB may follow it.
bool findEndRecord(const ZipByteReader& read, uint64_t size, uint64_t& position, unsigned char* record) {
  if (size < kEndRecordSize) return false;
  const uint64_t tail = std::min<uint64_t>(size, kEndRecordSize + kMaxCommentSize);
  std::vector<unsigned char> buffer(tail);
  if (!read(size - tail, tail, buffer.data())) return false;
  for (uint64_t i = tail - kEndRecordSize + 1; i-- > 0;) {
    if (le32(&buffer[i]) != kEndOfCentralDirectory) continue;
    position = size - tail + i;
    std::copy_n(&buffer[i], kEndRecordSize, record);
    return true;
  }
  return false;
}

bool readZip64Directory(const ZipByteReader& read, uint64_t endPosition, Directory& dir) {
  if (endPosition < 20) return false;
  unsigned char locator[20];
  if (!read(endPosition - 20, sizeof locator, locator) || le32(locator) != kZip64EndLocator) return false;
  unsigned char record[56];
  if (!read(le64(locator + 8), sizeof record, record) || le32(record) != kZip64End) return false;
  dir.entries = le64(record + 32);
  dir.size = le64(record + 40);
  dir.offset = le64(record + 48);
  return true;
}

bool readDirectory(const ZipByteReader& read, uint64_t size, Directory& dir) {
  uint64_t endPosition = 0;
  unsigned char record[kEndRecordSize];
  if (!findEndRecord(read, size, endPosition, record)) return false;
  dir.entries = le16(record + 10);
  dir.size = le32(record + 12);
  dir.offset = le32(record + 16);
  if (dir.entries == 0xFFFF || dir.size == 0xFFFFFFFF || dir.offset == 0xFFFFFFFF)
    return readZip64Directory(read, endPosition, dir);
  return true;
}

// The sizes and the offset that do not fit 32 bits are in the zip64 extra field, in this order.
bool applyZip64Extra(const unsigned char* extra, size_t length, uint64_t& uncompressed, uint64_t& compressed,
                     uint64_t& offset) {
  size_t pos = 0;
  while (pos + 4 <= length) {
    const uint16_t id = le16(extra + pos);
    const uint16_t size = le16(extra + pos + 2);
    if (pos + 4 + size > length) return false;
    if (id == 0x0001) {
      const unsigned char* field = extra + pos + 4;
      size_t used = 0;
      for (uint64_t* value : {&uncompressed, &compressed, &offset}) {
        if (*value != 0xFFFFFFFF) continue;
        if (used + 8 > size) return false;
        *value = le64(field + used);
        used += 8;
      }
      return true;
    }
    pos += 4 + size;
  }
  return uncompressed != 0xFFFFFFFF && compressed != 0xFFFFFFFF && offset != 0xFFFFFFFF;
}

bool entrySpan(const ZipByteReader& read, const unsigned char* header, const unsigned char* extra, Span& span) {
  uint64_t compressed = le32(header + 20);
  uint64_t uncompressed = le32(header + 24);
  uint64_t offset = le32(header + 42);
  if (!applyZip64Extra(extra, le16(header + 30), uncompressed, compressed, offset)) return false;
  unsigned char local[kLocalHeaderSize];
  if (!read(offset, sizeof local, local) || le32(local) != kLocalHeader) return false;
  span.begin = offset;
  span.end = offset + kLocalHeaderSize + le16(local + 26) + le16(local + 28) + compressed;
  return span.end >= span.begin;
}

}  // namespace

ZipLayoutCheck CheckZipLayout(const ZipByteReader& read, uint64_t archiveSize) {
  Directory dir;
  if (!readDirectory(read, archiveSize, dir)) return refuse("no central directory");
  if (dir.offset > archiveSize || dir.size > archiveSize - dir.offset) return refuse("central directory out of range");
  // Every header takes at least 46 bytes: a count beyond that is a lie, whatever memory it would ask for.
  if (dir.entries > dir.size / kCentralHeaderSize) return refuse("entry count beyond the central directory");

  std::vector<unsigned char> central(dir.size);
  if (!read(dir.offset, central.size(), central.data())) return refuse("central directory unreadable");
  std::vector<Span> spans;
  spans.reserve(dir.entries);
  size_t pos = 0;
  for (uint64_t i = 0; i < dir.entries; ++i) {
    if (pos + kCentralHeaderSize > central.size() || le32(&central[pos]) != kCentralHeader)
      return refuse("damaged central directory");
    const unsigned char* header = &central[pos];
    const size_t nameLength = le16(header + 28);
    const size_t extraLength = le16(header + 30);
    const size_t next = pos + kCentralHeaderSize + nameLength + extraLength + le16(header + 32);
    if (next > central.size()) return refuse("damaged central directory");
    Span span;
    if (!entrySpan(read, header, header + kCentralHeaderSize + nameLength, span))
      return refuse("damaged entry header at index " + std::to_string(i));
    if (span.end > dir.offset) return refuse("entry data runs into the central directory");
    spans.push_back(span);
    pos = next;
  }

  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
  for (size_t i = 1; i < spans.size(); ++i)
    if (spans[i].begin < spans[i - 1].end) return refuse("entries overlap (a decompression bomb)");
  return {true, dir.entries, {}};
}

}  // namespace tilvo::platform::linux_host
