// Files and folders of the device: the handle-based file calls and the folder search.
#pragma once

#include <string_view>

#include "platform/base/Win32Types.h"

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x00000002;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x00000020;
// A pipe, a device or a link to one: an entry no file call opens.
constexpr DWORD FILE_ATTRIBUTE_DEVICE = 0x00000040;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes = 0;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  DWORD dwOID = 0;
  WCHAR cFileName[MAX_PATH] = {};
};
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;

// Share modes are enforced between open handles of this process: opening a file for
// writing while a handle without FILE_SHARE_WRITE has it open fails with
// ERROR_SHARING_VIOLATION, and likewise for reading. CREATE_ALWAYS and OPEN_ALWAYS set
// ERROR_ALREADY_EXISTS when the file was there.
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPVOID overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPVOID overlapped);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
DWORD SetFilePointer(HANDLE file, LONG distance, LPLONG distanceHigh, DWORD moveMethod);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess, LPFILETIME lastWrite);
BOOL CloseHandle(HANDLE object);

BOOL DeleteFileW(LPCWSTR fileName);
// Fails with ERROR_ALREADY_EXISTS when the target exists.
BOOL MoveFileW(LPCWSTR existingName, LPCWSTR newName);
BOOL CopyFileW(LPCWSTR existingName, LPCWSTR newName, BOOL failIfExists);
BOOL CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES security);
BOOL RemoveDirectoryW(LPCWSTR pathName);
DWORD GetFileAttributesW(LPCWSTR fileName);

// Names come sorted ignoring case; "*" and "?" match ignoring case ("*.*" matches names
// without a dot too); "." and ".." never come back. No match: INVALID_HANDLE_VALUE with
// ERROR_FILE_NOT_FOUND (ERROR_PATH_NOT_FOUND when the folder is missing). The end of the
// list: FALSE with ERROR_NO_MORE_FILES.
HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData);
BOOL FindNextFileW(HANDLE findFile, LPWIN32_FIND_DATAW findData);
BOOL FindClose(HANDLE findFile);

namespace platform {
// Handles of files and searches that are open right now (tests check for leaks).
int OpenKernelHandleCount();
// Closes every handle (used when a test's device root goes away).
void CloseAllKernelHandles();
// True when `name` matches the wildcard `pattern` ignoring case.
bool MatchesWildcard(std::u16string_view pattern, std::u16string_view name);
}  // namespace platform
