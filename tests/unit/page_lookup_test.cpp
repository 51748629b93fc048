// Reading the page: the lookup by id, the page size, and the command of an alt text.
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/fake_browser.h"
#include "ui/html_document.h"
#include "ui/page_commands.h"

namespace tilvo {
namespace {

using platform::ElementKind;
using testing::FakeBrowser;
using testing::FakeDocument;

std::string lookupError(const std::shared_ptr<FakeDocument>& doc) {
  try {
    GetElementById(doc, "icon_file");
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

TEST(GetElementById, FindsTheFirstElementWhoseIdMatchesWithoutLetterCase) {
  auto doc = std::make_shared<FakeDocument>();
  doc->add("DIV");
  doc->add("INPUT", "Icon_File", ElementKind::Input).withValue("first");
  doc->add("INPUT", "icon_file", ElementKind::Input).withValue("second");
  doc->add("SELECT", "theme", ElementKind::Select);
  ASSERT_TRUE(GetElementById(doc, "icon_file"));
  EXPECT_EQ(GetElementById(doc, "icon_file")->value(), "first");
  EXPECT_EQ(GetElementById(doc, "ICON_FILE")->value(), "first");
  EXPECT_EQ(GetElementById(doc, "icon_fil"), nullptr);
  EXPECT_EQ(GetElementById(doc, "missing"), nullptr);
  EXPECT_EQ(GetElementById(doc, "")->tagName(), "DIV");  // an element without an id has the empty id

  // The kind decides whether the element can serve as the field.
  EXPECT_TRUE(GetInputElementById(doc, "icon_file"));
  EXPECT_EQ(GetSelectElementById(doc, "icon_file"), nullptr);
  EXPECT_TRUE(GetSelectElementById(doc, "theme"));
  EXPECT_EQ(GetInputElementById(doc, "theme"), nullptr);
}

TEST(GetElementById, RaisesForADocumentItCannotSearch) {
  EXPECT_EQ(lookupError(nullptr), "Invalid HTML document");
  auto xml = std::make_shared<FakeDocument>();
  xml->html = false;
  EXPECT_EQ(lookupError(xml), "Invalid HTML document");
  auto bodiless = std::make_shared<FakeDocument>();
  bodiless->body = false;
  EXPECT_EQ(lookupError(bodiless), "Can't find <body> element");
}

TEST(GetPageSize, MeasuresTheHtmlElementOfAStandardsPageAndOtherwiseTheBody) {
  auto doc = std::make_shared<FakeDocument>();
  doc->pageMetrics = {true, 1, 1, 760, 540, 744, 528};
  FakeBrowser browser;
  browser.page = doc;
  auto size = GetPageSize(browser);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 760);
  EXPECT_EQ(size->height, 540);

  for (auto metrics : {platform::PageMetrics{true, 0, 1, 760, 540, 744, 528},   // no client width
                       platform::PageMetrics{true, 1, 0, 760, 540, 744, 528},   // no client height
                       platform::PageMetrics{false, 1, 1, 760, 540, 744, 528}}) {  // no html element
    doc->pageMetrics = metrics;
    size = GetPageSize(browser);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->width, 744);
    EXPECT_EQ(size->height, 528);
  }

  doc->body = false;
  EXPECT_FALSE(GetPageSize(browser));
  browser.page = nullptr;
  EXPECT_FALSE(GetPageSize(browser));
}

TEST(PageCommandOfAlt, TakesTheFirstTypeEntryOfTheCommaList) {
  const std::pair<const char*, const char*> cases[] = {
      {"type=close", "close"},
      {"TYPE=install", "install"},       // the entry's name ignores letter case
      {"Type=Install", "Install"},       // its value keeps it (and then matches no command)
      {"id=5,type=back", "back"},
      {"type=back,type=close", "back"},  // the first one counts
      {"\"type=close\"", "close"},       // a quoted entry is unwrapped
      {"\"a,b\",type=agree", "agree"},   // commas inside quotes separate nothing
      {"\"type=x\"\"y\"", "x\"y"},          // a doubled quote stands for one
      {"\"type=cancel", "cancel"},       // an open quote runs to the end
      {" type=close", ""},               // blanks belong to the name
      {"type= close", " close"},         // and to the value
      {"id=5; type=close", ""},          // only the comma separates
      {"type==close", "=close"},
      {"typeclose", ""},
      {"x=1,type", ""},
      {"", ""},
  };
  for (const auto& [alt, command] : cases) EXPECT_EQ(PageCommandOfAlt(alt), command) << alt;
}

TEST(SplitDelimitedText, ReadsEntriesAsTheRuntimeDoes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitDelimitedText("a,,b,"), (V{"a", "", "b", ""}));
  EXPECT_EQ(SplitDelimitedText(",a"), (V{"", "a"}));
  EXPECT_EQ(SplitDelimitedText("\"a\"b,c"), (V{"a", "b", "c"}));  // text after a closing quote is an entry
  EXPECT_EQ(SplitDelimitedText("\"\""), (V{""}));
  EXPECT_EQ(SplitDelimitedText(" a , b "), (V{" a ", " b "}));
  EXPECT_TRUE(SplitDelimitedText("").empty());
}

}  // namespace
}  // namespace tilvo
