#pragma once
// Making the installed launcher known to the system: uninstall entry, application key, Run value, TCP/IP
// setting, firewall exception, shortcuts, icon folders, and the special-folder lookups they share.
// All registry work is under HKEY_LOCAL_MACHINE.
#include <string>

namespace tilvo {

// Special folders by CSIDL number.
constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_COMMON_STARTUP = 0x0018;
constexpr int CSIDL_ALTSTARTUP = 0x001d;

// Registry keys, relative to HKEY_LOCAL_MACHINE (the base name is ExtractFileBaseName(LauncherExe)).
inline const std::string kUninstallKeyRoot = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline const std::string kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline const std::string kTcpipParametersKey = "SYSTEM\\CurrentControlSet\\services\\Tcpip\\Parameters";
std::string LauncherBaseName();
std::string UninstallKey();  // kUninstallKeyRoot + "\" + base name
std::string AppKey();        // "Software\" + base name

// The uninstall entry (32-bit view). A failed write is not caught: it reaches the caller.
void RegisterUninstallEntry();
// The application key "Software\<base name>" with "Path" and "Uninstall" (32-bit view).
void AppInsertToReg();
// Writes (add) or deletes the Run value `valueName`; in the 64-bit view on a 64-bit system.
void AddProgramOnStart(const std::string& valueName, const std::string& command, bool add);
// The system's native architecture is x64.
bool IsWindows64();
// "ArpRetryCount" = 0 (apply) or its removal; nothing for the editions "kord" and "pcbang".
void Process_BootPatch(bool apply);
void AddExceptionToFirewall(const std::string& name, const std::string& imagePath);
// Shortcut `folder` + `linkName` to `target`, working in the target's folder. `folder` ends in "\".
void Make_Lnk_File(const std::string& target, const std::string& linkName, const std::string& folder);
// Folder path without a trailing backslash; empty when the system has no such folder.
std::string GetSpecialFolderPath(int csidl);
// The user's desktop folder. Throws when it cannot be resolved.
std::string GetDesktopPath();
// InstallPath + "icons\<category>" for each category, then an Explorer window on the icons folder.
void Make_Icon_Folders();

}  // namespace tilvo
