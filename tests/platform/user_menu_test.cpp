// Menus and popup menus.
//
//   Menus.*       items by command and position, states, deletion, counting by reading
//   PopupMenus.*  the modal popup menu driven by the script: choice, cancel, submenus,
//                 WM_INITMENUPOPUP with the popup's identifier, WM_COMMAND, keys
//   MenuLayout.*  menus keep to the screen: scrolling, thin separators, submenus beside
//                 their parent, sizes doubled on the high-resolution screen
//   MenuTemplates.*  MENU and MENUEX templates; damaged ones refused
#include <string>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/module/Module.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Menu.h"
#include "platform/user/Paint.h"
#include "platform/user/TextMeasure.h"

namespace {

using platform::testing::DeviceTest;
using platform::testing::MenuDriver;
using platform::testing::UiScript;

struct OwnerLog {
  std::vector<std::pair<HMENU, WORD>> initPopups;
  std::vector<WORD> commands;
} g_owner;

LRESULT OwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_INITMENUPOPUP) {
    g_owner.initPopups.emplace_back(reinterpret_cast<HMENU>(w), LOWORD(l));
    // Handlers rename items as the menu opens.
    MENUITEMINFOW info;
    info.fMask = MIIM_TYPE;
    info.dwTypeData = const_cast<LPWSTR>(u"Undo Typing");
    SetMenuItemInfoW(reinterpret_cast<HMENU>(w), 40014, FALSE, &info);
  }
  if (m == WM_COMMAND) g_owner.commands.push_back(LOWORD(w));
  return DefWindowProcW(h, m, w, l);
}

class MenuTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_owner = {};
    WNDCLASSW wc;
    wc.lpfnWndProc = OwnerProc;
    wc.lpszClassName = u"Owner";
    RegisterClassW(&wc);
    m_owner = CreateWindowExW(0, u"Owner", u"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    DestroyWindow(m_owner);
    DeviceTest::TearDown();
  }
  // The form's edit menu, with an "Export to" submenu.
  HMENU EditMenu() {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 40014, u"Undo");
    AppendMenuW(menu, MF_STRING, 40088, u"Cut");
    AppendMenuW(menu, MF_STRING, 40089, u"Copy");
    AppendMenuW(menu, MF_STRING | MF_GRAYED, 40090, u"Paste");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    HMENU sub = CreatePopupMenu();
    AppendMenuW(sub, MF_STRING, 40170, u"HTML...");
    AppendMenuW(sub, MF_STRING, 40194, u"CSV...");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"Export to");
    MENUITEMINFOW info;
    info.fMask = MIIM_ID;
    info.wID = 40048;
    SetMenuItemInfoW(menu, 5, TRUE, &info);
    return menu;
  }
  HWND m_owner = nullptr;
};

using Menus = MenuTest;
using PopupMenus = MenuTest;
using MenuTemplates = MenuTest;
using MenuLayout = MenuTest;

