// The smaller common controls and image lists.
//
//   Tabs.*           taps ask and tell the parent, TCM_SETCURSEL does neither; deleting a
//                    tab; the display area; tabs too wide for their margins keep whole
//                    texts inside the strip; too wide for their texts, only the longest give way
//   Toolbar.*        button states round trip; taps as commands only on usable buttons;
//                    buttons and separators twice the size on the large screen
//   Progress.*       range, step, position
//   MonthCalendar.*  selection set and read, paging, a tapped day chosen, the first day of
//                    the week
//   ImageLists.*     images cut from a library bitmap, the mask colour left transparent
#include <filesystem>

#include "commctrl_host.h"
#include "platform/gdi/ScreenSize.h"
#include "platform/module/Module.h"
#include "platform/testing/ControlDrivers.h"
#include "platform/testing/DrawingFixture.h"
#include "tests/data/test_ids.h"

namespace {

using commctrl_test::CommCtrlTest;
using platform::testing::TabDriver;
using platform::testing::ToolbarDriver;

using Tabs = CommCtrlTest;
using Toolbar = CommCtrlTest;
using Progress = CommCtrlTest;
using MonthCalendar = CommCtrlTest;
using ImageLists = CommCtrlTest;

void AddTab(HWND tabs, int at, const char16_t* text) {
  TCITEMW item;
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = const_cast<LPWSTR>(text);
  item.lParam = at;
  SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
}

TEST_F(Tabs, TapsAskAndTellTheParentButSetCurSelDoesNot) {
  HWND tabs = Make(WC_TABCONTROLW, TCS_BOTTOM | WS_CLIPSIBLINGS, 200, RECT{0, 0, 240, 268});
  for (const char16_t* t : {u"Company", u"Address", u"Terms"}) AddTab(tabs, static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)), t);
  TabDriver driver(tabs);
  EXPECT_EQ(driver.Current(), 0);
  EXPECT_EQ(SendMessageW(tabs, TCM_SETCURSEL, 2, 0), 0);
  EXPECT_EQ(driver.Current(), 2);
  EXPECT_TRUE(host.codes.empty());
  driver.Tap(u"Address");
  EXPECT_EQ(driver.Current(), 1);
  EXPECT_EQ(host.codes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGE}));
  // A parent that refuses to leave the page keeps the tab.
  host.notify = [](NMHDR* hdr) -> LRESULT { return hdr->code == TCN_SELCHANGING; };
  driver.Tap(0);
  EXPECT_EQ(driver.Current(), 1);
  EXPECT_EQ(host.Count(TCN_SELCHANGE), 1);
  // Deleting a tab before the current one keeps the same page current.
  EXPECT_TRUE(SendMessageW(tabs, TCM_DELETEITEM, 0, 0));
  EXPECT_EQ(driver.Texts(), (std::vector<std::u16string>{u"Address", u"Terms"}));
  EXPECT_EQ(driver.Current(), 0);
  // The display area lies above the bottom tabs, and back again.
  RECT r{0, 0, 240, 268};
  SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  RECT tab;
  SendMessageW(tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
  EXPECT_LE(r.bottom, tab.top);
  EXPECT_GT(r.bottom, 200);
  SendMessageW(tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.bottom, 268);
  EXPECT_EQ(r.left, 0);
}

// Adds the tabs and gives their texts' widths in the control's font.
std::vector<int> AddTabsMeasured(HWND tabs, const std::u16string (&texts)[4]) {
  HDC dc = GetDC(tabs);
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(tabs, WM_GETFONT, 0, 0)));
  std::vector<int> widths;
  for (const std::u16string& t : texts) {
    AddTab(tabs, static_cast<int>(widths.size()), t.c_str());
    SIZE size{};
    GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &size);
    widths.push_back(size.cx);
  }
  ReleaseDC(tabs, dc);
  return widths;
}

