#include "platform/testing/ControlDrivers.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/base/Base.h"
#include "platform/kernel/Clock.h"

namespace platform::testing {

namespace {

POINT ToScreen(HWND control, POINT client) {
  ClientToScreen(control, &client);
  return client;
}

std::string Utf8(std::u16string_view text) { return platform::ToUtf8(text); }

}  // namespace

void TapControl(HWND control, POINT client) {
  platform::Tap(ToScreen(control, client));
  platform::PumpMessages();
}

void HoldControl(HWND control, POINT client) {
  POINT p = ToScreen(control, client);
  platform::PenDown(p);
  platform::PumpMessages();
  platform::TestClock::Advance(1000);
  platform::PenUp(p);
  platform::PumpMessages();
}

// The window system makes no double taps of its own: the second tap's pen-down is the
// double tap, as the device delivers it.
void DoubleTapControl(HWND control, POINT client) {
  TapControl(control, client);
  PostMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(client.x, client.y));
  PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
  platform::PumpMessages();
}

// ---- List view ------------------------------------------------------------------------------------

int ListViewDriver::Count() const { return static_cast<int>(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0)); }

std::u16string ListViewDriver::Text(int row, int column) const {
  WCHAR buffer[260] = {};
  LVITEMW item;
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 260;
  int n = static_cast<int>(SendMessageW(m_list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
  return std::u16string(buffer, static_cast<size_t>(std::max(n, 0)));
}

std::vector<std::u16string> ListViewDriver::Row(int row) const {
  std::vector<std::u16string> texts;
  int columns = 0;
  LVCOLUMNW col;
  col.mask = LVCF_WIDTH;
  while (SendMessageW(m_list, LVM_GETCOLUMNW, static_cast<WPARAM>(columns), reinterpret_cast<LPARAM>(&col))) ++columns;
  for (int c = 0; c < std::max(columns, 1); ++c) texts.push_back(Text(row, c));
  return texts;
}

std::vector<std::vector<std::u16string>> ListViewDriver::VisibleRows() const {
  std::vector<std::vector<std::u16string>> rows;
  int top = Top();
  int end = std::min(Count(), top + PerPage() + 1);
  for (int i = top; i < end; ++i) rows.push_back(Row(i));
  return rows;
}

int ListViewDriver::Find(std::u16string_view text, int column) const {
  for (int i = 0; i < Count(); ++i)
    if (Text(i, column) == text) return i;
  return -1;
}

int ListViewDriver::Selection() const {
  return static_cast<int>(SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int ListViewDriver::Focused() const {
  return static_cast<int>(SendMessageW(m_list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

int ListViewDriver::Top() const { return static_cast<int>(SendMessageW(m_list, LVM_GETTOPINDEX, 0, 0)); }

int ListViewDriver::PerPage() const { return static_cast<int>(SendMessageW(m_list, LVM_GETCOUNTPERPAGE, 0, 0)); }

bool ListViewDriver::Check(int row) const {
  if (row >= 0 && row < Count()) return true;
  ADD_FAILURE() << "the list has no row " << row << " (it has " << Count() << ")";
  return false;
}

POINT ListViewDriver::CellPoint(int row, int column) const {
  SendMessageW(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  RECT r;
  r.top = column;
  r.left = LVIR_LABEL;
  LONG_PTR style = GetWindowLongW(m_list, GWL_STYLE);
  if ((style & LVS_TYPEMASK) == LVS_ICON || !SendMessageW(m_list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r))) {
    r.left = LVIR_BOUNDS;
    SendMessageW(m_list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  }
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

ListViewDriver& ListViewDriver::Tap(int row, int column) {
  if (Check(row)) TapControl(m_list, CellPoint(row, column));
  return *this;
}

ListViewDriver& ListViewDriver::Tap(std::u16string_view text, int column) {
  int row = Find(text, column);
  if (row < 0) ADD_FAILURE() << "no row shows \"" << Utf8(text) << "\"";
  else Tap(row, column);
  return *this;
}

ListViewDriver& ListViewDriver::Hold(int row) {
  if (Check(row)) HoldControl(m_list, CellPoint(row, 0));
  return *this;
}

ListViewDriver& ListViewDriver::DoubleTap(int row) {
  if (Check(row)) DoubleTapControl(m_list, CellPoint(row, 0));
  return *this;
}

ListViewDriver& ListViewDriver::TapColumnTitle(int column) {
  int left = 0;
  for (int c = 0; c < column; ++c) left += static_cast<int>(SendMessageW(m_list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
  int width = static_cast<int>(SendMessageW(m_list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
  if (width <= 0) {
    ADD_FAILURE() << "the list shows no column " << column;
    return *this;
  }
  TapControl(m_list, POINT{left + width / 2, 3});
  return *this;
}

// ---- Tree view ------------------------------------------------------------------------------------

namespace {

HTREEITEM Next(HWND tree, WPARAM how, HTREEITEM from) {
  return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
}

}  // namespace

HTREEITEM TreeViewDriver::Root() const { return Next(m_tree, TVGN_ROOT, nullptr); }

std::vector<HTREEITEM> TreeViewDriver::Children(HTREEITEM node) const {
  std::vector<HTREEITEM> out;
  for (HTREEITEM c = Next(m_tree, TVGN_CHILD, node); c; c = Next(m_tree, TVGN_NEXT, c)) out.push_back(c);
  return out;
}

std::u16string TreeViewDriver::Text(HTREEITEM node) const {
  WCHAR buffer[260] = {};
  TVITEMW item;
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = buffer;
  item.cchTextMax = 260;
  if (!SendMessageW(m_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return {};
  return buffer;
}

HTREEITEM TreeViewDriver::Find(std::u16string_view text) const {
  std::vector<HTREEITEM> stack;
  for (HTREEITEM n = Root(); n; n = Next(m_tree, TVGN_NEXT, n)) stack.insert(stack.begin(), n);
  while (!stack.empty()) {
    HTREEITEM n = stack.back();
    stack.pop_back();
    if (Text(n) == text) return n;
    std::vector<HTREEITEM> kids = Children(n);
    stack.insert(stack.end(), kids.rbegin(), kids.rend());
  }
  return nullptr;
}

std::vector<std::u16string> TreeViewDriver::VisibleTexts() const {
  std::vector<std::u16string> texts;
  int page = static_cast<int>(SendMessageW(m_tree, TVM_GETVISIBLECOUNT, 0, 0));
  HTREEITEM n = Next(m_tree, TVGN_FIRSTVISIBLE, nullptr);
  for (int i = 0; n && i <= page; ++i, n = Next(m_tree, TVGN_NEXTVISIBLE, n)) texts.push_back(Text(n));
  return texts;
}

HTREEITEM TreeViewDriver::Selection() const { return Next(m_tree, TVGN_CARET, nullptr); }

bool TreeViewDriver::IsExpanded(HTREEITEM node) const {
  TVITEMW item;
  item.mask = TVIF_STATE;
  item.hItem = node;
  item.stateMask = TVIS_EXPANDED;
  return SendMessageW(m_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) && (item.state & TVIS_EXPANDED);
}

UINT TreeViewDriver::StateImage(HTREEITEM node) const {
  TVITEMW item;
  item.mask = TVIF_STATE;
  item.hItem = node;
  item.stateMask = TVIS_STATEIMAGEMASK;
  SendMessageW(m_tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return (item.state & TVIS_STATEIMAGEMASK) >> 12;
}

int TreeViewDriver::Top() const { return GetScrollPos(m_tree, SB_VERT); }

// Finds the part by hit-testing along the row, as a person aims at what they see.
bool TreeViewDriver::PointOf(HTREEITEM node, Part part, POINT* pt) const {
  if (!node) {
    ADD_FAILURE() << "no such node in the tree";
    return false;
  }
  SendMessageW(m_tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node));
  RECT r;
  std::memcpy(static_cast<void*>(&r), &node, sizeof(node));  // the item goes in where the rectangle comes out
  if (!SendMessageW(m_tree, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&r))) {
    ADD_FAILURE() << "the node \"" << Utf8(Text(node)) << "\" is not on screen";
    return false;
  }
  UINT want = part == Part::Button ? TVHT_ONITEMBUTTON : part == Part::StateIcon ? TVHT_ONITEMSTATEICON : TVHT_ONITEMLABEL;
  for (int x = r.left; x < r.right; ++x) {
    TVHITTESTINFO hit;
    hit.pt = POINT{x, (r.top + r.bottom) / 2};
    SendMessageW(m_tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.hItem == node && hit.flags == want) {
      *pt = hit.pt;
      return true;
    }
  }
  ADD_FAILURE() << "the node \"" << Utf8(Text(node)) << "\" shows no "
                << (part == Part::Button ? "button" : part == Part::StateIcon ? "state image" : "label");
  return false;
}

TreeViewDriver& TreeViewDriver::Tap(HTREEITEM node) {
  if (POINT p; PointOf(node, Part::Label, &p)) TapControl(m_tree, p);
  return *this;
}

TreeViewDriver& TreeViewDriver::TapButton(HTREEITEM node) {
  if (POINT p; PointOf(node, Part::Button, &p)) TapControl(m_tree, p);
  return *this;
}

TreeViewDriver& TreeViewDriver::TapCheck(HTREEITEM node) {
  if (POINT p; PointOf(node, Part::StateIcon, &p)) TapControl(m_tree, p);
  return *this;
}

TreeViewDriver& TreeViewDriver::Hold(HTREEITEM node) {
  if (POINT p; PointOf(node, Part::Label, &p)) HoldControl(m_tree, p);
  return *this;
}

TreeViewDriver& TreeViewDriver::DoubleTap(HTREEITEM node) {
  if (POINT p; PointOf(node, Part::Label, &p)) DoubleTapControl(m_tree, p);
  return *this;
}

// ---- Tabs and toolbars ------------------------------------------------------------------------------

std::vector<std::u16string> TabDriver::Texts() const {
  std::vector<std::u16string> texts;
  int n = static_cast<int>(SendMessageW(m_tabs, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    WCHAR buffer[128] = {};
    TCITEMW item;
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 128;
    SendMessageW(m_tabs, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    texts.push_back(buffer);
  }
  return texts;
}

int TabDriver::Current() const { return static_cast<int>(SendMessageW(m_tabs, TCM_GETCURSEL, 0, 0)); }

TabDriver& TabDriver::Tap(int index) {
  RECT r;
  if (!SendMessageW(m_tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r))) {
    ADD_FAILURE() << "no tab " << index;
    return *this;
  }
  TapControl(m_tabs, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  return *this;
}

TabDriver& TabDriver::Tap(std::u16string_view text) {
  std::vector<std::u16string> texts = Texts();
  for (size_t i = 0; i < texts.size(); ++i)
    if (texts[i] == text) return Tap(static_cast<int>(i));
  ADD_FAILURE() << "no tab \"" << Utf8(text) << "\"";
  return *this;
}

int ToolbarDriver::State(int id) const { return static_cast<int>(SendMessageW(m_toolbar, TB_GETSTATE, static_cast<WPARAM>(id), 0)); }

std::u16string ToolbarDriver::Tooltip(int id) const {
  auto index = static_cast<size_t>(SendMessageW(m_toolbar, TB_COMMANDTOINDEX, static_cast<WPARAM>(id), 0));
  std::vector<std::u16string> tips = platform::ToolbarTooltips(m_toolbar);
  return index < tips.size() ? tips[index] : std::u16string();
}

ToolbarDriver& ToolbarDriver::Tap(int id) {
  RECT r;
  if (!SendMessageW(m_toolbar, TB_GETRECT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&r))) {
    ADD_FAILURE() << "the toolbar has no button " << id;
    return *this;
  }
  TapControl(m_toolbar, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  return *this;
}

ToolbarDriver& ToolbarDriver::Tap(std::u16string_view text) {
  std::vector<std::u16string> tips = platform::ToolbarTooltips(m_toolbar);
  for (size_t i = 0; i < tips.size(); ++i)
    if (tips[i] == text) {
      TBBUTTON b;
      SendMessageW(m_toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
      return Tap(b.idCommand);
    }
  ADD_FAILURE() << "no toolbar button with the tooltip \"" << Utf8(text) << "\"";
  return *this;
}

}  // namespace platform::testing
