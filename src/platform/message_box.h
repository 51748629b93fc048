#pragma once
// Modal message boxes of the program's window.
#include <string>

namespace tilvo::platform {

enum class MessageBoxAnswer { Ok = 1, Cancel = 2 };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows `text` with an OK button and returns the user's answer once the box is closed. Main thread;
  // the main loop keeps running while the box is open.
  virtual MessageBoxAnswer show(const std::string& text) = 0;
};

}  // namespace tilvo::platform
