#pragma once
// A Python server script run by a test (/usr/bin/python3, Debian's own): started with --ready-file, ready
// once that file appears, stopped by the destructor with nothing left running.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/installer_state.h"
#include "support/child_process.h"
#include "support/sandbox.h"

namespace tilvo::testing {

// Path of a file in the checkout.
std::string SourcePath(const std::string& relative);

// Whether something accepts TCP connections on host:port.
bool PortAnswers(const std::string& host, int port);

class PythonServer {
 public:
  // "{folder}" in an argument stands for folder().
  PythonServer(const std::string& script, std::vector<std::string> arguments,
               std::chrono::milliseconds startLimit = std::chrono::seconds(20));
  ~PythonServer();
  PythonServer(const PythonServer&) = delete;
  PythonServer& operator=(const PythonServer&) = delete;

  // The content of the ready file.
  const nlohmann::json& ready() const { return *ready_; }
  // A folder for the server's files; removed with the server.
  const std::string& folder() const { return folder_.path(); }
  std::string stderrText() const;
  void stop();

 private:
  TempFolder folder_;
  std::unique_ptr<ChildProcess> process_;
  JsonPtr ready_;
};

}  // namespace tilvo::testing
