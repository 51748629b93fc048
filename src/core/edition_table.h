#pragma once
#include <string>

namespace tilvo {

// The launcher's display name for an edition key (exact, case-sensitive lookup). `baseName` is the
// installer's base name with "_install"/"_Install" removed, used by the two generic editions.
std::string LauncherNameForEdition(const std::string& pcType, const std::string& baseName);

}  // namespace tilvo
