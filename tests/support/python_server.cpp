#include "support/python_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <thread>

#include "core/json.h"

namespace tilvo::testing {

std::string SourcePath(const std::string& relative) { return std::string(TILVO_SOURCE_DIR) + "/" + relative; }

bool PortAnswers(const std::string& host, int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = ::inet_pton(AF_INET, host.c_str(), &address.sin_addr) == 1 &&
                  ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

PythonServer::PythonServer(const std::string& script, std::vector<std::string> arguments,
                           std::chrono::milliseconds startLimit) {
  const std::string readyFile = folder_.path() + "/ready.json";
  ChildOptions options;
  options.argv = {"/usr/bin/python3", script, "--ready-file", readyFile};
  for (auto argument : arguments) {
    if (const size_t at = argument.find("{folder}"); at != std::string::npos) argument.replace(at, 8, folder_.path());
    options.argv.push_back(argument);
  }
  options.environment = {"PYTHONDONTWRITEBYTECODE=1"};
  options.stderrPath = folder_.path() + "/stderr.txt";
  process_ = std::make_unique<ChildProcess>(options);

  const auto deadline = std::chrono::steady_clock::now() + startLimit;
  while (!std::filesystem::exists(readyFile)) {
    if (!process_->running() || std::chrono::steady_clock::now() > deadline)
      throw std::runtime_error("the server " + script + " did not start: " + stderrText());
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ready_ = ParseJson(readFile(readyFile));
  if (!ready_) throw std::runtime_error("unreadable ready file of " + script);
}

PythonServer::~PythonServer() { stop(); }

void PythonServer::stop() {
  if (process_) process_->stop();
}

std::string PythonServer::stderrText() const { return readFile(folder_.path() + "/stderr.txt"); }

}  // namespace tilvo::testing
