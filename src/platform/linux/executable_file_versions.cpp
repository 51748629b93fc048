#include "platform/linux/executable_file_versions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/linux/posix_handles.h"
#include "platform/version_section.h"

namespace tilvo::platform::linux_host {
namespace {

// The system's error numbers and texts for what can go wrong, so that log lines read as they do there.
constexpr int kFileNotFound = 2;
constexpr int kNoResourceSection = 1812;
constexpr int kNoResourceType = 1813;
constexpr int kNoResourceName = 1814;
constexpr uint32_t kVersionResourceType = 16;
constexpr uint32_t kVersionResourceId = 1;

Status fail(int code) {
  switch (code) {
    case kFileNotFound:
      return Status::failure(code, "The system cannot find the file specified");
    case kNoResourceSection:
      return Status::failure(code, "The specified image file did not contain a resource section");
    case kNoResourceType:
      return Status::failure(code, "The specified resource type cannot be found in the image file");
    default:
      return Status::failure(code, "The specified resource name cannot be found in the image file");
  }
}

// Bounds-checked little-endian reads of a file.
class FileBytes {
 public:
  explicit FileBytes(int fd) : fd_(fd) {
    struct stat st{};
    size_ = ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  }
  bool read(uint64_t offset, void* out, size_t n) const {
    if (offset > size_ || n > size_ - offset) return false;
    return ::pread(fd_, out, n, static_cast<off_t>(offset)) == static_cast<ssize_t>(n);
  }
  bool u16(uint64_t offset, uint32_t& v) const {
    unsigned char b[2];
    if (!read(offset, b, 2)) return false;
    v = b[0] | (b[1] << 8);
    return true;
  }
  bool u32(uint64_t offset, uint32_t& v) const {
    unsigned char b[4];
    if (!read(offset, b, 4)) return false;
    v = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
        (static_cast<uint32_t>(b[3]) << 24);
    return true;
  }
  bool u64(uint64_t offset, uint64_t& v) const {
    uint32_t lo = 0, hi = 0;
    if (!u32(offset, lo) || !u32(offset + 4, hi)) return false;
    v = lo | (static_cast<uint64_t>(hi) << 32);
    return true;
  }

 private:
  int fd_;
  uint64_t size_ = 0;
};

// VS_FIXEDFILEINFO at `offset`: the signature, then the file version in words 2 and 3.
bool readFixedInfo(const FileBytes& f, uint64_t offset, FixedFileVersion& version) {
  uint32_t signature = 0;
  return f.u32(offset, signature) && signature == TILVO_FIXED_FILE_INFO_SIGNATURE && f.u32(offset + 8, version.fileVersionMS) &&
         f.u32(offset + 12, version.fileVersionLS);
}

// ---- Windows programs: the version resource (type 16, ID 1, the first language) -------------------------

struct Section {
  uint32_t virtualAddress, virtualSize, rawSize, rawOffset;
};

class PeImage {
 public:
  explicit PeImage(const FileBytes& f) : f_(f) {}

  Status readVersion(FixedFileVersion& version) {
    uint32_t resourceRva = 0;
    if (!readHeaders(resourceRva)) return fail(kNoResourceSection);
    uint64_t root = 0;
    if (resourceRva == 0 || !rvaToOffset(resourceRva, root)) return fail(kNoResourceSection);
    uint32_t typeEntry = 0, nameEntry = 0, languageEntry = 0;
    if (!findEntry(root, 0, kVersionResourceType, typeEntry) || !(typeEntry & 0x80000000u)) return fail(kNoResourceType);
    if (!findEntry(root, typeEntry & 0x7FFFFFFFu, kVersionResourceId, nameEntry) || !(nameEntry & 0x80000000u))
      return fail(kNoResourceName);
    if (!firstEntry(root, nameEntry & 0x7FFFFFFFu, languageEntry) || (languageEntry & 0x80000000u))
      return fail(kNoResourceName);
    uint32_t dataRva = 0, dataSize = 0;
    uint64_t data = 0;
    if (!f_.u32(root + languageEntry, dataRva) || !f_.u32(root + languageEntry + 4, dataSize) || !rvaToOffset(dataRva, data))
      return fail(kNoResourceName);
    // VS_VERSIONINFO: wLength, wValueLength, wType, the key "VS_VERSION_INFO" in UTF-16 with its zero, then the
    // value on a 32-bit boundary.
    uint32_t valueLength = 0;
    if (dataSize < 40 + 52 || !f_.u16(data + 2, valueLength) || valueLength < 52 || !readFixedInfo(f_, data + 40, version))
      return fail(kNoResourceName);
    return Status::success();
  }

 private:
  bool readHeaders(uint32_t& resourceRva) {
    uint32_t mz = 0, peOffset = 0, signature = 0, sectionCount = 0, optionalSize = 0, magic = 0;
    if (!f_.u16(0, mz) || mz != 0x5A4D || !f_.u32(0x3C, peOffset)) return false;
    if (!f_.u32(peOffset, signature) || signature != 0x00004550) return false;
    if (!f_.u16(peOffset + 6, sectionCount) || !f_.u16(peOffset + 20, optionalSize)) return false;
    const uint64_t optional = peOffset + 24;
    if (!f_.u16(optional, magic) || (magic != 0x10B && magic != 0x20B)) return false;
    const uint64_t directories = optional + (magic == 0x10B ? 96 : 112);
    uint32_t directoryCount = 0;
    if (!f_.u32(directories - 4, directoryCount) || directoryCount < 3) return false;
    if (!f_.u32(directories + 2 * 8, resourceRva)) return false;
    const uint64_t table = optional + optionalSize;
    for (uint32_t i = 0; i < sectionCount; ++i) {
      Section s{};
      const uint64_t at = table + 40ull * i;
      if (!f_.u32(at + 8, s.virtualSize) || !f_.u32(at + 12, s.virtualAddress) || !f_.u32(at + 16, s.rawSize) ||
          !f_.u32(at + 20, s.rawOffset))
        return false;
      sections_.push_back(s);
    }
    return true;
  }

