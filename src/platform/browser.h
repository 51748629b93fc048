#pragma once
// The web view that fills the window.
#include <functional>
#include <string>

namespace tilvo::platform {

class Browser {
 public:
  virtual ~Browser() = default;
  virtual void navigate(const std::string& url) = 0;
  virtual void goBack() = 0;
  // Document completion, per frame: the frame's URL and whether it is the top-level document.
  virtual void setOnDocumentComplete(std::function<void(const std::string& url, bool topLevel)> handler) = 0;
};

}  // namespace tilvo::platform
