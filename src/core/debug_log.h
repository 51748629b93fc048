#pragma once
#include <string>

namespace tilvo {

// printf-style formatting for the program's log lines ("%s", "%d").
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes the executable's file name, " : " and `text` to the debugger output when `force` is set or debug
// logging is on. Any thread.
void DebugLog(bool force, const std::string& text);

// Writes `text` to the debugger output as it is, without the program's prefix.
void OutputDebugString(const std::string& text);

}  // namespace tilvo
