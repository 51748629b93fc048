#include "core/process_control.h"

#include "core/installer_state.h"
#include "core/text.h"
#include "platform/platform.h"

namespace tilvo {
namespace {

std::string fileNamePart(const std::string& exeFile) {
  const size_t cut = exeFile.find_last_of("\\:");
  return cut == std::string::npos ? exeFile : exeFile.substr(cut + 1);
}

}  // namespace

bool ProcessNameMatches(const std::string& exeFile, const std::string& name) {
  if (name.empty()) return false;
  const std::string wanted = UpperCase(name);
  return UpperCase(fileNamePart(exeFile)) == wanted || UpperCase(exeFile) == wanted;
}

void ProcessKill(const std::string& name) {
  auto& processes = platform::processes();
  for (const auto& entry : processes.snapshot())
    if (ProcessNameMatches(entry.exeFile, name)) processes.terminate(entry.pid, 0);
}

bool ProcessExists(const std::string& name) {
  bool found = false;
  for (const auto& entry : platform::processes().snapshot())  // the walk always visits every entry
    found = found || ProcessNameMatches(entry.exeFile, name);
  return found;
}

std::string GetProcessImagePath(uint32_t processId) { return UpperCase(platform::processes().imagePath(processId)); }

void ListProcesses(ProcessList& list, bool fullPaths) {
  for (const auto& entry : platform::processes().snapshot()) {
    const std::string text = fullPaths ? GetProcessImagePath(entry.pid) : entry.exeFile;
    list.push_back({UpperCase(text), entry.pid});
  }
}

std::string GetProcessFolder(const std::string& name) {
  ProcessList list;
  ListProcesses(list, false);
  if (list.empty()) return {};
  const std::string wanted = UpperCase(name);
  for (const auto& entry : list) {
    if (entry.text != wanted) continue;
    const std::string path = GetProcessImagePath(entry.pid);
    return path.empty() ? std::string() : ExtractFilePath(path);
  }
  return {};
}

void TfInstUpdate::Process_Kills() {
  for (const std::string& name : {std::string("TilvoGames.exe"), std::string("TilvoChat.exe"), LauncherSubExe,
                                  std::string("TUtil.exe")})
    ProcessKill(name);
}

}  // namespace tilvo
