// The list view.
//
//   ListView.OwnerData*      only rows on screen are asked for, at the top and at the end
//   ListView.EnsureVisible*  where a row lands: the register's step and the customer
//                            list's "row + 11, then row"
//   ListView.Sort*           a stable sort that keeps the selection mark on its row
//   ListView.Pen*            taps, holds, double taps and column titles as notifications
//   ListView.Icons*          the icon view's grid; images asked per sub-item
//   ListView.ScrollBar*      the bar beside the rows, by pen and wheel; hits and selection
//   ListView.ColumnTitle*    a column titled by a picture of the small images
#include <algorithm>
#include <set>

#include "commctrl_host.h"
#include "platform/testing/ControlDrivers.h"
#include "platform/user/ScrollBar.h"

namespace {

using commctrl_test::CommCtrlTest;
using platform::testing::ListViewDriver;

using ListView = CommCtrlTest;

void AddColumn(HWND list, int index, const char16_t* title, int width) {
  LVCOLUMNW col;
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.pszText = const_cast<LPWSTR>(title);
  col.cx = width;
  SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col));
}

int AddRow(HWND list, const char16_t* text, LPARAM param) {
  LVITEMW item;
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<LPWSTR>(text);
  item.lParam = param;
  return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

// An owner-data list of `rows` rows whose texts are "Row n" and "Phone n"; the host
// records which rows were asked for.
HWND OwnerDataList(CommCtrlTest& t, std::set<int>& asked, int rows) {
  t.host.notify = [&asked](NMHDR* hdr) -> LRESULT {
    if (hdr->code != LVN_GETDISPINFOW) return 0;
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
    asked.insert(info->item.iItem);
    std::u16string text = (info->item.iSubItem == 0 ? u"Row " : u"Phone ") +
                          platform::ToUtf16(std::to_string(info->item.iItem));
    text.resize(std::min<size_t>(text.size(), static_cast<size_t>(info->item.cchTextMax - 1)));
    std::copy(text.begin(), text.end(), info->item.pszText);
    info->item.pszText[text.size()] = 0;
    return 0;
  };
  HWND list = t.Make(WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA, 2000, RECT{0, 20, 240, 280});
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  AddColumn(list, 0, u"Name", 150);
  AddColumn(list, 1, u"Phone", 90);
  SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0);
  return list;
}

TEST_F(ListView, OwnerDataAsksOnlyForTheRowsOnScreen) {
  std::set<int> asked;
  HWND list = OwnerDataList(*this, asked, 100000);
  ListViewDriver driver(list);
  int page = driver.PerPage();
  ASSERT_GE(page, 10);
  platform::PaintScreen();
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(*asked.begin(), 0);
  EXPECT_LE(*asked.rbegin(), page);  // the last, partly visible row at most

  asked.clear();
  EXPECT_TRUE(SendMessageW(list, LVM_ENSUREVISIBLE, 99999, FALSE));
  EXPECT_EQ(driver.Top(), 100000 - page);
  platform::PaintScreen();
  EXPECT_EQ(*asked.begin(), 100000 - page);
  EXPECT_EQ(*asked.rbegin(), 99999);
  EXPECT_EQ(driver.VisibleRows().back(), (std::vector<std::u16string>{u"Row 99999", u"Phone 99999"}));

  // A tap selects the row under the pen; the parent hears the click and the change.
  driver.Tap(99990);
  EXPECT_EQ(driver.Selection(), 99990);
  EXPECT_EQ(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0), 99990);
  EXPECT_EQ(host.Count(LVN_ITEMCHANGED), 1);
  EXPECT_EQ(host.Count(NM_CLICK), 1);
  // A smaller count drops the selection beyond it and keeps the view in range.
  SendMessageW(list, LVM_SETITEMCOUNT, 50, 0);
  EXPECT_EQ(driver.Selection(), -1);
  EXPECT_EQ(driver.Top(), 50 - page);
}

