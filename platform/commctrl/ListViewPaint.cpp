// Painting a list view in the system colours: the header, the report rows (or the parent's
// owner-drawn ones) and the icons.
#include <algorithm>

#include "platform/commctrl/ListViewInternal.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/TextMeasure.h"

namespace platform::commctrl::listview {

COLORREF Background(const ListView& m) {
  return m.background == CLR_NONE ? GetSysColor(COLOR_WINDOW) : m.background;
}

namespace {

bool ShowsSelection(HWND hwnd) { return GetFocus() == hwnd || (StyleOf(hwnd) & LVS_SHOWSELALWAYS); }

void PaintHeader(HWND hwnd, HDC dc, const ListView& m) {
  int h = HeaderHeight(hwnd);
  if (!h) return;
  RECT bar{0, 0, ContentRight(hwnd), h};
  FillColor(dc, bar, GetSysColor(COLOR_BTNFACE));
  for (int c = 0; c < static_cast<int>(m.columns.size()); ++c) {
    const Column& col = m.columns[static_cast<size_t>(c)];
    if (col.width <= 0) continue;
    RECT r{ColumnLeft(m, c), 0, ColumnLeft(m, c) + col.width, h};
    Line(dc, r.right - 1, 1, r.right - 1, h - 2, GetSysColor(COLOR_BTNSHADOW));
    RECT text{r.left + 3, r.top, r.right - 3, r.bottom};
    if ((col.fmt & LVCFMT_IMAGE) && col.image >= 0 && m.small) {
      // The picture first, centred in a title without text, else before the text.
      SIZE image = ImageSize(m.small);
      int x = col.text.empty() ? r.left + (col.width - image.cx) / 2 : text.left;
      ImageList_Draw(m.small, col.image, dc, x, (h - image.cy) / 2, ILD_TRANSPARENT);
      text.left = x + image.cx + 2;
    }
    UINT align = (col.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT ? DT_RIGHT
                 : (col.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
    DrawLabel(dc, col.text, text, align | DT_VCENTER, GetSysColor(COLOR_BTNTEXT));
  }
  Line(dc, 0, h - 1, bar.right - 1, h - 1, GetSysColor(COLOR_BTNSHADOW));
}

// The text cut to the width, ending in "..." when it had to be cut.
std::u16string Fitted(HWND hwnd, const std::u16string& text, int width) {
  if (TextWidthOf(hwnd, text) <= width) return text;
  std::u16string dots = u"...";
  int room = width - TextWidthOf(hwnd, dots);
  if (room <= 0) return {};
  return text.substr(0, platform::user::CharsThatFit(FontOf(hwnd), text, room)) + dots;
}

void PaintOwnerDrawn(HWND hwnd, HDC dc, const ListView& m, int i, bool selected) {
  DRAWITEMSTRUCT item;
  item.CtlType = ODT_LISTVIEW;
  item.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
  item.itemID = static_cast<UINT>(i);
  item.itemAction = ODA_DRAWENTIRE;
  item.itemState = (selected ? ODS_SELECTED : 0) |
                   ((StateOf(hwnd, m, i) & LVIS_FOCUSED) && GetFocus() == hwnd ? ODS_FOCUS : 0);
  item.hwndItem = hwnd;
  item.hDC = dc;
  item.rcItem = RowBounds(hwnd, m, i);
  item.itemData = static_cast<ULONG_PTR>(ParamOf(hwnd, m, i));
  SendMessageW(GetParent(hwnd), WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

void PaintReportRow(HWND hwnd, HDC dc, ListView& m, int i, bool selected) {
  RECT row = RowBounds(hwnd, m, i);
  bool fullRow = m.exStyle & LVS_EX_FULLROWSELECT;
  COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  // A row paints its whole width, so a repaint without erasing leaves no old selection.
  FillColor(dc, RECT{row.left, row.top, std::max<LONG>(row.right, ContentRight(hwnd)), row.bottom},
            selected && fullRow ? highlight : Background(m));
  for (int c = 0; c < static_cast<int>(m.columns.size()) || c == 0; ++c) {
    bool haveColumn = c < static_cast<int>(m.columns.size());
    if (haveColumn && m.columns[static_cast<size_t>(c)].width <= 0) continue;
    int sub = haveColumn ? m.columns[static_cast<size_t>(c)].subItem : 0;
    Shown shown = CellOf(hwnd, m, i, sub, m.small != nullptr);
    RECT cell = CellRect(hwnd, m, i, c, LVIR_BOUNDS);
    if (c == 0 && m.stateImages) {
      int index = static_cast<int>((StateOf(hwnd, m, i) & LVIS_STATEIMAGEMASK) >> 12) - 1;
      if (index >= 0) ImageList_Draw(m.stateImages, index, dc, cell.left, cell.top, ILD_TRANSPARENT);
    }
    RECT icon = CellRect(hwnd, m, i, c, LVIR_ICON);
    if (shown.image >= 0 && icon.right > icon.left)
      ImageList_Draw(m.small, shown.image, dc, icon.left, icon.top + (icon.bottom - icon.top - ImageSize(m.small).cy) / 2,
                     ILD_TRANSPARENT);
    RECT label = CellRect(hwnd, m, i, c, LVIR_LABEL);
    bool highlighted = selected && (fullRow || c == 0);
    std::u16string text = Fitted(hwnd, shown.text, label.right - label.left - 4);
    if (highlighted && !fullRow) {
      RECT back{label.left, label.top, std::min<int>(label.right, label.left + TextWidthOf(hwnd, text) + 4), label.bottom};
      FillColor(dc, back, highlight);
    }
    int fmt = haveColumn ? m.columns[static_cast<size_t>(c)].fmt & LVCFMT_JUSTIFYMASK : LVCFMT_LEFT;
    UINT align = fmt == LVCFMT_RIGHT ? DT_RIGHT : fmt == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
    RECT textRect{label.left + platform::kListViewTextInset, label.top, label.right - platform::kListViewTextInset,
                  label.bottom};
    DrawLabel(dc, text, textRect, align | DT_VCENTER,
              GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    if (!haveColumn) break;
  }
  if (m.exStyle & LVS_EX_GRIDLINES) {
    COLORREF grid = GetSysColor(COLOR_BTNFACE);
    Line(dc, row.left, row.bottom - 1, std::max<int>(row.right, ContentRight(hwnd)) - 1, row.bottom - 1, grid);
  }
}

void PaintIcon(HWND hwnd, HDC dc, ListView& m, int i, bool selected) {
  Shown shown = CellOf(hwnd, m, i, 0, true);
  RECT icon = CellRect(hwnd, m, i, 0, LVIR_ICON);
  if (shown.image >= 0) ImageList_Draw(m.normal, shown.image, dc, icon.left, icon.top, selected ? ILD_SELECTED : ILD_NORMAL);
  RECT label = CellRect(hwnd, m, i, 0, LVIR_LABEL);
  std::u16string text = Fitted(hwnd, shown.text, label.right - label.left - 4);
  if (selected) {
    int w = TextWidthOf(hwnd, text) + 4;
    int left = label.left + (label.right - label.left - w) / 2;
    FillColor(dc, RECT{left, label.top, left + w, label.top + LineHeight(hwnd) + 2}, GetSysColor(COLOR_HIGHLIGHT));
  }
  RECT textRect{label.left + 2, label.top + 1, label.right - 2, label.top + 1 + LineHeight(hwnd)};
  DrawLabel(dc, text, textRect, DT_CENTER, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
}

}  // namespace

void Paint(HWND hwnd, ListView& m) {
  PaintScope paint(hwnd);
  HDC dc = paint.dc();
  if (!dc) return;
  const RECT& client = paint.client();
  int per = PerLine(hwnd, m);
  int first = TopLine(hwnd) * per;
  // Whole and partly visible lines; nothing is asked of rows below them.
  int lines = (client.bottom - HeaderHeight(hwnd) + LineHeightOfView(hwnd, m) - 1) / LineHeightOfView(hwnd, m);
  int last = std::min(Count(hwnd, m), first + lines * per);
  bool ownerDraw = Report(hwnd) && (StyleOf(hwnd) & LVS_OWNERDRAWFIXED);
  for (int i = first; i < last && IsWindow(hwnd); ++i) {
    bool selected = (StateOf(hwnd, m, i) & LVIS_SELECTED) && ShowsSelection(hwnd);
    if (ownerDraw) PaintOwnerDrawn(hwnd, dc, m, i, selected);
    else if (Report(hwnd)) PaintReportRow(hwnd, dc, m, i, selected);
    else PaintIcon(hwnd, dc, m, i, selected);
  }
  if (IsWindow(hwnd)) {
    PaintHeader(hwnd, dc, m);
    if (StyleOf(hwnd) & WS_BORDER) FrameColor(dc, client, RGB(0, 0, 0));
    platform::RedrawVerticalScrollBar(hwnd);
  }
}

}  // namespace platform::commctrl::listview
