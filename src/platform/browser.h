#pragma once
// The web view that fills the window, and the page it shows as the logic sees it: a synchronous document.
//
// Page events reach the logic on the main thread, one at a time, in the order the page raised them. While
// a handler runs, `document()` is the top-level document as it stood when the event was raised.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tilvo::platform {

// What an element is, as far as the logic cares.
enum class ElementKind { Other, Input, Select };

class HtmlElement {
 public:
  virtual ~HtmlElement() = default;
  virtual std::string tagName() const = 0;  // as the document reports it ("IMG" for an HTML img)
  virtual std::string id() const = 0;
  virtual std::string alt() const = 0;  // the alt attribute; empty when the element has none
  virtual ElementKind kind() const = 0;
  virtual std::string value() const = 0;  // of an input or select element; empty for others
  virtual bool checked() const = 0;       // of an input element; false for others
  // Writes the value of an input element into the page (and into this view of it).
  virtual void setValue(const std::string& value) = 0;
};

// The sizes that measuring a page needs, in CSS pixels.
struct PageMetrics {
  bool hasHtmlElement = false;  // the body's parent is an element (the html element)
  int htmlClientWidth = 0, htmlClientHeight = 0;
  int htmlScrollWidth = 0, htmlScrollHeight = 0;
  int bodyScrollWidth = 0, bodyScrollHeight = 0;
};

class HtmlDocument {
 public:
  virtual ~HtmlDocument() = default;
  // An HTML document (XHTML included); false for an XML, SVG or other document the view may show.
  virtual bool isHtml() const = 0;
  // The document has a body (or frameset) element.
  virtual bool hasBody() const = 0;
  // The elements under the body that a lookup by id can find, in document order: every element whose id is
  // not empty, and the first element whose id is empty (it stands for all of those).
  virtual std::vector<std::shared_ptr<HtmlElement>> elementsForIdLookup() const = 0;
  // The element the current event came from (the innermost element under the pointer for a click);
  // nullptr outside an event.
  virtual std::shared_ptr<HtmlElement> eventSource() const = 0;
  // Valid when hasBody().
  virtual PageMetrics metrics() const = 0;
};

using ClickSink = std::function<void(const std::shared_ptr<HtmlDocument>& document)>;

class Browser {
 public:
  virtual ~Browser() = default;
  virtual void navigate(const std::string& url) = 0;
  // One page back in the history; nothing when there is none.
  virtual void goBack() = 0;
  // Document completion, per frame: the frame's URL and whether it is the top-level document.
  virtual void setOnDocumentComplete(std::function<void(const std::string& url, bool topLevel)> handler) = 0;
  // The top-level document; nullptr when there is none (nothing loaded yet, or a host without a document
  // model).
  virtual std::shared_ptr<HtmlDocument> document() = 0;
  // Attaches `sink` to the current top-level document, replacing the sink attached before: every later
  // click in that document calls it, with the document whose eventSource() is the clicked element. A new
  // top-level document starts without a sink; clicks in frames never reach it.
  virtual void setClickSink(ClickSink sink) = 0;
  // Runs `code` in the top-level document's window, to its end. True when it ran without an error;
  // otherwise `error` holds the message. Returns only after the page has answered; no event of the logic
  // runs meanwhile.
  virtual bool execScript(const std::string& code, std::string& error) = 0;
};

}  // namespace tilvo::platform
