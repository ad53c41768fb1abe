#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/module/Module.h"
#include "platform/version/ProgramVersion.h"
#include "platform/version/Version.h"

namespace platform::version {
namespace {

// Every node of a block: WORD length (the node with its children, in bytes), WORD value
// length (bytes, or characters for a text), WORD type (1 text, 0 binary), the key with
// its null, padding to 4 bytes, the value, padding, then the children.
constexpr std::size_t kHeaderBytes = 6;

void Align4(std::vector<BYTE>& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

void PutWord(std::vector<BYTE>& out, std::size_t at, std::size_t value) {
  out[at] = static_cast<BYTE>(value & 0xFF);
  out[at + 1] = static_cast<BYTE>((value >> 8) & 0xFF);
}

void AppendText(std::vector<BYTE>& out, std::u16string_view text) {
  for (char16_t c : text) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
}

// Writes one node; `children` appends the child nodes. Returns nothing: the node's length
// is patched in once the children are written.
template <typename Children>
void AppendNode(std::vector<BYTE>& out, std::u16string_view key, WORD type, const BYTE* value,
                std::size_t valueBytes, std::size_t valueLengthField, Children children) {
  Align4(out);
  const std::size_t start = out.size();
  out.resize(start + kHeaderBytes, 0);
  PutWord(out, start + 2, valueLengthField);
  PutWord(out, start + 4, type);
  AppendText(out, key);
  Align4(out);
  out.insert(out.end(), value, value + valueBytes);
  children(out);
  PutWord(out, start, out.size() - start);
}

void NoChildren(std::vector<BYTE>&) {}

std::u16string TableKey(WORD language, WORD codePage) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  std::u16string key;
  for (DWORD v : {DWORD(language), DWORD(codePage)})
    for (int shift = 12; shift >= 0; shift -= 4) key += kHex[(v >> shift) & 0xF];
  return key;
}

// --- Reading ----------------------------------------------------------------------------

struct Node {
  const BYTE* start = nullptr;
  std::size_t length = 0;  // whole node
  std::size_t valueLength = 0;
  WORD type = 0;
  std::u16string key;
  std::size_t valueOffset = 0;     // from start
  std::size_t childrenOffset = 0;  // from start
};

WORD ReadWord(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

std::size_t Up4(std::size_t n) { return (n + 3) & ~std::size_t(3); }

// Reads the node at `p` that may use at most `room` bytes. False for a node that does not
// fit its room or whose parts overrun it.
bool ReadNode(const BYTE* p, std::size_t room, Node& node) {
  if (room < kHeaderBytes) return false;
  node.start = p;
  node.length = ReadWord(p);
  node.valueLength = ReadWord(p + 2);
  node.type = ReadWord(p + 4);
  if (node.length < kHeaderBytes || node.length > room) return false;
  node.key.clear();
  std::size_t at = kHeaderBytes;
  for (;;) {
    if (at + 2 > node.length) return false;
    WCHAR c = ReadWord(p + at);
    at += 2;
    if (c == 0) break;
    node.key += c;
  }
  node.valueOffset = Up4(at);
  const std::size_t valueBytes = node.type == 1 ? node.valueLength * 2 : node.valueLength;
  if (node.valueOffset + valueBytes > node.length) {
    // A node without a value may end right after its key.
    if (valueBytes != 0) return false;
    node.valueOffset = node.length;
  }
  node.childrenOffset = std::min(node.length, Up4(node.valueOffset + valueBytes));
  return true;
}

bool FindChild(const Node& parent, std::u16string_view key, Node& child) {
  std::size_t at = parent.childrenOffset;
  while (at + kHeaderBytes <= parent.length) {
    if (!ReadNode(parent.start + at, parent.length - at, child)) return false;
    if (EqualsIgnoreCase(child.key, key)) return true;
    at = Up4(at + child.length);
  }
  return false;
}

// --- Registered blocks ----------------------------------------------------------------------

struct Registry {
  std::mutex mutex;
  std::map<std::u16string, std::vector<BYTE>> blocks;  // by folded last component
};

Registry& GetRegistry() {
  static Registry registry;
  return registry;
}

std::u16string LeafKey(std::u16string_view fileName) {
  std::size_t cut = fileName.find_last_of(u"\\/");
  std::u16string_view leaf = cut == std::u16string_view::npos ? fileName : fileName.substr(cut + 1);
  std::u16string key;
  for (char16_t c : leaf) key += FoldCase(c);
  return key;
}

const std::vector<BYTE>& ProgramBlock() {
  static const std::vector<BYTE> block = BuildVersionBlock(ProgramVersionResource());
  return block;
}

// The block of a file; false with the last error set when it has none.
bool BlockOf(LPCWSTR fileName, std::vector<BYTE>& block) {
  if (fileName == nullptr || *fileName == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const std::u16string key = LeafKey(fileName);
  {
    Registry& r = GetRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.blocks.find(key);
    if (it != r.blocks.end()) {
      block = it->second;
      return true;
    }
  }
  // The program is known by its file name with or without the extension, and by the
  // file name its module reports.
  const std::u16string program = LeafKey(kProgramFileName);
  WCHAR modulePath[MAX_PATH] = {};
  const DWORD moduleLength = GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
  const bool isProgramModule = moduleLength != 0 && moduleLength < MAX_PATH &&
                               key == LeafKey(std::u16string_view(modulePath, moduleLength));
  if (isProgramModule || key == program || LeafKey(std::u16string(fileName) + u".exe") == program) {
    block = ProgramBlock();
    return true;
  }
  std::error_code ec;
  const bool exists = std::filesystem::exists(MapDevicePath(fileName), ec);
  SetLastError(exists ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_FILE_NOT_FOUND);
  return false;
}

}  // namespace

std::vector<BYTE> BuildVersionBlock(const VersionResource& resource) {
  std::vector<BYTE> out;
  const auto* fixed = reinterpret_cast<const BYTE*>(&resource.fixed);
  AppendNode(out, u"VS_VERSION_INFO", 0, fixed, sizeof(VS_FIXEDFILEINFO), sizeof(VS_FIXEDFILEINFO),
             [&](std::vector<BYTE>& o) {
               if (!resource.stringTables.empty()) {
                 AppendNode(o, u"StringFileInfo", 1, nullptr, 0, 0, [&](std::vector<BYTE>& o2) {
                   for (const auto& table : resource.stringTables) {
                     AppendNode(o2, TableKey(table.language, table.codePage), 1, nullptr, 0, 0,
                                [&](std::vector<BYTE>& o3) {
                                  for (const auto& [name, text] : table.strings) {
                                    std::vector<BYTE> value;
                                    AppendText(value, text);
                                    AppendNode(o3, name, 1, value.data(), value.size(),
                                               text.size() + 1, NoChildren);
                                  }
                                });
                   }
                 });
               }
               if (!resource.translations.empty()) {
                 AppendNode(o, u"VarFileInfo", 1, nullptr, 0, 0, [&](std::vector<BYTE>& o2) {
                   std::vector<BYTE> words;
                   for (DWORD t : resource.translations)
                     for (int shift = 0; shift < 32; shift += 8)
                       words.push_back(static_cast<BYTE>((t >> shift) & 0xFF));
                   AppendNode(o2, u"Translation", 0, words.data(), words.size(), words.size(),
                              NoChildren);
                 });
               }
             });
  return out;
}

VersionResource ProgramVersionResource() {
  using namespace program;
  VersionResource r;
  r.fixed.dwSignature = VS_FFI_SIGNATURE;
  r.fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  r.fixed.dwFileVersionMS = (kMajor << 16) | (kMinor & 0xFFFF);
  r.fixed.dwFileVersionLS = (kPatch << 16) | (kTweak & 0xFFFF);
  r.fixed.dwProductVersionMS = r.fixed.dwFileVersionMS;
  r.fixed.dwProductVersionLS = r.fixed.dwFileVersionLS;
  r.fixed.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
  r.fixed.dwFileOS = VOS__WINDOWS32;
  r.fixed.dwFileType = VFT_APP;
  constexpr WORD kEnglishUs = 0x0409;
  constexpr WORD kWesternEuropean = 1252;
  VersionResource::StringTable table;
  table.language = kEnglishUs;
  table.codePage = kWesternEuropean;
  table.strings = {
      {u"CompanyName", u"VendelSoftware"},
      {u"FileDescription", kProductName},
      {u"FileVersion", kVersionText},
      {u"InternalName", kProductName},
      {u"OriginalFilename", kProgramFileName},
      {u"ProductName", kProductName},
      {u"ProductVersion", kVersionText},
  };
  r.stringTables.push_back(std::move(table));
  r.translations.push_back(MAKELONG(kEnglishUs, kWesternEuropean));
  return r;
}

void RegisterModuleVersion(std::u16string_view fileName, std::vector<BYTE> block) {
  Registry& r = GetRegistry();
  std::lock_guard lock(r.mutex);
  if (block.empty())
    r.blocks.erase(LeafKey(fileName));
  else
    r.blocks[LeafKey(fileName)] = std::move(block);
}

void ClearModuleVersions() {
  Registry& r = GetRegistry();
  std::lock_guard lock(r.mutex);
  r.blocks.clear();
}

}  // namespace platform::version

using namespace platform::version;

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) {
  if (handle != nullptr) *handle = 0;
  std::vector<BYTE> block;
  if (!BlockOf(fileName, block)) return 0;
  return static_cast<DWORD>(block.size());
}

BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD /*handle*/, DWORD length, LPVOID data) {
  if (data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<BYTE> block;
  if (!BlockOf(fileName, block)) return FALSE;
  if (length < block.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(data, block.data(), block.size());
  return TRUE;
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length) {
  if (buffer != nullptr) *buffer = nullptr;
  if (length != nullptr) *length = 0;
  if (block == nullptr || subBlock == nullptr || buffer == nullptr || length == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto* bytes = static_cast<const BYTE*>(block);
  Node node;
  // The root node states its own length; the block is trusted that far.
  if (!ReadNode(bytes, ReadWord(bytes), node)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return FALSE;
  }
  std::u16string_view path(subBlock);
  while (!path.empty()) {
    std::size_t cut = path.find(u'\\');
    std::u16string_view part = path.substr(0, cut);
    path = cut == std::u16string_view::npos ? std::u16string_view() : path.substr(cut + 1);
    if (part.empty()) continue;
    Node child;
    if (!FindChild(node, part, child)) {
      SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
      return FALSE;
    }
    node = child;
  }
  if (node.valueLength == 0) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  *buffer = const_cast<BYTE*>(node.start + node.valueOffset);
  *length = static_cast<UINT>(node.valueLength);
  return TRUE;
}
