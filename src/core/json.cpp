#include "core/json.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace tilvo {
namespace {

constexpr int kMaxDepth = 512;

const nlohmann::json* member(const nlohmann::json& object, const std::string& key) {
  if (!object.is_object()) return nullptr;
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

}  // namespace

JsonPtr ParseJson(const std::string& text) {
  bool tooDeep = false;
  const nlohmann::json::parser_callback_t limitDepth = [&tooDeep](int depth, nlohmann::json::parse_event_t,
                                                                  nlohmann::json&) {
    if (depth > kMaxDepth) tooDeep = true;
    return !tooDeep;
  };
  auto value = nlohmann::json::parse(text, limitDepth, /*allow_exceptions=*/false, /*ignore_comments=*/true);
  if (tooDeep || value.is_discarded()) return nullptr;
  return std::make_shared<nlohmann::json>(std::move(value));
}

std::string JsonReadText(const nlohmann::json& object, const std::string& key) {
  const nlohmann::json* v = member(object, key);
  if (!v || v->is_null()) return {};
  if (v->is_string()) return v->get<std::string>();
  return JsonToText(*v);
}

std::string JsonReadText(const JsonPtr& object, const std::string& key) {
  return object ? JsonReadText(*object, key) : std::string();
}

bool JsonReadBool(const nlohmann::json& object, const std::string& key) {
  const nlohmann::json* v = member(object, key);
  if (!v) return false;
  switch (v->type()) {
    case nlohmann::json::value_t::boolean:
      return v->get<bool>();
    case nlohmann::json::value_t::number_integer:
      return v->get<int64_t>() != 0;
    case nlohmann::json::value_t::number_unsigned:
      return v->get<uint64_t>() != 0;
    case nlohmann::json::value_t::number_float:
      return v->get<double>() != 0.0;
    case nlohmann::json::value_t::string:
      return !v->get_ref<const std::string&>().empty();
    case nlohmann::json::value_t::object:
    case nlohmann::json::value_t::array:
      return true;
    default:
      return false;
  }
}

bool JsonReadBool(const JsonPtr& object, const std::string& key) { return object && JsonReadBool(*object, key); }

const nlohmann::json* JsonReadObject(const nlohmann::json& object, const std::string& key) {
  const nlohmann::json* v = member(object, key);
  return v && v->is_object() ? v : nullptr;
}

const nlohmann::json* JsonReadArray(const nlohmann::json& object, const std::string& key) {
  const nlohmann::json* v = member(object, key);
  return v && v->is_array() ? v : nullptr;
}

std::string JsonToText(const nlohmann::json& value) {
  // Text that is not valid UTF-8 is written with replacement characters instead of failing.
  return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::u16string Utf8ToUtf16(const std::string& utf8) {
  std::u16string out;
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  for (size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    uint32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1Fu) : extra == 2 ? (c & 0x0Fu) : (c & 0x07u);
    bool ok = extra >= 0;
    for (int k = 1; ok && k <= extra; ++k) {
      if (i + static_cast<size_t>(k) >= n || (s[i + static_cast<size_t>(k)] & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (s[i + static_cast<size_t>(k)] & 0x3Fu);
    }
    static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (ok && (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

uint32_t JsonMemberHash(const std::string& utf8Name) {
  uint32_t h = 0;
  for (char16_t c : Utf8ToUtf16(utf8Name)) h = h * 129u + static_cast<uint32_t>(c) + 0x9E370001u;
  return h;
}

std::vector<std::string> JsonMemberOrder(const nlohmann::json& object) {
  struct Member {
    uint32_t hash;
    std::u16string units;
    std::string name;
  };
  std::vector<Member> members;
  if (!object.is_object()) return {};
  for (const auto& [name, value] : object.items()) members.push_back({JsonMemberHash(name), Utf8ToUtf16(name), name});
  std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) {
    if (a.hash != b.hash) return a.hash > b.hash;
    return a.units < b.units;
  });
  std::vector<std::string> names;
  names.reserve(members.size());
  for (auto& m : members) names.push_back(std::move(m.name));
  return names;
}

}  // namespace tilvo
