// A picture file (logo, picture shown in a document) decoded into a bitmap.
#pragma once

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"

class CImageFile {
 public:
  // With `ownsBitmap`, the decoded bitmap is deleted with this object; otherwise the
  // caller takes it (GetBitmap) and deletes it.
  explicit CImageFile(bool ownsBitmap);
  virtual ~CImageFile();
  CImageFile(const CImageFile&) = delete;
  CImageFile& operator=(const CImageFile&) = delete;

  // Decodes `fileName` within `maxWidth` x `maxHeight` (0: 10000) at the colour depth of
  // `dc`. 1 when the file could be opened, 0 otherwise; a file that is no picture leaves
  // no bitmap (IsLoaded false). A bitmap this object owns from an earlier load is deleted first.
  int Load(HDC dc, LPCWSTR fileName, int maxWidth, int maxHeight);

  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  bool IsLoaded() const { return m_bitmap != nullptr; }
  HBITMAP GetBitmap() const { return m_bitmap; }
  // The memory context made for `dc` at the first load (owned by this object).
  HDC GetMemoryDC() const { return m_memDc.get(); }

 private:
  int m_height = 0;
  int m_width = 0;
  bool m_ownsBitmap;
  CMemoryDC m_memDc;
  HBITMAP m_bitmap = nullptr;
};
