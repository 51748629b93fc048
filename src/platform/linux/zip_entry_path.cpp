#include "platform/linux/zip_entry_path.h"

namespace tilvo::platform::linux_host {
namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

ZipEntryPath refused(std::string why) {
  ZipEntryPath path;
  path.refusal = std::move(why);
  return path;
}

}  // namespace

ZipEntryPath ParseZipEntryName(const std::string& name) {
  if (name.empty()) return refused("empty name");
  if (isSeparator(name.front())) return refused("absolute name");
  if (name.find(':') != std::string::npos) return refused("drive letter or stream name");

  std::vector<std::string> parts;
  std::string current;
  auto flush = [&] {
    if (!current.empty() && current != ".") parts.push_back(current);
    current.clear();
  };
  for (char c : name) {
    if (isSeparator(c))
      flush();
    else
      current += c;
  }
  const bool folderEntry = isSeparator(name.back()) || current == ".";
  flush();
  for (const auto& part : parts)
    if (part == "..") return refused("leaves the target folder");

  ZipEntryPath path;
  if (!folderEntry && !parts.empty()) {
    path.file = parts.back();
    parts.pop_back();
  }
  path.folders = std::move(parts);
  return path;
}

}  // namespace tilvo::platform::linux_host
