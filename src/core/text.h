#pragma once
// Text helpers with the semantics of the runtime the installer was written against.
#include <string>

namespace tilvo {

// Only the letters a-z / A-Z change; every other character stays as it is.
std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
bool SameText(const std::string& a, const std::string& b);  // ASCII case-insensitive equality

// Every occurrence of `from` replaced by `to` (exact, case-sensitive).
std::string StringReplaceAll(const std::string& s, const std::string& from, const std::string& to);

// Path parts; delimiters are "\" and ":" (and "/" too, so host paths work).
std::string ExtractFileName(const std::string& path);
std::string ExtractFilePath(const std::string& path);  // with the trailing delimiter
std::string ExtractFileExt(const std::string& path);   // with the dot; empty without an extension
std::string IncludeTrailingPathDelimiter(const std::string& path);

// The file name of `path` without its folder and without its extension.
std::string ExtractFileBaseName(const std::string& path);

// Integer text as the runtime reads it: blanks before it, a sign, decimal, or hexadecimal after "$", "x",
// "X" or "0x". False when the text is no integer.
bool TryStrToInt64(const std::string& text, long long& value);

}  // namespace tilvo
