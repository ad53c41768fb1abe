// The reader of PE image files behind LoadLibraryW: checks the headers and indexes the
// resource directory (type -> name or id -> language) of a file held in memory.
//
// The file comes from outside, so every offset, size and count is checked against the
// bytes before it is used; Parse refuses the whole file when any of them points outside
// it, and nothing is read unchecked afterwards.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

namespace platform::module {

// A resource type or name: a 16-bit id, or a name (compared ignoring case).
struct ResourceKey {
  bool isId = true;
  WORD id = 0;
  std::u16string name;

  static ResourceKey Id(WORD value) { return {true, value, {}}; }
  static ResourceKey Name(std::u16string value) { return {false, 0, std::move(value)}; }
  bool Matches(const ResourceKey& other) const;
};

struct ResourceEntry {
  ResourceKey type;
  ResourceKey name;
  WORD language = 0;
  const std::uint8_t* data = nullptr;  // into the image's bytes
  DWORD size = 0;
};

class PeImage {
 public:
  // Takes the file's bytes; false when they are no PE image or its resource directory
  // is damaged. On false the object holds nothing.
  bool Parse(std::vector<std::uint8_t> bytes);

  bool HasType(const ResourceKey& type) const;
  // Prefers `language` when given, else the neutral language, then US English, then the
  // first one present.
  const ResourceEntry* Find(const ResourceKey& type, const ResourceKey& name,
                            std::optional<WORD> language) const;
  // String `id` of the string tables; false when its block or entry is missing. The
  // view stays valid as long as the image lives.
  bool FindString(WORD id, std::u16string_view& text) const;

  const std::deque<ResourceEntry>& Entries() const { return m_entries; }

 private:
  bool ParseResources(std::size_t base, std::size_t span, DWORD sectionRva);
  bool ParseDirectory(std::size_t base, std::size_t span, std::size_t offset, int depth,
                      ResourceEntry& path);
  bool MapRva(DWORD rva, DWORD size, std::size_t& offset) const;
  void DecodeStringTables();

  struct Section {
    DWORD virtualAddress = 0;
    DWORD virtualSize = 0;
    DWORD rawSize = 0;
    DWORD rawPointer = 0;
  };

  std::vector<std::uint8_t> m_bytes;
  std::vector<Section> m_sections;
  std::deque<ResourceEntry> m_entries;  // a deque keeps entry addresses stable
  std::map<WORD, std::u16string> m_strings;
  std::size_t m_visited = 0;
};

}  // namespace platform::module
