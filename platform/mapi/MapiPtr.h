// Owners of what the messaging calls hand out: an object reference (released by Release)
// and a MAPIAllocateBuffer block (freed by MAPIFreeBuffer).
//
//   CMapiPtr<IMessage> message;
//   if (SUCCEEDED(folder->CreateMessage(nullptr, 0, message.put()))) ...
#pragma once

#include <utility>

#include "platform/mapi/Mapi.h"

template <class T>
class CMapiPtr {
 public:
  CMapiPtr() = default;
  ~CMapiPtr() { reset(); }
  CMapiPtr(const CMapiPtr&) = delete;
  CMapiPtr& operator=(const CMapiPtr&) = delete;

  T* get() const { return m_object; }
  T* operator->() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }
  // Releases the held reference and hands out the slot for an out-parameter.
  T** put() {
    reset();
    return &m_object;
  }
  void reset() {
    if (T* old = std::exchange(m_object, nullptr)) old->Release();
  }

 private:
  T* m_object = nullptr;
};

template <class T>
class CMapiBuffer {
 public:
  CMapiBuffer() = default;
  ~CMapiBuffer() { MAPIFreeBuffer(m_block); }
  CMapiBuffer(const CMapiBuffer&) = delete;
  CMapiBuffer& operator=(const CMapiBuffer&) = delete;

  T* get() const { return m_block; }
  T* operator->() const { return m_block; }
  T** put() {
    MAPIFreeBuffer(std::exchange(m_block, nullptr));
    return &m_block;
  }

 private:
  T* m_block = nullptr;
};
