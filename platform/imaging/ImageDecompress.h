// The picture decoder: turns a BMP, PNG, JPEG or GIF file, fed through a read callback,
// into a bitmap no larger than a given maximum.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gdi/Gdi.h"

// Reads up to `size` bytes into `buffer`; returns how many were read (0 at the end).
using ImageReadCallback = DWORD (*)(LPSTR buffer, DWORD size, LPARAM param);
// Told how decoding progresses; may be null.
using ImageProgressCallback = void (*)(HDC dc, BOOL complete, LPARAM param);

struct DecompressImageInfo {
  DWORD dwSize = sizeof(DecompressImageInfo);
  LPBYTE pbBuffer = nullptr;       // the caller's read buffer
  DWORD dwBufferMax = 0;           // its size
  DWORD dwBufferCurrent = 0;
  HBITMAP* phBM = nullptr;         // receives the bitmap (the caller deletes it)
  void** ppvBits = nullptr;        // not used
  int iBitDepth = 0;               // the bitmap's colour depth as GetObjectW reports it
  LPARAM lParam = 0;               // handed to the callbacks
  HDC hdc = nullptr;
  int iScale = 100;                // percent of the picture's own size
  int iMaxWidth = 0;               // limits (0: 10000)
  int iMaxHeight = 0;
  ImageReadCallback pfnGetData = nullptr;
  ImageProgressCallback pfnImageProgress = nullptr;
  COLORREF crTransparentOverride = 0xFFFFFFFF;  // transparent parts become this colour; else white
};

// S_OK with a new bitmap in *phBM; E_INVALIDARG for a malformed request; E_FAIL when the
// bytes are no picture this decoder reads (damaged, truncated, unknown, or larger than
// 16384 pixels a side), with *phBM null. Pictures larger than the maximum are scaled down
// to fit, keeping their shape; smaller ones keep their size.
HRESULT DecompressImageIndirect(DecompressImageInfo* info);

namespace platform {

// A decoded picture: 0xAARRGGBB pixels, top row first.
struct RgbaPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// Decodes a whole picture file held in memory; false when it cannot.
bool DecodePicture(const BYTE* data, size_t size, RgbaPicture& out);

}  // namespace platform
