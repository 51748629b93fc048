#include "platform/linux/virtual_special_folders.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "platform/linux/posix_handles.h"

namespace tilvo::platform::linux_host {
namespace {

std::string loginName() {
  if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
  return "User";
}

class VirtualSpecialFolders final : public SpecialFolders {
 public:
  VirtualSpecialFolders(VirtualDrives drives, bool native64) : drives_(std::move(drives)) {
    const std::string profile = "C:\\Users\\" + loginName();
    const std::string roaming = profile + "\\AppData\\Roaming";
    const std::string local = profile + "\\AppData\\Local";
    const std::string userStart = roaming + "\\Microsoft\\Windows\\Start Menu";
    const std::string commonStart = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
    // A 32-bit program sees the 32-bit program folder of a 64-bit system as its own.
    const std::string programFiles = native64 ? "C:\\Program Files (x86)" : "C:\\Program Files";
    folders_ = {
        {0x00, profile + "\\Desktop"},                      // CSIDL_DESKTOP
        {0x02, userStart + "\\Programs"},                   // CSIDL_PROGRAMS
        {0x05, profile + "\\Documents"},                    // CSIDL_PERSONAL
        {0x06, profile + "\\Favorites"},                    // CSIDL_FAVORITES
        {0x07, userStart + "\\Programs\\Startup"},          // CSIDL_STARTUP
        {0x08, roaming + "\\Microsoft\\Windows\\Recent"},   // CSIDL_RECENT
        {0x09, roaming + "\\Microsoft\\Windows\\SendTo"},   // CSIDL_SENDTO
        {0x0b, userStart},                                  // CSIDL_STARTMENU
        {0x0d, profile + "\\Music"},                        // CSIDL_MYMUSIC
        {0x0e, profile + "\\Videos"},                       // CSIDL_MYVIDEO
        {0x10, profile + "\\Desktop"},                      // CSIDL_DESKTOPDIRECTORY
        {0x13, roaming + "\\Microsoft\\Windows\\Network Shortcuts"},  // CSIDL_NETHOOD
        {0x14, "C:\\Windows\\Fonts"},                       // CSIDL_FONTS
        {0x15, roaming + "\\Microsoft\\Windows\\Templates"},  // CSIDL_TEMPLATES
        {0x16, commonStart},                                // CSIDL_COMMON_STARTMENU
        {0x17, commonStart + "\\Programs"},                 // CSIDL_COMMON_PROGRAMS
        {0x18, commonStart + "\\Programs\\Startup"},        // CSIDL_COMMON_STARTUP
        {0x19, "C:\\Users\\Public\\Desktop"},               // CSIDL_COMMON_DESKTOPDIRECTORY
        {0x1a, roaming},                                    // CSIDL_APPDATA
        {0x1b, roaming + "\\Microsoft\\Windows\\Printer Shortcuts"},  // CSIDL_PRINTHOOD
        {0x1c, local},                                      // CSIDL_LOCAL_APPDATA
        // 0x1d CSIDL_ALTSTARTUP and 0x1e CSIDL_COMMON_ALTSTARTUP: gone since Windows Vista.
        {0x1f, profile + "\\Favorites"},                    // CSIDL_COMMON_FAVORITES
        {0x20, local + "\\Microsoft\\Windows\\INetCache"},  // CSIDL_INTERNET_CACHE
        {0x21, local + "\\Microsoft\\Windows\\INetCookies"},  // CSIDL_COOKIES
        {0x22, local + "\\Microsoft\\Windows\\History"},    // CSIDL_HISTORY
        {0x23, "C:\\ProgramData"},                          // CSIDL_COMMON_APPDATA
        {0x24, "C:\\Windows"},                              // CSIDL_WINDOWS
        {0x25, "C:\\Windows\\System32"},                    // CSIDL_SYSTEM
        {0x26, programFiles},                               // CSIDL_PROGRAM_FILES
        {0x27, profile + "\\Pictures"},                     // CSIDL_MYPICTURES
        {0x28, profile},                                    // CSIDL_PROFILE
        {0x29, native64 ? "C:\\Windows\\SysWOW64" : "C:\\Windows\\System32"},  // CSIDL_SYSTEMX86
        {0x2a, programFiles},                               // CSIDL_PROGRAM_FILESX86
        {0x2b, programFiles + "\\Common Files"},            // CSIDL_PROGRAM_FILES_COMMON
        {0x2c, programFiles + "\\Common Files"},            // CSIDL_PROGRAM_FILES_COMMONX86
        {0x2d, "C:\\ProgramData\\Microsoft\\Windows\\Templates"},  // CSIDL_COMMON_TEMPLATES
        {0x2e, "C:\\Users\\Public\\Documents"},             // CSIDL_COMMON_DOCUMENTS
        {0x2f, commonStart + "\\Programs\\Administrative Tools"},  // CSIDL_COMMON_ADMINTOOLS
        {0x30, userStart + "\\Programs\\Administrative Tools"},    // CSIDL_ADMINTOOLS
        {0x35, "C:\\Users\\Public\\Music"},                 // CSIDL_COMMON_MUSIC
        {0x36, "C:\\Users\\Public\\Pictures"},              // CSIDL_COMMON_PICTURES
        {0x37, "C:\\Users\\Public\\Videos"},                // CSIDL_COMMON_VIDEO
        {0x38, "C:\\Windows\\resources"},                   // CSIDL_RESOURCES
        {0x3b, local + "\\Microsoft\\Windows\\Burn\\Burn"},  // CSIDL_CDBURN_AREA
    };
    extraSystemFolders_ = {"C:\\Users", "C:\\Users\\Public", profile + "\\AppData", "C:\\Program Files",
                           "C:\\Program Files (x86)"};
  }

  std::string path(int csidl) override {
    // Only the low byte names the folder; the high bits are flags of the lookup.
    const auto it = folders_.find(csidl & 0xFF);
    if (it == folders_.end()) return {};
    std::error_code ec;
    std::filesystem::create_directories(drives_.toHost(it->second), ec);
    return it->second;
  }

  std::vector<std::string> systemFolders() override {
    std::vector<std::string> out = extraSystemFolders_;
    for (const auto& [csidl, folder] : folders_) out.push_back(folder);
    // The host shows through Z:: its top-level folders and the user's home belong to it.
    if (DirHandle dir(::opendir("/")); dir) {
      while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        out.push_back(drives_.toWindows("/" + name));
      }
    }
    if (const char* home = std::getenv("HOME"); home && *home) out.push_back(drives_.toWindows(home));
    return out;
  }

 private:
  const VirtualDrives drives_;
  std::map<int, std::string> folders_;
  std::vector<std::string> extraSystemFolders_;
};

}  // namespace

std::unique_ptr<SpecialFolders> createVirtualSpecialFolders(VirtualDrives drives, bool native64) {
  return std::make_unique<VirtualSpecialFolders>(std::move(drives), native64);
}

}  // namespace tilvo::platform::linux_host
