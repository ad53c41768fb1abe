// The drawing objects behind the handles, the handle table that owns them, and the
// surfaces they draw on. Private to platform/gdi and platform/imaging.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/BitmapRows.h"
#include "platform/gdi/Gdi.h"

namespace platform::gdi {

enum class Kind { Pen, Brush, Font, Bitmap, Palette, Dc };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  Kind kind;
  bool stock = false;   // never counted, never deleted
  int selections = 0;   // contexts that have it selected
};

struct Pen : Object {
  Pen() : Object(Kind::Pen) {}
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
};

struct Brush : Object {
  Brush() : Object(Kind::Brush) {}
  bool hollow = false;
  COLORREF color = 0;
};

struct Font : Object {
  Font() : Object(Kind::Font) {}
  LOGFONTW log;
  // Height of a line in pixels (the system font's for a height of 0).
  int PixelHeight() const;
  bool Bold() const { return log.lfWeight >= 600; }
  // What is measured of the font alone, kept for the text profile and pixel height it was
  // measured at: controls ask for it at every change and every line they draw.
  template <class T>
  struct Kept {
    platform::TextProfile profile;
    int pixelHeight = 0;
    T value;
  };
  mutable std::optional<Kept<TEXTMETRICW>> measured;  // GetTextMetricsW's answer
  mutable std::optional<Kept<int>> emptyLineHeight;   // DrawTextW's line height
};

struct Palette : Object {
  Palette() : Object(Kind::Palette) {}
  std::vector<PALETTEENTRY> entries;
};

// A bitmap always has an RGB24 cairo surface that drawing uses. A DIB section also has
// its own pixel memory in its own format, which the caller may write directly: the
// surface is refreshed from it before each use (Pull) and written back after each change
// (Push).
struct Bitmap : Object {
  Bitmap() : Object(Kind::Bitmap) {}
  ~Bitmap() override;

  int width = 0;
  int height = 0;        // always positive
  int bitsPerPixel = 0;  // what GetObjectW reports
  bool dib = false;
  bool topDown = false;
  DWORD compression = BI_RGB;
  DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
  std::vector<RGBQUAD> colors;  // colour table of a DIB of 8 bits or fewer
  std::unique_ptr<BYTE[]> bits;
  size_t bitsStride = 0;
  size_t bitsSize = 0;
  cairo_surface_t* surface = nullptr;

  void Pull();
  void Push();
  // The start of row y (from the top) of a DIB section's memory.
  BYTE* DibRow(int y) const {
    return RowStart(bits.get(), bitsStride, y, topDown ? RowOrder::TopDown : RowOrder::BottomUp, height);
  }
  // One pixel of a DIB section, read from or written into its memory (x, y from the top).
  std::uint32_t ReadDibPixel(int x, int y) const;
  // `palette` (optional) picks the colour-table index of a colour.
  void WriteDibPixel(int x, int y, std::uint32_t rgb,
                     const std::function<int(std::uint32_t)>& palette = nullptr);
  // The colour-table index nearest to `rgb`.
  int NearestIndex(std::uint32_t rgb) const;
};

struct Dc : Object {
  Dc() : Object(Kind::Dc) {}
  bool memory = false;   // made by CreateCompatibleDC
  bool window = false;   // ended by ReleaseDC
  HGDIOBJ pen = nullptr;
  HGDIOBJ brush = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ bitmap = nullptr;
  HGDIOBJ palette = nullptr;
  COLORREF textColor = 0;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  POINT position;
  POINT origin;
  bool hasClip = false;
  RECT clip;                  // in bitmap coordinates
  std::vector<RECT> covered;  // parts of the clip not drawn on, in bitmap coordinates
  // A printer's context (CreateDCW): the printer's port, and how far its replies were read.
  std::u16string printerPort;
  long long replyOffset = 0;
};

