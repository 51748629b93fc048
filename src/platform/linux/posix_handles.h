#pragma once
// RAII owners of POSIX handles.
#include <dirent.h>
#include <unistd.h>

#include <memory>

namespace tilvo::platform::linux_host {

struct DirCloser {
  void operator()(DIR* d) const {
    if (d) ::closedir(d);
  }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

}  // namespace tilvo::platform::linux_host
