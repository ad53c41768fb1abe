// Logical palettes. Drawing is in full colour; a palette matters to the program through
// the colours it holds and through which palette a context has selected.
#include <algorithm>

#include "platform/base/Base.h"
#include "platform/gdi/GdiInternal.h"

using namespace platform::gdi;

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palNumEntries == 0 || palette->palVersion != 0x300) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard lock(Lock());
  auto p = std::make_unique<Palette>();
  // The entries follow the header; the caller allocated palNumEntries of them.
  const PALETTEENTRY* entries = palette->palPalEntry;
  p->entries.assign(entries, entries + palette->palNumEntries);
  return static_cast<HPALETTE>(Add(std::move(p)));
}

HPALETTE SelectPalette(HDC handle, HPALETTE palette, BOOL) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  Palette* p = FindPalette(palette);
  if (!dc || !p) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HGDIOBJ previous = dc->palette;
  if (Object* old = Find(previous)) --old->selections;
  dc->palette = palette;
  ++p->selections;
  return static_cast<HPALETTE>(previous);
}

UINT RealizePalette(HDC handle) {
  std::lock_guard lock(Lock());
  Dc* dc = FindDc(handle);
  if (!dc) return static_cast<UINT>(GDI_ERROR);
  Palette* p = FindPalette(dc->palette);
  return p ? static_cast<UINT>(p->entries.size()) : 0;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  std::lock_guard lock(Lock());
  Palette* p = FindPalette(palette);
  if (!p) return 0;
  UINT size = static_cast<UINT>(p->entries.size());
  if (!entries) return size;
  if (start >= size) return 0;
  UINT n = std::min(count, size - start);
  std::copy_n(p->entries.begin() + start, n, entries);
  return n;
}
