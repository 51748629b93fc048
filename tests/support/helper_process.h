#pragma once
// Real processes for process tests: a copy of the sleeper program under a chosen name.
#include <string>

#include "support/child_process.h"

namespace tilvo::testing {

// Puts the sleeper program at `hostPath` (unless a file is there already: it may be running), executable.
void installSleeper(const std::string& hostPath);

class HelperProcess : public ChildProcess {
 public:
  // Installs the sleeper at `hostPath` and starts it there; returns once the new image runs, so that a
  // process snapshot sees its name.
  explicit HelperProcess(const std::string& hostPath);
};

}  // namespace tilvo::testing
