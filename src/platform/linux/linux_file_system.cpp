#include "platform/linux/linux_file_system.h"
#include "platform/linux/posix_handles.h"

#include <acl/libacl.h>
#include <dirent.h>
#include <sys/acl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <type_traits>

namespace tilvo::platform::linux_host {
namespace {

Status errnoStatus(const std::string& what, const std::string& path) {
  const int err = errno;
  return Status::failure(err, what + " " + path + ": " + std::strerror(err));
}

// Deletes `path` and what is below it without following symbolic links.
Status removeTree(const std::string& path) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? Status::success() : errnoStatus("cannot read", path);
  if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0 ? Status::success() : errnoStatus("cannot delete", path);
  std::error_code ec;
  std::filesystem::remove_all(path, ec);  // remove_all does not follow links
  if (ec) return Status::failure(ec.value(), "cannot delete " + path + ": " + ec.message());
  return Status::success();
}

struct AclFree {
  void operator()(acl_t acl) const {
    if (acl) ::acl_free(acl);
  }
};
using AclHandle = std::unique_ptr<std::remove_pointer_t<acl_t>, AclFree>;

// rwx for owner, group and others on `folder` and, as its default ACL, on what is created inside it later.
// The mode given at creation still limits the inherited rights: files are created 0666, folders 0777.
Status grantEveryone(const std::string& folder) {
  if (::chmod(folder.c_str(), 0777) != 0) return errnoStatus("cannot set rights of", folder);
  AclHandle acl(::acl_from_text("u::rwx,g::rwx,o::rwx"));
  if (!acl) return errnoStatus("cannot build an access list for", folder);
  if (::acl_set_file(folder.c_str(), ACL_TYPE_DEFAULT, acl.get()) != 0) {
    // A file system without POSIX ACLs still has the mode set above.
    if (errno == ENOTSUP) return Status::success();
    return errnoStatus("cannot set the inherited rights of", folder);
  }
  return Status::success();
}

class LinuxFileSystem final : public FileSystem {
 public:
  explicit LinuxFileSystem(VirtualDrives drives) : drives_(std::move(drives)) {}

  bool fileExists(const std::string& path) override {
    struct stat st{};
    return ::stat(host(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }
  bool directoryExists(const std::string& path) override {
    struct stat st{};
    return ::stat(host(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }
  Status createDirectory(const std::string& path) override {
    const std::string h = host(path);
    if (h.empty()) return Status::failure(ENOENT, "no such path: " + path);
    if (::mkdir(h.c_str(), 0777) != 0) return errnoStatus("cannot create folder", path);
    return Status::success();
  }
  Status createDirectoryForEveryone(const std::string& path) override {
    if (Status created = createDirectory(path); !created) return created;
    return grantEveryone(host(path));
  }
  Status forceDirectories(const std::string& path) override {
    const std::string h = host(path);
    if (h.empty()) return Status::failure(ENOENT, "no such path: " + path);
    std::error_code ec;
    std::filesystem::create_directories(h, ec);
    if (ec) return Status::failure(ec.value(), "cannot create folder " + path + ": " + ec.message());
    return Status::success();
  }
  Status deleteFile(const std::string& path) override {
    const std::string h = host(path);
    struct stat st{};
    if (::lstat(h.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Status::failure(EISDIR, "is a folder: " + path);
    if (::unlink(h.c_str()) != 0) return errnoStatus("cannot delete", path);
    return Status::success();
  }
  Status removeDirectoryTree(const std::string& path) override {
    const std::string h = host(path);
    if (h.empty() || h == "/") return Status::failure(EPERM, "refusing to delete " + path);
    return removeTree(h);
  }
  std::vector<DirectoryEntry> listDirectory(const std::string& path) override {
    std::vector<DirectoryEntry> entries;
    const std::string h = host(path);
    DirHandle dir(::opendir(h.c_str()));
    if (!dir) return entries;
    while (const dirent* e = ::readdir(dir.get())) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      struct stat st{};
      const std::string full = h + "/" + name;
      if (::lstat(full.c_str(), &st) != 0) continue;
      entries.push_back({name, S_ISDIR(st.st_mode), S_ISLNK(st.st_mode)});
    }
    return entries;
  }
  Status renameFile(const std::string& from, const std::string& to) override {
    if (::rename(host(from).c_str(), host(to).c_str()) != 0) return errnoStatus("cannot rename " + from + " to", to);
    return Status::success();
  }
  Status copyFile(const std::string& from, const std::string& to, bool failIfExists) override {
    std::error_code ec;
    const auto options = failIfExists ? std::filesystem::copy_options::none
                                      : std::filesystem::copy_options::overwrite_existing;
    std::filesystem::copy_file(host(from), host(to), options, ec);
    if (ec) return Status::failure(ec.value(), "cannot copy " + from + " to " + to + ": " + ec.message());
    return Status::success();
  }
  int64_t fileSize(const std::string& path) override {
    struct stat st{};
    if (::stat(host(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
  }
  std::string hostPath(const std::string& windowsPath) override { return host(windowsPath); }
  std::string windowsPath(const std::string& hostPath) override { return drives_.toWindows(hostPath); }

 private:
  std::string host(const std::string& path) const { return drives_.toHost(path); }
  const VirtualDrives drives_;
};

}  // namespace

std::unique_ptr<FileSystem> createFileSystem(VirtualDrives drives) {
  return std::make_unique<LinuxFileSystem>(std::move(drives));
}

}  // namespace tilvo::platform::linux_host
