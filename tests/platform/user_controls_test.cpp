// The standard controls.
//
//   EditWrap.*    word wrap of multi-line edits and the line messages on known texts;
//                 an edit holding more lines than it shows scrolls to its caret line
//   EditInput.*   typing: limit, capitalising edit, password, backspace over CR LF
//   ComboBox.*    prefix and exact search, sorted insertion, selection and notifications;
//                 a closed combo box takes taps on its field only, its open list keeps
//                 between the shell's bars and scrolls by its bar
//   Buttons.*     check boxes, click notification, scroll information
#include <string>
#include <vector>

#include "platform/testing/DeviceFixture.h"
#include "platform/user/Clipboard.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/Screen.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/TextMeasure.h"

namespace {

using platform::testing::DeviceTest;

std::vector<std::pair<int, int>> g_notes;  // (id, code) of WM_COMMAND the parent heard

LRESULT ParentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_COMMAND) g_notes.emplace_back(LOWORD(w), HIWORD(w));
  return DefWindowProcW(h, m, w, l);
}

class ControlTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_notes.clear();
    WNDCLASSW wc;
    wc.lpfnWndProc = ParentProc;
    wc.lpszClassName = u"Parent";
    RegisterClassW(&wc);
    // Placed by the system: below the shell's navigation bar.
    m_parent = CreateWindowExW(0, u"Parent", u"", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
  }
  // A point of the parent's client area on the screen.
  POINT At(int x, int y) const {
    POINT p{x, y};
    ClientToScreen(m_parent, &p);
    return p;
  }
  void TearDown() override {
    DestroyWindow(m_parent);
    DeviceTest::TearDown();
  }
  HWND Make(const char16_t* cls, DWORD style, int width, int height = 20, int id = 7) {
    return CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | style, 0, 0, width, height, m_parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
  }
  static std::vector<std::u16string> Lines(HWND edit) {
    std::vector<std::u16string> lines;
    LRESULT count = SendMessageW(edit, EM_GETLINECOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      WCHAR buf[64] = {};
      buf[0] = 63;
      LRESULT got = SendMessageW(edit, EM_GETLINE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
      lines.emplace_back(buf, static_cast<size_t>(got));
    }
    return lines;
  }
  HWND m_parent = nullptr;
};

using EditWrap = ControlTest;
using EditInput = ControlTest;
using ComboBox = ControlTest;
using Buttons = ControlTest;

// With the fixed text measure a character is 6 pixels wide; an edit 62 pixels wide
// wraps at 60 pixels (a pixel of margin each side): ten characters a line.
TEST_F(EditWrap, KnownTextsWrapIntoKnownLines) {
  struct Case {
    const char16_t* text;
    std::vector<std::u16string> lines;
  };
  const Case cases[] = {
      {u"", {u""}},
      {u"short", {u"short"}},
      {u"exactly10!", {u"exactly10!"}},
      {u"The quick brown fox", {u"The quick ", u"brown fox"}},
      {u"abcdefghijklmnop", {u"abcdefghij", u"klmnop"}},  // a word longer than a line is cut
      {u"hello     world", {u"hello     ", u"world"}},    // blanks stay at the end of the line
      {u"a bc defghijklm", {u"a bc ", u"defghijklm"}},
      {u"one\r\ntwo", {u"one", u"two"}},
      {u"ab\r\n", {u"ab", u""}},
      {u"\r\n\r\nx", {u"", u"", u"x"}},
      {u"first line is long\r\nsecond", {u"first line ", u"is long", u"second"}},
  };
  HWND edit = Make(u"EDIT", ES_MULTILINE | ES_AUTOVSCROLL, 62, 100);
  for (const Case& c : cases) {
    SetWindowTextW(edit, c.text);
    EXPECT_EQ(Lines(edit), c.lines) << platform::ToUtf8(c.text);
    // Each line starts where the previous one ended (plus a CR LF at a hard break).
    std::u16string text(c.text);
    for (size_t i = 0; i < c.lines.size(); ++i) {
      LRESULT start = SendMessageW(edit, EM_LINEINDEX, i, 0);
      ASSERT_GE(start, 0);
      EXPECT_EQ(text.substr(static_cast<size_t>(start), c.lines[i].size()), c.lines[i]);
      EXPECT_EQ(SendMessageW(edit, EM_LINELENGTH, static_cast<WPARAM>(start), 0),
                static_cast<LRESULT>(c.lines[i].size()));
      EXPECT_EQ(SendMessageW(edit, EM_LINEFROMCHAR, static_cast<WPARAM>(start), 0), static_cast<LRESULT>(i));
    }
    EXPECT_EQ(SendMessageW(edit, EM_LINEINDEX, c.lines.size(), 0), -1);
  }
}

