#include "core/DrawHelpers.h"

#include "core/ResourceText.h"
#include "core/UiMetrics.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/module/Module.h"
#include "resources/resource_ids.h"

namespace {

constexpr size_t kButtonTextChars = 18;

enum class ArrowSide { AfterText, RightEdge };

void DrawDropDownButton(HDC dc, const RECT& item, std::u16string_view text, bool focused, ArrowSide side) {
  const bool high = IsHighResolution();
  FillRect(dc, &item, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
  text = text.substr(0, kButtonTextChars);
  const int textX = item.left + (high ? 12 : 6);
  const int textY = item.top + (high ? 8 : 4);
  int oldMode = SetBkMode(dc, TRANSPARENT);
  ExtTextOutW(dc, textX, textY, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
  SetBkMode(dc, oldMode);
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &extent);
  const int textEnd = textX + extent.cx;
  if (side == ArrowSide::AfterText)
    DrawResourceBitmap(IDB_HEADER_DROPDOWN, GetResourceInstance(), dc, textEnd + (high ? 20 : 10), item.top + (high ? 20 : 10));
  else
    DrawResourceBitmap(IDB_HEADER_DROPDOWN, GetResourceInstance(), dc, item.right - (high ? 28 : 12), item.top + (high ? 14 : 10));
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