  bool rvaToOffset(uint32_t rva, uint64_t& offset) const {
    for (const auto& s : sections_) {
      const uint64_t extent = std::max(s.virtualSize, s.rawSize);
      if (rva >= s.virtualAddress && rva < s.virtualAddress + extent) {
        offset = static_cast<uint64_t>(s.rawOffset) + (rva - s.virtualAddress);
        return true;
      }
    }
    return false;
  }

  // Entry of the directory at root + `directory` with the numeric ID `id`: its OffsetToData word.
  bool findEntry(uint64_t root, uint32_t directory, uint32_t id, uint32_t& target) const {
    uint32_t named = 0, ids = 0;
    if (!f_.u16(root + directory + 12, named) || !f_.u16(root + directory + 14, ids)) return false;
    for (uint32_t i = 0; i < named + ids; ++i) {
      const uint64_t entry = root + directory + 16 + 8ull * i;
      uint32_t name = 0;
      if (!f_.u32(entry, name)) return false;
      if (!(name & 0x80000000u) && name == id) return f_.u32(entry + 4, target);
    }
    return false;
  }

  bool firstEntry(uint64_t root, uint32_t directory, uint32_t& target) const {
    uint32_t named = 0, ids = 0;
    if (!f_.u16(root + directory + 12, named) || !f_.u16(root + directory + 14, ids) || named + ids == 0) return false;
    return f_.u32(root + directory + 16 + 4, target);
  }

  const FileBytes& f_;
  std::vector<Section> sections_;
};

// ---- Native programs: our ELF section -------------------------------------------------------------------

Status readElfVersion(const FileBytes& f, FixedFileVersion& version) {
  unsigned char ident[6];
  if (!f.read(0, ident, sizeof ident) || ident[5] != 1) return fail(kNoResourceSection);
  const bool is64 = ident[4] == 2;
  uint64_t headers = 0;
  uint32_t entrySize = 0, count = 0, namesIndex = 0;
  if (is64) {
    if (!f.u64(0x28, headers) || !f.u16(0x3A, entrySize) || !f.u16(0x3C, count) || !f.u16(0x3E, namesIndex))
      return fail(kNoResourceSection);
  } else {
    uint32_t h = 0;
    if (!f.u32(0x20, h) || !f.u16(0x2E, entrySize) || !f.u16(0x30, count) || !f.u16(0x32, namesIndex))
      return fail(kNoResourceSection);
    headers = h;
  }
  auto sectionOffset = [&](uint32_t index, uint64_t& offset, uint64_t& size) {
    const uint64_t at = headers + static_cast<uint64_t>(entrySize) * index;
    if (is64) return f.u64(at + 0x18, offset) && f.u64(at + 0x20, size);
    uint32_t o = 0, s = 0;
    if (!f.u32(at + 0x10, o) || !f.u32(at + 0x14, s)) return false;
    offset = o;
    size = s;
    return true;
  };
  uint64_t names = 0, namesSize = 0;
  if (namesIndex >= count || !sectionOffset(namesIndex, names, namesSize)) return fail(kNoResourceSection);
  const std::string wanted = TILVO_VERSION_SECTION;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t nameOffset = 0;
    if (!f.u32(headers + static_cast<uint64_t>(entrySize) * i, nameOffset) || nameOffset >= namesSize) continue;
    std::string name(wanted.size() + 1, '\0');
    if (!f.read(names + nameOffset, name.data(), std::min<uint64_t>(name.size(), namesSize - nameOffset))) continue;
    if (std::strcmp(name.c_str(), wanted.c_str()) != 0) continue;
    uint64_t offset = 0, size = 0;
    if (!sectionOffset(i, offset, size) || size < sizeof(TilvoFixedFileInfo) || !readFixedInfo(f, offset, version))
      return fail(kNoResourceName);
    return Status::success();
  }
  return fail(kNoResourceType);
}

class ExecutableFileVersions final : public FileVersions {
 public:
  explicit ExecutableFileVersions(VirtualDrives drives) : drives_(std::move(drives)) {}

  Status read(const std::string& path, FixedFileVersion& version) override {
    const std::string host = drives_.toHost(path);
    FileDescriptor fd(host.empty() ? -1 : ::open(host.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return errno == ENOENT || host.empty() ? fail(kFileNotFound) : Status::failure(errno, std::strerror(errno));
    const FileBytes bytes(fd.get());
    unsigned char magic[4] = {};
    bytes.read(0, magic, sizeof magic);
    if (std::memcmp(magic, "\x7F" "ELF", 4) == 0) return readElfVersion(bytes, version);
    PeImage image(bytes);
    return image.readVersion(version);
  }

 private:
  const VirtualDrives drives_;
};

}  // namespace

std::unique_ptr<FileVersions> createExecutableFileVersions(VirtualDrives drives) {
  return std::make_unique<ExecutableFileVersions>(std::move(drives));
}

}  // namespace tilvo::platform::linux_host