TEST_F(ListView, EnsureVisibleScrollsOnlyAsFarAsNeeded) {
  std::set<int> asked;
  HWND list = OwnerDataList(*this, asked, 500);
  ListViewDriver driver(list);
  int page = driver.PerPage();
  // The customer list's jump: row + 11 becomes the last row shown, then the row itself is
  // on the page already, so it stands page - 12 rows below the top.
  for (int row : {40, 200, 488}) {
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(std::min(row + 11, 499)), FALSE);
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    EXPECT_EQ(driver.Top(), std::min(row, std::min(row + 11, 499) - page + 1)) << row;
  }
  // The register's arrow keys: the row below the page becomes the last row shown, a row
  // above becomes the first, a row on the page moves nothing.
  SendMessageW(list, LVM_ENSUREVISIBLE, 100, FALSE);
  int top = driver.Top();
  SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(top + page), FALSE);
  EXPECT_EQ(driver.Top(), top + 1);
  SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(top + 3), FALSE);
  EXPECT_EQ(driver.Top(), top + 1);
  SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(top - 5), FALSE);
  EXPECT_EQ(driver.Top(), top - 5);
  // The rectangle of a row on screen lies where the hit test finds it.
  RECT r;
  r.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(top), reinterpret_cast<LPARAM>(&r)));
  LVHITTESTINFO hit;
  hit.pt = POINT{200, (r.top + r.bottom) / 2};
  EXPECT_EQ(SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)), top);
  EXPECT_EQ(hit.iSubItem, 1);
  // Scrolling by the scroll bar moves the same view.
  SendMessageW(list, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(driver.Top(), 500 - page);
  SetScrollPos(list, SB_VERT, 7, TRUE);
  EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 7);
}

// The pen put down at `from` in the list's client area, moved to `to` and lifted there.
void PenStroke(HWND list, POINT from, POINT to) {
  ClientToScreen(list, &from);
  ClientToScreen(list, &to);
  platform::PenDown(from);
  platform::PumpMessages();
  platform::PenMove(to);
  platform::PenUp(to);
  platform::PumpMessages();
}

// More rows than fit: the scroll bar shows beside them; its arrows, track and thumb and the
// wheel move the view while the selection stays on its row and taps hit the rows shown.
TEST_F(ListView, ScrollBarMovesTheViewAndKeepsSelectionAndHits) {
  std::set<int> asked;
  const int rows = 100000;  // more than a 16-bit position reaches
  HWND list = OwnerDataList(*this, asked, rows);
  ListViewDriver driver(list);
  const int page = driver.PerPage();
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  ASSERT_EQ(platform::VerticalScrollBarWidth(list), bar);
  driver.Tap(2);
  RECT client;
  GetClientRect(list, &client);
  const int x = client.right - bar / 2;
  PenStroke(list, POINT{x, client.bottom - 2}, POINT{x, client.bottom - 2});  // the down arrow
  EXPECT_EQ(driver.Top(), 1);
  PenStroke(list, POINT{x, client.bottom - bar - 2}, POINT{x, client.bottom - bar - 2});  // the track
  EXPECT_EQ(driver.Top(), 1 + page);
  SetScrollPos(list, SB_VERT, 0, TRUE);
  PenStroke(list, POINT{x, bar + 1}, POINT{x, client.bottom + 40});  // the thumb, past the end
  EXPECT_EQ(driver.Top(), rows - page);
  PenStroke(list, POINT{x, bar + 2}, POINT{x, bar + 2});  // the track above the thumb
  const int top = rows - 2 * page;
  EXPECT_EQ(driver.Top(), top);
  EXPECT_EQ(driver.Selection(), 2);
  // The rows shown are hit where they are; the bar is no row.
  RECT third;
  third.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(top + 3), reinterpret_cast<LPARAM>(&third)));
  LVHITTESTINFO hit;
  hit.pt = POINT{20, third.top + 1};
  EXPECT_EQ(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), top + 3);
  hit.pt.x = x;
  EXPECT_EQ(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
  PenStroke(list, POINT{20, third.top + 1}, POINT{20, third.top + 1});
  EXPECT_EQ(driver.Selection(), top + 3);
  // The wheel over the rows or over the bar: three rows a step.
  POINT over{20, third.top};
  ClientToScreen(list, &over);
  platform::TurnWheel(over, WHEEL_DELTA);
  platform::PumpMessages();
  EXPECT_EQ(driver.Top(), top - 3);
  over.x += x - 20;
  platform::TurnWheel(over, -2 * WHEEL_DELTA);
  platform::PumpMessages();
  EXPECT_EQ(driver.Top(), top + 3);
  EXPECT_EQ(driver.Selection(), top + 3);
  // Fewer rows than fit: no bar, and the rows take the whole width again.
  SendMessageW(list, LVM_SETITEMCOUNT, 3, 0);
  EXPECT_EQ(platform::VerticalScrollBarWidth(list), 0);
  hit.pt = POINT{x, 0};
  SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&third));
  hit.pt.y = third.top + 1;
  EXPECT_EQ(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 0);
}

int ByKey(LPARAM a, LPARAM b, LPARAM) { return static_cast<int>(a / 10 - b / 10); }

