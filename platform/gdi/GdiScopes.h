// Owners for drawing resources, one per kind: a drawing object (DeleteObject), a memory
// context (DeleteDC), a window's context (ReleaseDC), and the two selection scopes that
// put the previously selected object or palette back into a context at scope end.
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

// The context of a window (GetDC; null: the screen), given back by ReleaseDC.
class CWindowDC {
 public:
  CWindowDC() = default;
  explicit CWindowDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
  ~CWindowDC() { reset(); }
  CWindowDC(const CWindowDC&) = delete;
  CWindowDC& operator=(const CWindowDC&) = delete;
  CWindowDC(CWindowDC&& other) noexcept
      : m_window(std::exchange(other.m_window, nullptr)), m_dc(std::exchange(other.m_dc, nullptr)) {}
  CWindowDC& operator=(CWindowDC&& other) noexcept {
    if (this != &other) {
      reset();
      m_window = std::exchange(other.m_window, nullptr);
      m_dc = std::exchange(other.m_dc, nullptr);
    }
    return *this;
  }

  HDC get() const { return m_dc; }
  HWND Window() const { return m_window; }
  // The caller gives the context back with ReleaseDC(Window(), dc).
  HDC release() {
    m_window = nullptr;
    return std::exchange(m_dc, nullptr);
  }
  void reset() {
    if (m_dc) ReleaseDC(m_window, m_dc);
    m_dc = nullptr;
    m_window = nullptr;
  }
  bool IsValid() const { return m_dc != nullptr; }
  explicit operator bool() const { return IsValid(); }

 private:
  HWND m_window = nullptr;
  HDC m_dc = nullptr;
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
