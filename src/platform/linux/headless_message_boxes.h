#pragma once
#include <memory>

#include "platform/message_box.h"

namespace tilvo::platform::linux_host {

// Message boxes where there is no display: the text goes to the debugger output and the answer is OK.
std::unique_ptr<MessageBoxes> createHeadlessMessageBoxes();

}  // namespace tilvo::platform::linux_host
