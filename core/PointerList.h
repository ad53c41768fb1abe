// Small containers of the program's own (a growable pointer list with a cursor and the
// bounded stack of the undo history) and the clipboard text routines.
#pragma once

#include <memory>
#include <string_view>

#include "platform/base/Win32Types.h"

// A growable array of object pointers with a cursor (-1 = none). The list owns its array;
// it owns the elements only as far as DeleteAll goes, which hands each to the deleter
// given at construction.
class CPointerList {
 public:
  using Deleter = void (*)(void*);

  explicit CPointerList(int initialCapacity = 50, Deleter deleter = nullptr);
  virtual ~CPointerList();  // frees the array, not the elements
  CPointerList(const CPointerList&) = delete;
  CPointerList& operator=(const CPointerList&) = delete;

  // Appends the pointer after the last element and moves the cursor onto it; the array
  // grows by 50 slots when full. 0 when it cannot grow (nothing changed), else 1.
  // Appending at the end, wherever the cursor stands, keeps every element: an add after
  // a walk never overwrites the element behind the cursor.
  int Add(void* pointer);
  void* GetFirst();  // cursor 0; null when empty
  void* GetLast();   // cursor on the last; null when empty
  void* GetNext();   // the element after the cursor; null past the end (cursor stays)
  void* GetPrev();   // the element before the cursor; null at the start (cursor stays)
  // Deletes every element from the last to the first; count 0, cursor -1.
  void DeleteAll();
  // Forgets the elements without deleting them; count 0, cursor -1.
  void RemoveAll();

  int GetCount() const { return m_count; }
  int GetCursor() const { return m_cursor; }
  int GetCapacity() const { return static_cast<int>(m_capacity); }
  void* GetAt(int index) const;

 private:
  int m_count = 0;
  int m_cursor = -1;
  DWORD m_capacity = 0;
  void** m_array = nullptr;  // zero-filled local memory
  Deleter m_deleter = nullptr;
};

// A pointer list whose elements are T objects it deletes in DeleteAll.
template <typename T>
class CTypedPointerList : public CPointerList {
 public:
  explicit CTypedPointerList(int initialCapacity = 50)
      : CPointerList(initialCapacity, [](void* p) { std::default_delete<T>()(static_cast<T*>(p)); }) {}
  int Add(T* pointer) { return CPointerList::Add(pointer); }
  T* GetFirst() { return static_cast<T*>(CPointerList::GetFirst()); }
  T* GetLast() { return static_cast<T*>(CPointerList::GetLast()); }
  T* GetNext() { return static_cast<T*>(CPointerList::GetNext()); }
  T* GetPrev() { return static_cast<T*>(CPointerList::GetPrev()); }
  T* GetAt(int index) const { return static_cast<T*>(CPointerList::GetAt(index)); }
};

// A fixed-depth stack of pointers (index 0 the oldest) that drops its oldest entry when
// full. It owns nothing: the caller deletes what Push drops and what it pops.
template <typename T>
class CBoundedStack {
 public:
  explicit CBoundedStack(int capacity) : m_capacity(capacity > 0 ? capacity : 1), m_items(std::make_unique<T*[]>(static_cast<size_t>(m_capacity))) {}
  virtual ~CBoundedStack() = default;

  // Stores the pointer on top; when the stack was full, returns the entry taken from the
  // bottom (the caller deletes it), else null.
  T* Push(T* pointer) {
    T* dropped = nullptr;
    if (m_count == m_capacity) {
      dropped = m_items[0];
      for (int i = 1; i < m_count; ++i) m_items[i - 1] = m_items[i];
      --m_count;
    }
    m_items[m_count++] = pointer;
    return dropped;
  }
  // The top entry taken off, or null when empty.
  T* Pop() { return m_count ? m_items[--m_count] : nullptr; }
  T* Top() const { return m_count ? m_items[m_count - 1] : nullptr; }
  T* GetAt(int index) const { return index >= 0 && index < m_count ? m_items[index] : nullptr; }
  int GetCount() const { return m_count; }
  int GetCapacity() const { return m_capacity; }
  bool IsEmpty() const { return m_count == 0; }

 private:
  int m_capacity;
  std::unique_ptr<T*[]> m_items;
  int m_count = 0;
};

// Copies the clipboard's text (format 1) into the buffer, cut to size - 1 characters and
// terminated; 1 when the clipboard held text. The clipboard is closed on every path.
int GetClipboardText(WCHAR* buffer, int size, HWND owner);
// Replaces the clipboard's content with a copy of the text (format 1); 1 when stored.
int SetClipboardText(std::u16string_view text, HWND owner);
