// Progress of a file-store run: the current file's percentage from the download service, and the page and
// taskbar refresh once per tick.
#include <cmath>
#include <stdexcept>

#include "core/debug_log.h"
#include "core/installer_state.h"
#include "platform/platform.h"
#include "ui/script_bridge.h"

namespace tilvo {
namespace {

// a / b * 100 cut toward zero, as the runtime's floating point does it: a division by zero is an error.
int64_t TruncPercent(double a, double b) {
  if (b == 0) throw std::runtime_error(a == 0 ? "Invalid floating point operation" : "Floating point division by zero");
  return static_cast<int64_t>(std::trunc(a / b * 100));
}

}  // namespace

void TfInstUpdate::OnProgress(uint32_t ulProgress, uint32_t ulProgressMax, uint32_t, const std::string&) {
  try {
    FPer = static_cast<int32_t>(TruncPercent(ulProgress, ulProgressMax));  // not clamped
    if (!Timer_Progress->enabled()) Timer_Progress->setEnabled(true);
  } catch (const std::exception& e) {
    DebugLog(false, std::string("OnProgress : ") + e.what());
  }
}

void TfInstUpdate::Timer_ProgressTimer() {
  Timer_Progress->setEnabled(false);
  const int32_t total = Total_Download_Count;
  // A run that fetched nothing has no overall percentage: the error goes to the application's handler.
  int64_t overall = TruncPercent(FInstCount, total);
  if (overall > 100) overall = 100;
  const std::string script = InstInfoScript(static_cast<int>(overall), FPer);
  if (!ExecJavaScript(platform::browser(), script)) return;
  DebugLog(true, Format("%s, %d, %d, %d", script.c_str(), FInstCount, total, static_cast<int>(overall)));
  platform::taskbar().setProgress(static_cast<int>(overall), 100);
}

}  // namespace tilvo
