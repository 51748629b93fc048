#pragma once
// A page the tests build by hand, and a browser that shows it: the logic's view of the page without a
// browser engine. Clicks and completions are raised by the test.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/browser.h"
#include "platform/folder_dialog.h"

namespace tilvo::testing {

class FakeElement final : public platform::HtmlElement {
 public:
  FakeElement(std::string tag, std::string id, platform::ElementKind kind = platform::ElementKind::Other)
      : tag_(std::move(tag)), id_(std::move(id)), kind_(kind) {}

  std::string tagName() const override { return tag_; }
  std::string id() const override { return id_; }
  std::string alt() const override { return alt_; }
  platform::ElementKind kind() const override { return kind_; }
  std::string value() const override { return value_; }
  bool checked() const override { return checked_; }
  void setValue(const std::string& value) override {
    value_ = value;
    writes.push_back(value);
  }

  FakeElement& withAlt(std::string alt) { alt_ = std::move(alt); return *this; }
  FakeElement& withValue(std::string value) { value_ = std::move(value); return *this; }
  FakeElement& withChecked(bool checked) { checked_ = checked; return *this; }

  std::vector<std::string> writes;  // every value the logic wrote

 private:
  std::string tag_, id_, alt_, value_;
  platform::ElementKind kind_;
  bool checked_ = false;
};

class FakeDocument final : public platform::HtmlDocument {
 public:
  // Appends an element under the body (document order is the order of adding).
  FakeElement& add(std::string tag, std::string id = "", platform::ElementKind kind = platform::ElementKind::Other);
  // The element of that id (exact), for the test's own use.
  std::shared_ptr<FakeElement> find(const std::string& id) const;

  bool isHtml() const override { return html; }
  bool hasBody() const override { return body; }
  std::vector<std::shared_ptr<platform::HtmlElement>> elementsForIdLookup() const override;
  std::shared_ptr<platform::HtmlElement> eventSource() const override { return source; }
  platform::PageMetrics metrics() const override { return pageMetrics; }

  bool html = true;
  bool body = true;
  std::vector<std::shared_ptr<FakeElement>> elements;
  std::shared_ptr<FakeElement> source;
  platform::PageMetrics pageMetrics;
};

class FakeBrowser final : public platform::Browser {
 public:
  void navigate(const std::string& url) override { navigations.push_back(url); }
  void goBack() override { ++backs; }
  void setOnDocumentComplete(std::function<void(const std::string&, bool)> handler) override {
    onComplete_ = std::move(handler);
  }
  std::shared_ptr<platform::HtmlDocument> document() override { return page; }
  void setClickSink(platform::ClickSink sink) override { sink_ = std::move(sink); }
  bool execScript(const std::string& code, std::string& error) override;

  // Shows `document` as a new top-level document: it starts without a click sink.
  void load(std::shared_ptr<FakeDocument> document);
  // Raises a completion as the browser would.
  void complete(const std::string& url, bool topLevel);
  // Clicks `element` of the current page; false when no sink is attached (nothing reached the logic).
  bool click(const std::shared_ptr<FakeElement>& element);
  bool hasClickSink() const { return static_cast<bool>(sink_); }

  std::shared_ptr<FakeDocument> page;  // nullptr: no document
  std::vector<std::string> navigations;
  int backs = 0;
  std::vector<std::string> scripts;  // every script run, in order
  // Decides whether a script runs without an error; by default every script does.
  std::function<bool(const std::string& code, std::string& error)> scriptOutcome;

 private:
  std::function<void(const std::string&, bool)> onComplete_;
  platform::ClickSink sink_;
};

// Answers folder requests from a list, and records where each began; cancels when the list is empty.
class FakeFolderDialog final : public platform::FolderDialog {
 public:
  std::optional<std::string> selectFolder(const std::string& caption, const std::string& startFolder) override;
  std::vector<std::optional<std::string>> answers;
  std::vector<std::string> captions, starts;
};

}  // namespace tilvo::testing
