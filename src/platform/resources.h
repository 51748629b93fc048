#pragma once
// Data carried inside the installer's own executable, looked up by name.
#include <optional>
#include <string>
#include <string_view>

namespace tilvo::platform {

class Resources {
 public:
  virtual ~Resources() = default;
  // The bytes of the data resource `name` (letter case does not matter); none when the program has no such
  // resource. The bytes live as long as the program.
  virtual std::optional<std::string_view> find(const std::string& name) = 0;
};

}  // namespace tilvo::platform
