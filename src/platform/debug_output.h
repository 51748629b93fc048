#pragma once
// The system debugger output: one line per call.
#include <string>

namespace tilvo::platform {

class DebugOutput {
 public:
  virtual ~DebugOutput() = default;
  // Safe from any thread; never fails visibly.
  virtual void write(const std::string& text) = 0;
};

}  // namespace tilvo::platform
