#pragma once
// Fakes of the window's browser and message boxes that record what the logic asked of them.
#include <functional>
#include <string>
#include <vector>

#include "platform/browser.h"
#include "platform/message_box.h"
#include "platform/platform.h"

namespace tilvo::testing {

// Records what it is asked to load; completes nothing unless a test calls onDocumentComplete.
class RecordingBrowser final : public platform::Browser {
 public:
  void navigate(const std::string& url) override {
    navigations.push_back(url);
    events.push_back("navigate " + url);
  }
  void goBack() override {
    ++backs;
    events.push_back("back");
  }
  void setOnDocumentComplete(std::function<void(const std::string&, bool)> handler) override {
    onDocumentComplete = std::move(handler);
  }
  std::shared_ptr<platform::HtmlDocument> document() override { return nullptr; }
  void setClickSink(platform::ClickSink) override {}
  bool execScript(const std::string& code, std::string&) override {
    events.push_back("script " + code);
    return true;
  }
  std::vector<std::string> events;  // what was asked, in order (message boxes too, see installRecordingUi)
  std::vector<std::string> navigations;
  int backs = 0;
  std::function<void(const std::string&, bool)> onDocumentComplete;
};

class RecordingMessageBoxes final : public platform::MessageBoxes {
 public:
  explicit RecordingMessageBoxes(std::vector<std::string>& events) : events_(events) {}
  platform::MessageBoxAnswer show(const std::string& text) override {
    texts.push_back(text);
    events_.push_back("message " + text);
    return platform::MessageBoxAnswer::Ok;
  }
  std::vector<std::string> texts;

 private:
  std::vector<std::string>& events_;
};

// Installs both into `p`; the message boxes append to the browser's event list, so tests see the order.
struct RecordingUi {
  RecordingBrowser* browser = nullptr;
  RecordingMessageBoxes* messageBoxes = nullptr;
};
RecordingUi installRecordingUi(platform::Platform& p);

}  // namespace tilvo::testing