// ---- The handle table ----------------------------------------------------------------
// One lock guards every object; each entry point takes it.
std::recursive_mutex& Lock();
HGDIOBJ Add(std::unique_ptr<Object> object);
Object* Find(HGDIOBJ handle);
template <typename T>
T* FindAs(HGDIOBJ handle, Kind kind) {
  Object* o = Find(handle);
  return o && o->kind == kind ? static_cast<T*>(o) : nullptr;
}
inline Dc* FindDc(HDC dc) { return FindAs<Dc>(dc, Kind::Dc); }
inline Bitmap* FindBitmap(HGDIOBJ b) { return FindAs<Bitmap>(b, Kind::Bitmap); }
inline Pen* FindPen(HGDIOBJ p) { return FindAs<Pen>(p, Kind::Pen); }
inline Brush* FindBrush(HGDIOBJ b) { return FindAs<Brush>(b, Kind::Brush); }
inline Font* FindFont(HGDIOBJ f) { return FindAs<Font>(f, Kind::Font); }
inline Palette* FindPalette(HGDIOBJ p) { return FindAs<Palette>(p, Kind::Palette); }

// A new context drawing on `bitmap` with the default objects selected.
HDC NewDc(HGDIOBJ bitmap, bool memory, bool window);
// The bitmap a context draws on (null when it has none).
Bitmap* Target(Dc& dc);
// The visible part of a context in bitmap coordinates.
RECT VisibleRect(Dc& dc, const Bitmap& target);
// Whether a context may draw on bitmap pixel (x, y) inside its visible part: false where
// another window covers it.
bool Uncovered(const Dc& dc, int x, int y);

// A bitmap object (not yet in the table) of the given shape, white.
std::unique_ptr<Bitmap> MakeDeviceBitmap(int width, int height, int bitsPerPixel);
// A DIB section object from a header and colour table; null when the shape is refused.
std::unique_ptr<Bitmap> MakeDibSection(const BITMAPINFOHEADER& header, const RGBQUAD* colors,
                                       size_t colorCount, const DWORD* masks);

// ---- Colours ----------------------------------------------------------------------------
// Surface pixels are 0x00RRGGBB.
constexpr std::uint32_t ToPixel(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF ToColorRef(std::uint32_t p) {
  return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}
COLORREF SysColor(int index);

// ---- Drawing on a context's surface -------------------------------------------------------
// A cairo context on the target of `dc`, translated to its origin and clipped to its
// visible part, with antialiasing off so that pixels come out as the handheld draws them.
// The DIB memory is refreshed first and written back at the end.
class Canvas {
 public:
  explicit Canvas(Dc& dc);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  bool Ok() const { return m_cr != nullptr; }
  cairo_t* Cr() const { return m_cr; }

 private:
  Bitmap* m_target = nullptr;
  cairo_t* m_cr = nullptr;
};

// Raw access to a bitmap's surface pixels for block transfers and single pixels.
class Pixels {
 public:
  Pixels(Bitmap& bitmap, bool write);
  ~Pixels();
  Pixels(const Pixels&) = delete;
  Pixels& operator=(const Pixels&) = delete;
  std::uint32_t Get(int x, int y) const { return Row(y)[x] & 0xFFFFFF; }
  void Set(int x, int y, std::uint32_t rgb) { Row(y)[x] = rgb & 0xFFFFFF; }
  std::uint32_t* Row(int y) const { return reinterpret_cast<std::uint32_t*>(RowStart(m_data, m_stride, y)); }

 private:
  Bitmap& m_bitmap;
  bool m_write;
  unsigned char* m_data = nullptr;
  size_t m_stride = 0;
};

// ---- Text ---------------------------------------------------------------------------------
struct TextLayout {
  std::vector<int> ends;  // extent of the first i + 1 UTF-16 units
  int width = 0;
  int height = 0;
  int ascent = 0;
};
TextLayout MeasureText(const Font& font, std::u16string_view text);
// Draws one line with its top-left corner at (x, y) in the canvas' coordinates.
void PaintText(cairo_t* cr, const Font& font, int x, int y, std::u16string_view text, COLORREF color);
Font& CurrentFont(Dc& dc);
void ResetText();

}  // namespace platform::gdi
