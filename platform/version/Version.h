// Version resources of program modules: the version block of a module file and the
// queries into it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/Win32Types.h"

using PUINT = UINT*;

struct VS_FIXEDFILEINFO {
  DWORD dwSignature = 0;
  DWORD dwStrucVersion = 0;
  DWORD dwFileVersionMS = 0;
  DWORD dwFileVersionLS = 0;
  DWORD dwProductVersionMS = 0;
  DWORD dwProductVersionLS = 0;
  DWORD dwFileFlagsMask = 0;
  DWORD dwFileFlags = 0;
  DWORD dwFileOS = 0;
  DWORD dwFileType = 0;
  DWORD dwFileSubtype = 0;
  DWORD dwFileDateMS = 0;
  DWORD dwFileDateLS = 0;
};

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
constexpr DWORD VS_FFI_FILEFLAGSMASK = 0x0000003F;
constexpr DWORD VOS__WINDOWS32 = 0x00000004;
constexpr DWORD VFT_APP = 0x00000001;
constexpr DWORD VFT_DLL = 0x00000002;

// The size of the file's version block, or 0 with ERROR_FILE_NOT_FOUND (no such file) or
// ERROR_RESOURCE_TYPE_NOT_FOUND (a file without a version block). *handle becomes 0.
DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle);
// Copies the block; a buffer shorter than the block fails with ERROR_INSUFFICIENT_BUFFER.
BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD length, LPVOID data);
// Finds a value in a block: "\" gives the VS_FIXEDFILEINFO (length in bytes),
// "\VarFileInfo\Translation" the translation words (length in bytes),
// "\StringFileInfo\<language><code page>\<name>" a text (length in characters with the
// terminating null). Names compare ignoring case. The pointer points into the block.
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, PUINT length);

namespace platform::version {

// What a version block holds, for building one.
struct VersionResource {
  struct StringTable {
    WORD language = 0;
    WORD codePage = 0;
    std::vector<std::pair<std::u16string, std::u16string>> strings;
  };
  VS_FIXEDFILEINFO fixed;
  std::vector<StringTable> stringTables;
  // Each entry: language in the low word, code page in the high word. None: the block
  // has no VarFileInfo.
  std::vector<DWORD> translations;
};

// The block in the layout modules carry (VS_VERSIONINFO with StringFileInfo and
// VarFileInfo children, each node 32-bit aligned).
std::vector<BYTE> BuildVersionBlock(const VersionResource& resource);

// The program's own version resource, made from the build's version.
VersionResource ProgramVersionResource();

// The program's file name: a file whose last component is this, or this without its
// extension, or the last component of the program module's own file name
// (GetModuleFileNameW(null)), compared ignoring case, answers with the program's block.
inline constexpr char16_t kProgramFileName[] = u"Slateway.exe";

// Gives a module file (matched by its last component, ignoring case) a version block,
// for modules built elsewhere and for tests. An empty block removes it again.
void RegisterModuleVersion(std::u16string_view fileName, std::vector<BYTE> block);
void ClearModuleVersions();

}  // namespace platform::version
