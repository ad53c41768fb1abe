// The list view: rows of items with sub-items in report view (columns under a header) or
// icons in a grid. Rows hold their texts, images and lParam, or (owner data) only a count:
// then every text is asked of the parent with LVN_GETDISPINFOW when a row is painted or
// read, and never for a row that is not. The first visible row is the vertical scroll
// position, so SetScrollPos/WM_VSCROLL and LVM_ENSUREVISIBLE all move the same view.
#include <algorithm>
#include <map>
#include <numeric>
#include <vector>

#include "platform/base/Base.h"
#include "platform/commctrl/CommCtrlInternal.h"
#include "platform/user/Dialog.h"
#include "platform/user/Paint.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/TextMeasure.h"

namespace platform::commctrl {

namespace {

using platform::user::DataOf;
using platform::user::StyleOf;

struct Column {
  std::u16string text;
  int width = 0;
  int fmt = LVCFMT_LEFT;
  int subItem = 0;
  int image = -1;  // of the small image list, shown in the title with LVCFMT_IMAGE
};

struct Cell {
  std::u16string text;
  bool callback = false;
  int image = -1;
};

struct Row {
  std::vector<Cell> cells{1};  // cell 0 is the item itself
  LPARAM lParam = 0;
  UINT state = 0;
  int indent = 0;
};

constexpr int kMaxText = 260;

class ListView : public platform::user::WindowData {
 public:
  std::vector<Column> columns;
  std::vector<Row> rows;
  int ownerCount = 0;               // owner data: the rows there are
  std::map<int, UINT> ownerStates;  // owner data: states of rows that have one
  HIMAGELIST normal = nullptr;
  HIMAGELIST small = nullptr;
  HIMAGELIST stateImages = nullptr;
  DWORD exStyle = 0;
  int mark = -1;  // selection mark
  COLORREF background = CLR_NONE;
  int measured = 0;  // row height the parent gave an owner-drawn list
  PenTrack pen;
  int headerDown = -1;  // column whose title the pen went down on
};

std::shared_ptr<ListView> Model(HWND hwnd) { return DataOf<ListView>(hwnd); }

// ---- Model --------------------------------------------------------------------------------------

bool OwnerData(HWND hwnd) { return StyleOf(hwnd) & LVS_OWNERDATA; }
DWORD View(HWND hwnd) { return StyleOf(hwnd) & LVS_TYPEMASK; }
bool Report(HWND hwnd) { return View(hwnd) != LVS_ICON; }

int Count(HWND hwnd, const ListView& m) {
  return OwnerData(hwnd) ? m.ownerCount : static_cast<int>(m.rows.size());
}
bool Valid(HWND hwnd, const ListView& m, int i) { return i >= 0 && i < Count(hwnd, m); }

UINT StateOf(HWND hwnd, const ListView& m, int i) {
  if (!Valid(hwnd, m, i)) return 0;
  if (!OwnerData(hwnd)) return m.rows[static_cast<size_t>(i)].state;
  auto it = m.ownerStates.find(i);
  return it == m.ownerStates.end() ? 0 : it->second;
}

void StoreState(HWND hwnd, ListView& m, int i, UINT state) {
  if (!OwnerData(hwnd)) {
    m.rows[static_cast<size_t>(i)].state = state;
  } else if (state) {
    m.ownerStates[i] = state;
  } else {
    m.ownerStates.erase(i);
  }
}

LPARAM ParamOf(HWND hwnd, const ListView& m, int i) {
  return Valid(hwnd, m, i) && !OwnerData(hwnd) ? m.rows[static_cast<size_t>(i)].lParam : 0;
}

// What one cell shows: its stored text and image, or what the parent answers.
struct Shown {
  std::u16string text;
  int image = -1;
};

Shown AskParent(HWND hwnd, const ListView& m, int i, int sub, UINT mask) {
  WCHAR buffer[kMaxText] = {};
  NMLVDISPINFOW info;
  info.item.mask = mask;
  info.item.iItem = i;
  info.item.iSubItem = sub;
  info.item.pszText = buffer;
  info.item.cchTextMax = kMaxText;
  info.item.iImage = -1;
  info.item.lParam = ParamOf(hwnd, m, i);
  Notify(hwnd, LVN_GETDISPINFOW, &info.hdr);
  Shown shown;
  shown.image = info.item.iImage;
  if ((mask & LVIF_TEXT) && info.item.pszText && info.item.pszText != LPSTR_TEXTCALLBACKW) {
    // The parent may point the text at its own buffer instead of filling ours.
    const WCHAR* p = info.item.pszText;
    size_t n = 0;
    size_t limit = p == buffer ? kMaxText - 1 : static_cast<size_t>(kMaxText) * 16;
    while (n < limit && p[n]) ++n;
    shown.text.assign(p, n);
  }
  return shown;
}

Shown CellOf(HWND hwnd, ListView& m, int i, int sub, bool wantImage) {
  if (!Valid(hwnd, m, i)) return {};
  bool imagesHere = sub == 0 || (m.exStyle & LVS_EX_SUBITEMIMAGES);
  if (OwnerData(hwnd)) return AskParent(hwnd, m, i, sub, LVIF_TEXT | (wantImage && imagesHere ? LVIF_IMAGE : 0));
  const Row& row = m.rows[static_cast<size_t>(i)];
  Cell cell = static_cast<size_t>(sub) < row.cells.size() ? row.cells[static_cast<size_t>(sub)] : Cell{};
  UINT ask = (cell.callback ? LVIF_TEXT : 0) |
             (wantImage && imagesHere && cell.image == I_IMAGECALLBACK ? LVIF_IMAGE : 0);
  if (!ask) return {cell.text, imagesHere ? cell.image : -1};
  Shown asked = AskParent(hwnd, m, i, sub, ask);
  return {cell.callback ? asked.text : cell.text, (ask & LVIF_IMAGE) ? asked.image : (imagesHere ? cell.image : -1)};
}

Cell& CellAt(Row& row, int sub) {
  if (row.cells.size() <= static_cast<size_t>(sub)) row.cells.resize(static_cast<size_t>(sub) + 1);
  return row.cells[static_cast<size_t>(sub)];
}

// ---- Geometry -----------------------------------------------------------------------------------

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

int TotalWidth(const ListView& m) {
  int w = 0;
  for (const Column& c : m.columns) w += c.width;
  return w;
}

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

int StateImageWidth(const ListView& m) { return m.stateImages ? ImageSize(m.stateImages).cx : 0; }

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

struct Hit {
  int item = -1;
  int column = -1;
  UINT flags = LVHT_NOWHERE;
};

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

// ---- State changes ----------------------------------------------------------------------------

void SendItemChanged(HWND hwnd, const ListView& m, int i, UINT oldState, UINT newState) {
  NMLISTVIEW nm;
  nm.iItem = i;
  nm.uChanged = LVIF_STATE;
  nm.uOldState = oldState;
  nm.uNewState = newState;
  nm.lParam = ParamOf(hwnd, m, i);
  Notify(hwnd, LVN_ITEMCHANGED, &nm.hdr);
}

// Sets the bits of `mask` to `state` on row i (-1: every row), keeping one selected row
// in a single-selection list and one focused row in any list.
void SetState(HWND hwnd, ListView& m, int i, UINT state, UINT mask) {
  auto change = [&](int row, UINT bits, UINT bitsMask) {
    UINT old = StateOf(hwnd, m, row);
    UINT now = (old & ~bitsMask) | (bits & bitsMask);
    if (now == old) return;
    StoreState(hwnd, m, row, now);
    RedrawRow(hwnd, m, row);
    SendItemChanged(hwnd, m, row, old, now);
  };
  auto forOthers = [&](int keep, UINT bit) {
    std::vector<int> holders;
    if (OwnerData(hwnd)) {
      for (auto& [row, s] : m.ownerStates)
        if ((s & bit) && row != keep) holders.push_back(row);
    } else {
      for (int row = 0; row < Count(hwnd, m); ++row)
        if ((m.rows[static_cast<size_t>(row)].state & bit) && row != keep) holders.push_back(row);
    }
    for (int row : holders) change(row, 0, bit);
  };
  if (i == -1) {
    if (OwnerData(hwnd) && (state & mask) == 0) {
      forOthers(-1, mask);
      return;
    }
    for (int row = 0; row < Count(hwnd, m); ++row) change(row, state, mask);
    return;
  }
  if (!Valid(hwnd, m, i)) return;
  UINT turnedOn = state & mask;
  if ((turnedOn & LVIS_SELECTED) && (StyleOf(hwnd) & LVS_SINGLESEL)) forOthers(i, LVIS_SELECTED);
  if (turnedOn & LVIS_FOCUSED) forOthers(i, LVIS_FOCUSED);
  change(i, state, mask);
}

int NextItem(HWND hwnd, const ListView& m, int start, UINT flags) {
  UINT want = flags & (LVNI_FOCUSED | LVNI_SELECTED);
  auto matches = [&](int i) { return (StateOf(hwnd, m, i) & want) == want; };
  int count = Count(hwnd, m);
  bool up = flags & (LVNI_ABOVE | LVNI_TOLEFT);
  int step = (flags & (LVNI_ABOVE | LVNI_BELOW)) ? PerLine(hwnd, m) : 1;
  if (up) {
    for (int i = start - step; i >= 0; i -= step)
      if (matches(i)) return i;
    return -1;
  }
  if (OwnerData(hwnd) && want) {
    for (auto it = m.ownerStates.upper_bound(start); it != m.ownerStates.end(); ++it)
      if ((it->second & want) == want && (step == 1 || (it->first - start) % step == 0)) return it->first;
    return -1;
  }
  for (int i = start < 0 ? 0 : start + step; i < count; i += step)
    if (matches(i)) return i;
  return -1;
}

void EnsureVisible(HWND hwnd, const ListView& m, int i) {
  if (!Valid(hwnd, m, i)) return;
  int line = i / PerLine(hwnd, m);
  int top = TopLine(hwnd);
  int page = LinesPerPage(hwnd, m);
  if (line < top) ScrollToLine(hwnd, m, line);
  else if (line >= top + page) ScrollToLine(hwnd, m, line - page + 1);
}

// Moves the selection and focus to row i, as a tap or an arrow key does.
void Choose(HWND hwnd, ListView& m, int i) {
  SetState(hwnd, m, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  m.mark = i;
}

// ---- Rows and columns -----------------------------------------------------------------------

void StoreItem(Row& row, const LVITEMW& item) {
  Cell& cell = CellAt(row, item.iSubItem);
  if (item.mask & LVIF_TEXT) {
    cell.callback = item.pszText == LPSTR_TEXTCALLBACKW;
    cell.text = cell.callback || !item.pszText ? u"" : std::u16string(item.pszText);
  }
  if (item.mask & LVIF_IMAGE) cell.image = item.iImage;
  if (item.iSubItem != 0) return;
  if (item.mask & LVIF_PARAM) row.lParam = item.lParam;
  if (item.mask & LVIF_INDENT) row.indent = item.iIndent;
}

LRESULT InsertItem(HWND hwnd, ListView& m, const LVITEMW* item) {
  if (!item || item->iSubItem != 0 || OwnerData(hwnd)) return -1;
  int count = Count(hwnd, m);
  int at = std::clamp(item->iItem, 0, count);
  Row row;
  StoreItem(row, *item);
  DWORD sort = StyleOf(hwnd) & (LVS_SORTASCENDING | LVS_SORTDESCENDING);
  if (sort && !row.cells[0].callback) {
    auto before = [&](const Row& r) {
      int c = platform::CompareIgnoreCase(row.cells[0].text, r.cells[0].text);
      return sort == LVS_SORTASCENDING ? c < 0 : c > 0;
    };
    at = static_cast<int>(std::find_if(m.rows.begin(), m.rows.end(), before) - m.rows.begin());
  }
  m.rows.insert(m.rows.begin() + at, std::move(row));
  if (m.mark >= at) ++m.mark;
  UINT state = (item->mask & LVIF_STATE) ? item->state & item->stateMask : 0;
  UpdateScroll(hwnd, m);
  Redraw(hwnd);
  NMLISTVIEW nm;
  nm.iItem = at;
  nm.lParam = m.rows[static_cast<size_t>(at)].lParam;
  Notify(hwnd, LVN_INSERTITEM, &nm.hdr);
  if (state) SetState(hwnd, m, at, state, item->stateMask);
  return at;
}

BOOL DeleteItem(HWND hwnd, ListView& m, int i) {
  if (!Valid(hwnd, m, i)) return FALSE;
  NMLISTVIEW nm;
  nm.iItem = i;
  nm.lParam = ParamOf(hwnd, m, i);
  Notify(hwnd, LVN_DELETEITEM, &nm.hdr);
  auto self = Model(hwnd);  // the parent may have destroyed the list meanwhile
  if (!self || !Valid(hwnd, m, i)) return FALSE;
  if (OwnerData(hwnd)) {
    std::map<int, UINT> moved;
    for (auto& [row, s] : m.ownerStates)
      if (row != i) moved[row > i ? row - 1 : row] = s;
    m.ownerStates = std::move(moved);
    --m.ownerCount;
  } else {
    m.rows.erase(m.rows.begin() + i);
  }
  if (m.mark == i) m.mark = -1;
  else if (m.mark > i) --m.mark;
  UpdateScroll(hwnd, m);
  Redraw(hwnd);
  return TRUE;
}

BOOL DeleteAll(HWND hwnd, ListView& m) {
  NMLISTVIEW nm;
  bool quiet = Notify(hwnd, LVN_DELETEALLITEMS, &nm.hdr) != 0;
  if (!Model(hwnd)) return FALSE;
  if (!quiet && !OwnerData(hwnd))
    for (int i = 0; i < Count(hwnd, m); ++i) {
      NMLISTVIEW each;
      each.iItem = i;
      each.lParam = m.rows[static_cast<size_t>(i)].lParam;
      Notify(hwnd, LVN_DELETEITEM, &each.hdr);
    }
  m.rows.clear();
  m.ownerCount = 0;
  m.ownerStates.clear();
  m.mark = -1;
  UpdateScroll(hwnd, m);
  SetScrollPos(hwnd, SB_VERT, 0, TRUE);
  Redraw(hwnd);
  return TRUE;
}

BOOL SetItem(HWND hwnd, ListView& m, const LVITEMW* item) {
  if (!item || !Valid(hwnd, m, item->iItem)) return FALSE;
  if (!OwnerData(hwnd)) {
    StoreItem(m.rows[static_cast<size_t>(item->iItem)], *item);
    RedrawRow(hwnd, m, item->iItem);
  }
  if ((item->mask & LVIF_STATE) && item->iSubItem == 0) SetState(hwnd, m, item->iItem, item->state, item->stateMask);
  return TRUE;
}

BOOL GetItem(HWND hwnd, ListView& m, LVITEMW* item) {
  if (!item || !Valid(hwnd, m, item->iItem)) return FALSE;
  if (item->mask & (LVIF_TEXT | LVIF_IMAGE)) {
    Shown shown = CellOf(hwnd, m, item->iItem, item->iSubItem, item->mask & LVIF_IMAGE);
    if (item->mask & LVIF_TEXT) CopyOut(shown.text, item->pszText, item->cchTextMax);
    if (item->mask & LVIF_IMAGE) item->iImage = shown.image;
  }
  if (item->mask & LVIF_PARAM) item->lParam = ParamOf(hwnd, m, item->iItem);
  if (item->mask & LVIF_STATE) item->state = StateOf(hwnd, m, item->iItem) & item->stateMask;
  if ((item->mask & LVIF_INDENT) && !OwnerData(hwnd)) item->iIndent = m.rows[static_cast<size_t>(item->iItem)].indent;
  return TRUE;
}

// Sorts the rows by the caller's comparison of their lParams; equal rows keep their order.
BOOL SortItems(HWND hwnd, ListView& m, LPARAM data, PFNLVCOMPARE compare) {
  if (!compare || OwnerData(hwnd)) return FALSE;
  std::vector<size_t> order(m.rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return compare(m.rows[a].lParam, m.rows[b].lParam, data) < 0;
  });
  std::vector<Row> sorted;
  sorted.reserve(m.rows.size());
  int mark = -1;
  for (size_t k = 0; k < order.size(); ++k) {
    if (static_cast<int>(order[k]) == m.mark) mark = static_cast<int>(k);
    sorted.push_back(std::move(m.rows[order[k]]));
  }
  m.rows = std::move(sorted);
  m.mark = mark;
  Redraw(hwnd);
  return TRUE;
}

LRESULT InsertColumn(HWND hwnd, ListView& m, int at, const LVCOLUMNW* col) {
  if (!col) return -1;
  Column c;
  if (col->mask & LVCF_TEXT && col->pszText) c.text = col->pszText;
  if (col->mask & LVCF_WIDTH) c.width = std::max(col->cx, 0);
  if (col->mask & LVCF_FMT) c.fmt = col->fmt;
  if (col->mask & LVCF_IMAGE) c.image = col->iImage;
  at = std::clamp(at, 0, static_cast<int>(m.columns.size()));
  c.subItem = (col->mask & LVCF_SUBITEM) ? col->iSubItem : at;
  m.columns.insert(m.columns.begin() + at, std::move(c));
  Redraw(hwnd);
  return at;
}

BOOL SetColumn(HWND hwnd, ListView& m, int at, const LVCOLUMNW* col) {
  if (!col || at < 0 || at >= static_cast<int>(m.columns.size())) return FALSE;
  Column& c = m.columns[static_cast<size_t>(at)];
  if (col->mask & LVCF_TEXT) c.text = col->pszText ? col->pszText : u"";
  if (col->mask & LVCF_WIDTH) c.width = std::max(col->cx, 0);
  if (col->mask & LVCF_FMT) c.fmt = col->fmt;
  if (col->mask & LVCF_SUBITEM) c.subItem = col->iSubItem;
  if (col->mask & LVCF_IMAGE) c.image = col->iImage;
  Redraw(hwnd);
  return TRUE;
}

BOOL GetColumn(const ListView& m, int at, LVCOLUMNW* col) {
  if (!col || at < 0 || at >= static_cast<int>(m.columns.size())) return FALSE;
  const Column& c = m.columns[static_cast<size_t>(at)];
  if (col->mask & LVCF_TEXT) CopyOut(c.text, col->pszText, col->cchTextMax);
  if (col->mask & LVCF_WIDTH) col->cx = c.width;
  if (col->mask & LVCF_FMT) col->fmt = c.fmt;
  if (col->mask & LVCF_SUBITEM) col->iSubItem = c.subItem;
  if (col->mask & LVCF_IMAGE) col->iImage = c.image;
  return TRUE;
}

// LVSCW_AUTOSIZE (-1) fits the title; LVSCW_AUTOSIZE_USEHEADER (-2) on the last column
// fills the rest of the list.
BOOL SetColumnWidth(HWND hwnd, ListView& m, int at, int cx) {
  if (at < 0 || at >= static_cast<int>(m.columns.size())) return FALSE;
  Column& c = m.columns[static_cast<size_t>(at)];
  if (cx == -2 && at == static_cast<int>(m.columns.size()) - 1)
    cx = std::max<int>(ContentRight(hwnd) - ColumnLeft(m, at), TextWidthOf(hwnd, c.text) + 12);
  else if (cx < 0)
    cx = TextWidthOf(hwnd, c.text) + 12;
  c.width = cx;
  Redraw(hwnd);
  return TRUE;
}

// ---- Painting ---------------------------------------------------------------------------------

bool ShowsSelection(HWND hwnd) { return GetFocus() == hwnd || (StyleOf(hwnd) & LVS_SHOWSELALWAYS); }

COLORREF Background(const ListView& m) {
  return m.background == CLR_NONE ? GetSysColor(COLOR_WINDOW) : m.background;
}

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

// ---- Pen and keys ---------------------------------------------------------------------------

NMITEMACTIVATE Activation(POINT pt, const Hit& hit, HWND hwnd, const ListView& m) {
  NMITEMACTIVATE nm;
  nm.iItem = hit.item;
  nm.iSubItem = std::max(hit.column, 0);
  nm.ptAction = pt;
  nm.lParam = ParamOf(hwnd, m, hit.item);
  return nm;
}

void OnPenDown(HWND hwnd, ListView& m, LPARAM lParam) {
  SetFocus(hwnd);
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  m.headerDown = -1;
  if (pt.y < HeaderHeight(hwnd)) {
    for (int c = 0; c < static_cast<int>(m.columns.size()); ++c)
      if (pt.x >= ColumnLeft(m, c) && pt.x < ColumnLeft(m, c) + m.columns[static_cast<size_t>(c)].width) m.headerDown = c;
    m.pen.Down(hwnd, lParam);
    return;
  }
  Hit hit = HitTest(hwnd, m, pt);
  if (hit.item >= 0) Choose(hwnd, m, hit.item);
  else SetState(hwnd, m, -1, 0, LVIS_SELECTED);
  m.pen.Down(hwnd, lParam);
}

void OnPenUp(HWND hwnd, ListView& m, LPARAM lParam) {
  if (!m.pen.down) return;
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  bool hold = m.pen.UpIsHold(hwnd, lParam);
  if (m.headerDown >= 0) {
    int column = m.headerDown;
    m.headerDown = -1;
    bool same = pt.y < HeaderHeight(hwnd) && pt.x >= ColumnLeft(m, column) &&
                pt.x < ColumnLeft(m, column) + m.columns[static_cast<size_t>(column)].width;
    if (same && !(StyleOf(hwnd) & LVS_NOSORTHEADER)) {
      NMLISTVIEW nm;
      nm.iItem = -1;
      nm.iSubItem = column;
      nm.ptAction = pt;
      Notify(hwnd, LVN_COLUMNCLICK, &nm.hdr);
    }
    return;
  }
  if (hold) {
    NotifyHold(hwnd, pt);
    return;
  }
  Hit hit = HitTest(hwnd, m, pt);
  NMITEMACTIVATE nm = Activation(pt, hit, hwnd, m);
  Notify(hwnd, NM_CLICK, &nm.hdr);
  if (hit.item >= 0 && (m.exStyle & LVS_EX_ONECLICKACTIVATE) && IsWindow(hwnd)) {
    NMITEMACTIVATE act = Activation(pt, hit, hwnd, m);
    Notify(hwnd, LVN_ITEMACTIVATE, &act.hdr);
  }
}

void OnDoubleTap(HWND hwnd, ListView& m, LPARAM lParam) {
  POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (pt.y < HeaderHeight(hwnd)) return;  // a double tap on the header changes nothing
  Hit hit = HitTest(hwnd, m, pt);
  NMITEMACTIVATE nm = Activation(pt, hit, hwnd, m);
  Notify(hwnd, NM_DBLCLK, &nm.hdr);
  if (hit.item >= 0 && IsWindow(hwnd)) {
    NMITEMACTIVATE act = Activation(pt, hit, hwnd, m);
    Notify(hwnd, LVN_ITEMACTIVATE, &act.hdr);
  }
}

void OnKey(HWND hwnd, ListView& m, WPARAM vk) {
  int count = Count(hwnd, m);
  if (count == 0) return;
  int focus = NextItem(hwnd, m, -1, LVNI_FOCUSED);
  int page = LinesPerPage(hwnd, m) * PerLine(hwnd, m);
  int next = focus;
  switch (vk) {
    case VK_DOWN: next = focus < 0 ? 0 : focus + PerLine(hwnd, m); break;
    case VK_UP: next = focus < 0 ? 0 : focus - PerLine(hwnd, m); break;
    case VK_RIGHT: next = Report(hwnd) ? focus : focus + 1; break;
    case VK_LEFT: next = Report(hwnd) ? focus : focus - 1; break;
    case VK_NEXT: next = focus + page; break;
    case VK_PRIOR: next = focus - page; break;
    case VK_HOME: next = 0; break;
    case VK_END: next = count - 1; break;
    case VK_RETURN:
    case VK_ACTION: {
      if (focus < 0) return;
      NMITEMACTIVATE nm;
      nm.iItem = focus;
      nm.lParam = ParamOf(hwnd, m, focus);
      Notify(hwnd, LVN_ITEMACTIVATE, &nm.hdr);
      return;
    }
    default: return;
  }
  next = std::clamp(next, 0, count - 1);
  if (next == focus) return;
  Choose(hwnd, m, next);
  EnsureVisible(hwnd, m, next);
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

LRESULT OnScroll(HWND hwnd, const ListView& m, WPARAM wParam) {
  std::optional<int> top = platform::ScrolledTopLine(hwnd, wParam, LinesPerPage(hwnd, m), LineCount(hwnd, m));
  if (top) ScrollToLine(hwnd, m, *top);
  return 0;
}

LRESULT Dispatch(HWND hwnd, ListView& m, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto i = static_cast<int>(wParam);
  switch (msg) {
    case LVM_GETITEMCOUNT: return Count(hwnd, m);
    case LVM_SETITEMCOUNT: {
      if (OwnerData(hwnd)) {
        m.ownerCount = std::max(i, 0);
        m.ownerStates.erase(m.ownerStates.lower_bound(m.ownerCount), m.ownerStates.end());
        if (m.mark >= m.ownerCount) m.mark = -1;
      } else {
        m.rows.reserve(static_cast<size_t>(std::max(i, 0)));
      }
      UpdateScroll(hwnd, m);
      if (!(lParam & LVSICF_NOINVALIDATEALL)) Redraw(hwnd);
      return TRUE;
    }
    case LVM_INSERTITEMW: return InsertItem(hwnd, m, reinterpret_cast<const LVITEMW*>(lParam));
    case LVM_DELETEITEM: return DeleteItem(hwnd, m, i);
    case LVM_DELETEALLITEMS: return DeleteAll(hwnd, m);
    case LVM_SETITEMW: return SetItem(hwnd, m, reinterpret_cast<const LVITEMW*>(lParam));
    case LVM_GETITEMW: return GetItem(hwnd, m, reinterpret_cast<LVITEMW*>(lParam));
    case LVM_SETITEMTEXTW: {
      auto* item = reinterpret_cast<LVITEMW*>(lParam);
      if (!item) return FALSE;
      LVITEMW copy = *item;
      copy.iItem = i;
      copy.mask = LVIF_TEXT;
      return SetItem(hwnd, m, &copy);
    }
    case LVM_GETITEMTEXTW: {
      auto* item = reinterpret_cast<LVITEMW*>(lParam);
      if (!item || !Valid(hwnd, m, i)) return 0;
      return CopyOut(CellOf(hwnd, m, i, item->iSubItem, false).text, item->pszText, item->cchTextMax);
    }
    case LVM_SETITEMSTATE: {
      auto* item = reinterpret_cast<const LVITEMW*>(lParam);
      if (!item || (i != -1 && !Valid(hwnd, m, i))) return FALSE;
      SetState(hwnd, m, i, item->state, item->stateMask);
      return TRUE;
    }
    case LVM_GETITEMSTATE: return StateOf(hwnd, m, i) & static_cast<UINT>(lParam);
    case LVM_GETNEXTITEM: return NextItem(hwnd, m, i, static_cast<UINT>(LOWORD(lParam)));
    case LVM_GETSELECTEDCOUNT: {
      int n = 0;
      for (int k = NextItem(hwnd, m, -1, LVNI_SELECTED); k >= 0; k = NextItem(hwnd, m, k, LVNI_SELECTED)) ++n;
      return n;
    }
    case LVM_GETSELECTIONMARK: return m.mark;
    case LVM_SETSELECTIONMARK: {
      int old = m.mark;
      m.mark = Valid(hwnd, m, static_cast<int>(lParam)) ? static_cast<int>(lParam) : -1;
      return old;
    }
    case LVM_SORTITEMS: return SortItems(hwnd, m, static_cast<LPARAM>(wParam), reinterpret_cast<PFNLVCOMPARE>(lParam));
    case LVM_INSERTCOLUMNW: return InsertColumn(hwnd, m, i, reinterpret_cast<const LVCOLUMNW*>(lParam));
    case LVM_SETCOLUMNW: return SetColumn(hwnd, m, i, reinterpret_cast<const LVCOLUMNW*>(lParam));
    case LVM_GETCOLUMNW: return GetColumn(m, i, reinterpret_cast<LVCOLUMNW*>(lParam));
    case LVM_DELETECOLUMN:
      if (i < 0 || i >= static_cast<int>(m.columns.size())) return FALSE;
      m.columns.erase(m.columns.begin() + i);
      Redraw(hwnd);
      return TRUE;
    case LVM_GETCOLUMNWIDTH:
      return i >= 0 && i < static_cast<int>(m.columns.size()) ? m.columns[static_cast<size_t>(i)].width : 0;
    case LVM_SETCOLUMNWIDTH: return SetColumnWidth(hwnd, m, i, static_cast<int>(static_cast<SHORT>(LOWORD(lParam))));
    case LVM_GETHEADER: return 0;  // the header is drawn by the list itself
    case LVM_SETIMAGELIST: {
      HIMAGELIST* slot = i == LVSIL_NORMAL ? &m.normal : i == LVSIL_SMALL ? &m.small : i == LVSIL_STATE ? &m.stateImages : nullptr;
      if (!slot) return 0;
      HIMAGELIST old = *slot;
      *slot = reinterpret_cast<HIMAGELIST>(lParam);
      UpdateScroll(hwnd, m);
      Redraw(hwnd);
      return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(i == LVSIL_NORMAL ? m.normal : i == LVSIL_SMALL ? m.small
                                                       : i == LVSIL_STATE ? m.stateImages : nullptr);
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = m.exStyle;
      DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFF;
      m.exStyle = (m.exStyle & ~mask) | (static_cast<DWORD>(lParam) & mask);
      Redraw(hwnd);
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return m.exStyle;
    case LVM_SETBKCOLOR:
      m.background = static_cast<COLORREF>(lParam);
      Redraw(hwnd);
      return TRUE;
    case LVM_GETTOPINDEX: return TopLine(hwnd) * PerLine(hwnd, m);
    case LVM_GETCOUNTPERPAGE: return LinesPerPage(hwnd, m) * PerLine(hwnd, m);
    case LVM_ENSUREVISIBLE:
      if (!Valid(hwnd, m, i)) return FALSE;
      EnsureVisible(hwnd, m, i);
      return TRUE;
    case LVM_SCROLL: {
      int step = LineHeightOfView(hwnd, m);
      int dy = static_cast<int>(lParam);
      int lines = dy / step;
      if (lines == 0 && dy != 0) lines = dy > 0 ? 1 : -1;
      ScrollToLine(hwnd, m, TopLine(hwnd) + lines);
      return TRUE;
    }
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r || !Valid(hwnd, m, i)) return FALSE;
      int code = r->left;
      *r = code == LVIR_BOUNDS || code == LVIR_SELECTBOUNDS ? RowBounds(hwnd, m, i) : CellRect(hwnd, m, i, 0, code);
      return TRUE;
    }
    case LVM_GETSUBITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r || !Valid(hwnd, m, i) || !Report(hwnd)) return FALSE;
      int sub = r->top;
      int code = r->left;
      if (sub < 0 || (sub > 0 && sub >= static_cast<int>(m.columns.size()))) return FALSE;
      *r = sub == 0 && code == LVIR_BOUNDS ? RowBounds(hwnd, m, i) : CellRect(hwnd, m, i, sub, code);
      return TRUE;
    }
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
      auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (!info) return -1;
      Hit hit = HitTest(hwnd, m, info->pt);
      info->flags = hit.flags;
      info->iItem = hit.item;
      if (msg == LVM_SUBITEMHITTEST) info->iSubItem = hit.item >= 0 ? hit.column : -1;
      return hit.item;
    }
    case LVM_REDRAWITEMS:
      for (int k = std::max(i, 0); k <= static_cast<int>(lParam) && k < Count(hwnd, m); ++k) RedrawRow(hwnd, m, k);
      return TRUE;
    case LVM_UPDATE:
      RedrawRow(hwnd, m, i);
      return TRUE;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

LRESULT ListViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto m = ModelFor<ListView>(hwnd, msg);
  if (!m || msg == WM_NCCREATE) return DefWindowProcW(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_CREATE:
      Measure(hwnd, *m);
      if (!(StyleOf(hwnd) & LVS_NOSCROLL)) platform::AttachVerticalScrollBar(hwnd);
      UpdateScroll(hwnd, *m);
      return 0;
    case WM_SIZE:
    case WM_SETFONT:
    case WM_SETREDRAW:
      if (msg != WM_SIZE) DefWindowProcW(hwnd, msg, wParam, lParam);
      if (msg == WM_SETFONT) Measure(hwnd, *m);
      if (msg == WM_SETREDRAW && !wParam) return 0;
      UpdateScroll(hwnd, *m);
      Redraw(hwnd);
      return 0;
    case WM_ERASEBKGND: return EraseWith(hwnd, wParam, Background(*m));
    case WM_PAINT:
      Paint(hwnd, *m);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      Redraw(hwnd);
      NMHDR hdr;
      Notify(hwnd, msg == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS, &hdr);
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default:
      if (RouteInput(hwnd, *m, msg, wParam, lParam)) return 0;
      return Dispatch(hwnd, *m, msg, wParam, lParam);
  }
}

}  // namespace platform::commctrl
