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
#include "platform/commctrl/ListViewInternal.h"
#include "platform/user/Dialog.h"
#include "platform/user/ScrollBar.h"

namespace platform::commctrl::listview {

namespace {

constexpr int kMaxText = 260;

std::shared_ptr<ListView> Model(HWND hwnd) { return DataOf<ListView>(hwnd); }

// ---- Model --------------------------------------------------------------------------------------

bool OwnerData(HWND hwnd) { return StyleOf(hwnd) & LVS_OWNERDATA; }
DWORD View(HWND hwnd) { return StyleOf(hwnd) & LVS_TYPEMASK; }

}  // namespace

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

LPARAM ParamOf(HWND hwnd, const ListView& m, int i) {
  return Valid(hwnd, m, i) && !OwnerData(hwnd) ? m.rows[static_cast<size_t>(i)].lParam : 0;
}

namespace {

void StoreState(HWND hwnd, ListView& m, int i, UINT state) {
  if (!OwnerData(hwnd)) {
    m.rows[static_cast<size_t>(i)].state = state;
  } else if (state) {
    m.ownerStates[i] = state;
  } else {
    m.ownerStates.erase(i);
  }
}

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

}  // namespace

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

namespace {

Cell& CellAt(Row& row, int sub) {
  if (row.cells.size() <= static_cast<size_t>(sub)) row.cells.resize(static_cast<size_t>(sub) + 1);
  return row.cells[static_cast<size_t>(sub)];
}

void SendItemChanged(HWND hwnd, const ListView& m, int i, UINT oldState, UINT newState) {
  NMLISTVIEW nm;
  nm.iItem = i;
  nm.uChanged = LVIF_STATE;
  nm.uOldState = oldState;
  nm.uNewState = newState;
  nm.lParam = ParamOf(hwnd, m, i);
  Notify(hwnd, LVN_ITEMCHANGED, &nm.hdr);
}

}  // namespace

// ---- State changes ----------------------------------------------------------------------------

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

// Moves the selection and focus to row i, as a tap or an arrow key does.
void Choose(HWND hwnd, ListView& m, int i) {
  SetState(hwnd, m, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  m.mark = i;
}

namespace {

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

// ---- Messages ------------------------------------------------------------------------------------

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

}  // namespace platform::commctrl::listview

namespace platform::commctrl {

LRESULT ListViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  using namespace listview;
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
