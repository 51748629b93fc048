#include "platform/linux/shell_link_file.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace tilvo::platform::linux_host {
namespace {

// Link flags, file attributes and the drive type used here.
constexpr uint32_t kHasLinkInfo = 0x00000002;
constexpr uint32_t kHasWorkingDir = 0x00000010;
constexpr uint32_t kIsUnicode = 0x00000080;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x00000001;
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kShowNormal = 1;
constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint32_t kFileAttributeArchive = 0x20;
constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint32_t kLinkInfoHeaderSize = 0x24;  // with the offsets of the Unicode paths
constexpr uint64_t kFileTimeUnixEpoch = 116444736000000000ULL;  // 1970-01-01 in 100 ns since 1601

class Bytes {
 public:
  void u16(uint16_t v) {
    for (int i = 0; i < 2; ++i) data_ += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) data_ += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  void u64(uint64_t v) {
    for (int i = 0; i < 8; ++i) data_ += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  void raw(const std::string& bytes) { data_ += bytes; }
  size_t size() const { return data_.size(); }
  const std::string& str() const { return data_; }

 private:
  std::string data_;
};

std::u16string utf16(const std::string& utf8) {
  glong written = 0;
  std::unique_ptr<gunichar2, decltype(&g_free)> converted(
      g_utf8_to_utf16(utf8.c_str(), static_cast<glong>(utf8.size()), nullptr, &written, nullptr), g_free);
  if (!converted) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(converted.get()), static_cast<size_t>(written));
}

std::string utf16Bytes(const std::u16string& s) {
  Bytes b;
  for (char16_t c : s) b.u16(static_cast<uint16_t>(c));
  return b.str();
}

// The ANSI form of a path: readers prefer the Unicode form, so characters outside ASCII only need a
// stand-in here, as the system writes for characters its code page lacks.
std::string ansi(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

bool hasDriveLetter(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\';
}

std::string linkInfo(const std::u16string& target, uint32_t serialNumber) {
  Bytes volume;
  volume.u32(0x11);  // VolumeIDSize: the fixed part and an empty label
  volume.u32(kDriveFixed);
  volume.u32(serialNumber);
  volume.u32(0x10);  // VolumeLabelOffset
  volume.raw(std::string(1, '\0'));

  const std::string basePath = ansi(target) + '\0';
  const std::string suffix(1, '\0');
  const std::string basePathUnicode = utf16Bytes(target) + std::string(2, '\0');
  const std::string suffixUnicode(2, '\0');

  const uint32_t volumeOffset = kLinkInfoHeaderSize;
  const uint32_t basePathOffset = volumeOffset + static_cast<uint32_t>(volume.size());
  const uint32_t suffixOffset = basePathOffset + static_cast<uint32_t>(basePath.size());
  const uint32_t basePathUnicodeOffset = suffixOffset + static_cast<uint32_t>(suffix.size());
  const uint32_t suffixUnicodeOffset = basePathUnicodeOffset + static_cast<uint32_t>(basePathUnicode.size());
  const uint32_t total = suffixUnicodeOffset + static_cast<uint32_t>(suffixUnicode.size());

  Bytes info;
  info.u32(total);
  info.u32(kLinkInfoHeaderSize);
  info.u32(kVolumeIdAndLocalBasePath);
  info.u32(volumeOffset);
  info.u32(basePathOffset);
  info.u32(0);  // no network location
  info.u32(suffixOffset);
  info.u32(basePathUnicodeOffset);
  info.u32(suffixUnicodeOffset);
  info.raw(volume.str());
  info.raw(basePath);
  info.raw(suffix);
  info.raw(basePathUnicode);
  info.raw(suffixUnicode);
  return info.str();
}

uint64_t fileTime(const timespec& t) {
  return kFileTimeUnixEpoch + static_cast<uint64_t>(t.tv_sec) * 10000000ULL + static_cast<uint64_t>(t.tv_nsec) / 100;
}

LinkTargetFacts factsOf(const std::string& hostTarget, const std::string& hostDriveRoot) {
  LinkTargetFacts facts;
  struct statvfs vfs{};
  if (::statvfs(hostDriveRoot.c_str(), &vfs) == 0) facts.driveSerialNumber = static_cast<uint32_t>(vfs.f_fsid);
  struct stat st{};
  if (hostTarget.empty() || ::stat(hostTarget.c_str(), &st) != 0) return facts;
  facts.attributes = S_ISDIR(st.st_mode) ? kFileAttributeDirectory : kFileAttributeArchive;
  // Linux keeps no creation time; the last status change is the closest it has.
  facts.creationTime = fileTime(st.st_ctim);
  facts.accessTime = fileTime(st.st_atim);
  facts.writeTime = fileTime(st.st_mtim);
  facts.fileSize = S_ISDIR(st.st_mode) ? 0 : static_cast<uint32_t>(st.st_size);
  return facts;
}

Status writeAtomically(const std::string& hostPath, const std::string& bytes) {
  const std::string temporary = hostPath + ".tmp-" + std::to_string(::getpid());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int err = errno;
    return Status::failure(err, "cannot create " + hostPath + ": " + std::strerror(err));
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = errno;
      ::close(fd);
      ::unlink(temporary.c_str());
      return Status::failure(err, "cannot write " + hostPath + ": " + std::strerror(err));
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0 || ::rename(temporary.c_str(), hostPath.c_str()) != 0) {
    const int err = errno;
    ::unlink(temporary.c_str());
    return Status::failure(err, "cannot write " + hostPath + ": " + std::strerror(err));
  }
  return Status::success();
}

class ShellLinkWriter final : public ShellLinks {
 public:
  explicit ShellLinkWriter(VirtualDrives drives) : drives_(std::move(drives)) {}

