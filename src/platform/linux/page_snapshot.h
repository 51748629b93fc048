#pragma once
// The page's side of the browser reports what it sees as JSON; this turns a report into the document the
// logic reads, and checks every field on the way: a report that is not exactly what the page script sends
// is refused.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "platform/browser.h"

namespace tilvo::platform::linux_host {

// Sends a value written by the logic back to the element `ref` of snapshot `serial` in the page.
using ValueWriter = std::function<void(long long serial, long long ref, const std::string& value)>;

struct ViewportSize {
  int width = 0, height = 0;
};

// A snapshot of the top-level document. `viewport` is the window's size as the logic set it: GTK cannot
// make the view smaller than 1 x 1, but a window of size zero has a viewport of size zero, so the html
// element's client size is zero in that dimension, as the logic expects it to measure then.
// nullptr when `json` is not a valid snapshot.
std::shared_ptr<HtmlDocument> snapshotFromJson(const nlohmann::json& snapshot, const ValueWriter& writer,
                                            ViewportSize viewport);
std::shared_ptr<HtmlDocument> parseSnapshot(const std::string& json, const ValueWriter& writer, ViewportSize viewport);

// A top-level document that has begun to load and has not reported yet: HTML, no body.
std::shared_ptr<HtmlDocument> loadingDocument();

// One message of the page script.
struct PageMessage {
  enum class Kind { Complete, Click };
  Kind kind = Kind::Complete;
  bool topLevel = false;
  std::string url;
  std::shared_ptr<const nlohmann::json> snapshot;  // of the top-level document; none for a frame's completion
};

// nullopt when `json` is not a valid message. A click must come from the top-level document and a
// top-level completion must carry its snapshot; a frame's completion carries none.
std::optional<PageMessage> parsePageMessage(const std::string& json);

}  // namespace tilvo::platform::linux_host
