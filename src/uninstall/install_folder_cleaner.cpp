#include "uninstall/install_folder_cleaner.h"

#include <algorithm>
#include <cctype>

#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/text.h"
#include "platform/platform.h"

namespace tilvo {
namespace {

std::string withoutTrailingDelimiters(std::string path) {
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

bool hasDrive(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\';
}

// `ancestor` is `path` or one of the folders above it (host paths, letter case ignored).
bool containsOrIs(const std::string& ancestor, const std::string& path) {
  if (path.size() < ancestor.size() || !SameText(path.substr(0, ancestor.size()), ancestor)) return false;
  return path.size() == ancestor.size() || path[ancestor.size()] == '/' || ancestor == "/";
}

bool isSymbolicLink(const std::string& folder) {
  const std::string path = withoutTrailingDelimiters(folder);
  const std::string name = ExtractFileName(path);
  for (const auto& entry : platform::fileSystem().listDirectory(ExtractFilePath(path)))
    if (SameText(entry.name, name)) return entry.isSymlink;
  return false;
}

std::string settingsWallpaperPath() {
  return platform::profile().readString(InstallPath + "setup.ini", "setup", "wallpaper_path", "");
}

bool isPreservedFile(const std::string& name, const std::string& wallpaper) {
  return SameText(name, "setup.ini") || SameText(name, wallpaper);
}

bool isPreservedFolder(const std::string& name, const std::string& fullPath, const std::string& wallpaper) {
  return SameText(name, "icons") || SameText(name, "data") || SameText(name, "run") || SameText(fullPath, wallpaper);
}

bool matchFrom(const std::string& name, size_t n, const std::string& mask, size_t m) {
  for (; m < mask.size(); ++m, ++n) {
    if (mask[m] == '*') {
      for (size_t rest = n; rest <= name.size(); ++rest)
        if (matchFrom(name, rest, mask, m + 1)) return true;
      return false;
    }
    if (n >= name.size()) return false;
    if (mask[m] != '?' && std::tolower(static_cast<unsigned char>(mask[m])) !=
                              std::tolower(static_cast<unsigned char>(name[n])))
      return false;
  }
  return n == name.size();
}

}  // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
  if (mask == "*" || mask == "*.*") return true;
  return matchFrom(name, 0, mask, 0);
}

std::string WhyNotCleanable(const std::string& folder) {
  if (folder.empty()) return "no folder given";
  const std::string path = withoutTrailingDelimiters(folder);
  if (path.empty()) return "a lone backslash names the root of the current drive";
  if (!hasDrive(path + "\\")) return "not a full path with a drive";
  if (path.size() == 2) return "a drive root";
  auto& files = platform::fileSystem();
  const std::string host = withoutTrailingDelimiters(files.hostPath(folder));
  if (host.empty()) return "no such place on the drives";
  std::string holds;
  for (const std::string& system : platform::specialFolders().systemFolders()) {
    const std::string systemHost = withoutTrailingDelimiters(files.hostPath(system));
    if (systemHost.empty() || !containsOrIs(host, systemHost)) continue;
    if (SameText(systemHost, host)) return "a folder of the system (" + system + ")";
    if (holds.empty()) holds = "it holds a folder of the system (" + system + ")";
  }
  if (!holds.empty()) return holds;
  if (isSymbolicLink(path)) return "a symbolic link to another place";
  return {};
}

void CleanInstallFolder(const std::string& Folder, const std::string& Mask) {
  // Everything below is deleted for good: a folder that cannot be an installation is left alone.
  if (const std::string why = WhyNotCleanable(Folder); !why.empty()) {
    DebugLog(true, "CleanInstallFolder : not cleaning \"" + Folder + "\": " + why);
    return;
  }
  const std::string wallpaper = settingsWallpaperPath();
  const std::string folder = IncludeTrailingPathDelimiter(Folder);
  auto& files = platform::fileSystem();
  auto entries = files.listDirectory(folder);
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return LowerCase(a.name) < LowerCase(b.name); });
  for (const auto& entry : entries) {
    if (!MatchesMask(entry.name, Mask)) continue;
    const std::string path = folder + entry.name;
    // A link to a folder counts as a folder by its name; removing it removes the link alone.
    const bool isFolder = entry.isDirectory || (entry.isSymlink && files.directoryExists(path));
    if (!isFolder) {
      DebugLog(false, Format("DeleteFile %s", path.c_str()));
      if (!isPreservedFile(entry.name, wallpaper)) files.deleteFile(path);  // what cannot go stays, silently
      continue;
    }
    DebugLog(false, Format("DeleteDirectory %s, %s", path.c_str(), entry.name.c_str()));
    if (!isPreservedFolder(entry.name, path, wallpaper)) DeleteDirectory(path);
  }
}

void DeleteDirectory(const std::string& Path) {
  try {
    platform::fileSystem().removeDirectoryTree(Path);  // the result is ignored, as a silent shell delete
  } catch (const std::exception& e) {
    DebugLog(false, std::string("DeleteDirectory : ") + e.what());
  }
}

}  // namespace tilvo
