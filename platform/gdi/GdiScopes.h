// Owners for drawing resources, one per kind: a drawing object (DeleteObject), a memory
// context (DeleteDC), and the two selection scopes that put the previously selected object
// or palette back into a context at scope end. A window's context (CWindowDC) belongs to
// the window system, with GetDC, in user/Paint.h.
//
//   CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, color));
//   CSelectObjectScope keep(dc, pen.get());   // selected until the end of the scope
//
// Declared in reverse order of need, so the selection ends before the pen is deleted
// (a selected object cannot be deleted).
#pragma once

#include <utility>

#include "platform/base/UniqueHandle.h"
#include "platform/gdi/Gdi.h"

// A pen, brush, font, bitmap or palette this code made.
template <typename T>
using CGdiObject = CUniqueHandle<NullHandleTraits<T, &DeleteObject>>;

// A context this code made (CreateCompatibleDC, or a surface context of the window
// manager), ended by DeleteDC. Whatever is selected into it must be selected
// out before it ends, or the object stays tied to a deleted context.
class CMemoryDC : public CUniqueHandle<NullHandleTraits<HDC, &DeleteDC>> {
 public:
  using CUniqueHandle::CUniqueHandle;
  // A memory context compatible with `dc` (null: the screen); check IsValid().
  static CMemoryDC CompatibleWith(HDC dc) { return CMemoryDC(CreateCompatibleDC(dc)); }
};

struct SelectObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Select(HDC dc, Handle object) { return SelectObject(dc, object); }
};

struct SelectPaletteTraits {
  using Handle = HPALETTE;
  // Always in the foreground, as every caller of the program selects its palettes.
  static Handle Select(HDC dc, Handle palette) { return SelectPalette(dc, palette, FALSE); }
};

// Selects an object into a context for the scope and the previous one back at its end.
// A null object, or a selection that fails, selects nothing and restores nothing.
template <typename Traits>
class CSelectionScope {
 public:
  using Handle = typename Traits::Handle;

  CSelectionScope(HDC dc, Handle object) : m_dc(dc), m_previous(object ? Traits::Select(dc, object) : nullptr) {}
  ~CSelectionScope() { reset(); }
  CSelectionScope(const CSelectionScope&) = delete;
  CSelectionScope& operator=(const CSelectionScope&) = delete;
  CSelectionScope(CSelectionScope&& other) noexcept
      : m_dc(other.m_dc), m_previous(std::exchange(other.m_previous, nullptr)) {}
  CSelectionScope& operator=(CSelectionScope&&) = delete;

  // The object that was selected before (null when nothing was selected).
  Handle get() const { return m_previous; }
  // Keeps the selection: the caller restores the returned previous object itself.
  Handle release() { return std::exchange(m_previous, nullptr); }
  // Restores the previous object now.
  void reset() {
    if (m_previous) Traits::Select(m_dc, std::exchange(m_previous, nullptr));
  }
  bool IsSelected() const { return m_previous != nullptr; }
  explicit operator bool() const { return IsSelected(); }

 private:
  HDC m_dc;
  Handle m_previous;
};

// CSelectObjectScope keep(dc, pen.get());      SelectObject back at scope end
using CSelectObjectScope = CSelectionScope<SelectObjectTraits>;
// CSelectPaletteScope keep(dc, palette);       SelectPalette back at scope end
using CSelectPaletteScope = CSelectionScope<SelectPaletteTraits>;
