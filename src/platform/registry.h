#pragma once
// The registry: keys under root keys, typed values, the 32-bit and 64-bit views of a 64-bit system.
// Key paths use backslashes; a leading backslash is allowed ("\Software\..."). Key and value names are
// compared without regard to letter case. The empty value name is the key's default value.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace tilvo::platform {

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users };

// Default is the view of the running program, a 32-bit process: on a 64-bit system its
// HKEY_LOCAL_MACHINE\SOFTWARE lands under SOFTWARE\WOW6432Node. Key64 bypasses the redirection.
enum class RegView { Default, Key32, Key64 };

enum class RegType : uint32_t { String = 1, ExpandString = 2, Binary = 3, DWord = 4, MultiString = 7 };

struct RegValue {
  RegType type = RegType::String;
  std::string text;    // String, ExpandString
  uint32_t dword = 0;  // DWord
  std::string binary;  // Binary (raw bytes)

  static RegValue string(std::string s) { return {RegType::String, std::move(s), 0, {}}; }
  static RegValue expandString(std::string s) { return {RegType::ExpandString, std::move(s), 0, {}}; }
  static RegValue dwordValue(uint32_t v) { return {RegType::DWord, {}, v, {}}; }
};

class Registry {
 public:
  virtual ~Registry() = default;

  // Creates every missing level of the key.
  virtual Status createKey(RootKey root, const std::string& path, RegView view = RegView::Default) = 0;
  virtual bool keyExists(RootKey root, const std::string& path, RegView view = RegView::Default) = 0;
  // Fails with code 2 (file not found) when the key does not exist.
  virtual Status writeValue(RootKey root, const std::string& path, const std::string& name,
                            const RegValue& value, RegView view = RegView::Default) = 0;
  virtual std::optional<RegValue> readValue(RootKey root, const std::string& path, const std::string& name,
                                            RegView view = RegView::Default) = 0;
  virtual Status deleteValue(RootKey root, const std::string& path, const std::string& name,
                             RegView view = RegView::Default) = 0;
  // Deletes the key with all its sub-keys and values.
  virtual Status deleteKey(RootKey root, const std::string& path, RegView view = RegView::Default) = 0;
  virtual std::vector<std::string> subKeyNames(RootKey root, const std::string& path,
                                               RegView view = RegView::Default) = 0;
  virtual std::vector<std::string> valueNames(RootKey root, const std::string& path,
                                              RegView view = RegView::Default) = 0;
};

}  // namespace tilvo::platform
