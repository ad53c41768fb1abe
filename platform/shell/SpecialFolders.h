// The shell's special folders: the fixed folders of the device by folder id, as a path or
// as an item list that the caller frees through the shell allocator.
#pragma once

#include "platform/base/Win32Types.h"

constexpr int CSIDL_PERSONAL = 0x0005;       // "\My Documents"
constexpr int CSIDL_STARTUP = 0x0007;        // "\Windows\StartUp"
constexpr int CSIDL_APPDATA = 0x001A;        // "\Application Data"
constexpr int CSIDL_WINDOWS = 0x0024;        // "\Windows"
constexpr int CSIDL_PROGRAM_FILES = 0x0026;  // "\Program Files"

#pragma pack(push, 1)
struct SHITEMID {
  USHORT cb;
  BYTE abID[1];
};
struct ITEMIDLIST {
  SHITEMID mkid;
};
#pragma pack(pop)
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

// Writes the folder's device path (MAX_PATH characters at most) into `path`. With
// `create` the folder is made when it is missing. FALSE for an unknown folder id.
BOOL SHGetSpecialFolderPath(HWND owner, LPWSTR path, int csidl, BOOL create);
// The folder as an item list; E_INVALIDARG for an unknown folder id, E_OUTOFMEMORY.
HRESULT SHGetSpecialFolderLocation(HWND owner, int csidl, LPITEMIDLIST* idList);
// The path of an item list from SHGetSpecialFolderLocation (MAX_PATH characters at most).
BOOL SHGetPathFromIDList(LPCITEMIDLIST idList, LPWSTR path);
// The shell allocator's free: releases an item list (null is ignored).
void SHFree(LPVOID memory);
