#include "support/main_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include <nlohmann/json.hpp>

#include "core/json.h"
#include "support/folder_tree.h"
#include "support/running_programs.h"

namespace tilvo::testing {

using namespace std::chrono_literals;

namespace {

const std::map<std::string, std::string> kArchives = {{"launcher", "Tilvo.zip"},
                                                      {"start", "Tilvo_Start.zip"},
                                                      {"setup", "Tilvo_Setup.zip"},
                                                      {"installer", "Tilvo_install.zip"},
                                                      {"tools", "Tilvo_Tool.zip"}};

}  // namespace

const std::map<std::string, std::string> kInstalledFiles = {
    {"Tilvo.exe", ""},       {"Tilvo_m.exe", ""},       {"res", "<folder>"},     {"res/strings.txt", ""},
    {"Tilvo_Start.exe", ""}, {"Tilvo_Setup.exe", ""},   {"Tilvo_install.exe", ""}, {"tools", "<folder>"},
    {"tools/Tilvo_Tool.exe", ""}, {"tools/lang", "<folder>"}, {"tools/lang/ko.txt", ""}};

std::vector<std::string> ManifestMembers() {
  nlohmann::json members = nlohmann::json::object();
  for (const auto& [name, archive] : kArchives) members[name] = archive;
  return JsonMemberOrder(members);
}

std::string ArchiveOf(const std::string& member) { return kArchives.at(member); }

std::vector<std::string> AllTransfers() {
  std::vector<std::string> out;
  for (const auto& member : ManifestMembers())
    out.push_back(member == "installer" ? "/launcher/mero/Tilvo_install.zip" : kStoreX64 + ArchiveOf(member));
  return out;
}

std::map<std::string, std::string> installedNames(const std::string& hostFolder) {
  std::map<std::string, std::string> out;
  for (const auto& [name, content] : folderTree(hostFolder)) {
    if (name == "setup.ini" || name == "sample_run.log" || name.rfind("icons", 0) == 0) continue;
    out[name] = content == "<folder>" ? content : "";
  }
  return out;
}

MainJob::MainJob(std::vector<std::string> serviceOptions) : service(std::move(serviceOptions)) {}

MainJob::~MainJob() { EndProcessesUnder(sb.root()); }

InstallerProcess MainJob::start(std::vector<std::string> arguments, std::vector<std::string> environment) {
  InstallerOptions options;
  options.arguments = std::move(arguments);
  options.root = sb.root();
  options.environment = {"TILVO_CONNECTED=1", "TILVO_NATIVE_ARCH=x64", "TILVO_SERVER_HOSTS=" + service.hostsEnv()};
  options.environment.insert(options.environment.end(), environment.begin(), environment.end());
  return InstallerProcess(TILVO_INSTALLER, options);
}

std::vector<std::string> MainJob::run(std::vector<std::string> arguments) {
  auto installer = start(std::move(arguments));
  const auto code = installer.waitFor(60s);
  EXPECT_EQ(code, 0) << "the installer did not end by itself";
  return installer.log();
}

std::string MainJob::host(const std::string& relative) { return sb.host(kInstallFolder) + "/" + relative; }

std::vector<pid_t> MainJob::launchers() { return ProcessesRunning(host("Tilvo.exe")); }

std::vector<std::string> MainJob::transfersSince(size_t from) {
  const auto all = service.storeTransfers();
  return {all.begin() + static_cast<long>(std::min(from, all.size())), all.end()};
}

}  // namespace tilvo::testing
