#pragma once
// Reading back and removing what the registration wrote (HKEY_LOCAL_MACHINE, the 32-bit view).
#include <string>

namespace tilvo {

// The uninstall entry's "UninstallString"; empty when missing. Creates the (empty) entry when missing.
std::string GetUninstallString();
// Deletes the uninstall entry of the launcher, when the Uninstall key exists.
void DeleteUninstallKey();
// Deletes the application key "Software\<base name>".
void DeleteAppKey();

// The installer's path inside an uninstall command: the quoted path at its start, or, unquoted, the
// text before a final " -uninstall". Empty when the command is empty.
std::string InstallerPathFromUninstallString(const std::string& command);

}  // namespace tilvo
