// Progress of a file-store run: the current file's percentage from the download service, and the page and
// taskbar refresh once per tick.
#include <cmath>
#include <stdexcept>

#include "core/debug_log.h"
#include "core/installer_state.h"

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

}  // namespace tilvo
