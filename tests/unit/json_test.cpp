#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/json.h"

namespace tilvo {
namespace {

TEST(ParseJson, KeepsTheKindOfTheDocumentAndAcceptsCommentsAndBom) {
  EXPECT_TRUE(ParseJson(R"("go to server 1")")->is_string());
  EXPECT_TRUE(ParseJson(" {\"a\": 1} ")->is_object());
  EXPECT_TRUE(ParseJson("\xEF\xBB\xBF{\"a\": 1}")->is_object());
  EXPECT_TRUE(ParseJson("{ // comment\n \"a\": /* x */ 1}")->is_object());
  EXPECT_EQ(ParseJson("<html>not json</html>"), nullptr);
  EXPECT_EQ(ParseJson(""), nullptr);
  EXPECT_EQ(ParseJson(std::string(100000, '[') + std::string(100000, ']')), nullptr);  // depth limit
}

TEST(JsonRead, FollowsTheTextAndBooleanRules) {
  const auto doc = ParseJson(R"({"s": "x", "e": "", "f": "false", "t": true, "no": false, "n0": 0, "n": 2.5,
                                 "null": null, "o": {}, "a": [], "obj": {"k": [1, "two"]}})");
  ASSERT_TRUE(doc);
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"s", "x", true},     {"e", "", false},       {"f", "false", true}, {"t", "true", true},
      {"no", "false", false}, {"n0", "0", false},   {"n", "2.5", true},   {"null", "", false},
      {"o", "{}", true},    {"a", "[]", true},      {"missing", "", false},
      {"obj", R"({"k":[1,"two"]})", true},
  };
  for (const auto& [key, text, boolean] : cases) {
    EXPECT_EQ(JsonReadText(doc, key), text) << key;
    EXPECT_EQ(JsonReadBool(doc, key), boolean) << key;
  }
  EXPECT_NE(JsonReadObject(*doc, "obj"), nullptr);
  EXPECT_EQ(JsonReadObject(*doc, "a"), nullptr);
  EXPECT_NE(JsonReadArray(*doc, "a"), nullptr);
  EXPECT_EQ(JsonReadArray(*doc, "missing"), nullptr);
  EXPECT_EQ(JsonReadText(JsonPtr(), "s"), "");
  EXPECT_EQ(JsonReadText(*ParseJson("\"str\""), "s"), "");  // not an object: every key is missing
}

uint32_t referenceHash(const std::u16string& units) {
  uint64_t h = 0;
  for (char16_t c : units) h = (h * 129 + c + 0x9E370001ull) % (1ull << 32);
  return static_cast<uint32_t>(h);
}

TEST(JsonMemberOrder, WalksByDescendingHashOverUtf16CodeUnits) {
  EXPECT_EQ(JsonMemberHash("a"), 0x9E370062u);
  const std::pair<std::string, std::u16string> names[] = {
      {"Tilvo.exe", u"Tilvo.exe"},
      {"data\\\xED\x85\x8C\xEB\xA7\x88.zip", u"data\\\uD14C\uB9C8.zip"},  // Hangul
      {"caf\xC3\xA9", u"caf\u00E9"},
      {"\xF0\x9F\x8E\xAE", u"\U0001F3AE"},  // outside the BMP: two code units
      {"", u""},
  };
  nlohmann::json object = nlohmann::json::object();
  std::vector<std::pair<uint32_t, std::string>> expected;
  for (const auto& [utf8, utf16] : names) {
    EXPECT_EQ(JsonMemberHash(utf8), referenceHash(utf16)) << utf8;
    object[utf8] = 1;
    expected.emplace_back(referenceHash(utf16), utf8);
  }
  std::sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first > b.first; });
  std::vector<std::string> expectedNames;
  for (auto& e : expected) expectedNames.push_back(e.second);
  EXPECT_EQ(JsonMemberOrder(object), expectedNames);
}

TEST(JsonMemberOrder, EqualHashesComeInAscendingCodeUnitOrder) {
  // (c1 + K) * 129 + c2 is equal for "B!" and "A" + U+00A2, since 129 * 1 == 0xA2 - 0x21.
  const std::string first = "A\xC2\xA2", second = "B!";
  ASSERT_EQ(JsonMemberHash(first), JsonMemberHash(second));
  nlohmann::json object = {{second, 1}, {first, 2}};
  EXPECT_EQ(JsonMemberOrder(object), (std::vector<std::string>{first, second}));
}

TEST(Utf8ToUtf16, ReplacesMalformedSequences) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");            // cut short
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
}

}  // namespace
}  // namespace tilvo
