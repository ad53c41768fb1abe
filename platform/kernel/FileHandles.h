// Owners of the kernel's file handles: an open file (CreateFileW, closed by CloseHandle)
// and a file search (FindFirstFileW, closed by FindClose). Both calls report failure as
// INVALID_HANDLE_VALUE, which these owners hold as "no handle".
#pragma once

#include "platform/base/UniqueHandle.h"
#include "platform/kernel/Files.h"

template <auto close>
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { close(handle); }
};

// An open file: CFileHandle file(CreateFileW(...)); if (!file) ...
using CFileHandle = CUniqueHandle<KernelHandleTraits<&CloseHandle>>;
// A file search: CFindHandle search(FindFirstFileW(pattern, &data)); if (!search) ...
using CFindHandle = CUniqueHandle<KernelHandleTraits<&FindClose>>;
