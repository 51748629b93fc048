#pragma once
// Reading the JSON documents of the servers: lenient parsing, values read by key with the installer's
// rules, and the order in which the installer walks an object's members.
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "core/installer_state.h"

namespace tilvo {

// Parses `text`. Accepted beyond strict JSON: a UTF-8 byte order mark, comments (// and /* */), and
// surrounding blanks. Nesting deeper than 512 levels is refused. Empty when the text is no JSON.
JsonPtr ParseJson(const std::string& text);

// The value of `key` as text: a string unchanged; null or a missing key the empty text; any other value its
// compact JSON text (true reads as "true"). `object` that is not an object reads every key as missing.
std::string JsonReadText(const nlohmann::json& object, const std::string& key);
std::string JsonReadText(const JsonPtr& object, const std::string& key);

// The value of `key` as a Boolean: true, a non-zero number, a non-empty string (also "false"), an object
// and an array are true; false, 0, "", null and a missing key are false.
bool JsonReadBool(const nlohmann::json& object, const std::string& key);
bool JsonReadBool(const JsonPtr& object, const std::string& key);

// The value of `key` when it is an object (an array); nullptr when missing or of another kind.
const nlohmann::json* JsonReadObject(const nlohmann::json& object, const std::string& key);
const nlohmann::json* JsonReadArray(const nlohmann::json& object, const std::string& key);

// Compact JSON text of a value.
std::string JsonToText(const nlohmann::json& value);

// The hash that orders members: over the UTF-16 code units c of the name, h := h * 129 + c + 0x9E370001.
uint32_t JsonMemberHash(const std::string& utf8Name);

// The names of `object`'s members in walk order: descending hash, equal hashes in ascending UTF-16
// code-unit order. Empty for anything that is not an object.
std::vector<std::string> JsonMemberOrder(const nlohmann::json& object);

// UTF-8 to UTF-16 code units; a malformed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(const std::string& utf8);

}  // namespace tilvo
