#include "platform/linux/headless_message_boxes.h"

#include "platform/platform.h"

namespace tilvo::platform::linux_host {
namespace {

class HeadlessMessageBoxes final : public MessageBoxes {
 public:
  MessageBoxAnswer show(const std::string& text) override {
    platform::debugOutput().write("message box: " + text);
    return MessageBoxAnswer::Ok;
  }
};

}  // namespace

std::unique_ptr<MessageBoxes> createHeadlessMessageBoxes() { return std::make_unique<HeadlessMessageBoxes>(); }

}  // namespace tilvo::platform::linux_host