TEST_F(ListView, SortKeepsEqualRowsInTheirOrderAndTheMarkOnItsRow) {
  HWND list = Make(WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL, 1000, RECT{0, 0, 240, 200});
  AddColumn(list, 0, u"Name", 200);
  // Keys 30, 10, 31, 11, 32, 12: tens compare equal.
  const char16_t* names[] = {u"c0", u"a0", u"c1", u"a1", u"c2", u"a2"};
  LPARAM keys[] = {30, 10, 31, 11, 32, 12};
  for (int i = 0; i < 6; ++i) AddRow(list, names[i], keys[i]);
  SendMessageW(list, LVM_SETSELECTIONMARK, 0, 2);  // "c1"
  EXPECT_TRUE(SendMessageW(list, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(ByKey)));
  ListViewDriver driver(list);
  std::vector<std::u16string> order;
  for (int i = 0; i < driver.Count(); ++i) order.push_back(driver.Text(i));
  EXPECT_EQ(order, (std::vector<std::u16string>{u"a0", u"a1", u"a2", u"c0", u"c1", u"c2"}));
  EXPECT_EQ(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0), 4);
  // The deleted row's lParam goes to the parent, and the mark follows the rows.
  host.notify = [](NMHDR* hdr) -> LRESULT {
    if (hdr->code == LVN_DELETEITEM) {
      EXPECT_EQ(reinterpret_cast<NMLISTVIEW*>(hdr)->lParam, 10);
    }
    return 0;
  };
  EXPECT_TRUE(SendMessageW(list, LVM_DELETEITEM, 0, 0));
  EXPECT_EQ(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0), 3);
  EXPECT_EQ(driver.Text(3), u"c1");
}

