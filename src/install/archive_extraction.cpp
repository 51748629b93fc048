#include "install/archive_extraction.h"

#include <stdexcept>

#include "core/debug_log.h"

namespace tilvo {

void ExtractAllEntries(platform::ZipReader& reader, const std::string& folder, const std::string& logPrefix,
                       const std::function<void()>& afterEntry) {
  const int count = reader.entryCount();
  for (int i = 0; i < count; ++i) {
    const auto result = reader.extract(i, folder);
    using Kind = platform::ZipExtractResult::Kind;
    if (result.kind == Kind::Failed) throw std::runtime_error(result.message);
    if (result.kind == Kind::Refused) {
      // A hostile or broken archive: the rest is still worth installing, but somebody should see this.
      DebugLog(true, logPrefix + "refused entry " + result.message);
      continue;
    }
    if (afterEntry) afterEntry();
  }
}

}  // namespace tilvo
