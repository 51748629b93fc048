#pragma once
// A minimal Windows program file (PE) with a resource section, for reading its version resource.
#include <array>
#include <optional>
#include <string>

namespace tilvo::testing {

// `version`: the fixed file version a.b.c.d of a version resource (type 16, ID 1, language 1033); without
// it the resource section holds an icon resource only.
std::string BuildPe(bool pe32Plus, std::optional<std::array<uint16_t, 4>> version);

}  // namespace tilvo::testing
