#include "platform/module/PeImage.h"

#include <cstring>
#include <set>

#include "platform/base/Base.h"

namespace platform::module {

namespace {

constexpr WORD kStringTableType = 6;
constexpr WORD kLanguageNeutral = 0;
constexpr WORD kLanguageUsEnglish = 0x0409;
// Far more entries than any real resource tree holds; a directory that refers back to
// itself would otherwise multiply its entries level by level.
constexpr std::size_t kMostEntries = 200000;

bool Read16(const std::vector<std::uint8_t>& bytes, std::size_t offset, WORD& value) {
  if (offset > bytes.size() || bytes.size() - offset < 2) return false;
  value = static_cast<WORD>(bytes[offset] | (bytes[offset + 1] << 8));
  return true;
}

bool Read32(const std::vector<std::uint8_t>& bytes, std::size_t offset, DWORD& value) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return false;
  value = static_cast<DWORD>(bytes[offset]) | (static_cast<DWORD>(bytes[offset + 1]) << 8) |
          (static_cast<DWORD>(bytes[offset + 2]) << 16) | (static_cast<DWORD>(bytes[offset + 3]) << 24);
  return true;
}

}  // namespace

bool ResourceKey::Matches(const ResourceKey& other) const {
  if (isId != other.isId) return false;
  return isId ? id == other.id : platform::EqualsIgnoreCase(name, other.name);
}

bool PeImage::Parse(std::vector<std::uint8_t> bytes) {
  m_bytes = std::move(bytes);
  m_sections.clear();
  m_entries.clear();
  m_strings.clear();
  m_visited = 0;

  auto fail = [this] {
    m_bytes.clear();
    m_sections.clear();
    m_entries.clear();
    m_strings.clear();
    return false;
  };

  // DOS header: "MZ" and the offset of the PE header at 0x3C.
  WORD magic = 0;
  DWORD peOffset = 0;
  if (!Read16(m_bytes, 0, magic) || magic != 0x5A4D) return fail();
  if (!Read32(m_bytes, 0x3C, peOffset)) return fail();
  DWORD signature = 0;
  if (!Read32(m_bytes, peOffset, signature) || signature != 0x00004550) return fail();

  // File header (20 bytes after the signature).
  std::size_t fileHeader = static_cast<std::size_t>(peOffset) + 4;
  WORD sectionCount = 0;
  WORD optionalSize = 0;
  if (!Read16(m_bytes, fileHeader + 2, sectionCount) || !Read16(m_bytes, fileHeader + 16, optionalSize))
    return fail();
  std::size_t optional = fileHeader + 20;
  if (optional + optionalSize > m_bytes.size()) return fail();

  // Optional header: PE32 keeps its data directories at 96, PE32+ at 112.
  WORD optionalMagic = 0;
  if (optionalSize < 2 || !Read16(m_bytes, optional, optionalMagic)) return fail();
  std::size_t countField = 0;
  std::size_t directories = 0;
  if (optionalMagic == 0x10B) {
    countField = 92;
    directories = 96;
  } else if (optionalMagic == 0x20B) {
    countField = 108;
    directories = 112;
  } else {
    return fail();
  }
  DWORD resourceRva = 0;
  DWORD resourceSize = 0;
  DWORD directoryCount = 0;
  if (optionalSize >= countField + 4 && Read32(m_bytes, optional + countField, directoryCount) &&
      directoryCount > 2 && optionalSize >= directories + 3 * 8) {
    if (!Read32(m_bytes, optional + directories + 16, resourceRva) ||
        !Read32(m_bytes, optional + directories + 20, resourceSize))
      return fail();
  }

  // Section table.
  std::size_t table = optional + optionalSize;
  if (table + static_cast<std::size_t>(sectionCount) * 40 > m_bytes.size()) return fail();
  for (WORD i = 0; i < sectionCount; ++i) {
    std::size_t at = table + static_cast<std::size_t>(i) * 40;
    Section s;
    if (!Read32(m_bytes, at + 8, s.virtualSize) || !Read32(m_bytes, at + 12, s.virtualAddress) ||
        !Read32(m_bytes, at + 16, s.rawSize) || !Read32(m_bytes, at + 20, s.rawPointer))
      return fail();
    if (s.rawSize && static_cast<std::uint64_t>(s.rawPointer) + s.rawSize > m_bytes.size()) return fail();
    m_sections.push_back(s);
  }

  if (resourceRva == 0 || resourceSize == 0) return true;  // a module without resources

  // The resource directory must lie inside one section's file data; directory offsets
  // are relative to its start and may reach up to the end of that section's data.
  for (const Section& s : m_sections) {
    if (resourceRva < s.virtualAddress) continue;
    std::uint64_t into = resourceRva - s.virtualAddress;
    if (into >= s.rawSize) continue;
    std::size_t base = static_cast<std::size_t>(s.rawPointer + into);
    std::size_t span = static_cast<std::size_t>(s.rawSize - into);
    if (!ParseResources(base, span, resourceRva)) return fail();
    DecodeStringTables();
    return true;
  }
  return fail();
}

bool PeImage::ParseResources(std::size_t base, std::size_t span, DWORD) {
  ResourceEntry path;
  return ParseDirectory(base, span, 0, 0, path);
}

