#pragma once
#include <memory>

#include "platform/debug_output.h"

namespace tilvo::platform::linux_host {

// One line per call on standard error, whole lines even when threads write at once.
std::unique_ptr<DebugOutput> createStderrDebugOutput();

}  // namespace tilvo::platform::linux_host
