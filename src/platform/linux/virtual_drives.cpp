#include "platform/linux/virtual_drives.h"
#include "platform/linux/posix_handles.h"

#include <dirent.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

namespace tilvo::platform::linux_host {
namespace {

bool exists(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string caseFold(const std::string& s) {
  std::unique_ptr<gchar, decltype(&g_free)> folded(g_utf8_casefold(s.c_str(), static_cast<gssize>(s.size())), g_free);
  return folded ? std::string(folded.get()) : s;
}

std::vector<std::string> splitComponents(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// Resolves "." and ".." by name; ".." never climbs above the drive's root.
std::vector<std::string> normalize(const std::vector<std::string>& parts) {
  std::vector<std::string> out;
  for (const auto& p : parts) {
    if (p == ".") continue;
    if (p == "..") {
      if (!out.empty()) out.pop_back();
      continue;
    }
    out.push_back(p);
  }
  return out;
}

std::string joinResolved(std::string base, const std::vector<std::string>& parts) {
  for (const auto& part : parts) {
    const std::string folder = base.empty() ? "/" : base;
    base = (base == "/" ? "" : base) + "/" + resolveNameIgnoringCase(folder, part);
  }
  return base.empty() ? "/" : base;
}

std::string lexicallyAbsolute(const std::string& host) {
  std::filesystem::path p(host);
  if (p.is_relative()) p = std::filesystem::current_path() / p;
  std::string s = p.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

}  // namespace

std::string resolveNameIgnoringCase(const std::string& folder, const std::string& name) {
  if (exists(folder + "/" + name)) return name;
  DirHandle dir(::opendir(folder.c_str()));
  if (!dir) return name;
  const std::string wanted = caseFold(name);
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (caseFold(candidate) == wanted) return candidate;
  }
  return name;
}

VirtualDrives::VirtualDrives(std::string root) : root_(lexicallyAbsolute(root)) {
  std::error_code ec;
  std::filesystem::create_directories(driveFolder('c'), ec);
  // Compare host paths against the real location of the root, so that a root reached through a link
  // still maps back to C:.
  if (char* real = ::realpath(root_.c_str(), nullptr)) {
    root_ = real;
    std::free(real);
  }
}

std::string VirtualDrives::defaultRoot() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) return std::string(data) + "/tilvo-installer";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/share/tilvo-installer";
}

std::string VirtualDrives::driveFolder(char letter) const {
  return root_ + "/drive_" + static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
}

std::string VirtualDrives::toHost(const std::string& windowsPath) const {
  const std::string& w = windowsPath;
  if (w.size() >= 2 && (w[0] == '\\' || w[0] == '/') && (w[1] == '\\' || w[1] == '/')) return {};  // UNC
  if (w.size() >= 2 && std::isalpha(static_cast<unsigned char>(w[0])) && w[1] == ':') {
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(w[0])));
    const auto parts = normalize(splitComponents(w.substr(2)));
    return joinResolved(letter == 'z' ? "" : driveFolder(letter), parts);
  }
  if (!w.empty() && (w[0] == '\\' || w[0] == '/')) return joinResolved(driveFolder('c'), normalize(splitComponents(w)));
  if (w.empty()) return {};
  const std::string cwd = std::filesystem::current_path().string();
  return joinResolved(cwd == "/" ? "" : cwd, normalize(splitComponents(w)));
}

std::string VirtualDrives::toWindows(const std::string& hostPath) const {
  const std::string host = lexicallyAbsolute(hostPath);
  // The most specific drive wins: drive folders under the root before Z:.
  const std::string prefix = root_ + "/drive_";
  if (host.compare(0, prefix.size(), prefix) == 0 && host.size() > prefix.size() &&
      std::isalpha(static_cast<unsigned char>(host[prefix.size()])) &&
      (host.size() == prefix.size() + 1 || host[prefix.size() + 1] == '/')) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(host[prefix.size()])));
    std::string rest = host.substr(prefix.size() + 1);
    for (char& c : rest)
      if (c == '/') c = '\\';
    return std::string(1, letter) + ":" + (rest.empty() ? "\\" : rest);
  }
  std::string rest = host;
  for (char& c : rest)
    if (c == '/') c = '\\';
  return "Z:" + rest;
}

}  // namespace tilvo::platform::linux_host