TEST_F(Menus, ItemsByCommandAndPositionAndTheirStates) {
  HMENU menu = EditMenu();
  // Code on the device counts items by reading until a read fails.
  UINT count = 0;
  MENUITEMINFOW probe;
  probe.fMask = MIIM_ID;
  while (GetMenuItemInfoW(menu, count, TRUE, &probe)) ++count;
  EXPECT_EQ(count, 6u);
  EXPECT_EQ(GetLastError(), ERROR_MENU_ITEM_NOT_FOUND);
  EXPECT_EQ(GetMenuItemCount(menu), 6);

  WCHAR text[4];
  MENUITEMINFOW info;
  info.fMask = MIIM_TYPE | MIIM_STATE | MIIM_ID;
  info.dwTypeData = text;
  info.cch = 4;
  ASSERT_TRUE(GetMenuItemInfoW(menu, 40090, FALSE, &info));
  EXPECT_EQ(std::u16string(text), u"Pas");  // cut to the buffer
  EXPECT_EQ(info.cch, 3u);
  EXPECT_EQ(info.fState & MFS_GRAYED, MFS_GRAYED);
  // Commands are found inside popups too.
  EXPECT_EQ(CheckMenuItem(menu, 40194, MF_CHECKED), 0u);
  EXPECT_EQ(CheckMenuItem(menu, 40194, MF_UNCHECKED), static_cast<DWORD>(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(menu, 99999, MF_CHECKED), 0xFFFFFFFFu);
  EXPECT_EQ(EnableMenuItem(menu, 40090, MF_ENABLED), static_cast<BOOL>(MF_GRAYED));
  EXPECT_EQ(GetMenuState(menu, 40090, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_EQ(GetMenuItemID(menu, 5), 0xFFFFFFFFu);  // a popup has no command
  HMENU sub = GetSubMenu(menu, 5);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(platform::MenuIdentifier(sub), 40048);

  // Replace an item in place: insert before it by position, delete the old one.
  ASSERT_TRUE(InsertMenuW(menu, 1, MF_BYPOSITION | MF_STRING, 40087, u"Edit line item..."));
  ASSERT_TRUE(DeleteMenu(menu, 2, MF_BYPOSITION));
  EXPECT_EQ(GetMenuItemID(menu, 1), 40087u);
  EXPECT_EQ(GetMenuItemID(menu, 2), 40089u);
  ASSERT_TRUE(InsertMenuW(menu, 40089, MF_BYCOMMAND | MF_STRING, 40012, u"Clear"));
  EXPECT_EQ(GetMenuItemID(menu, 2), 40012u);
  EXPECT_FALSE(InsertMenuW(menu, 12345, MF_BYCOMMAND, 1, u"x"));

  EXPECT_EQ(platform::LiveMenuCount(), 2);
  ASSERT_TRUE(RemoveMenu(menu, GetMenuItemCount(menu) - 1, MF_BYPOSITION));  // keeps the popup
  EXPECT_EQ(platform::LiveMenuCount(), 2);
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), u"Export to");
  ASSERT_TRUE(DeleteMenu(menu, GetMenuItemCount(menu) - 1, MF_BYPOSITION));  // destroys it
  EXPECT_EQ(platform::LiveMenuCount(), 1);
  EXPECT_FALSE(IsMenu(sub));
  EXPECT_TRUE(DestroyMenu(menu));
  EXPECT_FALSE(DestroyMenu(menu));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_MENU_HANDLE);
  EXPECT_EQ(platform::LiveMenuCount(), 0);
}

TEST_F(PopupMenus, ScriptChoosesAnItemAndTheCommandIsReturned) {
  HMENU menu = EditMenu();
  platform::SetMenuIdentifier(menu, 40042);
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) {
    EXPECT_EQ(m.Texts(), (std::vector<std::u16string>{u"Undo Typing", u"Cut", u"Copy", u"Paste", u"-", u"Export to"}));
    EXPECT_TRUE(m.Items()[3].grayed);
    // A failing test's picture of the screen lists the open menu.
    EXPECT_NE(platform::DescribeScreen().find("Copy (40089) | Paste (40090) grey | -"), std::string::npos)
        << platform::DescribeScreen();
    m.Choose(u"Copy");
  });
  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_RETURNCMD, 50, 60, m_owner, nullptr), 40089);
  ASSERT_EQ(g_owner.initPopups.size(), 1u);
  EXPECT_EQ(g_owner.initPopups[0].first, menu);
  EXPECT_EQ(g_owner.initPopups[0].second, 40042);  // the popup's identifier, not a position
  EXPECT_TRUE(g_owner.commands.empty());            // TPM_RETURNCMD sends no command
  EXPECT_EQ(platform::LiveWindowCount(), 1);
  EXPECT_EQ(GetActiveWindow(), m_owner);  // a popup menu never takes activation
  DestroyMenu(menu);
}

TEST_F(PopupMenus, GreyItemsDoNothingAndCancellingReturnsZero) {
  HMENU menu = EditMenu();
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(40090); })  // grey: the menu stays
      .ExpectPopupMenu([](MenuDriver& m) { m.Cancel(); });
  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY, 0, 0, m_owner, nullptr), 0);
  EXPECT_TRUE(g_owner.initPopups.empty());  // TPM_NONOTIFY
  // A tap beside the menu cancels too.
  ui.ExpectPopupMenu([](MenuDriver&) { platform::Tap(POINT{230, 310}); });
  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, m_owner, nullptr), 0);
  EXPECT_EQ(ui.Pending(), 0u);
  DestroyMenu(menu);
}