TEST_F(EditWrap, ResizingRewrapsAndAutoHScrollDoesNotWrap) {
  HWND edit = Make(u"EDIT", ES_MULTILINE, 62, 100);
  SetWindowTextW(edit, u"The quick brown fox");
  EXPECT_EQ(SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 2);
  MoveWindow(edit, 0, 0, 32, 100, TRUE);  // five characters a line
  EXPECT_EQ(Lines(edit), (std::vector<std::u16string>{u"The ", u"quick ", u"brown ", u"fox"}));
  HWND wide = Make(u"EDIT", ES_MULTILINE | ES_AUTOHSCROLL, 62, 100, 8);
  SetWindowTextW(wide, u"The quick brown fox\r\nx");
  EXPECT_EQ(Lines(wide), (std::vector<std::u16string>{u"The quick brown fox", u"x"}));
  // EM_GETLINE copies no more than the buffer's first word allows, unterminated.
  WCHAR buf[8] = {};
  buf[0] = 3;
  EXPECT_EQ(SendMessageW(wide, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buf)), 3);
  EXPECT_EQ(std::u16string(buf, 3), u"The");
  // A single-line edit is one line whatever its width.
  HWND single = Make(u"EDIT", 0, 20, 20, 9);
  SetWindowTextW(single, u"The quick brown fox");
  EXPECT_EQ(SendMessageW(single, EM_GETLINECOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageW(single, EM_LINELENGTH, 0, 0), 19);
}

