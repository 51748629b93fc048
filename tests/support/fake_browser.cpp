#include "support/fake_browser.h"

namespace tilvo::testing {

FakeElement& FakeDocument::add(std::string tag, std::string id, platform::ElementKind kind) {
  elements.push_back(std::make_shared<FakeElement>(std::move(tag), std::move(id), kind));
  return *elements.back();
}

std::shared_ptr<FakeElement> FakeDocument::find(const std::string& id) const {
  for (const auto& e : elements)
    if (e->id() == id) return e;
  return nullptr;
}

std::vector<std::shared_ptr<platform::HtmlElement>> FakeDocument::elementsForIdLookup() const {
  // All of them: the elements without an id after the first cannot change a lookup's answer.
  return {elements.begin(), elements.end()};
}

bool FakeBrowser::execScript(const std::string& code, std::string& error) {
  scripts.push_back(code);
  return scriptOutcome ? scriptOutcome(code, error) : true;
}

void FakeBrowser::load(std::shared_ptr<FakeDocument> document) {
  page = std::move(document);
  sink_ = nullptr;
}

void FakeBrowser::complete(const std::string& url, bool topLevel) {
  if (onComplete_) onComplete_(url, topLevel);
}

bool FakeBrowser::click(const std::shared_ptr<FakeElement>& element) {
  if (!sink_ || !page) return false;
  page->source = element;
  const auto sink = sink_;
  sink(page);
  page->source = nullptr;
  return true;
}

std::optional<std::string> FakeFolderDialog::selectFolder(const std::string& caption, const std::string& startFolder) {
  captions.push_back(caption);
  starts.push_back(startFolder);
  if (answers.empty()) return std::nullopt;
  auto answer = answers.front();
  answers.erase(answers.begin());
  return answer;
}

}  // namespace tilvo::testing
