#include "support/update_service.h"

#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "core/installer_state.h"
#include "core/json.h"
#include "platform/linux/curl_http_client.h"

namespace tilvo::testing {
namespace {

std::vector<std::string> serviceArguments(const std::vector<std::string>& options) {
  std::vector<std::string> args = {"--port", "0", "--control-port", "0", "--quiet", "--log-file",
                                   "{folder}/requests.jsonl", "--store-port", "0", "--store-program",
                                   TILVO_SAMPLE_PROGRAM, "--store-installer", TILVO_INSTALLER, "--cloud-port", "0",
                                   "--cloud-ca", TILVO_TEST_CA_CERT, TILVO_TEST_CA_KEY};
  args.insert(args.end(), options.begin(), options.end());
  return args;
}

}  // namespace

UpdateService::UpdateService(std::vector<std::string> options)
    : process_(SourcePath("tools/update-service/update_service.py"), serviceArguments(options)) {
  const auto& ready = process_.ready();
  port_ = ready["servers"]["port"].get<int>();
  controlPort_ = ready["control_port"].get<int>();
  if (!PortAnswers("127.0.0.1", controlPort_)) throw std::runtime_error("the control port does not answer");
  for (int n = 1; n <= 3; ++n) {
    const bool down = ready["servers"]["modes"][std::to_string(n)] == "down";
    if (!down && !PortAnswers("127.0.0." + std::to_string(n), port_))
      throw std::runtime_error("update server " + std::to_string(n) + " does not answer");
  }
}

std::vector<std::string> UpdateService::hosts() const {
  std::vector<std::string> out;
  for (int n = 1; n <= 3; ++n) out.push_back("127.0.0." + std::to_string(n) + ":" + std::to_string(port_));
  return out;
}

std::string UpdateService::hostsEnv() const {
  const auto h = hosts();
  return h[0] + "," + h[1] + "," + h[2];
}

std::string UpdateService::url(int server, const std::string& path) const {
  return "http://" + hosts().at(static_cast<size_t>(server - 1)) + path;
}

std::string UpdateService::versionPage(int server) const { return url(server, "/inst/tilvo_ver.html?pctype=mero"); }

namespace {

std::string get(const std::string& url) {
  platform::HttpRequest request;
  request.url = url;
  request.readTimeoutMs = 10000;
  const auto result = platform::linux_host::createCurlHttpClient()->perform(request);
  if (result.failed()) throw std::runtime_error("update service " + url + ": " + result.error);
  return result.response.body;
}

}  // namespace

std::string UpdateService::control(const std::string& path) const {
  return get("http://127.0.0.1:" + std::to_string(controlPort_) + path);
}

std::string UpdateService::configuration(int server) const { return get(versionPage(server)); }

void UpdateService::setMode(int server, const std::string& mode) {
  control("/servers/" + std::to_string(server) + "/" + mode);
}

std::vector<ServiceRequest> UpdateService::requests() const {
  std::vector<ServiceRequest> out;
  std::istringstream lines(readFile(process_.folder() + "/requests.jsonl"));
  for (std::string line; std::getline(lines, line);) {
    const JsonPtr record = ParseJson(line);
    if (!record || !record->is_object() || JsonReadText(record, "component") == "store") continue;
    ServiceRequest r;
    r.server = record->value("server", 0);
    r.method = JsonReadText(record, "method");
    r.path = JsonReadText(record, "path");
    r.userAgent = JsonReadText(record, "user_agent");
    r.mode = JsonReadText(record, "mode");
    const auto& status = (*record)["status"];
    r.status = status.is_number_integer() ? status.get<int>() : 0;
    r.component = JsonReadText(record, "component");
    r.title = JsonReadText(record, "title");
    r.referer = JsonReadText(record, "referer");
    r.started = record->value("started", 0.0);
    r.ended = record->value("time", 0.0);
    const auto& sent = (*record)["sent"];
    r.sent = sent.is_number_integer() ? sent.get<long long>() : 0;
    out.push_back(std::move(r));
  }
  return out;
}

std::string UpdateService::ftpUrl() const { return process_.ready()["store"]["ftp_url"].get<std::string>(); }

std::string UpdateService::storeFile(const std::string& relative) const {
  return process_.ready()["store"]["root"].get<std::string>() + "/" + relative;
}

void UpdateService::raiseVersion(const std::string& entry) { control("/store/raise/" + entry); }

void UpdateService::setStoreFault(const std::string& entry, const std::string& fault) {
  control("/store/fault/" + entry + "/" + fault);
}

std::string UpdateService::storeVersion(const std::string& entry) const {
  const JsonPtr state = ParseJson(control("/state"));
  if (!state) throw std::runtime_error("the update service's state is no JSON");
  return (*state)["store"]["entries"][entry]["ver"].get<std::string>();
}

std::vector<std::string> UpdateService::storeTransfers() const {
  std::vector<std::string> out;
  std::istringstream lines(readFile(process_.folder() + "/requests.jsonl"));
  for (std::string line; std::getline(lines, line);) {
    const JsonPtr record = ParseJson(line);
    if (record && JsonReadText(record, "component") == "store") out.push_back(JsonReadText(record, "path"));
  }
  return out;
}

int UpdateService::count(int server, const std::string& path) const {
  int n = 0;
  for (const auto& r : requests())
    if ((server == 0 || r.server == server) && r.path == path) ++n;
  return n;
}

std::string UpdateService::cloudCaFile() const { return process_.ready()["cloud"]["ca_file"].get<std::string>(); }

std::string UpdateService::cloudUrl(const std::string& path) const {
  return process_.ready()["cloud"]["base_url"].get<std::string>() + path;
}

std::string UpdateService::cloudIndexUrl(const std::string& pctype) const {
  return url(3, "/inst/googledrive/" + pctype + ".json");
}

void UpdateService::cloud(const std::string& path) const { control("/cloud" + path); }

std::vector<ServiceRequest> UpdateService::cloudRequests() const {
  std::vector<ServiceRequest> out;
  for (auto& r : requests())
    if (r.component == "cloud") out.push_back(std::move(r));
  return out;
}

HttpFixture::HttpFixture() : process_(SourcePath("tests/support/http_fixture.py"), {}) {
  port_ = process_.ready()["port"].get<int>();
  if (!PortAnswers("127.0.0.1", port_)) throw std::runtime_error("the HTTP fixture does not answer");
}

std::string HttpFixture::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

}  // namespace tilvo::testing
