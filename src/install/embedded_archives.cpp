// The archives carried inside the installer: the TLS trust store for the cloud-drive route and the
// launcher's "movie" folder.
#include <stdexcept>

#include "core/debug_log.h"
#include "core/installer_state.h"
#include "install/archive_extraction.h"
#include "platform/platform.h"

namespace tilvo {
namespace {

// Both methods log under this one name.
const std::string kLogPrefix = "Extract_Movie_File : ";

std::unique_ptr<platform::ZipReader> OpenResourceArchive(const std::string& name) {
  const auto bytes = platform::resources().find(name);
  if (!bytes) throw std::runtime_error("Resource " + name + " not found");
  platform::Status error;
  auto reader = platform::zipArchives().openMemory(*bytes, error);
  if (!reader) throw std::runtime_error(error.message);
  return reader;
}

void ForceFolder(const std::string& folder) {
  auto& fs = platform::fileSystem();
  if (fs.directoryExists(folder)) return;
  if (const auto status = fs.forceDirectories(folder); !status) throw std::runtime_error(status.message);
}

}  // namespace

void TfInstUpdate::Extract_Movie_SSL() {
  try {
    auto reader = OpenResourceArchive("SSL");
    ForceFolder(AppDir + "ssl32");
    // Each entry replaces its file in one step (written beside it, then renamed over it), so an existing
    // file is not deleted first: a failed write leaves the old one.
    ExtractAllEntries(*reader, AppDir + "ssl32\\", kLogPrefix);
  } catch (const std::exception& e) {
    DebugLog(false, kLogPrefix + e.what());
  }
}

void TfInstUpdate::Extract_Movie_File() {
  try {
    ForceFolder(InstallPath + "movie");
    auto reader = OpenResourceArchive("movie");
    ExtractAllEntries(*reader, InstallPath + "movie", kLogPrefix);
  } catch (const std::exception& e) {
    DebugLog(false, kLogPrefix + e.what());
  }
}

}  // namespace tilvo
