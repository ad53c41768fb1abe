// Special folders: a fixed table of device paths; item lists carry the path as one item.
#include "platform/shell/SpecialFolders.h"

#include <cstring>
#include <string_view>

#include "platform/base/Base.h"
#include "platform/kernel/Files.h"

namespace {

const char16_t* FolderPath(int csidl) {
  switch (csidl) {
    case CSIDL_PERSONAL: return u"\\My Documents";
    case CSIDL_STARTUP: return u"\\Windows\\StartUp";
    case CSIDL_APPDATA: return u"\\Application Data";
    case CSIDL_WINDOWS: return u"\\Windows";
    case CSIDL_PROGRAM_FILES: return u"\\Program Files";
    default: return nullptr;
  }
}

// Creates each missing folder along the device path.
void CreateFolderPath(std::u16string_view path) {
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == u'\\') {
      std::u16string part(path.substr(0, pos));
      if (GetFileAttributesW(part.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryW(part.c_str(), nullptr);
    }
  }
}

}  // namespace

BOOL SHGetSpecialFolderPath(HWND, LPWSTR path, int csidl, BOOL create) {
  const char16_t* folder = FolderPath(csidl);
  if (!folder || !path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string_view p(folder);
  if (create) CreateFolderPath(p);
  p.copy(path, p.size());
  path[p.size()] = u'\0';
  return TRUE;
}

HRESULT SHGetSpecialFolderLocation(HWND, int csidl, LPITEMIDLIST* idList) {
  if (!idList) return E_INVALIDARG;
  *idList = nullptr;
  const char16_t* folder = FolderPath(csidl);
  if (!folder) return E_INVALIDARG;
  // One item holding the path with its null, then the empty item that ends the list.
  const size_t pathBytes = (std::char_traits<char16_t>::length(folder) + 1) * sizeof(WCHAR);
  const size_t itemBytes = sizeof(USHORT) + pathBytes;
  auto* block = static_cast<BYTE*>(LocalAlloc(LPTR, itemBytes + sizeof(USHORT)));
  if (!block) return E_OUTOFMEMORY;
  const auto cb = static_cast<USHORT>(itemBytes);
  std::memcpy(block, &cb, sizeof cb);
  std::memcpy(block + sizeof(USHORT), folder, pathBytes);
  *idList = reinterpret_cast<LPITEMIDLIST>(block);
  return S_OK;
}

BOOL SHGetPathFromIDList(LPCITEMIDLIST idList, LPWSTR path) {
  if (!idList || !path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto* bytes = reinterpret_cast<const BYTE*>(idList);
  USHORT cb = 0;
  std::memcpy(&cb, bytes, sizeof cb);
  // Whole characters only: an item of an odd size or of less than one character would
  // put the terminator outside the caller's MAX_PATH buffer.
  const size_t chars = (cb > sizeof(USHORT) ? cb - sizeof(USHORT) : 0) / sizeof(WCHAR);
  if (chars == 0 || chars > MAX_PATH) {
    path[0] = u'\0';
    return FALSE;
  }
  std::memcpy(path, bytes + sizeof(USHORT), chars * sizeof(WCHAR));
  path[chars - 1] = u'\0';
  return TRUE;
}

void SHFree(LPVOID memory) {
  if (memory) LocalFree(memory);
}
