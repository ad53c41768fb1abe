// Common controls on the screen: a register-like owner-drawn list with the language
// library's check box bitmaps and a check-box tree from the test library's bitmaps, driven
// by taps and saved as PNG on the classic and the high-resolution screen.
// To look at them: SLATEWAY_SCREENSHOT_DIR names a folder that receives copies.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "commctrl_host.h"
#include "platform/module/Module.h"
#include "platform/testing/ControlDrivers.h"
#include "resources/resource_ids.h"
#include "tests/data/test_ids.h"

namespace {

using commctrl_test::CommCtrlTest;
using platform::testing::ListViewDriver;
using platform::testing::TreeViewDriver;

using Screens = CommCtrlTest;

struct RowData {
  const char16_t* title;
  const char16_t* customer;
  const char16_t* amount;
  bool complete;
};

const RowData kRows[] = {
    {u"Invoice 1001", u"Acme Hardware", u"$1,250.00", true},
    {u"Estimate 17", u"Bolt & Nut Co.", u"$310.50", false},
    {u"Sales Order 8", u"Crane Rental:Site 4", u"$99.95", false},
    {u"Payment 22", u"Delta Supply", u"($45.00)", true},
};

// Draws a register row: two lines of text, the amount at the right of column 1 and the
// check box bitmap centred in column 2, on white or banded rows, highlighted when selected.
void DrawRegisterRow(const DRAWITEMSTRUCT* item, HMODULE language, int unit) {
  HWND list = item->hwndItem;
  const RowData& row = kRows[item->itemID];
  RECT r = item->rcItem;
  bool selected = item->itemState & ODS_SELECTED;
  HBRUSH back = CreateSolidBrush(selected ? GetSysColor(COLOR_HIGHLIGHT) : item->itemID % 2 ? RGB(224, 236, 255) : RGB(255, 255, 255));
  FillRect(item->hDC, &r, back);
  DeleteObject(back);
  SetBkMode(item->hDC, TRANSPARENT);
  SetTextColor(item->hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  int c0 = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
  int c1 = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
  int half = (r.bottom - r.top) / 2;
  RECT line1{r.left + 2 * unit, r.top, c0, r.top + half};
  RECT line2{r.left + 2 * unit, r.top + half, c0 + c1, r.bottom};
  DrawTextW(item->hDC, row.title, -1, &line1, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  DrawTextW(item->hDC, u"3/10/2026", -1, &line1, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  DrawTextW(item->hDC, row.customer, -1, &line2, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  RECT amount{c0, r.top, c0 + c1 - 2 * unit, r.top + half};
  DrawTextW(item->hDC, row.amount, -1, &amount, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  HBITMAP check = LoadBitmapW(language, MAKEINTRESOURCEW(row.complete ? IDB_CHECK_COMPLETE : IDB_CHECK_EMPTY));
  HDC mem = CreateCompatibleDC(item->hDC);
  HGDIOBJ old = SelectObject(mem, check);
  int size = 13 * unit;
  int width2 = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0));
  StretchBlt(item->hDC, c0 + c1 + (width2 - size) / 2, r.top + 10 * unit, size, size, mem, 0, 0, 13, 13, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(check);
}

COLORREF ScreenPixel(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, platform::ScreenBitmap());
  COLORREF c = GetPixel(dc, p.x, p.y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return c;
}

void Shoot(const std::filesystem::path& png) {
  ASSERT_TRUE(platform::SaveScreenshot(png));
  EXPECT_GT(std::filesystem::file_size(png), 500u);
  if (const char* dir = std::getenv("SLATEWAY_SCREENSHOT_DIR"))
    std::filesystem::copy_file(png, std::filesystem::path(dir) / png.filename(),
                               std::filesystem::copy_options::overwrite_existing);
}

class ScreensOn : public Screens, public ::testing::WithParamInterface<platform::ScreenProfile> {};

TEST_P(ScreensOn, RegisterListAndCheckBoxTreeAreDrivenAndLegible) {
  platform::SetScreenProfile(GetParam());
  int unit = platform::ScreenWidth() / 240;
  MoveWindow(parent, 0, 0, platform::ScreenWidth(), platform::ScreenHeight(), TRUE);
  std::filesystem::copy_file(SLATEWAY_RESOURCE_LIBRARY, Root() / "QVNLANGUAGE.DLL");
  std::filesystem::copy_file(SLATEWAY_TEST_RESOURCE_LIBRARY, Root() / "TESTRES.DLL");
  HMODULE language = LoadLibraryW(u"\\QVNLANGUAGE.DLL");
  HMODULE test = LoadLibraryW(u"\\TESTRES.DLL");
  ASSERT_TRUE(language && test);
  LOGFONTW lf;
  lf.lfHeight = -((17 * platform::ScreenPixelsPerInch()) / 72) / 2;
  lf.lfWeight = 500;
  HFONT font = CreateFontIndirectW(&lf);

  // The register: owner-drawn rows two lines high.
  int width = platform::ScreenWidth();
  HWND list = Make(WC_LISTVIEWW, WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDRAWFIXED, 1000,
                   RECT{0, 0, width, 150 * unit});
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  HIMAGELIST rows = ImageList_LoadBitmapW(test, MAKEINTRESOURCEW(IDB_TEST_ROWS), 16, 0, RGB(255, 255, 255));
  ASSERT_NE(rows, nullptr);
  // On the classic screen the row is as high as the image list's image, on the larger one
  // the parent says how high (the font changing makes the list ask again).
  host.rowHeight = unit == 1 ? 0 : 31 * unit;
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rows));
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  const char16_t* titles[] = {u"Type / Num / Customer", u"Balance", u""};
  int widths[] = {width - 2 - 70 * unit - 20 * unit, 70 * unit, 20 * unit};
  for (int c = 0; c < 3; ++c) {
    LVCOLUMNW col;
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<LPWSTR>(titles[c]);
    col.cx = widths[c];
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  for (int i = 0; i < 4; ++i) {
    LVITEMW item;
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = i;
    item.pszText = const_cast<LPWSTR>(kRows[i].title);
    item.lParam = i;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  host.draw = [&](const DRAWITEMSTRUCT* item) { DrawRegisterRow(item, language, unit); };

  // The items tree: folders and pages, check boxes from the state images.
  HWND tree = Make(WC_TREEVIEWW, WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 10,
                   RECT{0, 152 * unit, width, platform::ScreenHeight()});
  SendMessageW(tree, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  HIMAGELIST images = ImageList_LoadBitmapW(test, MAKEINTRESOURCEW(IDB_TEST_TREE), 16, 0, RGB(0, 255, 0));
  HIMAGELIST checks = ImageList_LoadBitmapW(test, MAKEINTRESOURCEW(IDB_TEST_TREE_STATE), 16, 0, RGB(0, 255, 0));
  SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
  SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(checks));
  auto insert = [&](HTREEITEM parentNode, const char16_t* text, int image, UINT check) {
    TVINSERTSTRUCTW ins;
    ins.hParent = parentNode;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    ins.item.pszText = const_cast<LPWSTR>(text);
    ins.item.iImage = ins.item.iSelectedImage = image;
    ins.item.state = INDEXTOSTATEIMAGEMASK(check);
    ins.item.stateMask = TVIS_STATEIMAGEMASK;
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
  };
  HTREEITEM root = insert(TVI_ROOT, u"Item Lists", 0, 0);
  HTREEITEM hardware = insert(root, u"Hardware", 4, 1);
  insert(hardware, u"Bolt 10 mm", 6, 1);
  insert(hardware, u"Nut 10 mm", 6, 1);
  HTREEITEM tools = insert(root, u"Tools", 5, 1);
  insert(tools, u"Wrench", 6, 1);
  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(hardware));
  host.notify = [&](NMHDR* hdr) -> LRESULT {
    commctrl_test::ToggleCheckUnderTap(tree, hdr);
    return 0;
  };

  TreeViewDriver items(tree);
  items.TapCheck(items.Find(u"Nut 10 mm"));
  items.Tap(items.Find(u"Bolt 10 mm"));
  ListViewDriver registerList(list);
  registerList.Tap(1);
  EXPECT_EQ(registerList.Selection(), 1);
  EXPECT_EQ(items.StateImage(items.Find(u"Nut 10 mm")), 2u);
  EXPECT_EQ(items.VisibleTexts(), (std::vector<std::u16string>{u"Item Lists", u"Hardware", u"Bolt 10 mm", u"Nut 10 mm", u"Tools"}));

  std::filesystem::path png = Root() / (unit == 1 ? "commctrl-240.png" : "commctrl-480.png");
  Shoot(png);
  // Every row was drawn by its owner; the selected one in the highlight colour.
  for (int i = 0; i < 4; ++i) EXPECT_NE(std::find(host.drawn.begin(), host.drawn.end(), i), host.drawn.end()) << i;
  RECT row;
  row.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
  EXPECT_EQ(row.bottom - row.top, 31 * unit);
  EXPECT_EQ(ScreenPixel(list, row.left + 1, row.top + 1), GetSysColor(COLOR_HIGHLIGHT));
  // The checked node's box shows its black frame where the state image lies.
  TVHITTESTINFO hit;
  RECT nut;
  HTREEITEM nutItem = items.Find(u"Nut 10 mm");
  std::memcpy(static_cast<void*>(&nut), &nutItem, sizeof(nutItem));
  SendMessageW(tree, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&nut));
  for (hit.pt = POINT{0, (nut.top + nut.bottom) / 2}; hit.pt.x < nut.right; ++hit.pt.x) {
    SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.flags == TVHT_ONITEMSTATEICON) break;
  }
  EXPECT_EQ(ScreenPixel(tree, hit.pt.x + 2, hit.pt.y), RGB(0, 0, 0));

  DestroyWindow(list);
  DestroyWindow(tree);
  ImageList_Destroy(rows);
  ImageList_Destroy(images);
  ImageList_Destroy(checks);
  DeleteObject(font);
  FreeLibrary(test);
  FreeLibrary(language);
  platform::ResetScreenAndVersion();
}

INSTANTIATE_TEST_SUITE_P(Profiles, ScreensOn,
                         ::testing::Values(platform::ScreenProfile::Portrait240x320,
                                           platform::ScreenProfile::Portrait480x640));

}  // namespace
