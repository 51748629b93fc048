#include "core/edition_table.h"

#include <array>

#include "core/debug_log.h"

namespace tilvo {
namespace {

struct EditionRow {
  const char* key;
  const char* launcherName;  // nullptr: the installer's base name
};

// Sibling-brand editions are named "<key> launcher", partner editions "Tilvo_<key> launcher".
constexpr std::array<EditionRow, 32> kEditions = {{
    {"person", nullptr},
    {"pcbang", nullptr},
    {"cantora", "cantora launcher"},
    {"cantora_uwp", "cantora_uwp launcher"},
    {"cantora_pe", "cantora_pe launcher"},
    {"kord", "Tilvo_kord launcher"},
    {"arcadia", "Tilvo_arcadia launcher"},
    {"http", "Tilvo_http launcher"},
    {"mero", "Tilvo launcher"},
    {"mero_pe", "Tilvo launcher"},
    {"cantora_kr", "cantora_kr launcher"},
    {"bitzone", "Tilvo_bitzone launcher"},
    {"cafegate", "Tilvo_cafegate launcher"},
    {"dreamnet", "Tilvo_dreamnet launcher"},
    {"gamepia", "Tilvo_gamepia launcher"},
    {"hanul", "Tilvo_hanul launcher"},
    {"ioncafe", "Tilvo_ioncafe launcher"},
    {"joypc", "Tilvo_joypc launcher"},
    {"kplay", "Tilvo_kplay launcher"},
    {"lumina", "Tilvo_lumina launcher"},
    {"mapleweb", "Tilvo_mapleweb launcher"},
    {"novapc", "Tilvo_novapc launcher"},
    {"orbit", "Tilvo_orbit launcher"},
    {"pixelhub", "Tilvo_pixelhub launcher"},
    {"questnet", "Tilvo_questnet launcher"},
    {"redline", "Tilvo_redline launcher"},
    {"starpc", "Tilvo_starpc launcher"},
    {"topgame", "Tilvo_topgame launcher"},
    {"unicafe", "Tilvo_unicafe launcher"},
    {"vivapc", "Tilvo_vivapc launcher"},
    {"wavenet", "Tilvo_wavenet launcher"},
    {"cantora_jp", "cantora_jp launcher"},
}};

}  // namespace

std::string LauncherNameForEdition(const std::string& pcType, const std::string& baseName) {
  for (const auto& row : kEditions) {
    if (pcType != row.key) continue;
    return row.launcherName ? row.launcherName : baseName;
  }
  return Format("Tilvo_%s launcher", pcType.c_str());
}

}  // namespace tilvo