TEST_F(PopupMenus, SubmenusOpenWithTheirOwnInitAndCommandsArePosted) {
  HMENU menu = EditMenu();
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Open(u"Export to"); })
      .ExpectPopupMenu([](MenuDriver& m) {
        EXPECT_EQ(m.Texts(), (std::vector<std::u16string>{u"HTML...", u"CSV..."}));
        m.Choose(40194);
      });
  EXPECT_TRUE(TrackPopupMenuEx(menu, 0, 10, 10, m_owner, nullptr));
  ASSERT_EQ(g_owner.initPopups.size(), 2u);
  EXPECT_EQ(g_owner.initPopups[1].first, GetSubMenu(menu, 5));
  EXPECT_EQ(g_owner.initPopups[1].second, 40048);
  platform::PumpMessages();
  EXPECT_EQ(g_owner.commands, (std::vector<WORD>{40194}));
  DestroyMenu(menu);
}

TEST_F(PopupMenus, ArrowsAndEnterChooseSkippingSeparators) {
  HMENU menu = EditMenu();
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver&) {
    for (int i = 0; i < 3; ++i) platform::PressKey(VK_DOWN);  // Undo, Cut, Copy
    platform::PressKey(VK_UP);
    platform::PressKey(VK_RETURN);
  });
  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, m_owner, nullptr), 40088);
  ui.ExpectPopupMenu([](MenuDriver&) {
    platform::PressKey(VK_UP);  // wraps to the last item, over the separator
    platform::PressKey(VK_UP);
    platform::PressKey(VK_RETURN);  // grey: nothing happens
    platform::PressKey(VK_ESCAPE);
  });
  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, m_owner, nullptr), 0);
  EXPECT_FALSE(TrackPopupMenuEx(nullptr, TPM_RETURNCMD, 0, 0, m_owner, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_MENU_HANDLE);
  DestroyMenu(menu);
}

TEST_F(PopupMenus, ClosingTheOwnerEndsTheMenu) {
  HMENU menu = EditMenu();
  UiScript ui;
  ui.ExpectPopupMenu([this](MenuDriver&) { PostMessageW(m_owner, WM_CLOSE, 0, 0); });
  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, m_owner, nullptr), 0);
  EXPECT_FALSE(IsWindow(m_owner));
  EXPECT_EQ(platform::LiveWindowCount(), 0);
  EXPECT_EQ(platform::TrackedMenuWindow(), nullptr);
  DestroyMenu(menu);
}

HMENU g_holdMenu = nullptr;
int g_holdResult = -1;

LRESULT HoldOwnerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_LBUTTONDOWN && g_holdMenu) {
    POINT p{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    ClientToScreen(h, &p);
    g_holdResult = TrackPopupMenuEx(g_holdMenu, TPM_RETURNCMD, p.x, p.y, h, nullptr);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

TEST_F(PopupMenus, TheReleaseOfTheTapThatOpenedTheMenuChoosesNothing) {
  WNDCLASSW wc;
  wc.lpfnWndProc = HoldOwnerProc;
  wc.lpszClassName = u"HoldOwner";
  RegisterClassW(&wc);
  HWND owner = CreateWindowExW(0, u"HoldOwner", u"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  g_holdMenu = EditMenu();
  g_holdResult = -1;
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver&) {
      // The pen comes up where it went down: over the menu's first row, now captured.
      platform::PenUp(POINT{25, 55});
    })
      .ExpectPopupMenu([](MenuDriver& m) { m.Choose(40088); });
  platform::PenDown(POINT{20, 50});
  platform::PumpMessages();
  EXPECT_EQ(g_holdResult, 40088);  // not Undo, under the pen when it came up
  EXPECT_EQ(ui.Pending(), 0u);
  DestroyMenu(g_holdMenu);
  g_holdMenu = nullptr;
  DestroyWindow(owner);
}

// ---- Layout -------------------------------------------------------------------------------

// `count` entries "Entry n" (command 100 + n), a separator after every fifth but the last.
HMENU LongMenu(int count) {
  HMENU menu = CreatePopupMenu();
  for (int n = 0; n < count; ++n) {
    std::u16string text = u"Entry " + platform::ToUtf16(std::to_string(n));
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(100 + n), text.c_str());
    if (n % 5 == 4 && n + 1 < count) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  }
  return menu;
}

