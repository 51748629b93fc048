#include "download/version_manifest.h"

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "core/json.h"
#include "core/text.h"
#include "download/app_version.h"
#include "platform/platform.h"

namespace tilvo {

const nlohmann::json& ManifestVersions(const JsonPtr& config) {
  const nlohmann::json* versions = config ? JsonReadObject(*config, "versions") : nullptr;
  if (!versions) throw std::runtime_error("the server configuration has no version manifest");
  return *versions;
}

ManifestEntry EvaluateManifestEntry(const nlohmann::json& entry, const std::string& instPath) {
  if (!entry.is_object()) throw std::runtime_error("a manifest entry is not an object");
  ManifestEntry e;
  e.hasDownname = entry.contains("downname");
  if (!e.hasDownname) return e;
  e.downname = JsonReadText(entry, "downname");
  e.path = JsonReadText(entry, "path");
  e.orgname = JsonReadText(entry, "orgname");
  e.ver = JsonReadText(entry, "ver");
  e.redo = JsonReadText(entry, "redo");
  e.entryFolder = IncludeTrailingPathDelimiter(instPath + e.path);
  const std::string local = e.entryFolder + e.orgname;
  e.localVersion = GetAppVersionStr(local);
  e.needsDownload = !platform::fileSystem().fileExists(local) || e.localVersion != e.ver;
  return e;
}

}  // namespace tilvo
