#pragma once
#include <memory>
#include <optional>

#include "platform/window.h"

namespace tilvo::platform::linux_host {

// The window where there is no display: it keeps its state (size, place, visibility) and shows nothing.
// The primary screen (and work area) is 1920 x 1080 unless TILVO_SCREEN ("WIDTHxHEIGHT") says otherwise.
// Desktop composition is off unless `composition` says otherwise.
std::unique_ptr<Window> createHeadlessWindow(std::optional<bool> composition = std::nullopt);

}  // namespace tilvo::platform::linux_host
