#include "support/page_harness.h"

namespace tilvo::testing {

PageHarness::PageHarness(std::vector<std::string> arguments) : sb_(std::move(arguments)) {
  auto& p = sb_.platform();
  auto browser = std::make_unique<FakeBrowser>();
  browser_ = browser.get();
  p.browser = std::move(browser);
  auto folders = std::make_unique<FakeFolderDialog>();
  folders_ = folders.get();
  p.folderDialog = std::move(folders);
  auto boxes = std::make_unique<RecordingMessageBoxes>(events_);
  boxes_ = boxes.get();
  p.messageBoxes = std::move(boxes);

  PcType = "mero";
  InstallerExeName = "Tilvo_install.exe";
  LauncherName = "Tilvo launcher";
  LauncherExe = "Tilvo.exe";
  LauncherSubExe = "Tilvo_m.exe";
  InstallPath = "C:\\Tilvo launcher\\";
  DebugMode = true;
  form_ = std::make_unique<TfInstUpdate>();
  form_->FThemeName = "default";
  fInstUpdate = form_.get();
}

PageHarness::~PageHarness() {
  fInstUpdate = nullptr;
  form_.reset();
}

void PageHarness::show(std::shared_ptr<FakeDocument> page, const std::string& url) {
  browser_->load(std::move(page));
  browser_->complete(url, true);
}

bool PageHarness::clickNew(const std::string& tag, const std::string& alt) {
  auto& element = browser_->page->add(tag);
  element.withAlt(alt);
  return browser_->click(browser_->page->elements.back());
}

}  // namespace tilvo::testing
