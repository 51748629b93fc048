#pragma once
// The version manifest: the member "versions" of the server configuration, one entry per launcher file.
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "core/installer_state.h"

namespace tilvo {

// One entry as the download decides about it. Every value is read as text.
struct ManifestEntry {
  bool hasDownname = false;
  std::string downname, path, orgname, ver, redo;
  std::string entryFolder;   // install folder + "path", with a trailing backslash
  std::string localVersion;  // of entryFolder + orgname
  bool needsDownload = false;  // the local file is missing or of another version (compared as text)
};

// "versions" of `config`. Throws std::runtime_error when it is missing or not an object.
const nlohmann::json& ManifestVersions(const JsonPtr& config);

// Reads `entry` (throws when it is not an object) and, when it has "downname", checks the local file below
// `instPath` (ending with a backslash).
ManifestEntry EvaluateManifestEntry(const nlohmann::json& entry, const std::string& instPath);

}  // namespace tilvo