TEST_F(Tabs, TabsTooWideForTheirMarginsKeepWholeTextsInsideTheStrip) {
  constexpr int kStrip = 200;
  HWND tabs = Make(WC_TABCONTROLW, TCS_BOTTOM, 200, RECT{0, 0, kStrip, 268});
  const std::u16string texts[] = {u"Numbers", u"Storage", u"Other", u"Bar Codes"};
  std::vector<int> widths = AddTabsMeasured(tabs, texts);
  // Room for the texts, not for the full margins: the case the sharing is for.
  int sum = widths[0] + widths[1] + widths[2] + widths[3];
  ASSERT_LE(sum + 4 * 4, kStrip);
  ASSERT_GT(sum + 12 * 4, kStrip);
  int left = 0;
  for (int i = 0; i < 4; ++i) {
    RECT tab;
    SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tab));
    EXPECT_EQ(tab.left, left);
    EXPECT_GE(tab.right - tab.left, widths[static_cast<size_t>(i)] + 2) << "tab " << i;
    left = tab.right;
  }
  EXPECT_LE(left, kStrip);
}

TEST_F(Tabs, WhenTextsCannotAllFitOnlyTheLongestGiveWay) {
  constexpr int kStrip = 200;
  HWND tabs = Make(WC_TABCONTROLW, TCS_BOTTOM, 201, RECT{0, 0, kStrip, 268});
  const std::u16string texts[] = {u"Additional Information", u"Bill To", u"Payment Information", u"Notes"};
  std::vector<int> widths = AddTabsMeasured(tabs, texts);
  ASSERT_GT(widths[0] + widths[1] + widths[2] + widths[3], kStrip);
  RECT tab[4];
  for (int i = 0; i < 4; ++i)
    SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&tab[i]));
  EXPECT_GE(tab[1].right - tab[1].left, widths[1]) << "a short text stays whole";
  EXPECT_GE(tab[3].right - tab[3].left, widths[3]) << "a short text stays whole";
  EXPECT_LT(tab[0].right - tab[0].left, widths[0]);
  EXPECT_EQ(tab[0].right - tab[0].left, tab[2].right - tab[2].left) << "the long ones share what is left";
  EXPECT_LE(tab[3].right, kStrip);
}

TEST_F(Toolbar, StatesRoundTripAndOnlyUsableButtonsCommand) {
  std::filesystem::copy_file(SLATEWAY_TEST_RESOURCE_LIBRARY, Root() / "TESTRES.DLL");
  HMODULE lib = LoadLibraryW(u"\\TESTRES.DLL");
  TBBUTTON buttons[4];
  int ids[] = {40004, 0, 40014, 40015};
  for (int i = 0; i < 4; ++i) {
    buttons[i].iBitmap = i == 1 ? 120 : i;  // the separator's width
    buttons[i].idCommand = ids[i];
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = static_cast<BYTE>(i == 1 ? TBSTYLE_SEP : TBSTYLE_BUTTON);
  }
  HWND bar = CreateToolbarEx(parent, WS_VISIBLE | WS_BORDER | TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN, 3001, 4, lib,
                             IDB_TEST_TOOLBAR, buttons, 4, 0, 0, 16, 16, sizeof(TBBUTTON));
  ASSERT_NE(bar, nullptr);
  const char16_t* tips[] = {u"New Item...", u"Undo", u"Redo"};
  SendMessageW(bar, TB_SETTOOLTIPS, 3, reinterpret_cast<LPARAM>(tips));
  ToolbarDriver driver(bar);
  EXPECT_EQ(driver.Tooltip(40014), u"Undo");
  for (int state : {4, 6, 16}) {  // enabled, enabled and pressed, indeterminate
    EXPECT_TRUE(SendMessageW(bar, TB_SETSTATE, 40015, MAKELPARAM(state, 0)));
    EXPECT_EQ(driver.State(40015), state);
  }
  EXPECT_EQ(driver.State(12345), -1);
  driver.Tap(40015).Tap(u"Undo").Tap(40004);
  EXPECT_EQ(host.commands, (std::vector<int>{40014, 40004})) << "the indeterminate button gives no command";
  SendMessageW(bar, TB_ENABLEBUTTON, 40004, FALSE);
  driver.Tap(40004);
  EXPECT_EQ(host.commands.size(), 2u);
  // A wide separator holds a control of the program's, which takes its own taps.
  RECT gap;
  ASSERT_TRUE(SendMessageW(bar, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&gap)));
  EXPECT_EQ(gap.right - gap.left, 120);
  HWND find = CreateWindowExW(0, u"EDIT", u"", WS_CHILD | WS_VISIBLE | WS_BORDER, gap.left, gap.top, 120,
                              gap.bottom - gap.top, bar, reinterpret_cast<HMENU>(305), nullptr, nullptr);
  platform::testing::TapControl(find, POINT{4, 4});
  EXPECT_EQ(GetFocus(), find);
  EXPECT_EQ(host.commands.size(), 2u);
  DestroyWindow(bar);
  FreeLibrary(lib);
}

