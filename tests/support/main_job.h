#pragma once
// The installer's main job run for real: the built binary against the local update service, on a virtual
// drive shared by every run of one test, installing the sample launcher into C:\Tilvo launcher\.
#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

#include "support/installer_process.h"
#include "support/sandbox.h"
#include "support/update_service.h"

namespace tilvo::testing {

inline const std::string kInstallFolder = "C:\\Tilvo launcher\\";
inline const std::string kStoreX64 = "/launcher/mero/x64/";

// The store's manifest members in the order the installer walks them.
std::vector<std::string> ManifestMembers();
// The archive name of each member of the sample launcher ("launcher" -> "Tilvo.zip").
std::string ArchiveOf(const std::string& member);
// Every archive path of the store, in walking order: the installer's own from the edition folder, the
// others from its "x64" folder.
std::vector<std::string> AllTransfers();

// What a complete installation holds (setup.ini, icons and the programs' own run log aside).
extern const std::map<std::string, std::string> kInstalledFiles;
// The names in an installed folder, leaving out what is not the store's.
std::map<std::string, std::string> installedNames(const std::string& hostFolder);

class MainJob {
 public:
  explicit MainJob(std::vector<std::string> serviceOptions = {});
  ~MainJob();

  InstallerProcess start(std::vector<std::string> arguments, std::vector<std::string> environment = {});
  // Runs the installer to its end; it must end by itself within a minute.
  std::vector<std::string> run(std::vector<std::string> arguments);
  // Host path of `relative` in the install folder.
  std::string host(const std::string& relative = "");
  std::vector<pid_t> launchers();
  std::vector<std::string> transfersSince(size_t from);

  UpdateService service;
  Sandbox sb;
};

}  // namespace tilvo::testing
