// The dialog title row and the menu and scroll-bar helpers.
//
//   DialogTitleBar.*  button places and sizes, heading font, moving, drawing from bitmaps
//   MenuHelpers.*     counting, reading and replacing items, finding by text, scroll position
#include "DrawingLibraryFixture.h"
#include "core/DialogTitleBar.h"
#include "core/MenuHelpers.h"
#include "platform/user/Controls.h"
#include "platform/user/Menu.h"

namespace {

using slateway::testing::DrawingLibraryTest;

LRESULT Plain(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

class DialogTitleBar : public DrawingLibraryTest {
 protected:
  void SetUp() override {
    DrawingLibraryTest::SetUp();
    WNDCLASSW wc;
    wc.lpfnWndProc = Plain;
    wc.lpszClassName = u"Form";
    RegisterClassW(&wc);
    m_dialog = CreateWindowExW(0, u"Form", u"", WS_VISIBLE, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                               nullptr, nullptr);
    m_heading = CreateWindowExW(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE, 4, 4, 150, 20, m_dialog,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(1040)), nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(m_dialog);
    DrawingLibraryTest::TearDown();
  }
  static RECT Place(HWND button, HWND parent) {
    RECT r;
    GetWindowRect(button, &r);
    POINT p{r.left, r.top};
    ScreenToClient(parent, &p);
    return RECT{p.x, p.y, p.x + r.right - r.left, p.y + r.bottom - r.top};
  }
  HWND m_dialog = nullptr;
  HWND m_heading = nullptr;
};

TEST_F(DialogTitleBar, ButtonsSitAtTheTopRightAndTheHeadingGetsABoldFont) {
  struct Case {
    bool highResolution;
    int width;
    int size;
    LONG fontHeight;
  };
  for (Case c : {Case{false, 240, 22, -13}, Case{true, 480, 44, -26}}) {
    platform::SetScreenSize(c.width, c.width * 4 / 3);
    SetHighResolution(c.highResolution);
    MoveWindow(m_dialog, 0, 0, c.width, c.width * 4 / 3, TRUE);
    HWND ok = nullptr;
    HWND cancel = nullptr;
    HFONT font = CreateDialogTitleBar(GetResourceInstance(), m_dialog, 1040, &ok, &cancel, u"Memorize", 5);
    ASSERT_NE(font, nullptr);
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(GetDlgCtrlID(ok), 1009);
    EXPECT_EQ(GetDlgCtrlID(cancel), 2);
    EXPECT_EQ(GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, static_cast<LONG_PTR>(BS_OWNERDRAW));
    RECT r = Place(ok, m_dialog);
    EXPECT_EQ(r.left, c.width - c.size - 5 - 3);
    EXPECT_EQ(r.top, 3);
    EXPECT_EQ(r.right - r.left, c.size);
    EXPECT_EQ(r.bottom - r.top, c.size);
    EXPECT_EQ(Place(cancel, m_dialog).left, c.width - 2 * (c.size + 3) - 5);
    WCHAR text[32];
    GetWindowTextW(m_heading, text, 32);
    EXPECT_EQ(std::u16string(text), u"Memorize");
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(m_heading, WM_GETFONT, 0, 0)), font);
    LOGFONTW lf;
    GetObjectW(font, sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, c.fontHeight);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(std::u16string(lf.lfFaceName), u"Tahoma");

    MoveDialogTitleButtons(ok, cancel, 200);
    EXPECT_EQ(Place(ok, m_dialog).left, 200 - c.size - 3);
    EXPECT_EQ(Place(cancel, m_dialog).left, 200 - 2 * (c.size + 3));
    DestroyWindow(ok);
    DestroyWindow(cancel);
    SendMessageW(m_heading, WM_SETFONT, 0, FALSE);
    DeleteObject(font);
  }
}

TEST_F(DialogTitleBar, OnlyTheButtonsAskedForAreMadeAndANullHeadingKeepsItsText) {
  SetWindowTextW(m_heading, u"Kept");
  HWND ok = nullptr;
  HFONT font = CreateDialogTitleBar(GetResourceInstance(), m_dialog, 1040, &ok, nullptr, nullptr, 0);
  EXPECT_NE(ok, nullptr);
  EXPECT_EQ(GetDlgItem(m_dialog, 2), nullptr);
  WCHAR text[8];
  GetWindowTextW(m_heading, text, 8);
  EXPECT_EQ(std::u16string(text), u"Kept");
  SendMessageW(m_heading, WM_SETFONT, 0, FALSE);
  DeleteObject(font);
}

