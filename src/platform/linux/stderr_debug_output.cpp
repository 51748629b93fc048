#include "platform/linux/stderr_debug_output.h"

#include <unistd.h>

#include <mutex>
#include <string>

namespace tilvo::platform::linux_host {
namespace {

class StderrDebugOutput final : public DebugOutput {
 public:
  void write(const std::string& text) override {
    std::string line = text;
    line += '\n';
    std::lock_guard lock(mutex_);
    for (size_t done = 0; done < line.size();) {
      const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
      if (n <= 0) return;  // nobody listens: the text is lost, as with a debugger that is not attached
      done += static_cast<size_t>(n);
    }
  }

 private:
  std::mutex mutex_;
};

}  // namespace

std::unique_ptr<DebugOutput> createStderrDebugOutput() { return std::make_unique<StderrDebugOutput>(); }

}  // namespace tilvo::platform::linux_host
