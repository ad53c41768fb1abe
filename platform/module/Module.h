// Modules and their resources: resource-only libraries (PE files such as the program's
// language library) and libraries of code (shared objects) loaded from the device, the
// resource lookups the program makes in the former and the functions it finds in the
// latter.
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
// Loads a module by device path. A path with a folder names the file
// ("\Program Files\Slateway\QVNLANGUAGE.DLL"); a bare name is looked for in the program's
// folder, then in "\Windows", then in the root. Two kinds of module load here, told apart
// by the file's first bytes:
// - a resource library (a PE image): read whole and its resource directory checked; a
//   file whose headers or resource tree point outside it is refused with ERROR_BAD_FORMAT;
// - a library of code (a shared object), found as the handheld name with ".so" added
//   ("\Windows\ScanAPI.dll" opens "\Windows\ScanAPI.dll.so"); it shares this process's
//   platform, and its functions are found with GetProcAddress. One that the dynamic loader
//   refuses gives ERROR_BAD_FORMAT.
// A missing file gives ERROR_MOD_NOT_FOUND. Loading the same file again returns the same
// handle and counts one more use; FreeLibrary drops a use and unloads at zero.
HMODULE LoadLibraryW(LPCWSTR fileName);
BOOL FreeLibrary(HMODULE module);
// A function a library of code exports, by its exact name; callers cast it to the
// function's type. Null with ERROR_PROC_NOT_FOUND for a name the library does not export
// itself, for an ordinal (not supported) and for a module that exports nothing (a resource
// library, the program); ERROR_INVALID_HANDLE for a handle that is no loaded module.
// FARPROC is the plain `void (*)()`, the function pointer type the compiler lets callers
// cast to any other function type without a warning.
using FARPROC = void (*)();
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
FARPROC GetProcAddressW(HMODULE module, LPCWSTR procName);
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

// The resource of a loaded module whose data holds `data` (an address LoadResource
// gave, or one inside it): its type and name ids (0 for names given as texts) and the
// bytes from `data` to the resource's end. False when `data` lies in no resource.
bool FindResourceOfData(const void* data, WORD* typeId, WORD* nameId, DWORD* bytesLeft);

}  // namespace platform
