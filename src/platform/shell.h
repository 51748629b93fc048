#pragma once
// Starting programs and opening documents the way the Windows shell does.
#include <string>

namespace tilvo::platform {

enum class ShowCommand { Hide = 0, ShowNormal = 1, ShowMinimized = 2, ShowMaximized = 3, Show = 5 };

class Shell {
 public:
  virtual ~Shell() = default;
  // `file`: a program (Windows path, or a bare name looked up like the shell does), a folder or a URL.
  // A program starts detached, in `directory` when given. Returns false when nothing was started.
  virtual bool execute(const std::string& verb, const std::string& file, const std::string& parameters,
                       const std::string& directory, ShowCommand show) = 0;
};

}  // namespace tilvo::platform
