#pragma once
#include <string>

namespace tilvo {

// The file version of a program file as "a.b.c.d"; "0.0.0.0" (and a debug line) when the file is missing
// or carries no version.
std::string GetAppVersionStr(const std::string& FileName);

}  // namespace tilvo
