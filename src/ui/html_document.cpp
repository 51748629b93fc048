#include "ui/html_document.h"

#include <stdexcept>

#include "core/text.h"

namespace tilvo {
namespace {

std::shared_ptr<platform::HtmlElement> elementOfKind(const std::shared_ptr<platform::HtmlDocument>& doc,
                                                     const std::string& id, platform::ElementKind kind) {
  auto element = GetElementById(doc, id);
  return element && element->kind() == kind ? element : nullptr;
}

}  // namespace

std::shared_ptr<platform::HtmlElement> GetElementById(const std::shared_ptr<platform::HtmlDocument>& Doc,
                                                      const std::string& Id) {
  if (!Doc || !Doc->isHtml()) throw std::runtime_error("Invalid HTML document");
  if (!Doc->hasBody()) throw std::runtime_error("Can't find <body> element");
  for (const auto& element : Doc->elementsForIdLookup())
    if (SameText(element->id(), Id)) return element;
  return nullptr;
}

std::shared_ptr<platform::HtmlElement> GetInputElementById(const std::shared_ptr<platform::HtmlDocument>& Doc,
                                                           const std::string& Id) {
  return elementOfKind(Doc, Id, platform::ElementKind::Input);
}

std::shared_ptr<platform::HtmlElement> GetSelectElementById(const std::shared_ptr<platform::HtmlDocument>& Doc,
                                                            const std::string& Id) {
  return elementOfKind(Doc, Id, platform::ElementKind::Select);
}

std::optional<PageSize> GetPageSize(const std::shared_ptr<platform::HtmlDocument>& document) {
  if (!document || !document->isHtml() || !document->hasBody()) return std::nullopt;
  const platform::PageMetrics m = document->metrics();
  if (m.hasHtmlElement && m.htmlClientWidth != 0 && m.htmlClientHeight != 0)
    return PageSize{m.htmlScrollWidth, m.htmlScrollHeight};
  return PageSize{m.bodyScrollWidth, m.bodyScrollHeight};
}

std::optional<PageSize> GetPageSize(platform::Browser& browser) { return GetPageSize(browser.document()); }

}  // namespace tilvo
