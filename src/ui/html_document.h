#pragma once
// Reading the page: elements by id and the page's size.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/browser.h"

namespace tilvo {

// The first element under the body of `Doc`, in document order, whose id equals `Id` without regard to
// letter case; nullptr when there is none. Raises "Invalid HTML document" when `Doc` is no HTML document
// (or missing) and "Can't find <body> element" when it has no body.
std::shared_ptr<platform::HtmlElement> GetElementById(const std::shared_ptr<platform::HtmlDocument>& Doc,
                                                      const std::string& Id);

// GetElementById, when the element found is an input (a select) element; nullptr otherwise.
std::shared_ptr<platform::HtmlElement> GetInputElementById(const std::shared_ptr<platform::HtmlDocument>& Doc,
                                                           const std::string& Id);
std::shared_ptr<platform::HtmlElement> GetSelectElementById(const std::shared_ptr<platform::HtmlDocument>& Doc,
                                                            const std::string& Id);

struct PageSize {
  int32_t width = 0;
  int32_t height = 0;
};

// The scroll size of the browser's page: of the html element when its client area is not empty in either
// direction (a standards-mode page), otherwise of the body. Nothing when there is no document or no body.
std::optional<PageSize> GetPageSize(platform::Browser& browser);
std::optional<PageSize> GetPageSize(const std::shared_ptr<platform::HtmlDocument>& document);

}  // namespace tilvo