TEST_F(ListView, PenGivesClickHoldActivateAndColumnClick) {
  HWND list = Make(WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL, 1039, RECT{0, 0, 240, 200});
  AddColumn(list, 0, u"Name", 120);
  AddColumn(list, 1, u"Amount", 100);
  for (const char16_t* name : {u"Acme", u"Bolt", u"Crane"}) AddRow(list, name, 0);
  NMRGINFO gesture;
  NMITEMACTIVATE activated;
  int columnClicked = -1;
  host.notify = [&](NMHDR* hdr) -> LRESULT {
    if (hdr->code == GN_CONTEXTMENU) gesture = *reinterpret_cast<NMRGINFO*>(hdr);
    if (hdr->code == LVN_ITEMACTIVATE) activated = *reinterpret_cast<NMITEMACTIVATE*>(hdr);
    if (hdr->code == LVN_COLUMNCLICK) columnClicked = reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem;
    return 0;
  };
  ListViewDriver driver(list);
  driver.Hold(1);
  EXPECT_EQ(driver.Selection(), 1);
  EXPECT_EQ(host.Count(GN_CONTEXTMENU), 1);
  EXPECT_EQ(host.Count(NM_CLICK), 0) << "a hold is no tap";
  LVHITTESTINFO hit;
  hit.pt = gesture.ptAction;
  ScreenToClient(list, &hit.pt);
  EXPECT_EQ(SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
  // The shell may tell the list of a hold it recognised itself.
  POINT elsewhere{5, hit.pt.y + 14};
  EXPECT_TRUE(platform::SendHoldGesture(list, elsewhere));
  EXPECT_EQ(host.Count(GN_CONTEXTMENU), 2);
  ClientToScreen(list, &elsewhere);
  EXPECT_EQ(gesture.ptAction.x, elsewhere.x);
  EXPECT_EQ(gesture.ptAction.y, elsewhere.y);
  driver.DoubleTap(2);
  EXPECT_EQ(host.Count(NM_DBLCLK), 1);
  EXPECT_EQ(activated.iItem, 2);
  driver.TapColumnTitle(1);
  EXPECT_EQ(columnClicked, 1);
  // Keys move the selection and focus together.
  SetFocus(list);
  SendMessageW(list, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(driver.Selection(), 1);
  EXPECT_EQ(driver.Focused(), 1);
  // Texts given as callbacks are asked for when read.
  LVITEMW item;
  item.mask = LVIF_TEXT;
  item.iItem = 0;
  item.iSubItem = 1;
  item.pszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  host.notify = [](NMHDR* hdr) -> LRESULT {
    if (hdr->code == LVN_GETDISPINFOW) reinterpret_cast<NMLVDISPINFOW*>(hdr)->item.pszText = const_cast<LPWSTR>(u"$10.00");
    return 0;
  };
  EXPECT_EQ(driver.Row(0), (std::vector<std::u16string>{u"Acme", u"$10.00"}));
}

TEST_F(ListView, IconsLieInAGridAndSubItemImagesAreAskedFor) {
  HIMAGELIST icons = ImageList_Create(32, 32, ILC_COLOR | ILC_MASK, 4, 4);
  HWND logos = Make(WC_LISTVIEWW, LVS_ICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE, 100, RECT{0, 0, 240, 200});
  SendMessageW(logos, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(icons));
  for (const char16_t* name : {u"a.bmp", u"b.bmp", u"c.bmp", u"d.bmp", u"e.bmp"}) AddRow(logos, name, 0);
  RECT first;
  RECT second;
  first.left = second.left = LVIR_ICON;
  SendMessageW(logos, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
  SendMessageW(logos, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
  EXPECT_EQ(first.top, second.top);
  EXPECT_GT(second.left, first.right);
  EXPECT_EQ(first.right - first.left, 32);
  ListViewDriver driver(logos);
  driver.DoubleTap(4);
  EXPECT_EQ(driver.Selection(), 4);
  EXPECT_EQ(host.Count(LVN_ITEMACTIVATE), 1);

  // A grid whose second column shows only an image, asked of the parent per row.
  HWND grid = Make(WC_LISTVIEWW, LVS_REPORT, 1039, RECT{0, 200, 240, 300});
  HIMAGELIST small = ImageList_Create(13, 13, ILC_COLOR | ILC_MASK, 3, 3);
  SendMessageW(grid, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
  SendMessageW(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_SUBITEMIMAGES, LVS_EX_SUBITEMIMAGES);
  AddColumn(grid, 0, u"Field", 150);
  AddColumn(grid, 1, u"Print", 40);
  AddRow(grid, u"Name", 0);
  LVITEMW cell;
  cell.mask = LVIF_IMAGE;
  cell.iItem = 0;
  cell.iSubItem = 1;
  cell.iImage = I_IMAGECALLBACK;
  SendMessageW(grid, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
  host.notify = [](NMHDR* hdr) -> LRESULT {
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
    if (hdr->code == LVN_GETDISPINFOW && info->item.iSubItem == 1) info->item.iImage = 2;
    return 0;
  };
  cell.mask = LVIF_IMAGE;
  cell.iImage = -5;
  SendMessageW(grid, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
  EXPECT_EQ(cell.iImage, 2);
  RECT icon;
  icon.top = 1;
  icon.left = LVIR_ICON;
  SendMessageW(grid, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&icon));
  EXPECT_EQ(icon.left, 150);
  EXPECT_EQ(icon.right, 163);
  DestroyWindow(logos);
  DestroyWindow(grid);
  ImageList_Destroy(icons);
  ImageList_Destroy(small);
}

TEST_F(ListView, ColumnTitlePictureIsDrawnInItsTitleCell) {
  HWND list = Make(WC_LISTVIEWW, LVS_REPORT, 1000, RECT{0, 0, 240, 100});
  HIMAGELIST pictures = ImageList_Create(13, 13, ILC_COLOR | ILC_MASK, 1, 1);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP red = CreateCompatibleBitmap(dc, 13, 13);
  HGDIOBJ old = SelectObject(dc, red);
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
  RECT all{0, 0, 13, 13};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  SelectObject(dc, old);
  ImageList_AddMasked(pictures, red, RGB(255, 255, 255));
  DeleteObject(red);
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(pictures));
  AddColumn(list, 0, u"Name", 200);
  LVCOLUMNW col;
  col.mask = LVCF_WIDTH | LVCF_FMT | LVCF_IMAGE;
  col.fmt = LVCFMT_LEFT | LVCFMT_IMAGE;
  col.cx = 40;
  col.iImage = 0;
  SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
  LVCOLUMNW read;
  read.mask = LVCF_IMAGE | LVCF_FMT;
  ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&read)));
  EXPECT_EQ(read.iImage, 0);
  EXPECT_TRUE(read.fmt & LVCFMT_IMAGE);
  UpdateWindow(list);
  // Red only in the second column's title cell, centred there.
  POINT origin{0, 0};
  ClientToScreen(list, &origin);
  SelectObject(dc, platform::ScreenBitmap());
  int first = 0, second = 0, left = 240, right = 0;
  for (int y = origin.y; y < origin.y + 20; ++y)
    for (int x = origin.x; x < origin.x + 240; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      if (GetRValue(c) < 200 || GetGValue(c) > 60 || GetBValue(c) > 60) continue;
      (x - origin.x < 200 ? first : second)++;
      left = std::min(left, x - origin.x);
      right = std::max(right, x - origin.x);
    }
  DeleteDC(dc);
  EXPECT_EQ(first, 0);
  EXPECT_GT(second, 100);
  EXPECT_NEAR((left + right) / 2, 220, 1);
  DestroyWindow(list);
  ImageList_Destroy(pictures);
}

}  // namespace