TEST_F(Toolbar, ButtonsAndSeparatorsDoubleOnTheHighResolutionScreen) {
  RECT last[3] = {};
  for (int scale : {1, 2}) {
    platform::SetScreenProfile(scale == 1 ? platform::ScreenProfile::Portrait240x320
                                          : platform::ScreenProfile::Portrait480x640);
    TBBUTTON buttons[3];
    for (int i = 0; i < 3; ++i) {
      buttons[i].iBitmap = i == 1 ? 0 : i;  // a plain separator between two buttons
      buttons[i].idCommand = 40000 + i;
      buttons[i].fsState = TBSTATE_ENABLED;
      buttons[i].fsStyle = static_cast<BYTE>(i == 1 ? TBSTYLE_SEP : TBSTYLE_BUTTON);
    }
    // Bitmaps twice the size on the large screen, as the program loads them.
    HWND bar = CreateToolbarEx(parent, WS_VISIBLE | CCS_NOPARENTALIGN, 3002, 0, nullptr, 0, buttons, 3, 0, 0,
                               16 * scale, 16 * scale, sizeof(TBBUTTON));
    ASSERT_NE(bar, nullptr);
    SendMessageW(bar, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&last[scale]));
    DestroyWindow(bar);
  }
  platform::SetScreenProfile(platform::ScreenProfile::Portrait240x320);
  EXPECT_EQ(last[2].left, 2 * last[1].left);
  EXPECT_EQ(last[2].top, 2 * last[1].top);
  EXPECT_EQ(last[2].right - last[2].left, 2 * (last[1].right - last[1].left));
}

TEST_F(Progress, StepsWithinTheRangeAndStartOverPastTheEnd) {
  HWND bar = Make(PROGRESS_CLASSW, 0, 1150, RECT{10, 10, 200, 24});
  EXPECT_EQ(SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 3)), MAKELONG(0, 100));
  EXPECT_EQ(SendMessageW(bar, PBM_SETSTEP, 1, 0), 10);
  for (int i = 0; i < 3; ++i) SendMessageW(bar, PBM_STEPIT, 0, 0);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 3);
  EXPECT_EQ(SendMessageW(bar, PBM_STEPIT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 0);
  EXPECT_EQ(SendMessageW(bar, PBM_SETPOS, 99, 0), 0);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 3);
}

