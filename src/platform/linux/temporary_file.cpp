#include "platform/linux/temporary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace tilvo::platform::linux_host {
namespace {

std::string temporaryName(const std::string& finalName) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[20];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
  return "." + finalName + ".part-" + suffix;
}

}  // namespace

TemporaryFile::TemporaryFile(int dir, const std::string& finalName)
    : dir_(dir), finalName_(finalName), name_(temporaryName(finalName)) {
  fd_.reset(::openat(dir, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  created_ = static_cast<bool>(fd_);
}

TemporaryFile::~TemporaryFile() {
  if (created_ && !committed_) {
    fd_.reset();
    ::unlinkat(dir_, name_.c_str(), 0);
  }
}

bool TemporaryFile::write(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd_.get(), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool TemporaryFile::commit() {
  // A full disk may show only when the file is closed.
  if (::close(fd_.release()) != 0) return false;
  if (::renameat(dir_, name_.c_str(), dir_, finalName_.c_str()) != 0) return false;
  committed_ = true;
  return true;
}

}  // namespace tilvo::platform::linux_host
