#include "download/partial_download_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <random>
#include <stdexcept>

#include "platform/platform.h"

namespace tilvo {
namespace {

// Several downloads may run at once, also in several installers: a name no other one picks.
std::string TemporaryNameFor(const std::string& destination) {
  static std::atomic<uint32_t> counter{0};
  static const uint32_t salt = std::random_device{}();
  return destination + "." + std::to_string(salt) + "-" + std::to_string(++counter) + ".part";
}

}  // namespace

PartialDownloadFile::PartialDownloadFile(const std::string& destination)
    : destination_(destination), temporary_(TemporaryNameFor(destination)) {
  const std::string host = platform::fileSystem().hostPath(temporary_);
  file_ = std::fopen(host.c_str(), "wbx");  // x: never reuse a file that is there already
  if (!file_) throw std::runtime_error("cannot create " + temporary_ + ": " + std::strerror(errno));
}

PartialDownloadFile::~PartialDownloadFile() {
  Close();
  if (!committed_) platform::fileSystem().deleteFile(temporary_);
}

bool PartialDownloadFile::write(const char* data, size_t size) {
  if (!file_ || std::fwrite(data, 1, size, file_) != size) {
    writeFailed_ = true;
    return false;
  }
  return true;
}

bool PartialDownloadFile::Close() {
  if (!file_) return true;
  const bool flushed = std::fflush(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return flushed && closed;
}

void PartialDownloadFile::Commit() {
  if (writeFailed_ || !Close()) throw std::runtime_error("cannot write " + temporary_);
  const platform::Status renamed = platform::fileSystem().renameFile(temporary_, destination_);
  if (!renamed) throw std::runtime_error(renamed.message);
  committed_ = true;
}

}  // namespace tilvo