RECT TrackedRect() {
  RECT r{};
  GetWindowRect(platform::TrackedMenuWindow(), &r);
  return r;
}

RECT ItemRect(HMENU menu, int position) {
  RECT r{};
  EXPECT_TRUE(GetMenuItemRect(nullptr, menu, static_cast<UINT>(position), &r)) << "row " << position << " not in view";
  return r;
}

TEST_F(MenuLayout, AMenuTallerThanTheScreenScrollsAndEveryEntryIsReachedByPen) {
  HMENU menu = LongMenu(30);
  const int last = GetMenuItemCount(menu) - 1;
  UiScript ui;
  // Opened upward from a bar at the bottom, as the menu bar opens its menus.
  ui.ExpectPopupMenu([&](MenuDriver& m) {
    RECT r = TrackedRect();
    EXPECT_EQ(r.bottom, 294) << "covers the bar";
    EXPECT_GE(r.top, 0);
    RECT up{};
    RECT down{};
    ASSERT_TRUE(platform::MenuScrollArrows(platform::TrackedMenuWindow(), &up, &down));
    RECT seen{};
    EXPECT_FALSE(GetMenuItemRect(nullptr, menu, static_cast<UINT>(last), &seen));
    m.Choose(129);  // taps the down arrow until the entry shows, then taps it
  });
  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD, 0, 294, m_owner, nullptr), 129);

  // A pen held on the arrow keeps scrolling; its release chooses nothing.
  ui.ExpectPopupMenu([&](MenuDriver&) {
      RECT down{};
      platform::MenuScrollArrows(platform::TrackedMenuWindow(), nullptr, &down);
      POINT pen{(down.left + down.right) / 2, (down.top + down.bottom) / 2};
      platform::PenDown(pen);
      for (int i = 0; i < 40; ++i) {
        platform::TestClock::Advance(100);
        platform::PumpMessages();
      }
      EXPECT_EQ(ItemRect(menu, last).bottom, down.top);
      platform::PenUp(pen);
    })
      .ExpectPopupMenu([&](MenuDriver& m) {
        ItemRect(menu, last);
        m.Choose(u"Entry 0");  // back up by the top arrow
      });
  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, m_owner, nullptr), 100);

  // Up from nothing chosen wraps to the last entry and brings it into view.
  ui.ExpectPopupMenu([](MenuDriver&) { platform::PressKey(VK_UP); }).ExpectPopupMenu([&](MenuDriver&) {
    ItemRect(menu, last);
    platform::PressKey(VK_RETURN);
  });
  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, m_owner, nullptr), 129);
  EXPECT_EQ(ui.Pending(), 0u);
  DestroyMenu(menu);
}

