#pragma once
// A file written under a temporary name beside its final one and renamed into place only when complete,
// so that nobody ever sees half of it under its real name.
#include <string>

#include "platform/linux/posix_handles.h"

namespace tilvo::platform::linux_host {

class TemporaryFile {
 public:
  // Creates a new hidden file (mode 0666, before the umask and the folder's default ACL) in the folder `dir`
  // for the final name `finalName`. Check isOpen().
  TemporaryFile(int dir, const std::string& finalName);
  ~TemporaryFile();  // removes the file unless it was committed
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool isOpen() const { return static_cast<bool>(fd_); }
  int fd() const { return fd_.get(); }
  // Writes all of `size` bytes; false (errno set) when the file system refuses.
  bool write(const char* data, size_t size);
  // Closes the file and renames it over the final name. False (errno set) when either fails.
  bool commit();

 private:
  int dir_;
  std::string finalName_;
  std::string name_;
  FileDescriptor fd_;
  bool created_ = false;
  bool committed_ = false;
};

}  // namespace tilvo::platform::linux_host