TEST_F(DialogTitleBar, ButtonsAreDrawnFromTheirBitmapsNormalAndPressed) {
  struct Case {
    UINT ctlId;
    UINT state;
    UINT bitmap;
    bool single;
  };
  const Case cases[] = {{1009, 0, 191, false}, {1009, ODS_SELECTED, 194, false}, {2, 0, 192, false},
                        {2, ODS_SELECTED, 193, false}, {2, 0, 191, true}, {2, ODS_SELECTED, 194, true}};
  for (const Case& c : cases) {
    platform::testing::Surface target(30, 30, RGB(1, 2, 3));
    DRAWITEMSTRUCT item;
    item.CtlType = ODT_BUTTON;
    item.CtlID = c.ctlId;
    item.itemState = c.state;
    item.hDC = target.dc;
    item.rcItem = RECT{4, 4, 26, 26};
    if (c.single) DrawSingleDialogTitleButton(&item);
    else DrawDialogTitleButton(&item);
    HBITMAP expected = LoadBitmapW(GetResourceInstance(), MAKEINTRESOURCEW(c.bitmap));
    ASSERT_NE(expected, nullptr) << c.bitmap;
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, expected);
    int differences = 0;
    for (int y = 0; y < 22; y += 3)
      for (int x = 0; x < 22; x += 3)
        if (GetPixel(source, x, y) != GetPixel(target.dc, 4 + x, 4 + y)) ++differences;
    EXPECT_EQ(differences, 0) << c.bitmap;
    EXPECT_EQ(GetPixel(target.dc, 2, 2), RGB(1, 2, 3)) << "drawn outside the item";
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(expected);
  }
}

// ---- Menus and scroll bars -------------------------------------------------------------------

class MenuHelpers : public DrawingLibraryTest {};

TEST_F(MenuHelpers, CountReadReplaceAndFindItems) {
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 40088, u"Cut");
  AppendMenuW(menu, MF_STRING, 40089, u"Copy");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, 40239, u"Memorize Invoice...");
  EXPECT_EQ(CountMenuItems(menu), 4);
  EXPECT_EQ(CountMenuItems(nullptr), 0);
  EXPECT_EQ(GetMenuItemIdAt(menu, 3), 40239u);

  WCHAR text[8];
  EXPECT_EQ(GetMenuItemText(menu, 40239, text, 8, 0), 7);  // cut to the buffer
  EXPECT_EQ(std::u16string(text), u"Memoriz");
  EXPECT_EQ(GetMenuItemText(menu, 2, text, 8, MF_BYPOSITION), 0);  // the separator
  EXPECT_EQ(GetMenuItemText(menu, 99, text, 8, 0), 0);

  EXPECT_EQ(FindMenuItemByText(menu, u"Memorize"), 3);
  EXPECT_EQ(FindMenuItemByText(menu, u"Paste"), -1);

  EXPECT_TRUE(ReplaceMenuItem(menu, 40089, 0, 40090, u"Paste 'Widget'"));
  EXPECT_EQ(GetMenuItemIdAt(menu, 1), 40090u);
  EXPECT_TRUE(ReplaceMenuItem(menu, 3, MF_BYPOSITION, 40179, u"Memorize Estimate..."));
  EXPECT_EQ(FindMenuItemByText(menu, u"Estimate"), 3);
  EXPECT_EQ(CountMenuItems(menu), 4);
  EXPECT_FALSE(ReplaceMenuItem(menu, 12345, 0, 1, u"x"));
  AppendMenuW(menu, MF_OWNERDRAW, 40300, reinterpret_cast<LPCWSTR>(0x1234));
  EXPECT_EQ(GetMenuItemText(menu, 40300, text, 8, 0), 0);  // drawn by its owner: no text
  EXPECT_EQ(text[0], 0);
  DestroyMenu(menu);
}

TEST_F(MenuHelpers, VerticalScrollPosition) {
  EXPECT_EQ(GetVertScrollPos(nullptr), -1);
  WNDCLASSW wc;
  wc.lpfnWndProc = Plain;
  wc.lpszClassName = u"Scroller";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, u"Scroller", u"", WS_VSCROLL, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  SetScrollRange(w, SB_VERT, 0, 50, FALSE);
  SetVertScrollPos(w, 20);
  EXPECT_EQ(GetVertScrollPos(w), 20);
  SetVertScrollPos(w, 99);
  EXPECT_EQ(GetVertScrollPos(w), 50);
  DestroyWindow(w);
  EXPECT_EQ(GetVertScrollPos(w), -1);
}

}  // namespace
