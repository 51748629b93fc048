#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/linux/page_snapshot.h"

namespace tilvo::platform::linux_host {
namespace {

using nlohmann::json;

json element(int ref, const char* tag, const char* id, const char* kind, const char* value = "", bool checked = false) {
  return {{"ref", ref}, {"tag", tag}, {"id", id}, {"alt", nullptr}, {"kind", kind}, {"value", value}, {"checked", checked}};
}

json snapshot() {
  json source = element(2, "IMG", "", "other");
  source["alt"] = "type=close";
  return {{"serial", 77},
          {"html", true},
          {"body", true},
          {"metrics",
           {{"html", true}, {"clientWidth", 1}, {"clientHeight", 1}, {"scrollWidth", 760}, {"scrollHeight", 540},
            {"bodyScrollWidth", 744}, {"bodyScrollHeight", 528}}},
          {"elements",
           {element(0, "INPUT", "icon_file", "input", "C:\\Tilvo launcher\\"), element(1, "SELECT", "theme", "select", "dark"),
            element(3, "INPUT", "chk_agree", "input", "on", true)}},
          {"source", source}};
}

struct Write {
  long long serial, ref;
  std::string value;
};

TEST(PageSnapshot, BecomesTheDocumentTheLogicReads) {
  std::vector<Write> writes;
  const ValueWriter writer = [&](long long serial, long long ref, const std::string& v) { writes.push_back({serial, ref, v}); };
  const auto doc = parseSnapshot(snapshot().dump(), writer, {744, 528});
  ASSERT_TRUE(doc);
  EXPECT_TRUE(doc->isHtml());
  EXPECT_TRUE(doc->hasBody());
  const auto elements = doc->elementsForIdLookup();
  ASSERT_EQ(elements.size(), 3u);
  EXPECT_EQ(elements[0]->id(), "icon_file");
  EXPECT_EQ(elements[0]->kind(), ElementKind::Input);
  EXPECT_EQ(elements[0]->value(), "C:\\Tilvo launcher\\");
  EXPECT_EQ(elements[1]->kind(), ElementKind::Select);
  EXPECT_EQ(elements[1]->value(), "dark");
  EXPECT_TRUE(elements[2]->checked());
  ASSERT_TRUE(doc->eventSource());
  EXPECT_EQ(doc->eventSource()->tagName(), "IMG");
  EXPECT_EQ(doc->eventSource()->alt(), "type=close");
  EXPECT_EQ(elements[0]->alt(), "");  // no attribute

  const PageMetrics m = doc->metrics();
  EXPECT_TRUE(m.hasHtmlElement);
  EXPECT_EQ(m.htmlClientWidth, 1);
  EXPECT_EQ(m.htmlScrollWidth, 760);
  EXPECT_EQ(m.bodyScrollHeight, 528);

  // Writes reach the page for input elements only, and are seen at once.
  elements[0]->setValue("D:\\Games\\Tilvo launcher\\");
  elements[1]->setValue("light");
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].serial, 77);
  EXPECT_EQ(writes[0].ref, 0);
  EXPECT_EQ(writes[0].value, "D:\\Games\\Tilvo launcher\\");
  EXPECT_EQ(elements[0]->value(), "D:\\Games\\Tilvo launcher\\");
  EXPECT_EQ(elements[1]->value(), "dark");
}

TEST(PageSnapshot, AWindowOfSizeZeroHasAViewportOfSizeZero) {
  const auto zero = parseSnapshot(snapshot().dump(), {}, {0, 0});
  ASSERT_TRUE(zero);
  EXPECT_EQ(zero->metrics().htmlClientWidth, 0);
  EXPECT_EQ(zero->metrics().htmlClientHeight, 0);
  EXPECT_EQ(zero->metrics().htmlScrollWidth, 760);
  const auto onlyHeight = parseSnapshot(snapshot().dump(), {}, {300, 0});
  EXPECT_EQ(onlyHeight->metrics().htmlClientWidth, 1);
  EXPECT_EQ(onlyHeight->metrics().htmlClientHeight, 0);
}

TEST(PageSnapshot, OneObjectPerElementOfThePage) {
  json s = snapshot();
  s["source"] = element(0, "INPUT", "icon_file", "input", "C:\\Tilvo launcher\\");  // the clicked field itself
  const auto doc = parseSnapshot(s.dump(), {}, {1, 1});
  ASSERT_TRUE(doc);
  doc->eventSource()->setValue("X:\\");
  EXPECT_EQ(doc->elementsForIdLookup()[0]->value(), "X:\\");
}