TEST_F(MonthCalendar, SelectionPagingAndATappedDay) {
  HWND cal = Make(MONTHCAL_CLASSW, 0, 1028, RECT{0, 0, 10, 10});
  RECT need;
  ASSERT_TRUE(SendMessageW(cal, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&need)));
  MoveWindow(cal, 0, 0, need.right, need.bottom, TRUE);
  SYSTEMTIME st;
  ASSERT_TRUE(SendMessageW(cal, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st)));
  EXPECT_EQ(st.wYear * 10000 + st.wMonth * 100 + st.wDay, 20260310) << "today on the test clock";
  SYSTEMTIME bad{2026, 2, 0, 30};
  EXPECT_FALSE(SendMessageW(cal, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&bad)));
  SYSTEMTIME jan31{2026, 1, 0, 31};
  EXPECT_TRUE(SendMessageW(cal, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&jan31)));
  EXPECT_TRUE(host.codes.empty());
  // The next-month arrow keeps the day where February has one, and chooses nothing yet.
  MCHITTESTINFO hit;
  for (hit.pt = POINT{need.right - 3, 5}; SendMessageW(cal, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) != MCHT_TITLEBTNNEXT;)
    hit.pt.x -= 1;
  platform::testing::TapControl(cal, hit.pt);
  EXPECT_EQ(platform::MonthCalendarShownMonth(cal).wMonth, 2);
  SendMessageW(cal, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
  EXPECT_EQ(st.wMonth * 100 + st.wDay, 228);
  EXPECT_EQ(host.codes, (std::vector<UINT>{MCN_SELCHANGE}));
  // A tap on a day chooses it.
  SYSTEMTIME chosen;
  host.notify = [&](NMHDR* hdr) -> LRESULT {
    if (hdr->code == MCN_SELECT) chosen = reinterpret_cast<NMSELCHANGE*>(hdr)->stSelStart;
    return 0;
  };
  hit.pt = POINT{need.right / 2, need.bottom / 2};
  ASSERT_EQ(SendMessageW(cal, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), MCHT_CALENDARDATE);
  platform::testing::TapControl(cal, hit.pt);
  EXPECT_EQ(chosen.wDay, hit.st.wDay);
  EXPECT_EQ(chosen.wMonth, hit.st.wMonth);
  EXPECT_EQ(host.Count(MCN_SELECT), 1);
}

TEST_F(MonthCalendar, WeeksBeginOnTheLocalesFirstDay) {
  HWND cal = Make(MONTHCAL_CLASSW, 0, 1028, RECT{0, 0, 10, 10});
  RECT need;
  ASSERT_TRUE(SendMessageW(cal, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&need)));
  MoveWindow(cal, 0, 0, need.right, need.bottom, TRUE);
  // March 2026 begins on a Sunday: the first row starts on it, or on the Monday before.
  auto firstCell = [&] {
    MCHITTESTINFO hit{};
    for (hit.pt = POINT{8, 0}; hit.pt.y < need.bottom; ++hit.pt.y)
      if (SendMessageW(cal, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == MCHT_CALENDARDATE) break;
    return hit.st.wMonth * 100 + hit.st.wDay;
  };
  EXPECT_EQ(firstCell(), 301);
  ASSERT_TRUE(platform::SetLocaleProfile(u"de-DE"));
  EXPECT_EQ(firstCell(), 223);
}

TEST_F(ImageLists, LibraryBitmapIsCutIntoImagesWithTheMaskTransparent) {
  std::filesystem::copy_file(SLATEWAY_TEST_RESOURCE_LIBRARY, Root() / "TESTRES.DLL");
  HMODULE lib = LoadLibraryW(u"\\TESTRES.DLL");
  HIMAGELIST list = ImageList_LoadBitmapW(lib, MAKEINTRESOURCEW(IDB_TEST_TREE), 16, 0, RGB(0, 255, 0));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(list), 7);
  // Too narrow for one image, or missing: no list.
  EXPECT_EQ(ImageList_LoadBitmapW(lib, MAKEINTRESOURCEW(IDB_TEST_TREE), 200, 0, RGB(0, 255, 0)), nullptr);
  EXPECT_EQ(ImageList_LoadBitmapW(lib, MAKEINTRESOURCEW(999), 16, 0, RGB(0, 255, 0)), nullptr);
  {
    platform::testing::Surface s(32, 16, RGB(255, 0, 255));
    EXPECT_TRUE(ImageList_Draw(list, 6, s.dc, 16, 0, ILD_TRANSPARENT));  // the leaf: a page
    EXPECT_EQ(GetPixel(s.dc, 16, 0), RGB(255, 0, 255)) << "the mask colour shows what was there";
    EXPECT_EQ(GetPixel(s.dc, 16 + 3, 2), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(s.dc, 16 + 6, 3), RGB(255, 255, 255));
    EXPECT_FALSE(ImageList_Draw(list, 7, s.dc, 0, 0, ILD_NORMAL));
  }
  EXPECT_TRUE(ImageList_Remove(list, 0));
  EXPECT_EQ(ImageList_GetImageCount(list), 6);
  EXPECT_TRUE(ImageList_Destroy(list));
  EXPECT_FALSE(ImageList_Destroy(list));
  FreeLibrary(lib);
}

}  // namespace
