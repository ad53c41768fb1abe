#include "core/DrawHelpers.h"

#include "core/ResourceText.h"
#include "core/UiMetrics.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/module/Module.h"
#include "resources/resource_ids.h"

namespace {

constexpr size_t kButtonTextChars = 18;

enum class ArrowSide { AfterText, RightEdge };

// The arrow's width as drawn: the bitmap's, doubled on a high-resolution screen; 0 when missing.
int ArrowWidth(bool high) {
  CGdiObject<HBITMAP> arrow(LoadBitmapW(GetResourceInstance(), MAKEINTRESOURCEW(IDB_HEADER_DROPDOWN)));
  BITMAP bm{};
  if (!arrow || !GetObjectW(arrow.get(), sizeof bm, &bm)) return 0;
  return high ? bm.bmWidth * 2 : bm.bmWidth;
}

// The longest head of `text` that fits in `room` pixels, ending in an ellipsis when cut, so the
// arrow stays inside the button however long the chosen kind's name is.
std::u16string FitButtonText(HDC dc, std::u16string_view text, int room) {
  auto width = [dc](std::u16string_view t) {
    SIZE extent{};
    GetTextExtentPoint32W(dc, t.data(), static_cast<int>(t.size()), &extent);
    return extent.cx;
  };
  if (width(text) <= room) return std::u16string(text);
  for (size_t n = text.size(); n-- > 0;) {
    std::u16string cut(text.substr(0, n));
    while (!cut.empty() && cut.back() == u' ') cut.pop_back();
    cut += u'\u2026';
    if (width(cut) <= room || n == 0) return cut;
  }
  return {};
}

void DrawDropDownButton(HDC dc, const RECT& item, std::u16string_view whole, bool focused, ArrowSide side) {
  const bool high = IsHighResolution();
  FillRect(dc, &item, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  const int textX = item.left + (high ? 12 : 6);
  const int textY = item.top + (high ? 8 : 4);
  const int arrowGap = side == ArrowSide::AfterText ? (high ? 20 : 10) : (high ? 4 : 2);
  const int rightArrowX = item.right - (high ? 28 : 12);
  const int arrowEnd = side == ArrowSide::AfterText ? item.right - (high ? 4 : 2) : rightArrowX;
  const int arrowRoom = side == ArrowSide::AfterText ? ArrowWidth(high) : 0;
  const std::u16string text = FitButtonText(dc, whole.substr(0, kButtonTextChars), arrowEnd - arrowRoom - arrowGap - textX);
  int oldMode = SetBkMode(dc, TRANSPARENT);
  ExtTextOutW(dc, textX, textY, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
  SetBkMode(dc, oldMode);
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &extent);
  const int textEnd = textX + extent.cx;
  if (side == ArrowSide::AfterText)
    DrawResourceBitmap(IDB_HEADER_DROPDOWN, GetResourceInstance(), dc, textEnd + arrowGap, item.top + (high ? 20 : 10));
  else
    DrawResourceBitmap(IDB_HEADER_DROPDOWN, GetResourceInstance(), dc, rightArrowX, item.top + (high ? 14 : 10));
  if (focused) {
    int right = textEnd + (side == ArrowSide::AfterText ? 15 : 14);
    DrawFrameRect(dc, 1, textX - 4, textY - 3, right, textY + extent.cy + 5, RGB(0, 0, 0));
  }
}

}  // namespace

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
  BITMAP bm;
  if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return;
  CMemoryDC mem = CMemoryDC::CompatibleWith(dc);
  CSelectObjectScope selected(mem.get(), bitmap);
  if (!selected) return;
  if (IsHighResolution())
    StretchBlt(dc, x, y, bm.bmWidth * 2, bm.bmHeight * 2, mem.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
  else
    BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, SRCCOPY);
}

void DrawResourceBitmap(UINT id, HINSTANCE module, HDC dc, int x, int y) {
  CGdiObject<HBITMAP> bitmap(LoadBitmapW(module, MAKEINTRESOURCEW(id)));
  if (bitmap) DrawBitmap(dc, bitmap.get(), x, y);
}

void DrawLine(HDC dc, int width, int x1, int y1, int x2, int y2, COLORREF color) {
  CGdiObject<HPEN> pen(CreatePen(PS_SOLID, width, color));
  CSelectObjectScope selected(dc, pen.get());
  const POINT points[2] = {{x1, y1}, {x2, y2}};
  Polyline(dc, points, 2);
}

void DrawFrameRect(HDC dc, int width, int left, int top, int right, int bottom, COLORREF color) {
  CGdiObject<HPEN> pen(CreatePen(PS_SOLID, width, color));
  CSelectObjectScope selected(dc, pen.get());
  const POINT points[5] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
  Polyline(dc, points, 5);
}

void DrawFilledRect(HDC dc, int left, int top, int right, int bottom, int stockBrush, COLORREF color) {
  CGdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, color));
  CSelectObjectScope selectedPen(dc, pen.get());
  HGDIOBJ brush = GetStockObject(stockBrush);
  CSelectObjectScope selectedBrush(dc, brush && GetObjectType(brush) == OBJ_BRUSH ? brush : nullptr);
  const POINT points[5] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
  Polygon(dc, points, 5);
}

void DrawDropDownButtonLeft(HDC dc, const RECT& item, std::u16string_view text, bool focused) {
  DrawDropDownButton(dc, item, text, focused, ArrowSide::AfterText);
}

void DrawDropDownButtonRight(HDC dc, const RECT& item, std::u16string_view text, bool focused) {
  DrawDropDownButton(dc, item, text, focused, ArrowSide::RightEdge);
}
