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

// The deepest a key may lie below its hive's top. The program's own keys lie four or five
// levels down and settings exports walk 32; every section line of the file repeats the
// key's whole path, so the limit also keeps a hive's written size in proportion to what it
// holds (a deep chain would otherwise grow with the square of its depth).
constexpr size_t kMaxKeyDepth = 32;

struct Key {
  Key() = default;
  // Frees the subtree one key at a time, without recursion.
  ~Key();
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  std::u16string name;  // as created
  std::map<std::u16string, std::unique_ptr<Key>, FoldedLess> subkeys;
  std::vector<Value> values;  // creation order
  FILETIME lastWrite;

  Value* FindValue(std::u16string_view valueName);
  Key* FindSubkey(std::u16string_view keyName);

 private:
  size_t m_searchStart = 0;  // where FindValue starts looking
};

// The hive file: a signature line, then one "[path]" section per key in depth-first,
// alphabetical order, each followed by its values:
//   "Name"=sz:"text"        a well-formed REG_SZ (escapes \\ \" \n \r \t \uXXXX)
//   "Name"=dword:0000002a   a REG_DWORD of exactly 4 bytes
//   "Name"=hex:01,02        a REG_BINARY
//   "Name"=hex(7):..        anything else, byte for byte
// "@" names the key's default value.
std::string SerializeHive(const Key& top);

struct ParsedHive {
  std::unique_ptr<Key> top;
  // Lines that could not be read and were left out: a malformed line, a value before any
  // key or repeating a name already read, a key deeper than kMaxKeyDepth, and every value
  // line of a section that was itself left out.
  size_t skippedLines = 0;
};
// Parses a hive file, keeping every entry that reads; nullopt when the text does not
// begin with the hive signature at all.
std::optional<ParsedHive> ParseHive(std::string_view text);

}  // namespace platform::registry
