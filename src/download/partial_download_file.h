#pragma once
// A download written to a temporary file beside its destination and given the destination's name only once
// complete: a transfer that fails or is cut short leaves no file behind, and memory stays small whatever
// the size of the file.
#include <cstdio>
#include <string>

#include "platform/http_client.h"

namespace tilvo {

class PartialDownloadFile final : public platform::HttpBodySink {
 public:
  // Creates the temporary file beside `destination` (a Windows path). Throws std::runtime_error when it
  // cannot be created.
  explicit PartialDownloadFile(const std::string& destination);
  // Removes the temporary file unless Commit succeeded.
  ~PartialDownloadFile() override;
  PartialDownloadFile(const PartialDownloadFile&) = delete;
  PartialDownloadFile& operator=(const PartialDownloadFile&) = delete;

  bool write(const char* data, size_t size) override;
  // Writes out what is buffered and renames the file to the destination, replacing a file of that name.
  // Throws std::runtime_error when the data cannot be stored.
  void Commit();

  const std::string& temporaryPath() const { return temporary_; }

 private:
  bool Close();

  std::string destination_;
  std::string temporary_;  // Windows path
  std::FILE* file_ = nullptr;
  bool committed_ = false;
  bool writeFailed_ = false;
};

}  // namespace tilvo
