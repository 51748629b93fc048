#include "ui/script_bridge.h"

#include <nlohmann/json.hpp>

#include <stdexcept>

#include "core/debug_log.h"
#include "core/installer_state.h"
#include "core/json.h"
#include "platform/platform.h"

namespace tilvo {

bool ExecJavaScript(platform::Browser& browser, const std::string& code) {
  if (!browser.document()) return false;
  std::string error;
  if (browser.execScript(code, error)) return true;
  DebugLog(true, "Javascript error " + error + " in: \r\n" + code);
  return false;
}

std::string InstInfoScript(int total, int current) { return Format("instinfo(\"%d\",\"%d\")", total, current); }

std::string SelectThemeScript(const std::string& name) { return Format("select_theme(\"%s\")", name.c_str()); }

bool TfInstUpdate::Process_ThemeList() {
  bool result = false;
  if (!ServerConfig) return false;
  const std::string themes = JsonReadText(ServerConfig, "theme_url");
  if (themes.empty()) return false;
  const JsonPtr list = ParseJson(themes);
  if (!list || !list->is_object()) throw std::runtime_error("theme_url is not a JSON object");
  for (const std::string& name : JsonMemberOrder(*list)) {
    DebugLog(false, name);
    DebugLog(false, JsonReadText(*list, name));
    const std::string script = SelectThemeScript(name);
    DebugLog(false, script);
    if (ExecJavaScript(platform::browser(), script)) result = true;
  }
  return result;
}

void TfInstUpdate::Timer_Input_ThemeTimer() {
  Timer_Input_Theme->setEnabled(false);
  if (!Process_ThemeList()) Timer_Input_Theme->setEnabled(true);
}

}  // namespace tilvo
