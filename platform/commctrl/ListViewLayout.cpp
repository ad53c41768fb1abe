// Where a list view's parts lie: the header, the rows of report view and the cells of icon
// view with their parts, the lines that fit and the top line (the vertical scroll
// position), the hit tests, and the row height of an owner-drawn list.
#include <algorithm>

#include "platform/commctrl/ListViewInternal.h"
#include "platform/user/ScrollBar.h"

namespace platform::commctrl::listview {

int HeaderHeight(HWND hwnd) {
  if (!Report(hwnd) || (StyleOf(hwnd) & LVS_NOCOLUMNHEADER)) return 0;
  return LineHeight(hwnd) + Px(6);
}

SIZE ImageSize(HIMAGELIST list) {
  SIZE s{0, 0};
  int cx = 0;
  int cy = 0;
  if (ImageList_GetIconSize(list, &cx, &cy)) s = SIZE{cx, cy};
  return s;
}

namespace {

// The row height the font and the small images give; the parent of an owner-drawn list
// may answer another (WM_MEASUREITEM).
int DefaultRowHeight(HWND hwnd, const ListView& m) {
  return std::max(LineHeight(hwnd) + Px(2), static_cast<int>(ImageSize(m.small).cy) + 1);
}

int RowHeight(HWND hwnd, const ListView& m) {
  if (m.measured > 0) return m.measured;
  return DefaultRowHeight(hwnd, m);
}

// Icon view: one cell per item, left to right, then down.
SIZE IconCell(HWND hwnd, const ListView& m) {
  SIZE icon = ImageSize(m.normal);
  return SIZE{std::max<LONG>(icon.cx + 16, 48), icon.cy + LineHeight(hwnd) + 8};
}

RECT Client(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  return r;
}

}  // namespace

// The right edge of the rows: the client area's, less the scroll bar while it shows.
int ContentRight(HWND hwnd) { return Client(hwnd).right - platform::VerticalScrollBarWidth(hwnd); }

int PerLine(HWND hwnd, const ListView& m) {
  if (Report(hwnd)) return 1;
  return std::max(1, ContentRight(hwnd) / static_cast<int>(IconCell(hwnd, m).cx));
}

int LineHeightOfView(HWND hwnd, const ListView& m) {
  return Report(hwnd) ? RowHeight(hwnd, m) : static_cast<int>(IconCell(hwnd, m).cy);
}

// Lines (rows, or rows of icons) that fit wholly.
int LinesPerPage(HWND hwnd, const ListView& m) {
  int height = Client(hwnd).bottom - HeaderHeight(hwnd);
  return std::max(1, height / LineHeightOfView(hwnd, m));
}

int LineCount(HWND hwnd, const ListView& m) {
  int per = PerLine(hwnd, m);
  return (Count(hwnd, m) + per - 1) / per;
}

int TopLine(HWND hwnd) { return GetScrollPos(hwnd, SB_VERT); }

// The range is the lines, the page the lines that fit. Icons fill the width beside the
// scroll bar, so showing or hiding it may change the lines: they are counted again then.
void UpdateScroll(HWND hwnd, const ListView& m) {
  for (int pass = 0; pass < 2; ++pass) {
    int bar = platform::VerticalScrollBarWidth(hwnd);
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMin = 0;
    si.nMax = std::max(LineCount(hwnd, m) - 1, 0);
    si.nPage = static_cast<UINT>(LinesPerPage(hwnd, m));
    SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
    if (Report(hwnd) || platform::VerticalScrollBarWidth(hwnd) == bar) return;
  }
}

void ScrollToLine(HWND hwnd, const ListView& m, int line) {
  UpdateScroll(hwnd, m);
  int before = TopLine(hwnd);
  if (SetScrollPos(hwnd, SB_VERT, line, TRUE) == before && TopLine(hwnd) == before) return;
  Redraw(hwnd);
}

namespace {

int TotalWidth(const ListView& m) {
  int w = 0;
  for (const Column& c : m.columns) w += c.width;
  return w;
}

}  // namespace

int ColumnLeft(const ListView& m, int column) {
  int x = 0;
  for (int c = 0; c < column && c < static_cast<int>(m.columns.size()); ++c) x += m.columns[static_cast<size_t>(c)].width;
  return x;
}

RECT RowBounds(HWND hwnd, const ListView& m, int i) {
  if (!Report(hwnd)) {
    SIZE cell = IconCell(hwnd, m);
    int per = PerLine(hwnd, m);
    int x = (i % per) * cell.cx;
    int y = (i / per - TopLine(hwnd)) * cell.cy;
    return RECT{x, y, x + cell.cx, y + cell.cy};
  }
  int rh = RowHeight(hwnd, m);
  int y = HeaderHeight(hwnd) + (i - TopLine(hwnd)) * rh;
  int width = m.columns.empty() ? ContentRight(hwnd) : TotalWidth(m);
  return RECT{0, y, width, y + rh};
}

namespace {

int StateImageWidth(const ListView& m) { return m.stateImages ? ImageSize(m.stateImages).cx : 0; }

}  // namespace

// Parts of a report cell: the state image (column 0), the small image, the label.
RECT CellRect(HWND hwnd, const ListView& m, int i, int column, int code) {
  RECT row = RowBounds(hwnd, m, i);
  if (!Report(hwnd)) {
    SIZE icon = ImageSize(m.normal);
    int iconLeft = row.left + (row.right - row.left - icon.cx) / 2;
    RECT image{iconLeft, row.top + 2, iconLeft + icon.cx, row.top + 2 + icon.cy};
    RECT label{row.left, image.bottom + 2, row.right, row.bottom};
    if (code == LVIR_ICON) return image;
    if (code == LVIR_LABEL) return label;
    return row;
  }
  int left = ColumnLeft(m, column);
  int width = column < static_cast<int>(m.columns.size()) ? m.columns[static_cast<size_t>(column)].width : row.right;
  RECT cell{left, row.top, left + width, row.bottom};
  int x = cell.left + (column == 0 ? StateImageWidth(m) : 0);
  bool hasImage = m.small && (column == 0 || (m.exStyle & LVS_EX_SUBITEMIMAGES));
  int imageWidth = hasImage ? ImageSize(m.small).cx : 0;
  if (code == LVIR_ICON) return RECT{x, cell.top, std::min<int>(x + imageWidth, cell.right), cell.bottom};
  if (code == LVIR_LABEL) return RECT{std::min<int>(x + imageWidth, cell.right), cell.top, cell.right, cell.bottom};
  return cell;
}

Hit HitTest(HWND hwnd, const ListView& m, POINT pt) {
  Hit hit;
  RECT client = Client(hwnd);
  if (pt.y < HeaderHeight(hwnd) || pt.x < 0) return hit;
  if (pt.y >= client.bottom) {
    hit.flags = LVHT_BELOW;
    return hit;
  }
  if (pt.x >= ContentRight(hwnd)) {
    hit.flags = LVHT_TORIGHT;  // on the scroll bar
    return hit;
  }
  int i;
  if (Report(hwnd)) {
    i = TopLine(hwnd) + (pt.y - HeaderHeight(hwnd)) / RowHeight(hwnd, m);
  } else {
    SIZE cell = IconCell(hwnd, m);
    int col = pt.x / cell.cx;
    if (col >= PerLine(hwnd, m)) return hit;
    i = (TopLine(hwnd) + pt.y / cell.cy) * PerLine(hwnd, m) + col;
  }
  if (!Valid(hwnd, m, i)) return hit;
  if (!Report(hwnd)) {
    RECT icon = CellRect(hwnd, m, i, 0, LVIR_ICON);
    RECT label = CellRect(hwnd, m, i, 0, LVIR_LABEL);
    if (Contains(icon, pt)) hit.flags = LVHT_ONITEMICON;
    else if (Contains(label, pt)) hit.flags = LVHT_ONITEMLABEL;
    else return hit;
    hit.item = i;
    hit.column = 0;
    return hit;
  }
  int width = m.columns.empty() ? ContentRight(hwnd) : TotalWidth(m);
  if (pt.x >= width) {
    hit.flags = LVHT_TORIGHT;
    return hit;
  }
  hit.item = i;
  hit.column = 0;
  for (int c = 0; c < static_cast<int>(m.columns.size()); ++c)
    if (pt.x >= ColumnLeft(m, c)) hit.column = c;
  hit.flags = LVHT_ONITEMLABEL;
  if (hit.column == 0 && pt.x < StateImageWidth(m)) hit.flags = LVHT_ONITEMSTATEICON;
  else if (RECT icon = CellRect(hwnd, m, i, hit.column, LVIR_ICON); icon.right > icon.left && Contains(icon, pt))
    hit.flags = LVHT_ONITEMICON;
  return hit;
}

void RedrawRow(HWND hwnd, const ListView& m, int i) {
  if (!Valid(hwnd, m, i)) return;
  RECT r = RowBounds(hwnd, m, i);
  r.right = std::max<LONG>(r.right, ContentRight(hwnd));
  InvalidateRect(hwnd, &r, TRUE);
}

void EnsureVisible(HWND hwnd, const ListView& m, int i) {
  if (!Valid(hwnd, m, i)) return;
  int line = i / PerLine(hwnd, m);
  int top = TopLine(hwnd);
  int page = LinesPerPage(hwnd, m);
  if (line < top) ScrollToLine(hwnd, m, line);
  else if (line >= top + page) ScrollToLine(hwnd, m, line - page + 1);
}

void Measure(HWND hwnd, ListView& m) {
  if (!(StyleOf(hwnd) & LVS_OWNERDRAWFIXED)) return;
  MEASUREITEMSTRUCT mi;
  mi.CtlType = ODT_LISTVIEW;
  mi.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
  mi.itemHeight = static_cast<UINT>(DefaultRowHeight(hwnd, m));
  // A parent that does not answer leaves the height to the font and the small images.
  HWND parent = GetParent(hwnd);
  bool answered = parent && SendMessageW(parent, WM_MEASUREITEM, mi.CtlID, reinterpret_cast<LPARAM>(&mi));
  m.measured = answered ? static_cast<int>(mi.itemHeight) : 0;
}

}  // namespace platform::commctrl::listview
