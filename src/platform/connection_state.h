#pragma once
// Whether the machine has a usable network connection.
namespace tilvo::platform {

class ConnectionState {
 public:
  virtual ~ConnectionState() = default;
  // Any thread.
  virtual bool isConnected() = 0;
};

}  // namespace tilvo::platform
