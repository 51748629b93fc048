#pragma once
// Reading zip archives and unpacking their entries into folders given as Windows paths.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace tilvo::platform {

struct ZipExtractResult {
  enum class Kind {
    Extracted,  // the entry's file or folder is in place
    Refused,    // the entry was not written because its name leaves the target folder; the archive is fine
    Failed,     // the entry could not be written or its data is damaged; nothing half-written was left
  };
  Kind kind = Kind::Extracted;
  std::string message;  // why, for Refused and Failed

  bool extracted() const { return kind == Kind::Extracted; }
};

// An archive opened for reading. Entries are addressed by index, 0 to entryCount() - 1, in the order of
// the archive's central directory.
class ZipReader {
 public:
  virtual ~ZipReader() = default;
  virtual int entryCount() const = 0;
  virtual std::string entryName(int index) const = 0;  // as stored in the archive

  // Unpacks entry `index` below `folder`, creating `folder` and the sub-folders the entry names, and
  // replacing an existing file of that name (matched without regard to case). A file appears only once its
  // data has been read completely and checked. Names with a ".." component, absolute names and drive
  // letters are refused; symbolic-link entries are written as plain files; sub-folders that are symbolic
  // links are not followed.
  virtual ZipExtractResult extract(int index, const std::string& folder) = 0;
};

class ZipArchives {
 public:
  virtual ~ZipArchives() = default;

  // Whether `path` is a zip archive whose central directory can be read. False for a missing file.
  virtual bool isValid(const std::string& path) = 0;

  // Opens an archive for reading. Fails (nullptr and `error`) for what isValid refuses and for an archive
  // whose entries overlap one another (a decompression bomb).
  virtual std::unique_ptr<ZipReader> openFile(const std::string& path, Status& error) = 0;
  // The same for an archive in memory; `bytes` must stay alive as long as the reader.
  virtual std::unique_ptr<ZipReader> openMemory(std::string_view bytes, Status& error) = 0;
};

}  // namespace tilvo::platform
