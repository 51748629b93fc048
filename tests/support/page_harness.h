#pragma once
// The installer's window showing a page built by hand: a fresh sandbox with the fake browser, folder dialog
// and recording message boxes in place, the launcher's names set as start-up sets them, and the window
// object created.
#include <memory>
#include <string>
#include <vector>

#include "core/installer_state.h"
#include "support/fake_browser.h"
#include "support/recording_ui.h"
#include "support/sandbox.h"

namespace tilvo::testing {

class PageHarness {
 public:
  static constexpr const char* kInstallUrl = "http://127.0.0.3/inst/install.html";

  explicit PageHarness(std::vector<std::string> arguments = {});
  ~PageHarness();

  Sandbox& sandbox() { return sb_; }
  TfInstUpdate& form() { return *form_; }
  FakeBrowser& browser() { return *browser_; }
  FakeFolderDialog& folders() { return *folders_; }
  const std::vector<std::string>& messages() const { return boxes_->texts; }

  // Loads `page` as a new top-level document at `url` and completes it (the first load measures and places
  // the window; every load attaches the click sink).
  void show(std::shared_ptr<FakeDocument> page, const std::string& url = kInstallUrl);
  // Clicks a fresh element of the current page carrying `alt`; false when no sink was attached.
  bool clickNew(const std::string& tag, const std::string& alt);

 private:
  Sandbox sb_;
  std::vector<std::string> events_;
  FakeBrowser* browser_ = nullptr;
  FakeFolderDialog* folders_ = nullptr;
  RecordingMessageBoxes* boxes_ = nullptr;
  std::unique_ptr<TfInstUpdate> form_;
};

}  // namespace tilvo::testing
