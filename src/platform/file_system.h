#pragma once
// Files and folders addressed by Windows paths ("C:\Tilvo launcher\setup.ini") on the virtual drives.
// Names resolve without regard to letter case, as on Windows.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"

namespace tilvo::platform {

struct DirectoryEntry {
  std::string name;  // file name only, as stored
  bool isDirectory = false;
  bool isSymlink = false;  // never followed by recursive operations
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool fileExists(const std::string& path) = 0;       // a file, not a folder
  virtual bool directoryExists(const std::string& path) = 0;  // a folder
  virtual Status createDirectory(const std::string& path) = 0;  // one level; the parent must exist
  virtual Status forceDirectories(const std::string& path) = 0;  // every missing level
  // One level, like createDirectory, that every user may fully use, and so may everything created in it
  // later (an inherited access list). Fails when the folder exists already.
  virtual Status createDirectoryForEveryone(const std::string& path) = 0;
  virtual Status deleteFile(const std::string& path) = 0;
  // Deletes a folder with everything in it; symbolic links are removed, never followed.
  virtual Status removeDirectoryTree(const std::string& path) = 0;
  virtual std::vector<DirectoryEntry> listDirectory(const std::string& path) = 0;
  virtual Status renameFile(const std::string& from, const std::string& to) = 0;  // replaces `to`
  virtual Status copyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
  virtual int64_t fileSize(const std::string& path) = 0;  // -1 when missing

  // The host path behind a Windows path, resolved case-insensitively (for libraries that open files).
  virtual std::string hostPath(const std::string& windowsPath) = 0;
  // The Windows form of a host path (the most specific drive wins; Z: is the host's root).
  virtual std::string windowsPath(const std::string& hostPath) = 0;
};

}  // namespace tilvo::platform
