#pragma once
// The local update service (tools/update-service) run for one test, on free ports: the constructor returns
// once every port answers, the destructor stops it.
#include <string>
#include <vector>

#include "support/python_server.h"

namespace tilvo::testing {

struct ServiceRequest {
  int server = 0;
  std::string method, path, userAgent, mode;
  int status = 0;  // 0: never answered (a hanging server)
  // Cloud drive requests: component "cloud", the title asked for, the Referer, when the answer started and
  // ended (seconds since the epoch), the body bytes sent.
  std::string component, title, referer;
  double started = 0, ended = 0;
  long long sent = 0;
};

class UpdateService {
 public:
  // `options`: more command-line options of the service, e.g. {"--mode", "3=down"}.
  explicit UpdateService(std::vector<std::string> options = {});

  std::string hostsEnv() const;  // the value for TILVO_SERVER_HOSTS
  std::vector<std::string> hosts() const;
  std::string url(int server, const std::string& path) const;  // "http://127.0.0.<server>:<port>" + path
  std::string versionPage(int server) const;                   // with the query of this build's edition
  // The server configuration `server` answers now (its version page's body).
  std::string configuration(int server) const;

  // Through the control port; throws when the service refuses.
  void setMode(int server, const std::string& mode);

  // The file store: its "ftp_url" (host:port/folder/), the version an entry's program has in the store,
  // raising it (last number + 1), an entry's fault mode (tools/update-service/service/launcher_files.py).
  std::string ftpUrl() const;
  std::string storeVersion(const std::string& entry) const;
  std::string storeFile(const std::string& relative) const;  // host path, e.g. of "launcher/mero/Tilvo.zip"
  void raiseVersion(const std::string& entry);
  void setStoreFault(const std::string& entry, const std::string& fault);
  // Paths of the archives the store sent (completely or not), in order, e.g. "/launcher/mero/x64/Tilvo.zip".
  std::vector<std::string> storeTransfers() const;

  // Every request the update servers received so far, in order (the store's transfers aside).
  std::vector<ServiceRequest> requests() const;
  // Requests of `server` (0: any) whose path (query included) is `path`.
  int count(int server, const std::string& path) const;

  // The cloud drive (tools/update-service/service/cloud_drive.py).
  std::string cloudCaFile() const;                          // PEM of the CA its certificate comes from
  std::string cloudUrl(const std::string& path) const;      // "https://127.0.0.1:<port>" + path
  std::string cloudIndexUrl(const std::string& pctype) const;  // on Server 3
  void cloud(const std::string& path) const;                // control "/cloud" + path, e.g. "/file/a.zip/cut"
  std::vector<ServiceRequest> cloudRequests() const;

 private:
  std::string control(const std::string& path) const;

  PythonServer process_;
  int port_ = 0;
  int controlPort_ = 0;
};

// The scripted answers of tests/support/http_fixture.py, on 127.0.0.1.
class HttpFixture {
 public:
  HttpFixture();
  std::string url(const std::string& path) const;

 private:
  PythonServer process_;
  int port_ = 0;
};

}  // namespace tilvo::testing
