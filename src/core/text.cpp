#include "core/text.h"

#include <cctype>
#include <cstdint>

namespace tilvo {
namespace {

bool isDelimiter(char c) { return c == '\\' || c == ':' || c == '/'; }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string UpperCase(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string LowerCase(const std::string& s) {
  std::string out = s;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool SameText(const std::string& a, const std::string& b) { return UpperCase(a) == UpperCase(b); }

std::string StringReplaceAll(const std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;
  std::string out;
  size_t pos = 0;
  for (size_t hit; (hit = s.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
    out.append(s, pos, hit - pos);
    out += to;
  }
  out.append(s, pos, std::string::npos);
  return out;
}

std::string ExtractFileName(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i)
    if (isDelimiter(path[i - 1])) return path.substr(i);
  return path;
}

std::string ExtractFilePath(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i)
    if (isDelimiter(path[i - 1])) return path.substr(0, i);
  return {};
}

std::string ExtractFileExt(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (path[i - 1] == '.') return path.substr(i - 1);
    if (isDelimiter(path[i - 1])) break;
  }
  return {};
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path;
  return path + "\\";
}

std::string ExtractFileBaseName(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const std::string ext = ExtractFileExt(name);
  return name.substr(0, name.size() - ext.size());
}

bool TryStrToInt64(const std::string& text, long long& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = base == 16 ? hexDigit(text[i]) : (std::isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0' : -1);
    if (digit < 0) return false;
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (magnitude > (uint64_t{1} << 63)) return false;  // out of range
  }
  if (!negative && magnitude > static_cast<uint64_t>(INT64_MAX)) return false;
  value = negative ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
  return true;
}

}  // namespace tilvo
