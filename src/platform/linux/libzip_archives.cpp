#include "platform/linux/libzip_archives.h"

#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/linux/posix_handles.h"
#include "platform/linux/temporary_file.h"
#include "platform/linux/zip_entry_path.h"
#include "platform/linux/zip_layout.h"

namespace tilvo::platform::linux_host {
namespace {

constexpr size_t kCopyBufferSize = 256 * 1024;

struct ZipCloser {
  void operator()(zip_t* z) const {
    if (z) zip_discard(z);  // read-only: nothing to write back
  }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

struct ZipFileCloser {
  void operator()(zip_file_t* f) const {
    if (f) zip_fclose(f);
  }
};
using ZipFileHandle = std::unique_ptr<zip_file_t, ZipFileCloser>;

std::string zipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

std::string errnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

ZipExtractResult failed(std::string message) { return {ZipExtractResult::Kind::Failed, std::move(message)}; }

std::string caseFold(const std::string& s) {
  std::unique_ptr<gchar, decltype(&g_free)> folded(g_utf8_casefold(s.c_str(), static_cast<gssize>(s.size())), g_free);
  return folded ? std::string(folded.get()) : s;
}

// The name of the entry of folder `dir` that matches `name` without regard to case; `name` itself when
// it exists as written or nothing matches.
std::string matchIgnoringCase(int dir, const std::string& name) {
  struct stat st{};
  if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return name;
  const int copy = ::dup(dir);
  if (copy < 0) return name;
  DirHandle listing(::fdopendir(copy));
  if (!listing) {
    ::close(copy);
    return name;
  }
  ::rewinddir(listing.get());
  const std::string wanted = caseFold(name);
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string candidate = entry->d_name;
    if (candidate != "." && candidate != ".." && caseFold(candidate) == wanted) return candidate;
  }
  return name;
}

// Opens (creating when missing) the sub-folder `name` of `dir`; a symbolic link is not followed.
FileDescriptor openSubFolder(int dir, const std::string& name, std::string& error) {
  const std::string actual = matchIgnoringCase(dir, name);
  if (::mkdirat(dir, actual.c_str(), 0777) != 0 && errno != EEXIST) {
    error = errnoText("cannot create folder " + actual);
    return {};
  }
  FileDescriptor sub(::openat(dir, actual.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!sub) error = errnoText("cannot open folder " + actual);
  return sub;
}

class LibzipReader final : public ZipReader {
 public:
  LibzipReader(ZipHandle archive, VirtualDrives drives) : archive_(std::move(archive)), drives_(std::move(drives)) {}

  int entryCount() const override {
    const zip_int64_t n = zip_get_num_entries(archive_.get(), 0);
    return n < 0 ? 0 : static_cast<int>(n);
  }

  std::string entryName(int index) const override {
    const char* name = zip_get_name(archive_.get(), static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS);
    return name ? name : std::string();
  }

  ZipExtractResult extract(int index, const std::string& folder) override {
    if (index < 0 || index >= entryCount()) return failed("no entry " + std::to_string(index));
    const std::string name = entryName(index);
    const ZipEntryPath target = ParseZipEntryName(name);
    if (!target.refusal.empty()) return {ZipExtractResult::Kind::Refused, name + ": " + target.refusal};

    const std::string host = drives_.toHost(folder);
    if (host.empty()) return failed("no such folder: " + folder);
    std::error_code ec;
    std::filesystem::create_directories(host, ec);
    FileDescriptor dir(::open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) return failed(errnoText("cannot open folder " + folder));
    for (const auto& part : target.folders) {
      std::string error;
      FileDescriptor sub = openSubFolder(dir.get(), part, error);
      if (!sub) return failed(name + ": " + error);
      dir = std::move(sub);
    }
    if (target.file.empty()) return {};
    return writeEntry(index, name, dir.get(), matchIgnoringCase(dir.get(), target.file));
  }

 private:
  ZipExtractResult writeEntry(int index, const std::string& name, int dir, const std::string& fileName) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive_.get(), static_cast<zip_uint64_t>(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
      return failed(name + ": " + zip_strerror(archive_.get()));
    ZipFileHandle in(zip_fopen_index(archive_.get(), static_cast<zip_uint64_t>(index), 0));
    if (!in) return failed(name + ": " + zip_strerror(archive_.get()));

    TemporaryFile out(dir, fileName);
    if (!out.isOpen()) return failed(errnoText("cannot create " + fileName));

    std::vector<char> buffer(kCopyBufferSize);
    uint64_t written = 0;
    for (;;) {
      const zip_int64_t n = zip_fread(in.get(), buffer.data(), buffer.size());
      if (n < 0) return failed(name + ": " + zip_file_strerror(in.get()));
      if (n == 0) break;
      written += static_cast<uint64_t>(n);
      // Never more than the entry declares, whatever the compressed data inflates to.
      if (written > st.size) return failed(name + ": data larger than the entry declares");
      if (!out.write(buffer.data(), static_cast<size_t>(n))) return failed(errnoText("cannot write " + fileName));
    }
    if (written != st.size) return failed(name + ": data shorter than the entry declares");
    // The data passed its CRC check with the last read: only now does the file take its name.
    if (!out.commit()) return failed(errnoText("cannot write " + fileName));
    return {};
  }

  ZipHandle archive_;
  const VirtualDrives drives_;
};

ZipLayoutCheck checkFileLayout(const std::string& host) {
  FileDescriptor fd(::open(host.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st{};
  if (!fd || ::fstat(fd.get(), &st) != 0) return {false, 0, errnoText("cannot open " + host)};
  const int raw = fd.get();
  auto read = [raw](uint64_t offset, size_t size, unsigned char* out) {
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::pread(raw, out + done, size - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  };
  return CheckZipLayout(read, static_cast<uint64_t>(st.st_size));
}

ZipLayoutCheck checkMemoryLayout(std::string_view bytes) {
  auto read = [bytes](uint64_t offset, size_t size, unsigned char* out) {
    if (offset > bytes.size() || size > bytes.size() - offset) return false;
    std::memcpy(out, bytes.data() + offset, size);
    return true;
  };
  return CheckZipLayout(read, bytes.size());
}

std::unique_ptr<ZipReader> acceptLayout(ZipHandle archive, const ZipLayoutCheck& layout, const VirtualDrives& drives,
                                        Status& error) {
  if (!layout.ok) {
    error = Status::failure(EINVAL, "refused archive: " + layout.problem);
    return nullptr;
  }
  if (static_cast<uint64_t>(zip_get_num_entries(archive.get(), 0)) != layout.entryCount) {
    error = Status::failure(EINVAL, "refused archive: entry count differs from its central directory");
    return nullptr;
  }
  error = Status::success();
  return std::make_unique<LibzipReader>(std::move(archive), drives);
}

class LibzipArchives final : public ZipArchives {
 public:
  explicit LibzipArchives(VirtualDrives drives) : drives_(std::move(drives)) {}

  bool isValid(const std::string& path) override {
    const std::string host = drives_.toHost(path);
    if (host.empty()) return false;
    int code = 0;
    ZipHandle archive(zip_open(host.c_str(), ZIP_RDONLY, &code));
    return archive != nullptr;
  }

  std::unique_ptr<ZipReader> openFile(const std::string& path, Status& error) override {
    const std::string host = drives_.toHost(path);
    int code = ZIP_ER_NOENT;
    ZipHandle archive(host.empty() ? nullptr : zip_open(host.c_str(), ZIP_RDONLY, &code));
    if (!archive) {
      error = Status::failure(code, "cannot open archive " + path + ": " + zipErrorText(code));
      return nullptr;
    }
    return acceptLayout(std::move(archive), checkFileLayout(host), drives_, error);
  }

  std::unique_ptr<ZipReader> openMemory(std::string_view bytes, Status& error) override {
    zip_error_t sourceError;
    zip_error_init(&sourceError);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &sourceError);
    ZipHandle archive(source ? zip_open_from_source(source, ZIP_RDONLY, &sourceError) : nullptr);
    if (!archive) {
      if (source) zip_source_free(source);  // the archive did not take it over
      error = Status::failure(zip_error_code_zip(&sourceError), std::string("cannot open archive: ") +
                                                                    zip_error_strerror(&sourceError));
      zip_error_fini(&sourceError);
      return nullptr;
    }
    zip_error_fini(&sourceError);
    return acceptLayout(std::move(archive), checkMemoryLayout(bytes), drives_, error);
  }

 private:
  const VirtualDrives drives_;
};

}  // namespace

std::unique_ptr<ZipArchives> createLibzipArchives(VirtualDrives drives) {
  return std::make_unique<LibzipArchives>(std::move(drives));
}

}  // namespace tilvo::platform::linux_host