  Status save(const std::string& linkPath, const ShellLink& link) override {
    if (!hasDriveLetter(link.target)) return Status::failure(EINVAL, "not a local path: " + link.target);
    const std::string hostLink = drives_.toHost(linkPath);
    if (hostLink.empty()) return Status::failure(ENOENT, "no such path: " + linkPath);
    const LinkTargetFacts facts = factsOf(drives_.toHost(link.target), drives_.toHost(link.target.substr(0, 3)));
    return writeAtomically(hostLink, encodeShellLink(link, facts));
  }

 private:
  const VirtualDrives drives_;
};

}  // namespace

std::string encodeShellLink(const ShellLink& link, const LinkTargetFacts& facts) {
  if (!hasDriveLetter(link.target)) return {};
  const std::u16string workingDirectory = utf16(link.workingDirectory);
  uint32_t flags = kHasLinkInfo | kIsUnicode;
  if (!workingDirectory.empty()) flags |= kHasWorkingDir;

  Bytes out;
  out.u32(kHeaderSize);
  // LinkCLSID 00021401-0000-0000-C000-000000000046
  out.raw(std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16));
  out.u32(flags);
  out.u32(facts.attributes);
  out.u64(facts.creationTime);
  out.u64(facts.accessTime);
  out.u64(facts.writeTime);
  out.u32(facts.fileSize);
  out.u32(0);  // icon index
  out.u32(kShowNormal);
  out.u16(0);  // no hot key
  out.u16(0);
  out.u32(0);
  out.u32(0);
  // Without an item ID list (an undocumented shell format) the shell resolves the link by its LinkInfo.
  out.raw(linkInfo(utf16(link.target), facts.driveSerialNumber));
  if (!workingDirectory.empty()) {
    out.u16(static_cast<uint16_t>(workingDirectory.size()));
    out.raw(utf16Bytes(workingDirectory));
  }
  out.u32(0);  // terminal block of the extra data
  return out.str();
}

std::unique_ptr<ShellLinks> createShellLinkWriter(VirtualDrives drives) {
  return std::make_unique<ShellLinkWriter>(std::move(drives));
}

}  // namespace tilvo::platform::linux_host