TEST_F(MenuLayout, ASeparatorIsAThinLine) {
  HMENU menu = EditMenu();
  UiScript ui;
  ui.ExpectPopupMenu([&](MenuDriver& m) {
    RECT row = ItemRect(menu, 3);
    RECT separator = ItemRect(menu, 4);
    EXPECT_EQ(separator.top, row.bottom);
    EXPECT_LE(separator.bottom - separator.top, (row.bottom - row.top) / 3);
    platform::PaintScreen();
    HDC screen = platform::CreateScreenDC();
    int lines = 0;
    for (int y = separator.top; y < separator.bottom; ++y)
      lines += GetPixel(screen, (separator.left + separator.right) / 2, y) == GetSysColor(COLOR_BTNSHADOW);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(lines, 1);
    m.Cancel();
  });
  TrackPopupMenuEx(menu, TPM_RETURNCMD, 10, 10, m_owner, nullptr);
  DestroyMenu(menu);
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST_F(MenuLayout, ASubmenuOpensBesideItsParentWhereThereIsRoomAndNeverHidesItsRow) {
  HMENU narrow = EditMenu();
  // A submenu too wide to go beside its parent on either side.
  HMENU wide = CreatePopupMenu();
  AppendMenuW(wide, MF_STRING, 40001, u"Entry");
  HMENU reports = CreatePopupMenu();
  AppendMenuW(reports, MF_STRING, 40002, u"Route Sales Accountability");
  AppendMenuW(wide, MF_POPUP, reinterpret_cast<UINT_PTR>(reports), u"Reports and more of them");
  AppendMenuW(wide, MF_STRING, 40003, u"Exit");
  struct Case {
    HMENU menu;
    int x;
    int row;  // the submenu's row
    bool beside;
  };
  // Room on the right; at the screen's right edge, room on the left; no room at all.
  for (Case c : {Case{narrow, 10, 5, true}, Case{narrow, 239, 5, true}, Case{wide, 60, 1, false}}) {
    RECT parent{};
    RECT row{};
    UiScript ui;
    ui.ExpectPopupMenu([&](MenuDriver& m) {
        parent = TrackedRect();
        row = ItemRect(c.menu, c.row);
        m.Open(m.Texts()[static_cast<size_t>(c.row)]);
      })
        .ExpectPopupMenu([&](MenuDriver& m) {
          RECT sub = TrackedRect();
          EXPECT_EQ(Overlap(sub, parent), !c.beside) << c.x;
          EXPECT_FALSE(Overlap(sub, row)) << c.x;
          EXPECT_GE(sub.left, 0);
          EXPECT_LE(sub.right, 240);
          m.Cancel();  // the submenu, then its parent
          m.Cancel();
        });
    TrackPopupMenuEx(c.menu, TPM_RETURNCMD, c.x, 10, m_owner, nullptr);
    EXPECT_EQ(ui.Pending(), 0u);
  }
  DestroyMenu(narrow);
  DestroyMenu(wide);
}

// A tap on an arrow moves a page: down, the row cut at the bottom comes to the top; up,
// the row at the top goes to the bottom. Every entry of a long menu is a few taps away.
TEST_F(MenuLayout, ATapOnAScrollArrowMovesAPage) {
  HMENU menu = LongMenu(30);
  const int count = GetMenuItemCount(menu);
  auto firstShown = [&] {
    RECT r{};
    int row = 0;
    while (row < count && !GetMenuItemRect(nullptr, menu, static_cast<UINT>(row), &r)) ++row;
    return row;
  };
  auto lastShown = [&] {
    RECT r{};
    int row = firstShown();
    while (row + 1 < count && GetMenuItemRect(nullptr, menu, static_cast<UINT>(row + 1), &r)) ++row;
    return row;
  };
  UiScript ui;
  ui.ExpectPopupMenu([&](MenuDriver& m) {
    RECT up{};
    RECT down{};
    ASSERT_TRUE(platform::MenuScrollArrows(platform::TrackedMenuWindow(), &up, &down));
    auto tap = [](const RECT& arrow) {
      platform::Tap(POINT{(arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2});
      platform::PumpMessages();
    };
    int taps = 0;
    while (lastShown() < count - 1 && taps < 10) {
      const int cut = lastShown() + 1;
      tap(down);
      ++taps;
      // The last page ends at the arrow, so its top row may lie above the cut row.
      if (lastShown() < count - 1) EXPECT_EQ(firstShown(), cut) << "after tap " << taps;
      else EXPECT_LE(firstShown(), cut);
    }
    EXPECT_LE(taps, 3);
    const int top = firstShown();
    tap(up);
    EXPECT_EQ(lastShown(), top);
    m.Cancel();
  });
  TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, m_owner, nullptr);
  EXPECT_EQ(ui.Pending(), 0u);
  DestroyMenu(menu);
}

// The system font doubled on the high-resolution screen, as the display's is.
class DoublingFont final : public platform::user::TextMeasure {
 public:
  int Width(HFONT, std::u16string_view text) override { return 6 * Scale() * static_cast<int>(text.size()); }
  int LineHeight(HFONT) override { return 14 * Scale(); }

 private:
  static int Scale() { return platform::ScreenWidth() >= 480 ? 2 : 1; }
};

TEST_F(MenuLayout, EverySizeDoublesOnTheHighResolutionScreen) {
  DoublingFont font;
  platform::user::SetTextMeasure(&font);
  HMENU menu = LongMenu(40);
  struct Sizes {
    LONG width, row, separator, arrow;
    bool operator==(const Sizes&) const = default;
  };
  auto measure = [&] {
    Sizes sizes{};
    UiScript ui;
    ui.ExpectPopupMenu([&](MenuDriver& m) {
      RECT r = TrackedRect();
      RECT row = ItemRect(menu, 0);
      RECT separator = ItemRect(menu, 5);
      RECT up{};
      EXPECT_TRUE(platform::MenuScrollArrows(platform::TrackedMenuWindow(), &up, nullptr));
      sizes = {r.right - r.left, row.bottom - row.top, separator.bottom - separator.top, up.bottom - r.top};
      m.Cancel();
    });
    TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, m_owner, nullptr);
    return sizes;
  };
  Sizes small = measure();
  platform::SetScreenProfile(platform::ScreenProfile::Portrait480x640);
  Sizes large = measure();
  platform::ResetScreenAndVersion();
  platform::user::SetTextMeasure(nullptr);
  EXPECT_EQ(large, (Sizes{2 * small.width, 2 * small.row, 2 * small.separator, 2 * small.arrow}));
  DestroyMenu(menu);
}