bool PeImage::ParseDirectory(std::size_t base, std::size_t span, std::size_t offset, int depth,
                             ResourceEntry& path) {
  WORD named = 0;
  WORD ids = 0;
  if (offset > span || span - offset < 16) return false;
  if (!Read16(m_bytes, base + offset + 12, named) || !Read16(m_bytes, base + offset + 14, ids)) return false;
  std::size_t count = static_cast<std::size_t>(named) + ids;
  if ((span - offset - 16) / 8 < count) return false;
  m_visited += count;
  if (m_visited > kMostEntries) return false;

  for (std::size_t i = 0; i < count; ++i) {
    std::size_t at = base + offset + 16 + i * 8;
    DWORD nameField = 0;
    DWORD dataField = 0;
    if (!Read32(m_bytes, at, nameField) || !Read32(m_bytes, at + 4, dataField)) return false;

    ResourceKey key;
    if (nameField & 0x80000000u) {
      std::size_t nameOffset = nameField & 0x7FFFFFFFu;
      WORD length = 0;
      if (nameOffset > span || span - nameOffset < 2) return false;
      if (!Read16(m_bytes, base + nameOffset, length)) return false;
      if ((span - nameOffset - 2) / 2 < length) return false;
      key.isId = false;
      key.name.resize(length);
      for (WORD c = 0; c < length; ++c) {
        WORD unit = 0;
        Read16(m_bytes, base + nameOffset + 2 + 2 * c, unit);
        key.name[c] = static_cast<char16_t>(unit);
      }
    } else {
      key = ResourceKey::Id(static_cast<WORD>(nameField & 0xFFFF));
    }

    bool isDirectory = (dataField & 0x80000000u) != 0;
    std::size_t target = dataField & 0x7FFFFFFFu;
    if (depth < 2) {
      if (!isDirectory) return false;
      if (depth == 0) path.type = key;
      else path.name = key;
      if (!ParseDirectory(base, span, target, depth + 1, path)) return false;
      continue;
    }
    // Level three: the language, pointing at a data entry (RVA, size, code page).
    if (isDirectory || !key.isId) return false;
    if (target > span || span - target < 16) return false;
    DWORD dataRva = 0;
    DWORD dataSize = 0;
    if (!Read32(m_bytes, base + target, dataRva) || !Read32(m_bytes, base + target + 4, dataSize)) return false;
    std::size_t dataOffset = 0;
    if (!MapRva(dataRva, dataSize, dataOffset)) return false;
    ResourceEntry entry = path;
    entry.language = key.id;
    entry.data = m_bytes.data() + dataOffset;
    entry.size = dataSize;
    m_entries.push_back(std::move(entry));
  }
  return true;
}

bool PeImage::MapRva(DWORD rva, DWORD size, std::size_t& offset) const {
  for (const Section& s : m_sections) {
    if (rva < s.virtualAddress) continue;
    std::uint64_t into = rva - s.virtualAddress;
    if (into > s.rawSize || s.rawSize - into < size) continue;
    offset = static_cast<std::size_t>(s.rawPointer + into);
    return offset <= m_bytes.size() && m_bytes.size() - offset >= size;
  }
  return false;
}

bool PeImage::HasType(const ResourceKey& type) const {
  for (const ResourceEntry& entry : m_entries)
    if (entry.type.Matches(type)) return true;
  return false;
}

const ResourceEntry* PeImage::Find(const ResourceKey& type, const ResourceKey& name,
                                   std::optional<WORD> language) const {
  const ResourceEntry* first = nullptr;
  const ResourceEntry* neutral = nullptr;
  const ResourceEntry* english = nullptr;
  for (const ResourceEntry& entry : m_entries) {
    if (!entry.type.Matches(type) || !entry.name.Matches(name)) continue;
    if (language && entry.language == *language) return &entry;
    if (!first) first = &entry;
    if (!neutral && entry.language == kLanguageNeutral) neutral = &entry;
    if (!english && entry.language == kLanguageUsEnglish) english = &entry;
  }
  if (language) return nullptr;
  return neutral ? neutral : english ? english : first;
}

// String tables are decoded once at load: each block holds 16 counted texts, and a block
// whose counts run past its data keeps only the texts that fit.
void PeImage::DecodeStringTables() {
  std::set<WORD> blocks;
  for (const ResourceEntry& entry : m_entries)
    if (entry.type.isId && entry.type.id == kStringTableType && entry.name.isId) blocks.insert(entry.name.id);
  for (WORD block : blocks) {
    if (block == 0 || block > 4096) continue;
    const ResourceEntry* entry = Find(ResourceKey::Id(kStringTableType), ResourceKey::Id(block), std::nullopt);
    if (!entry) continue;
    std::size_t at = 0;
    for (unsigned index = 0; index < 16; ++index) {
      if (at > entry->size || entry->size - at < 2) break;
      WORD length = static_cast<WORD>(entry->data[at] | (entry->data[at + 1] << 8));
      at += 2;
      if ((entry->size - at) / 2 < length) break;
      if (length != 0) {
        std::u16string text(length, u'\0');
        for (WORD c = 0; c < length; ++c)
          text[c] = static_cast<char16_t>(entry->data[at + 2 * c] | (entry->data[at + 2 * c + 1] << 8));
        m_strings.emplace(static_cast<WORD>((block - 1) * 16 + index), std::move(text));
      }
      at += static_cast<std::size_t>(length) * 2;
    }
  }
}

bool PeImage::FindString(WORD id, std::u16string_view& text) const {
  auto it = m_strings.find(id);
  if (it == m_strings.end()) return false;
  text = it->second;
  return true;
}

}  // namespace platform::module
