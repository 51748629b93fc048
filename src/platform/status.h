#pragma once
// Result of a platform operation: the layer reports, it never throws across a thread.
#include <string>
#include <utility>

namespace tilvo::platform {

struct Status {
  int code = 0;         // 0: success; otherwise errno or a Windows-style error number
  std::string message;  // readable cause, empty on success

  bool ok() const { return code == 0; }
  explicit operator bool() const { return ok(); }

  static Status success() { return {}; }
  static Status failure(int code, std::string message) { return {code == 0 ? -1 : code, std::move(message)}; }
};

}  // namespace tilvo::platform
