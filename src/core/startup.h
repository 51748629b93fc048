#pragma once
#include <string>

namespace tilvo {

// Program entry: sets the edition and the installer's name, creates the window (FormCreate) and runs the
// message loop until the program is told to end. Exit code 0 in every mode.
int RunProgram();

// The silent switches of argument 1, after lower-casing.
bool IsSilentSwitch(const std::string& lowerArgument);

// The browser emulation set-up: IE's major version from the registry (6 when unreadable) and the
// FEATURE_BROWSER_EMULATION value of the running executable.
int GetIEVersion();
void SetBrowserEmulation();

}  // namespace tilvo
