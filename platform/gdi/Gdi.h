// Drawing: device contexts over image surfaces, the drawing objects (pens, brushes, fonts,
// bitmaps, palettes), lines, shapes, text, block transfers and DIB sections.
//
// Every object lives in one handle table. A handle is valid from its creation until
// DeleteObject / DeleteDC / ReleaseDC; the table counts live objects so tests can prove
// that nothing leaks. Stock objects are never counted and never deleted.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "platform/base/Geometry.h"
#include "platform/base/Win32Types.h"

using LPINT = int*;

// ---- Colours --------------------------------------------------------------------------
// COLORREF is 0x00BBGGRR.
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr int GDI_ERROR = -1;

// ---- Structures -----------------------------------------------------------------------
struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 0;
  WORD bmBitsPixel = 0;
  LPVOID bmBits = nullptr;
};

struct BITMAPINFOHEADER {
  DWORD biSize = 0;
  LONG biWidth = 0;
  LONG biHeight = 0;
  WORD biPlanes = 0;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};

// The header followed by as many colour entries as the caller allocated.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType = 0;
  DWORD bfSize = 0;
  WORD bfReserved1 = 0;
  WORD bfReserved2 = 0;
  DWORD bfOffBits = 0;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3] = {};
  HANDLE dshSection = nullptr;
  DWORD dsOffset = 0;
};

struct PALETTEENTRY {
  BYTE peRed = 0;
  BYTE peGreen = 0;
  BYTE peBlue = 0;
  BYTE peFlags = 0;
};

// The header followed by palNumEntries entries.
struct LOGPALETTE {
  WORD palVersion = 0x300;
  WORD palNumEntries = 0;
  PALETTEENTRY palPalEntry[1];
};

struct LOGPEN {
  UINT lopnStyle = 0;
  POINT lopnWidth;
  COLORREF lopnColor = 0;
};

struct LOGBRUSH {
  UINT lbStyle = 0;
  COLORREF lbColor = 0;
  ULONG_PTR lbHatch = 0;
};

constexpr int LF_FACESIZE = 32;
struct LOGFONTW {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  WCHAR lfFaceName[LF_FACESIZE] = {};
};

struct TEXTMETRICW {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;
  BYTE tmCharSet = 0;
};

// ---- Constants --------------------------------------------------------------------------
constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_PALETTE = 15;

// Object types (GetCurrentObject, GetObjectType).
constexpr UINT OBJ_PEN = 1;
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_DC = 3;
constexpr UINT OBJ_PAL = 5;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;
constexpr UINT OBJ_MEMDC = 10;

// Pens and brushes.
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_NULL = 5;
constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Font weights and quality.
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_MEDIUM = 500;
constexpr LONG FW_BOLD = 700;

// Device capabilities.
constexpr int TECHNOLOGY = 2;
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMCOLORS = 24;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int COLORRES = 108;
constexpr int DT_RASDISPLAY = 1;
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_BITMAP64 = 0x0008;
constexpr int RC_DI_BITMAP = 0x0080;
constexpr int RC_PALETTE = 0x0100;
constexpr int RC_DIBTODEV = 0x0200;
constexpr int RC_STRETCHBLT = 0x0800;
constexpr int RC_STRETCHDIB = 0x2000;

// Raster operations of the block transfers.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// DrawTextW.
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_EDITCONTROL = 0x2000;  // with DT_WORDBREAK, a word wider than the line is broken
constexpr UINT DT_END_ELLIPSIS = 0x8000;

// ExtTextOutW.
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;

// System colours (GetSysColor, and a brush handle of index + 1 in FillRect).
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;

// ---- Device contexts --------------------------------------------------------------------
// A memory context starts with a 1x1 bitmap, the black pen, the white brush, the system
// font and the default palette selected. Null `dc` means the screen.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// A printer's context for the driver, device and port that the page set-up dialog named
// (`devMode` may be null). The printer is reached only through ExtEscape; null without a
// port.
HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const void* devMode);
// Printer escapes. QUERYESCSUPPORT (input: the escape as a 4-byte number) answers 1 for
// the escapes below, 0 for others. kCardReadEscape (input: a CardReadRequest) asks the
// printer's magnetic card reader for one swipe: the reply is copied into the request's
// buffer (8-bit text, cut to its size less one, null-terminated) and the escape answers
// its length; with no swipe waiting it answers 0. The swipes a printer answers with are
// read from "<port file>.reply" under the device root, one line each, in order; the port
// "COM1:" has the port file "\Printer Output\COM1.txt". Anything else answers -1.
constexpr int QUERYESCSUPPORT = 8;
constexpr int kCardReadEscape = 7000;
constexpr DWORD kCardReadCommand = 11;
struct CardReadRequest {
  BYTE* reply;
  DWORD size;
  DWORD command;
};
int ExtEscape(HDC dc, int escape, int inputSize, LPCSTR input, int outputSize, LPSTR output);
int GetDeviceCaps(HDC dc, int index);

// Selecting returns the object that was selected before (null on failure). A bitmap can
// be selected into one memory context at a time; a palette is selected by SelectPalette.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
// FALSE for a stock object, an unknown handle, or an object still selected into a context.
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
// Fills a BITMAP (or DIBSECTION when the size allows), LOGPEN, LOGBRUSH or LOGFONTW.
// With a null buffer, returns the size needed.
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);
DWORD GetObjectType(HGDIOBJ object);

COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

// ---- Bitmaps ----------------------------------------------------------------------------
// A bitmap of the screen's colour depth, black (all zero) until drawn on.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A DIB section of 1, 2, 4, 8, 16, 24 or 32 bits per pixel (BI_RGB, or BI_BITFIELDS with
// the three 16-bit 5-5-5 or 5-6-5 or 32-bit masks). `*bits` receives the pixel memory
// (rows bottom-up unless the height is negative, each padded to 4 bytes), zero-filled;
// the caller may write it at any time and every drawing call sees it. `section` must be
// null. Depths of 8 bits or fewer take their colour table from `info`.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);
// A bitmap resource of `instance` by id (MAKEINTRESOURCEW) or name, as a DIB section of
// the resource's depth. Null when missing or damaged.
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);

COLORREF GetPixel(HDC dc, int x, int y);
// Returns the colour actually set (the nearest a palette bitmap can show).
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop);

// ---- Palettes ---------------------------------------------------------------------------
HPALETTE CreatePalette(const LOGPALETTE* palette);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);

// ---- Pens, brushes, lines and shapes -----------------------------------------------------
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous);
// Draws up to, not including, the end point, which becomes the current position.
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL Polygon(HDC dc, const POINT* points, int count);
// Interior with the current brush, outline with the current pen.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
// A brush handle of 1 to 31 stands for the system colour of that index minus one.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);

// ---- Fonts and text ---------------------------------------------------------------------
HFONT CreateFontIndirectW(const LOGFONTW* font);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size);
// `fit` receives how many characters fit within `maxExtent`; `dx[i]` the extent of the first
// i + 1 characters (all `count` of them).
BOOL GetTextExtentExPointW(HDC dc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx,
                           LPSIZE size);
BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                 const INT* dx);
// Returns the height of the text drawn (or measured with DT_CALCRECT), 0 on failure.
int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format);

namespace platform {

// ---- Screen and text profiles -------------------------------------------------------------
// The screen's colour depth (16 unless set: 8, 16, 24 or 32). A depth of 8 makes the
// screen a palette device. Its size comes from the screen profile (platform/user/Screen.h);
// 480-, 640- and 800-pixel screens have 192 pixels per inch, the classic one 96.
void SetScreenColorDepth(int bitsPerPixel);
int ScreenColorDepth();
int ScreenPixelsPerInch();

// The system font (GetStockObject(SYSTEM_FONT), the font every context starts with and a
// font of height 0 takes) is "Tahoma" of 12 pixels on the classic screen; like every pixel
// size of the interface it doubles on a high-resolution screen (ScreenScale in
// ScreenSize.h). A screen of the platform that makes a font of its own (a bold title, a
// bar's text) takes its height from this one, so it follows the screen too.
constexpr int kSystemFontHeight = 12;
// The system font's height in pixels on this screen: 12, or 24 on a high-resolution one.
int SystemFontHeight();

// How text is measured and drawn. Fixed: every character advances (h + 1) / 2 pixels and
// a line is h pixels high, h being the font's height in pixels (the system font's for
// height 0); the same on every machine, so tests can count pixels. Display: a real font through pango
// ("Tahoma" falls back to the installed sans face).
enum class TextProfile { Fixed, Display };
void SetTextProfile(TextProfile profile);
TextProfile GetTextProfile();

// ---- Objects ------------------------------------------------------------------------------
// Live drawing objects and contexts (not counting stock objects).
int LiveGdiObjectCount();
// Deletes every object and context and puts the defaults back (16 bits, fixed text).
void ResetGdi();

// The bitmap a window can draw into with `origin` as its (0, 0) and `clip` (in bitmap
// coordinates) as its visible part, less the `covered` rectangles (what other windows hide
// of it, in bitmap coordinates); used by the window manager. ReleaseDC or DeleteDC ends it.
HDC CreateSurfaceDC(HBITMAP surface, POINT origin, RECT clip, const std::vector<RECT>& covered = {});
// A context drawing anywhere on the screen; ReleaseDC or DeleteDC ends it.
HDC CreateScreenDC();
// Ends a context that CreateSurfaceDC or CreateScreenDC made and returns 1; 0, with
// nothing done, for any other handle (a memory context is deleted, not released).
int ReleaseSurfaceDC(HDC dc);
// The screen's own bitmap (owned by the platform; never delete it).
HBITMAP ScreenBitmap();

// Writes what a context's bitmap holds, or a bitmap, as a PNG file (for tests and for
// looking at what the program draws). False when it cannot be written.
bool SaveDcAsPng(HDC dc, const std::filesystem::path& file);
bool SaveBitmapAsPng(HBITMAP bitmap, const std::filesystem::path& file);
// A copy of a device bitmap's pixels (0x00RRGGBB, rows from the top) for a display to
// show. False for an unknown bitmap or a DIB section.
bool ReadBitmapPixels(HBITMAP bitmap, std::vector<std::uint32_t>& pixels, int* width, int* height);

}  // namespace platform