// Three lines shown of six: the edit wraps beside its scroll bar (ten characters a line in
// 75 pixels, less the bar) and brings the caret's line into view as it is typed and moved;
// the bar and the wheel scroll it, and a tap finds the line shown under the pen.
TEST_F(EditWrap, EditTallerThanItShowsScrollsToItsCaretLine) {
  const int h = platform::user::TextLineHeight(nullptr);
  HWND edit = Make(u"EDIT", ES_MULTILINE | ES_WANTRETURN, 62 + GetSystemMetrics(SM_CXVSCROLL), 3 * h + 2);
  auto first = [&] { return static_cast<int>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0)); };
  auto caretLine = [&] { return static_cast<int>(SendMessageW(edit, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0)); };
  SetFocus(edit);
  platform::TypeText(u"one\ntwo\nthree\nfour\nfive\nsix and more words");
  platform::PumpMessages();
  EXPECT_EQ(platform::VerticalScrollBarWidth(edit), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(Lines(edit), (std::vector<std::u16string>{u"one", u"two", u"three", u"four", u"five", u"six and ", u"more words"}));
  EXPECT_EQ(first(), 4);
  for (int i = 0; i < 5; ++i) platform::PressKey(VK_UP);
  platform::PumpMessages();
  EXPECT_EQ(caretLine(), 1);
  EXPECT_EQ(first(), 1);
  platform::PressKey(VK_NEXT);
  platform::PumpMessages();
  EXPECT_EQ(caretLine(), 4);
  EXPECT_EQ(first(), 2);
  UpdateWindow(edit);
  SendMessageW(edit, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_TRUE(GetUpdateRect(edit, nullptr, FALSE)) << "the lines scrolled in are painted";
  EXPECT_EQ(first(), 4);
  auto screen = [&](POINT client) {
    ClientToScreen(edit, &client);
    return client;
  };
  platform::TurnWheel(screen(POINT{5, 5}), WHEEL_DELTA);
  platform::PumpMessages();
  EXPECT_EQ(first(), 1);
  platform::Tap(screen(POINT{2, 1 + h + 1}));  // the second line shown
  platform::PumpMessages();
  EXPECT_EQ(caretLine(), 2);
  // Cut to three lines, the edit shows them all beside no bar.
  SetWindowTextW(edit, u"one\r\ntwo");
  EXPECT_EQ(first(), 0);
  EXPECT_EQ(platform::VerticalScrollBarWidth(edit), 0);
}

TEST_F(EditInput, TypingRespectsTheLimitAndBeeps) {
  HWND edit = Make(u"EDIT", ES_AUTOHSCROLL, 100);
  SendMessageW(edit, EM_LIMITTEXT, 5, 0);
  SetFocus(edit);
  g_notes.clear();
  platform::TypeText(u"abcdefg");
  platform::PumpMessages();
  WCHAR buf[16];
  GetWindowTextW(edit, buf, 16);
  EXPECT_EQ(std::u16string(buf), u"abcde");
  EXPECT_EQ(platform::BeepLog().size(), 2u);
  int maxText = 0;
  int changes = 0;
  for (auto [id, code] : g_notes) {
    if (code == EN_MAXTEXT) ++maxText;
    if (code == EN_CHANGE) ++changes;
  }
  EXPECT_EQ(maxText, 2);
  EXPECT_EQ(changes, 5);
  EXPECT_TRUE(SendMessageW(edit, EM_GETMODIFY, 0, 0));
  // Replacing a selection within the limit works.
  SendMessageW(edit, EM_SETSEL, 1, 3);
  platform::TypeText(u"Z");
  platform::PumpMessages();
  GetWindowTextW(edit, buf, 16);
  EXPECT_EQ(std::u16string(buf), u"aZde");
}

TEST_F(EditInput, CapitalisingEditPasswordAndBackspace) {
  HWND cap = Make(u"CAPEDIT", ES_AUTOHSCROLL, 100);
  SetFocus(cap);
  platform::TypeText(u"acme inc");
  platform::PumpMessages();
  EXPECT_EQ(platform::EditDisplayText(cap), u"Acme inc");
  SetWindowTextW(cap, u"x");
  SendMessageW(cap, EM_SETSEL, 1, 1);
  platform::TypeText(u"y");
  platform::PumpMessages();
  EXPECT_EQ(platform::EditDisplayText(cap), u"xy");  // only an empty text gets a capital

  HWND pass = Make(u"EDIT", ES_PASSWORD, 100, 20, 8);
  SetFocus(pass);
  platform::TypeText(u"s3cret");
  platform::PumpMessages();
  EXPECT_EQ(platform::EditDisplayText(pass), u"******");
  WCHAR buf[16];
  GetWindowTextW(pass, buf, 16);
  EXPECT_EQ(std::u16string(buf), u"s3cret");

  HWND multi = Make(u"EDIT", ES_MULTILINE | ES_WANTRETURN, 100, 60, 9);
  SetFocus(multi);
  platform::TypeText(u"ab\rc\b\b");  // Enter makes CR LF; one backspace takes both
  platform::PumpMessages();
  EXPECT_EQ(platform::EditDisplayText(multi), u"ab");
  SendMessageW(multi, EM_SETREADONLY, TRUE, 0);
  platform::TypeText(u"q");
  platform::PumpMessages();
  EXPECT_EQ(platform::EditDisplayText(multi), u"ab");

  HWND number = Make(u"EDIT", ES_NUMBER, 100, 20, 10);
  SetFocus(number);
  platform::TypeText(u"1a2");
  platform::PumpMessages();
  EXPECT_EQ(platform::EditDisplayText(number), u"12");
}

TEST_F(EditInput, CutCopyPasteAndClearGoThroughTheClipboard) {
  HWND edit = Make(u"EDIT", ES_AUTOHSCROLL, 100);
  HWND other = Make(u"EDIT", ES_AUTOHSCROLL, 100, 20, 8);
  SetWindowTextW(edit, u"Acme Ltd");
  SendMessageW(edit, EM_SETSEL, 0, 4);
  SendMessageW(edit, WM_COPY, 0, 0);
  SendMessageW(other, WM_PASTE, 0, 0);
  EXPECT_EQ(platform::EditDisplayText(other), u"Acme");
  SendMessageW(edit, EM_SETSEL, 4, -1);
  SendMessageW(edit, WM_CUT, 0, 0);
  EXPECT_EQ(platform::EditDisplayText(edit), u"Acme");
  SendMessageW(other, EM_SETSEL, 0, -1);
  SendMessageW(other, WM_CLEAR, 0, 0);
  EXPECT_EQ(platform::EditDisplayText(other), u"");
  // Ctrl+V types the clipboard's text; a single-line edit takes its first line only.
  SetFocus(other);
  platform::KeyDown(VK_CONTROL);
  platform::PressKey('V');
  platform::KeyUp(VK_CONTROL);
  platform::PumpMessages();
  EXPECT_EQ(platform::EditDisplayText(other), u" Ltd");
  // A password is never copied.
  HWND pass = Make(u"EDIT", ES_PASSWORD, 100, 20, 9);
  SetWindowTextW(pass, u"secret");
  SendMessageW(pass, EM_SETSEL, 0, -1);
  SendMessageW(pass, WM_COPY, 0, 0);
  SendMessageW(other, EM_SETSEL, 0, -1);
  SendMessageW(other, WM_PASTE, 0, 0);
  EXPECT_EQ(platform::EditDisplayText(other), u" Ltd");
  platform::ResetClipboard();
}

TEST_F(ComboBox, PrefixSearchIgnoresCaseAndWrapsFromTheStart) {
  HWND combo = Make(u"COMBOBOX", CBS_DROPDOWNLIST, 100, 80);
  for (const char16_t* t : {u"Apple", u"apricot", u"Banana", u"Blueberry", u"Cherry"})
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
  struct Case {
    INT_PTR start;
    const char16_t* key;
    LRESULT found;
  };
  const Case cases[] = {
      {-1, u"ap", 0}, {0, u"ap", 1}, {1, u"ap", 0},  {-1, u"B", 2}, {2, u"b", 3},
      {-1, u"BL", 3}, {-1, u"x", CB_ERR}, {-1, u"", 0}, {4, u"", 0}, {99, u"c", 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SendMessageW(combo, CB_FINDSTRING, static_cast<WPARAM>(c.start), reinterpret_cast<LPARAM>(c.key)),
              c.found)
        << c.start << " " << platform::ToUtf8(c.key);
  EXPECT_EQ(SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"banana")), 2);
  EXPECT_EQ(SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"Ban")), CB_ERR);

  EXPECT_EQ(SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"blue")), 3);
  WCHAR buf[32];
  GetWindowTextW(combo, buf, 32);
  EXPECT_EQ(std::u16string(buf), u"Blueberry");
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 9, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 9, reinterpret_cast<LPARAM>(buf)), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 4, reinterpret_cast<LPARAM>(buf)), 6);
  EXPECT_EQ(std::u16string(buf), u"Cherry");
  SendMessageW(combo, CB_SETITEMDATA, 1, 77);
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 1, 0), 77);
  EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 0, 0), 4);
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 0, 0), 77);  // data moves with its entry
}

