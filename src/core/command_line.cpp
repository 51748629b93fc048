#include "core/command_line.h"

#include "platform/platform.h"

namespace tilvo {

std::string ParamStr(int index) {
  const auto& args = platform::current().arguments;
  if (index < 1 || static_cast<size_t>(index) > args.size()) return {};
  return args[static_cast<size_t>(index) - 1];
}

}  // namespace tilvo
