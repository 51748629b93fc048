#pragma once
// Unpacking every entry of an opened archive, as installation and the embedded archives do it.
#include <functional>
#include <string>

#include "platform/zip_archive.h"

namespace tilvo {

// Unpacks the entries of `reader` by index, first to last, into `folder`. An entry whose name would leave
// the folder is skipped and logged (always) with `logPrefix`; the first entry that cannot be written ends
// the walk with a std::runtime_error carrying its message. `afterEntry` runs after each written entry.
void ExtractAllEntries(platform::ZipReader& reader, const std::string& folder, const std::string& logPrefix,
                       const std::function<void()>& afterEntry = {});

}  // namespace tilvo
