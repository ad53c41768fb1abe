// The owner every handle kind is held in: one small move-only type per resource kind,
// each a CUniqueHandle over a traits struct that names the handle type, its "no handle"
// value and the one call that frees it. The kinds of each area sit beside the calls that
// make them (kernel/FileHandles.h, gdi/GdiScopes.h, registry/RegKeyHandle.h,
// crypt/CryptHandles.h); the local memory owner is here because base allocates it.
#pragma once

#include <utility>

#include "platform/base/Base.h"

// Traits: `using Handle = ...;`, `static Handle Invalid()`, `static void Close(Handle)`.
// Close is never called with Invalid().
template <typename Traits>
class CUniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  CUniqueHandle() = default;
  // Takes ownership of `handle` (Invalid() means none).
  explicit CUniqueHandle(Handle handle) : m_handle(handle) {}
  ~CUniqueHandle() { reset(); }
  CUniqueHandle(const CUniqueHandle&) = delete;
  CUniqueHandle& operator=(const CUniqueHandle&) = delete;
  CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.release()) {}
  CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  // The handle, still owned by this object.
  Handle get() const { return m_handle; }
  // Hands the handle to the caller, who frees it; this object holds none afterwards.
  Handle release() { return std::exchange(m_handle, Traits::Invalid()); }
  // Frees the current handle and takes `handle`.
  void reset(Handle handle = Traits::Invalid()) {
    Handle old = std::exchange(m_handle, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // Frees the current handle and hands out the slot for an out-parameter.
  Handle* put() {
    reset();
    return &m_handle;
  }
  bool IsValid() const { return m_handle != Traits::Invalid(); }
  explicit operator bool() const { return IsValid(); }

 private:
  Handle m_handle = Traits::Invalid();
};

// Traits of a handle type whose "no handle" is its zero value (nullptr or 0), freed by
// `close`: CUniqueHandle<NullHandleTraits<HKEY, &RegCloseKey>>.
template <typename H, auto close>
struct NullHandleTraits {
  using Handle = H;
  static Handle Invalid() { return Handle{}; }
  static void Close(Handle handle) { close(handle); }
};

// A local memory block (LocalAlloc), freed by LocalFree.
class CLocalMemory : public CUniqueHandle<NullHandleTraits<HLOCAL, &LocalFree>> {
 public:
  using CUniqueHandle::CUniqueHandle;
  // A new block of `bytes` with the LocalAlloc `flags` (zero-filled by default); check
  // IsValid(), allocation may fail.
  static CLocalMemory Allocate(SIZE_T bytes, UINT flags = LPTR) { return CLocalMemory(LocalAlloc(flags, bytes)); }
  template <typename T>
  T* as() const {
    return static_cast<T*>(get());
  }
};
