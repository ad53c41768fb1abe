// The registry's in-memory tree and its text file form (internal to the registry area).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Base.h"
#include "platform/base/Win32Types.h"

namespace platform::registry {

struct Value {
  std::u16string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

struct FoldedLess {
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    return CompareIgnoreCase(a, b) < 0;
  }
};

struct Key {
  std::u16string name;  // as created
  std::map<std::u16string, std::unique_ptr<Key>, FoldedLess> subkeys;
  std::vector<Value> values;  // creation order
  FILETIME lastWrite;

  Value* FindValue(std::u16string_view valueName);
  Key* FindSubkey(std::u16string_view keyName);
};

// The hive file: a signature line, then one "[path]" section per key in depth-first,
// alphabetical order, each followed by its values:
//   "Name"=sz:"text"        a well-formed REG_SZ (escapes \\ \" \n \r \t \uXXXX)
//   "Name"=dword:0000002a   a REG_DWORD of exactly 4 bytes
//   "Name"=hex:01,02        a REG_BINARY
//   "Name"=hex(7):..        anything else, byte for byte
// "@" names the key's default value.
std::string SerializeHive(const Key& top);
// Parses a hive file; nullopt when any line is malformed.
std::optional<std::unique_ptr<Key>> ParseHive(std::string_view text);

}  // namespace platform::registry
