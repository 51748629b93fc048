#include "support/recording_ui.h"

#include <memory>

namespace tilvo::testing {

RecordingUi installRecordingUi(platform::Platform& p) {
  auto browser = std::make_unique<RecordingBrowser>();
  auto boxes = std::make_unique<RecordingMessageBoxes>(browser->events);
  RecordingUi ui{browser.get(), boxes.get()};
  p.browser = std::move(browser);
  p.messageBoxes = std::move(boxes);
  return ui;
}

}  // namespace tilvo::testing
