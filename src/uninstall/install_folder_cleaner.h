#pragma once
// Emptying an install folder while keeping the user's own items.
#include <string>

namespace tilvo {

// Deletes the entries of `Folder` that match `Mask`, one level deep, except setup.ini, the folders icons,
// data and run, and the item named by "wallpaper_path" in InstallPath + "setup.ini". Refuses (logs why and
// deletes nothing) a folder that cannot be an installation; see WhyNotCleanable.
void CleanInstallFolder(const std::string& Folder, const std::string& Mask);

// Deletes a folder with everything in it; a symbolic link inside is removed, never followed.
void DeleteDirectory(const std::string& Path);

// Why `folder` must not be cleaned, or empty when it may be: an empty path, a lone backslash, a path
// without a drive, a drive root, a folder of the system or one that holds one, or a symbolic link.
std::string WhyNotCleanable(const std::string& folder);

// A file-name mask with "*" and "?", letter case ignored; "*.*" matches every name, dot or not.
bool MatchesMask(const std::string& name, const std::string& mask);

}  // namespace tilvo