TEST(PageSnapshot, RefusesWhatThePageScriptNeverSends) {
  const std::vector<std::function<void(json&)>> breakages = {
      [](json& s) { s.erase("serial"); },
      [](json& s) { s["serial"] = -1; },
      [](json& s) { s["html"] = "yes"; },
      [](json& s) { s["metrics"]["scrollWidth"] = -5; },
      [](json& s) { s["metrics"]["clientWidth"] = 1.5; },
      [](json& s) { s["metrics"] = nullptr; },
      [](json& s) { s["elements"] = json::object(); },
      [](json& s) { s["elements"][0]["kind"] = "textarea"; },
      [](json& s) { s["elements"][0]["checked"] = "true"; },
      [](json& s) { s["elements"][0]["alt"] = 5; },
      [](json& s) { s["elements"][0]["ref"] = -1; },
      [](json& s) { s["elements"][0]["id"] = nullptr; },
      [](json& s) { s["source"] = "IMG"; },
      [](json& s) { s.erase("source"); },
  };
  for (size_t i = 0; i < breakages.size(); ++i) {
    json s = snapshot();
    breakages[i](s);
    EXPECT_EQ(parseSnapshot(s.dump(), {}, {1, 1}), nullptr) << "case " << i;
  }
  EXPECT_EQ(parseSnapshot("not json", {}, {1, 1}), nullptr);
  EXPECT_EQ(parseSnapshot("[]", {}, {1, 1}), nullptr);

  json bodiless = snapshot();
  bodiless["body"] = false;
  bodiless["metrics"] = nullptr;  // not read without a body
  bodiless["elements"] = json::array();
  const auto doc = parseSnapshot(bodiless.dump(), {}, {1, 1});
  ASSERT_TRUE(doc);
  EXPECT_FALSE(doc->hasBody());
}

TEST(PageMessage, AcceptsOnlyTheMessagesOfThePageScript) {
  const json top = {{"event", "complete"}, {"top", true}, {"url", "http://127.0.0.3/inst/install.html"}, {"snapshot", snapshot()}};
  const auto complete = parsePageMessage(top.dump());
  ASSERT_TRUE(complete);
  EXPECT_EQ(complete->kind, PageMessage::Kind::Complete);
  EXPECT_TRUE(complete->topLevel);
  EXPECT_EQ(complete->url, "http://127.0.0.3/inst/install.html");
  ASSERT_TRUE(complete->snapshot);

  const json frame = {{"event", "complete"}, {"top", false}, {"url", "http://other.example/ad.html"}, {"snapshot", nullptr}};
  const auto frameComplete = parsePageMessage(frame.dump());
  ASSERT_TRUE(frameComplete);
  EXPECT_FALSE(frameComplete->topLevel);
  EXPECT_FALSE(frameComplete->snapshot);

  json click = top;
  click["event"] = "click";
  ASSERT_TRUE(parsePageMessage(click.dump()));
  EXPECT_EQ(parsePageMessage(click.dump())->kind, PageMessage::Kind::Click);

  std::vector<json> refused;
  json frameClick = frame;  // a frame's clicks never reach the top document's sink
  frameClick["event"] = "click";
  refused.push_back(frameClick);
  json frameWithSnapshot = frame;  // a frame cannot see the top document
  frameWithSnapshot["snapshot"] = snapshot();
  refused.push_back(frameWithSnapshot);
  json topWithout = top;
  topWithout["snapshot"] = nullptr;
  refused.push_back(topWithout);
  json otherEvent = top;
  otherEvent["event"] = "navigate";
  refused.push_back(otherEvent);
  json numericUrl = top;
  numericUrl["url"] = 5;
  refused.push_back(numericUrl);
  json stringTop = top;
  stringTop["top"] = "true";
  refused.push_back(stringTop);
  refused.push_back(json::array({top}));
  for (const auto& m : refused) EXPECT_FALSE(parsePageMessage(m.dump())) << m.dump().substr(0, 80);
  EXPECT_FALSE(parsePageMessage("{\"event\": \"complete\""));
}

}  // namespace
}  // namespace tilvo::platform::linux_host
