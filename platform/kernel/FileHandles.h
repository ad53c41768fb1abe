// Owners of the kernel's file handles: an open file (CreateFileW, closed by CloseHandle)
// and a file search (FindFirstFileW, closed by FindClose). Both calls report failure as
// INVALID_HANDLE_VALUE, which these owners hold as "no handle".
#pragma once

#include "platform/base/UniqueHandle.h"
#include "platform/kernel/Files.h"

struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle file) { CloseHandle(file); }
};

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle search) { FindClose(search); }
};

// An open file: CFileHandle file(CreateFileW(...)); if (!file) ...
class CFileHandle : public CUniqueHandle<FileHandleTraits> {
 public:
  using CUniqueHandle::CUniqueHandle;
};

// A file search: CFindHandle search(FindFirstFileW(pattern, &data)); if (!search) ...
class CFindHandle : public CUniqueHandle<FindHandleTraits> {
 public:
  using CUniqueHandle::CUniqueHandle;
};
