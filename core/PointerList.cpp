// The pointer list and the clipboard text routines.
#include "core/PointerList.h"

#include <algorithm>
#include <cstring>

#include "platform/base/Base.h"
#include "platform/user/Clipboard.h"

namespace {
constexpr DWORD kGrowBy = 50;
}

CPointerList::CPointerList(int initialCapacity, Deleter deleter) : m_deleter(deleter) {
  const DWORD capacity = initialCapacity > 0 ? static_cast<DWORD>(initialCapacity) : 0;
  if (capacity) {
    m_array = static_cast<void**>(LocalAlloc(LHND, capacity * sizeof(void*)));
    if (!m_array) platform::ThrowOutOfMemory();
  }
  m_capacity = capacity;
}

CPointerList::~CPointerList() {
  if (m_array) LocalFree(m_array);
}

int CPointerList::Add(void* pointer) {
  if (static_cast<DWORD>(m_count) >= m_capacity) {
    const DWORD grown = m_capacity + kGrowBy;
    void* block = m_array ? LocalReAlloc(m_array, grown * sizeof(void*), LMEM_MOVEABLE | LMEM_ZEROINIT)
                          : LocalAlloc(LHND, grown * sizeof(void*));
    if (!block) return 0;
    m_array = static_cast<void**>(block);
    // Zero the new slots ourselves too: the grown part must read as empty whatever the
    // allocator did with it.
    std::fill(m_array + m_capacity, m_array + grown, nullptr);
    m_capacity = grown;
  }
  m_array[m_count] = pointer;
  m_cursor = m_count;
  ++m_count;
  return 1;
}

void* CPointerList::GetFirst() {
  if (m_count == 0) return nullptr;
  m_cursor = 0;
  return m_array[0];
}

void* CPointerList::GetLast() {
  if (m_count == 0) return nullptr;
  m_cursor = m_count - 1;
  return m_array[m_cursor];
}

void* CPointerList::GetNext() {
  if (m_cursor + 1 >= m_count) return nullptr;
  return m_array[++m_cursor];
}

void* CPointerList::GetPrev() {
  if (m_cursor <= 0) return nullptr;
  return m_array[--m_cursor];
}

void* CPointerList::GetAt(int index) const {
  return index >= 0 && index < m_count ? m_array[index] : nullptr;
}

void CPointerList::DeleteAll() {
  for (int i = m_count - 1; i >= 0; --i) {
    void* element = m_array[i];
    m_array[i] = nullptr;
    if (element && m_deleter) m_deleter(element);
  }
  m_count = 0;
  m_cursor = -1;
}

void CPointerList::RemoveAll() {
  if (m_array) std::fill(m_array, m_array + m_capacity, nullptr);
  m_count = 0;
  m_cursor = -1;
}

int GetClipboardText(WCHAR* buffer, int size, HWND owner) {
  if (!buffer || size <= 0) return 0;
  if (!OpenClipboard(owner)) return 0;
  int result = 0;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    const auto* text = static_cast<const WCHAR*>(data);
    const size_t capacity = LocalSize(data) / sizeof(WCHAR);
    size_t n = 0;
    while (n < capacity && text[n] != u'\0' && n + 1 < static_cast<size_t>(size)) ++n;
    std::memcpy(buffer, text, n * sizeof(WCHAR));
    buffer[n] = u'\0';
    result = 1;
  }
  CloseClipboard();
  return result;
}

int SetClipboardText(std::u16string_view text, HWND owner) {
  if (!OpenClipboard(owner)) return 0;
  EmptyClipboard();
  auto* block = static_cast<WCHAR*>(LocalAlloc(LPTR, (text.size() + 1) * sizeof(WCHAR)));
  if (!block) {
    CloseClipboard();
    return 0;
  }
  text.copy(block, text.size());
  block[text.size()] = u'\0';
  const int result = SetClipboardData(CF_TEXT, block) ? 1 : 0;
  if (!result) LocalFree(block);
  CloseClipboard();
  return result;
}
