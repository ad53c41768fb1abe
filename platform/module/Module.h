// Modules and their resources: resource-only libraries (PE files such as the program's
// language library) loaded from the device, and the resource lookups the program makes
// in them.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"

// ---- Resource names and types -------------------------------------------------------
// An id travels in the low word of a name pointer whose high bits are zero.
inline bool IS_INTRESOURCE(LPCWSTR name) {
  return (reinterpret_cast<ULONG_PTR>(name) >> 16) == 0;
}
inline LPWSTR MAKEINTRESOURCEW(ULONG_PTR id) {
  return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id)));
}

#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_ACCELERATOR MAKEINTRESOURCEW(9)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCEW(12)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)
#define RT_HTML MAKEINTRESOURCEW(23)

// ---- Loading --------------------------------------------------------------------------
// Loads a module by device path ("\Program Files\Slateway\QVNLANGUAGE.DLL"; a path
// without a folder is taken from the device root). The file is read whole and its
// resource directory checked; a file that is no PE image or whose headers or resource
// tree point outside the file is refused with ERROR_BAD_FORMAT, a missing file with
// ERROR_MOD_NOT_FOUND. Loading the same file again returns the same handle and counts
// one more use; FreeLibrary drops a use and unloads at zero.
HMODULE LoadLibraryW(LPCWSTR fileName);
BOOL FreeLibrary(HMODULE module);
// The handle of a loaded module, found by its full device path or by its file name
// (ignoring case). Null names the program's own module.
HMODULE GetModuleHandleW(LPCWSTR moduleName);
// The device path of a module (null: the program's own). Copies at most size - 1
// characters and the null; returns the number of characters copied (size when cut, with
// ERROR_INSUFFICIENT_BUFFER), 0 on failure.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

// ---- Resources ------------------------------------------------------------------------
// Names and types are ids (MAKEINTRESOURCEW), "#123" texts or names compared ignoring
// case. A resource is found by its type and name together; of several languages the
// neutral one is preferred, then US English, then the first. The handles stay valid
// while the module is loaded; the data is read-only and needs no freeing.
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL resourceData);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL resourceData);

// Loads string `id` (string tables hold blocks of 16: block id / 16 + 1, entry id % 16).
// Copies at most cchBuffer - 1 characters and a null and returns the number copied; a
// missing id gives 0 and an empty buffer. With cchBuffer 0, `buffer` receives a read-only
// pointer to the (not null-terminated) text in the module and the text's length is
// returned.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int cchBuffer);

namespace platform {

// The device path that GetModuleFileNameW(null) reports for the program itself.
// Default "\Program Files\Slateway\Slateway.exe".
void SetProgramModulePath(std::u16string_view devicePath);
// Modules loaded right now (tests check for leaks).
int LoadedModuleCount();

}  // namespace platform