// ---- Templates -------------------------------------------------------------------------------

std::vector<WORD> MenuTemplate() {
  std::vector<WORD> t = {0, 0};
  auto text = [&](const char16_t* s) {
    for (; *s; ++s) t.push_back(*s);
    t.push_back(0);
  };
  t.push_back(MF_POPUP);
  text(u"File");
  t.push_back(0);
  t.push_back(40002);
  text(u"Exit");
  t.push_back(0);  // separator: id 0, no text
  t.push_back(0);
  text(u"");
  t.push_back(MF_END | MF_GRAYED);
  t.push_back(40029);
  text(u"Options");
  t.push_back(MF_END);
  t.push_back(40400);
  text(u"Help");
  return t;
}

TEST_F(MenuTemplates, MenuTemplateBuildsPopupsAndItems) {
  std::vector<WORD> t = MenuTemplate();
  HMENU menu = LoadMenuIndirectW(t.data());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemCount(menu), 2);
  HMENU file = GetSubMenu(menu, 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
  EXPECT_EQ(GetMenuState(file, 40029, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(GetMenuItemID(menu, 1), 40400u);
  DestroyMenu(menu);
  EXPECT_EQ(platform::LiveMenuCount(), 0);
}

TEST_F(MenuTemplates, MenuExTemplateKeepsPopupIdentifiers) {
  std::vector<WORD> t = {1, 4, 0, 0};  // version 1, offset 4, help id
  auto dword = [&](DWORD d) {
    t.push_back(static_cast<WORD>(d & 0xFFFF));
    t.push_back(static_cast<WORD>(d >> 16));
  };
  auto text = [&](const char16_t* s) {
    for (; *s; ++s) t.push_back(*s);
    t.push_back(0);
    if (t.size() % 2) t.push_back(0);  // DWORD alignment
  };
  dword(0);
  dword(0);
  dword(40006);
  t.push_back(0x01 | MF_END);  // popup, last
  text(u"New");
  dword(0);  // help id
  dword(0);  // a plain item without id or text, as some resource compilers write a separator
  dword(0);
  dword(0);
  t.push_back(0);
  text(u"");
  dword(0);
  dword(MFS_CHECKED);
  dword(40158);
  t.push_back(MF_END);
  text(u"Estimate");
  HMENU menu = LoadMenuIndirectW(t.data());
  ASSERT_NE(menu, nullptr);
  HMENU sub = GetSubMenu(menu, 0);
  EXPECT_EQ(platform::MenuIdentifier(sub), 40006);
  EXPECT_EQ(GetMenuState(sub, 40158, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  EXPECT_EQ(GetMenuState(sub, 0, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
  DestroyMenu(menu);
}

TEST_F(MenuTemplates, DamagedTemplatesLeaveNoMenus) {
  std::vector<WORD> good = MenuTemplate();
  for (size_t cut : {size_t{1}, size_t{3}, size_t{8}, good.size() - 2}) {
    std::vector<WORD> damaged(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    damaged.resize(40 * 1024, 0xFFFF);  // texts that never end run into the limit
    EXPECT_EQ(LoadMenuIndirectW(damaged.data()), nullptr) << cut;
    EXPECT_EQ(platform::LiveMenuCount(), 0) << cut;
  }
  std::vector<WORD> version = {7, 0, 0};
  EXPECT_EQ(LoadMenuIndirectW(version.data()), nullptr);
  EXPECT_EQ(LoadMenuW(nullptr, MAKEINTRESOURCEW(281)), nullptr);
}

}  // namespace