TEST_F(ComboBox, SortedInsertionTypingAndChoosingNotify) {
  HWND combo = Make(u"COMBOBOX", CBS_DROPDOWNLIST | CBS_SORT, 100, 80);
  for (const char16_t* t : {u"pear", u"Apple", u"banana", u"apple"})
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
  std::vector<std::u16string> rows;
  for (int i = 0; i < 4; ++i) {
    WCHAR buf[16];
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    rows.emplace_back(buf);
  }
  EXPECT_EQ(rows, (std::vector<std::u16string>{u"Apple", u"apple", u"banana", u"pear"}));
  SetFocus(combo);
  g_notes.clear();
  platform::TypeText(u"p");  // a typed letter selects the next entry starting with it
  platform::PressKey(VK_UP);
  platform::PumpMessages();
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
  std::vector<int> codes;
  for (auto [id, code] : g_notes) codes.push_back(code);
  EXPECT_EQ(codes, (std::vector<int>{CBN_SELCHANGE, CBN_SELCHANGE}));
  g_notes.clear();
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_TRUE(platform::ChooseComboRow(combo, 0));
  EXPECT_FALSE(platform::ChooseComboRow(combo, 4));
  codes.clear();
  for (auto [id, code] : g_notes) codes.push_back(code);
  EXPECT_EQ(codes, (std::vector<int>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
  EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
}

TEST_F(ComboBox, ATapOpensTheListUnderItAndTheNextTapChoosesOrCloses) {
  HWND combo = Make(u"COMBOBOX", CBS_DROPDOWNLIST, 100, 120);
  MoveWindow(combo, 10, 10, 100, 120, TRUE);
  for (const char16_t* t : {u"Due on receipt", u"Net 15", u"Net 30"})
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
  g_notes.clear();
  platform::Tap(At(20, 15));
  platform::PumpMessages();
  HWND list = platform::ComboDropList(combo);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(IsWindowVisible(list));
  RECT combo_r, list_r;
  GetWindowRect(combo, &combo_r);
  GetWindowRect(list, &list_r);
  EXPECT_GT(list_r.top, combo_r.top);  // under the field
  EXPECT_EQ(list_r.left, combo_r.left);
  EXPECT_EQ(GetActiveWindow(), m_parent);  // the list never takes activation
  // The second row.
  POINT row{list_r.left + 5, list_r.top + 1 + platform::ComboRowHeight() + 2};
  platform::Tap(row);
  platform::PumpMessages();
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(platform::ComboDropList(combo), nullptr);
  std::vector<int> codes;
  for (auto [id, code] : g_notes)
    if (code != CBN_SETFOCUS) codes.push_back(code);
  EXPECT_EQ(codes, (std::vector<int>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
  // A tap beside the open list closes it and keeps the selection.
  platform::Tap(At(20, 15));
  platform::PumpMessages();
  ASSERT_NE(platform::ComboDropList(combo), nullptr);
  g_notes.clear();
  platform::Tap(At(200, 280));
  platform::PumpMessages();
  EXPECT_EQ(platform::ComboDropList(combo), nullptr);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  codes.clear();
  for (auto [id, code] : g_notes) codes.push_back(code);
  EXPECT_EQ(codes, (std::vector<int>{CBN_SELENDCANCEL, CBN_CLOSEUP}));
  // Destroying the combo box with its list open takes the list too.
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  list = platform::ComboDropList(combo);
  DestroyWindow(combo);
  EXPECT_FALSE(IsWindow(list));
}

TEST_F(ComboBox, TheClosedFieldLeavesTapsBelowItAndTheOpenListScrollsOnTheScreen) {
  // Given room for its field and its list, the closed combo box keeps to its field: the
  // button under the field takes the tap.
  HWND combo = Make(u"COMBOBOX", CBS_DROPDOWNLIST, 100, 200);
  Make(u"BUTTON", BS_PUSHBUTTON, 60, 20, 11);
  MoveWindow(GetDlgItem(m_parent, 11), 0, 40, 60, 20, TRUE);
  MoveWindow(combo, 0, 0, 100, 200, TRUE);
  RECT field{};
  GetWindowRect(combo, &field);
  EXPECT_LT(field.bottom - field.top, 40);
  auto tap = [](POINT at) {
    platform::Tap(at);
    platform::PumpMessages();
  };
  tap(At(5, 45));
  EXPECT_EQ(g_notes, (std::vector<std::pair<int, int>>{{11, BN_CLICKED}}));
  for (int i = 0; i < 20; ++i) {
    std::u16string entry = u"Entry " + std::u16string(1, static_cast<char16_t>(u'A' + i));
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
  // More entries than the list shows: it opens under the field with a scroll bar.
  tap(At(5, 5));
  HWND list = platform::ComboDropList(combo);
  ASSERT_NE(list, nullptr);
  RECT r{};
  GetWindowRect(list, &r);
  EXPECT_EQ(r.top, field.bottom);
  EXPECT_LE(r.bottom, platform::ScreenHeight() - platform::MenuBarHeight());
  int bar = platform::VerticalScrollBarWidth(list);
  ASSERT_GT(bar, 0);
  // A tap on the bar's lower arrow scrolls a row and keeps the list open; the first row
  // shown is then the second entry.
  tap(POINT{r.right - bar / 2 - 1, r.bottom - 3});
  ASSERT_EQ(platform::ComboDropList(combo), list);
  tap(POINT{r.left + 5, r.top + 3});
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  // Dragging the thumb to the end shows the last entry in the last row.
  tap(At(5, 5));
  list = platform::ComboDropList(combo);
  ASSERT_NE(list, nullptr);
  platform::PenDown(POINT{r.right - bar / 2 - 1, r.top + bar + 3});
  platform::PenMove(POINT{r.right - bar / 2 - 1, r.bottom});
  platform::PenUp(POINT{r.right - bar / 2 - 1, r.bottom});
  platform::PumpMessages();
  ASSERT_EQ(platform::ComboDropList(combo), list);
  tap(POINT{r.left + 5, r.bottom - 4});
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 19);
  // Near the foot of the screen the list opens above the field, below the navigation bar.
  RECT client{};
  GetClientRect(m_parent, &client);
  MoveWindow(combo, 0, client.bottom - 30, 100, 200, TRUE);
  GetWindowRect(combo, &field);
  tap(POINT{field.left + 5, field.top + 5});
  list = platform::ComboDropList(combo);
  ASSERT_NE(list, nullptr);
  GetWindowRect(list, &r);
  EXPECT_EQ(r.bottom, field.top);
  EXPECT_GE(r.top, platform::TaskBarHeight());
}

TEST_F(Buttons, TapsToggleChecksAndNotifyTheParent) {
  HWND check = Make(u"BUTTON", BS_AUTOCHECKBOX, 60, 20, 11);
  HWND owner = Make(u"TTBUTTON", BS_OWNERDRAW, 22, 22, 1009);
  MoveWindow(owner, 100, 0, 22, 22, TRUE);
  platform::Tap(At(5, 5));
  platform::Tap(At(105, 5));
  // Pen down on a button and up outside it is no click.
  platform::PenDown(At(105, 5));
  platform::PenUp(At(200, 200));
  platform::PumpMessages();
  EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(g_notes, (std::vector<std::pair<int, int>>{{11, BN_CLICKED}, {1009, BN_CLICKED}}));
  EXPECT_EQ(SendMessageW(owner, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON, DLGC_UNDEFPUSHBUTTON);
  SendMessageW(check, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EnableWindow(check, FALSE);
  SendMessageW(check, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(Buttons, ScrollInformationKeepsThePositionInRange) {
  HWND bar = Make(u"SCROLLBAR", SBS_VERT, 13, 100);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 200;
  EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &si, TRUE), 90);  // max - page + 1
  EXPECT_EQ(SetScrollPos(bar, SB_CTL, -5, TRUE), 90);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0);
  // The window's own bars are separate.
  EXPECT_EQ(SetScrollPos(m_parent, SB_VERT, 3, TRUE), 0);
  EXPECT_EQ(GetScrollPos(m_parent, SB_VERT), 0);  // no range yet: position stays 0
  SetScrollRange(m_parent, SB_VERT, 0, 5, TRUE);
  SetScrollPos(m_parent, SB_VERT, 3, TRUE);
  EXPECT_EQ(GetScrollPos(m_parent, SB_VERT), 3);
  EXPECT_EQ(GetScrollPos(m_parent, SB_HORZ), 0);
}

}  // namespace
