// The shell's services.
//
//   MenuBars.*   bars from resources, one current bar, popups with their id, button states
//   InputPanel.* the visible desktop with the panel up and down, the settings broadcast,
//                full-screen dialogs; the keyboard typing into the focused control, the
//                menu bar's panel button, the panel above every window
//   Gestures.*   tap-and-hold on the test clock
#include <filesystem>
#include <tuple>
#include <vector>

#include "platform/gdi/ScreenSize.h"
#include "platform/module/Module.h"
#include "platform/shell/InputPanel.h"
#include "platform/shell/Shell.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/GestureClock.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Menu.h"
#include "tests/data/test_ids.h"

namespace {

using platform::testing::DeviceTest;
using platform::testing::MenuDriver;
using platform::testing::UiScript;

std::tuple<LONG, LONG, LONG, LONG> Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

struct Log {
  std::vector<WORD> initPopups;
  std::vector<WORD> commands;
  std::vector<WPARAM> settings;
  std::vector<UINT> notes;
  DWORD gesture = 0xFFFF;
  int lifts = 0;
} g_log;

LRESULT HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_INITMENUPOPUP: g_log.initPopups.push_back(LOWORD(l)); break;
    case WM_COMMAND: g_log.commands.push_back(LOWORD(w)); break;
    case WM_SETTINGCHANGE: g_log.settings.push_back(w); break;
    case WM_NOTIFY: g_log.notes.push_back(reinterpret_cast<NMHDR*>(l)->code); break;
    case WM_LBUTTONUP: ++g_log.lifts; break;
    case WM_LBUTTONDOWN: {
      SHRGINFO info;
      info.hwndClient = h;
      info.ptDown = POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
      info.dwFlags = SHRG_RETURNCMD | SHRG_NOTIFYPARENT;
      g_log.gesture = SHRecognizeGesture(&info);
      break;
    }
    default: break;
  }
  return DefWindowProcW(h, m, w, l);
}

class ShellTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_log = {};
    WNDCLASSW wc;
    wc.lpfnWndProc = HostProc;
    wc.lpszClassName = u"Host";
    RegisterClassW(&wc);
    m_host = CreateWindowExW(0, u"Host", u"", WS_VISIBLE, 0, 26, 240, 268, nullptr, nullptr, nullptr, nullptr);
    std::filesystem::copy_file(SLATEWAY_TEST_RESOURCE_LIBRARY, Root() / "TESTRES.DLL");
    m_lib = LoadLibraryW(u"\\TESTRES.DLL");
    ASSERT_NE(m_lib, nullptr);
  }
  void TearDown() override {
    if (IsWindow(m_host)) DestroyWindow(m_host);
    FreeLibrary(m_lib);
    DeviceTest::TearDown();
  }
  HWND Bar(HWND parent, DWORD flags = 0) {
    SHMENUBARINFO info;
    info.hwndParent = parent;
    info.dwFlags = flags;
    info.nToolBarId = IDR_TEST_BAR;
    info.hInstRes = m_lib;
    info.nBmpId = IDB_TEST_TOOLBAR;
    info.cBmpImages = 4;
    return SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
  }
  // Taps the middle of a bar button.
  void TapButton(HWND bar, int command) {
    RECT r;
    ASSERT_TRUE(SendMessageW(bar, TB_GETRECT, command, reinterpret_cast<LPARAM>(&r)));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(bar, &p);
    platform::Tap(p);
    platform::PumpMessages();
  }
  HWND m_host = nullptr;
  HMODULE m_lib = nullptr;
};

using MenuBars = ShellTest;
using InputPanel = ShellTest;
using Gestures = ShellTest;

TEST_F(MenuBars, ButtonsSendCommandsAndOpenTheirPopupWithItsId) {
  HWND bar = Bar(m_host);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(platform::CurrentMenuBar(), bar);
  RECT r;
  GetWindowRect(bar, &r);
  EXPECT_EQ(r.top, 320 - 26);
  EXPECT_EQ(r.bottom, 320);

  TapButton(bar, IDC_TEST_NEW);
  TapButton(bar, IDC_TEST_PICTURE);
  EXPECT_EQ(g_log.commands, (std::vector<WORD>{IDC_TEST_NEW, IDC_TEST_PICTURE}));

  HMENU popup = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, IDC_TEST_EDIT));
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(GetMenuItemID(popup, 1), static_cast<UINT>(IDC_TEST_COPY));
  EXPECT_EQ(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, IDC_TEST_NEW), 0);
  EXPECT_NE(SendMessageW(bar, SHCMBM_GETMENU, 0, 0), 0);

  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) {
    EXPECT_EQ(m.Texts(), (std::vector<std::u16string>{u"Cut", u"Copy"}));
    m.Choose(u"Copy");
  });
  TapButton(bar, IDC_TEST_EDIT);
  platform::PumpMessages();
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(g_log.initPopups, (std::vector<WORD>{IDC_TEST_EDIT}));
  EXPECT_EQ(g_log.commands.back(), IDC_TEST_COPY);

  // A disabled button does nothing when tapped.
  ASSERT_TRUE(SendMessageW(bar, TB_SETSTATE, IDC_TEST_NEW, 0));
  EXPECT_EQ(SendMessageW(bar, TB_GETSTATE, IDC_TEST_NEW, 0), 0);
  size_t before = g_log.commands.size();
  TapButton(bar, IDC_TEST_NEW);
  EXPECT_EQ(g_log.commands.size(), before);
  EXPECT_EQ(SendMessageW(bar, TB_SETSTATE, 999, TBSTATE_ENABLED), FALSE);
}

TEST_F(MenuBars, OneBarShowsAndTheBarDiesWithItsWindow) {
  HWND first = Bar(m_host);
  HWND dialog = CreateWindowExW(0, u"Host", u"", WS_VISIBLE, 0, 26, 240, 268, m_host, nullptr, nullptr, nullptr);
  HWND second = Bar(dialog, SHCMBF_EMPTYBAR);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(platform::CurrentMenuBar(), second);
  EXPECT_FALSE(IsWindowVisible(first));
  EXPECT_TRUE(IsWindowVisible(second));
  // A window's new bar replaces its old one.
  HWND third = Bar(dialog, SHCMBF_EMPTYBAR);
  EXPECT_FALSE(IsWindow(second));
  EXPECT_EQ(SHFindMenuBar(dialog), third);
  // With the dialog gone, the bar beneath shows again.
  DestroyWindow(dialog);
  EXPECT_FALSE(IsWindow(third));
  EXPECT_EQ(platform::CurrentMenuBar(), first);
  EXPECT_TRUE(IsWindowVisible(first));

  SHMENUBARINFO missing;
  missing.hwndParent = m_host;
  missing.nToolBarId = 9999;
  missing.hInstRes = m_lib;
  EXPECT_FALSE(SHCreateMenuBar(&missing));
  EXPECT_EQ(missing.hwndMB, nullptr);
  EXPECT_EQ(platform::CurrentMenuBar(), first);
}

TEST_F(InputPanel, VisibleDesktopFollowsThePanelAndWindowsHearOfIt) {
  SIPINFO info;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETSIPINFO, sizeof(info), &info, 0));
  EXPECT_EQ(info.fdwFlags & SIPF_ON, 0u);
  EXPECT_EQ(Edges(info.rcVisibleDesktop), Edges(RECT{0, 26, 240, 294}));
  ASSERT_TRUE(SipShowIM(SIPF_ON));
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETSIPINFO, sizeof(info), &info, 0));
  EXPECT_EQ(info.fdwFlags & SIPF_ON, SIPF_ON);
  EXPECT_EQ(Edges(info.rcVisibleDesktop), Edges(RECT{0, 26, 240, 214}));
  EXPECT_EQ(Edges(info.rcSipRect), Edges(RECT{0, 214, 240, 294}));
  SipShowIM(SIPF_ON);  // no change, no broadcast
  EXPECT_EQ(g_log.settings, (std::vector<WPARAM>{SPI_SETSIPINFO}));

  // A full-screen dialog lowers the panel and fills the desktop.
  HWND dialog = CreateWindowExW(0, u"Host", u"", WS_VISIBLE, 10, 10, 50, 50, m_host, nullptr, nullptr, nullptr);
  SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  ASSERT_TRUE(SHInitDialog(&init));
  EXPECT_FALSE(platform::IsInputPanelUp());
  EXPECT_EQ(g_log.settings.size(), 3u);  // both windows heard it
  RECT r;
  GetWindowRect(dialog, &r);
  EXPECT_EQ(Edges(r), Edges(RECT{0, 26, 240, 294}));
  EXPECT_EQ(platform::DoneButtonState(dialog), SHDB_SHOW);
  SHDoneButton(dialog, SHDB_HIDE);
  EXPECT_EQ(platform::DoneButtonState(dialog), 0u);
  DestroyWindow(dialog);

  info.cbSize = 4;
  EXPECT_FALSE(SystemParametersInfoW(SPI_GETSIPINFO, 4, &info, 0));
  platform::SetScreenProfile(platform::ScreenProfile::Portrait480x640);
  info.cbSize = sizeof(info);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETSIPINFO, sizeof(info), &info, 0));
  EXPECT_EQ(Edges(info.rcVisibleDesktop), Edges(RECT{0, 52, 480, 588}));
  platform::ResetScreenAndVersion();
}

// Taps the panel's keys for `text`, then `key` when given, as a person would.
void TapPanel(std::u16string_view text) {
  for (WCHAR c : text) {
    std::optional<POINT> key = platform::InputPanelKeyAt(c);
    ASSERT_TRUE(key) << "no key for " << static_cast<int>(c);
    platform::Tap(*key);
    platform::PumpMessages();
  }
}
void TapPanel(platform::PanelKey key) {
  std::optional<POINT> at = platform::InputPanelKeyAt(key);
  ASSERT_TRUE(at);
  platform::Tap(*at);
  platform::PumpMessages();
}

std::u16string TextOf(HWND hwnd) {
  WCHAR text[64] = {};
  GetWindowTextW(hwnd, text, 64);
  return text;
}

TEST_F(InputPanel, KeysTypeIntoTheFocusedEditAndLeaveItTheFocus) {
  using platform::PanelKey;
  HWND edit = CreateWindowExW(0, u"EDIT", u"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 200, 20, m_host, nullptr,
                              nullptr, nullptr);
  SetFocus(edit);
  EXPECT_FALSE(platform::InputPanelKeyAt(u'a'));  // nothing to tap while the panel is down
  ASSERT_TRUE(SipShowIM(SIPF_ON));
  HWND panel = platform::InputPanelWindow();
  ASSERT_NE(panel, nullptr);
  RECT r;
  GetWindowRect(panel, &r);
  EXPECT_EQ(Edges(r), Edges(RECT{0, 214, 240, 294}));

  TapPanel(u"route 66");
  TapPanel(PanelKey::Shift);  // one capital
  TapPanel(u"ab");
  TapPanel(PanelKey::Shift);  // locked until tapped again
  TapPanel(PanelKey::Shift);
  TapPanel(u"cd");
  TapPanel(PanelKey::Shift);
  TapPanel(u"e\b");
  EXPECT_FALSE(platform::InputPanelKeyAt(u':'));
  TapPanel(PanelKey::Layer);
  TapPanel(u":/");
  EXPECT_EQ(TextOf(edit), u"route 66AbCD:/");
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(GetActiveWindow(), m_host);

  // Lifting the pen beside the key where it went down types nothing.
  platform::PenDown(*platform::InputPanelKeyAt(u'1'));
  platform::PenUp(POINT{r.left + 1, r.bottom - 1});
  platform::PumpMessages();
  EXPECT_EQ(TextOf(edit), u"route 66AbCD:/");

  // On the high-resolution screen every key is twice the size.
  SipShowIM(SIPF_OFF);
  EXPECT_EQ(platform::InputPanelWindow(), nullptr);
  platform::SetScreenProfile(platform::ScreenProfile::Portrait480x640);
  SipShowIM(SIPF_ON);
  GetWindowRect(platform::InputPanelWindow(), &r);
  EXPECT_EQ(Edges(r), Edges(RECT{0, 428, 480, 588}));
  std::optional<POINT> key = platform::InputPanelKeyAt(u'9');
  ASSERT_TRUE(key);
  EXPECT_EQ(key->x, 8 * 48 + 24);
  EXPECT_EQ(key->y, 428 + 16);
  TapPanel(u"9\r");
  EXPECT_EQ(TextOf(edit), u"route 66AbCD:/9");
  platform::ResetScreenAndVersion();
}

TEST_F(InputPanel, TheMenuBarButtonRaisesAndLowersThePanel) {
  ASSERT_NE(Bar(m_host), nullptr);
  POINT button{240 - 10, 320 - 13};
  platform::Tap(button);
  platform::PumpMessages();
  EXPECT_TRUE(platform::IsInputPanelUp());
  EXPECT_NE(platform::InputPanelWindow(), nullptr);
  EXPECT_EQ(GetActiveWindow(), m_host);
  platform::Tap(button);
  platform::PumpMessages();
  EXPECT_FALSE(platform::IsInputPanelUp());
  EXPECT_EQ(platform::InputPanelWindow(), nullptr);
  EXPECT_EQ(g_log.settings, (std::vector<WPARAM>{SPI_SETSIPINFO, SPI_SETSIPINFO}));

  // The foreground window hides the button; other full-screen flags leave it hidden.
  SHFullScreen(m_host, SHFS_HIDESIPBUTTON);
  SHFullScreen(m_host, SHFS_HIDETASKBAR);
  platform::Tap(button);
  platform::PumpMessages();
  EXPECT_FALSE(platform::IsInputPanelUp());
  SHFullScreen(m_host, SHFS_SHOWSIPBUTTON);
  platform::Tap(button);
  platform::PumpMessages();
  EXPECT_TRUE(platform::IsInputPanelUp());
  EXPECT_TRUE(g_log.commands.empty());
}

TEST_F(InputPanel, AScreenWithoutTheButtonLowersThePanelAndADialogWithoutABarUsesTheOneBeneath) {
  ASSERT_NE(Bar(m_host), nullptr);
  SHFullScreen(m_host, SHFS_HIDESIPBUTTON);
  // A modal screen with no bar of its own: the disabled window's bar still raises the panel.
  HWND dialog = CreateWindowExW(0, u"Host", u"", WS_VISIBLE, 0, 26, 240, 268, m_host, nullptr, nullptr, nullptr);
  EnableWindow(m_host, FALSE);
  ASSERT_EQ(GetActiveWindow(), dialog);
  POINT button{240 - 10, 320 - 13};
  platform::Tap(button);
  platform::PumpMessages();
  EXPECT_TRUE(platform::IsInputPanelUp());
  EXPECT_TRUE(g_log.commands.empty());
  // Back in front, the screen that offers no button lowers the panel.
  EnableWindow(m_host, TRUE);
  DestroyWindow(dialog);
  platform::PumpMessages();
  EXPECT_EQ(GetActiveWindow(), m_host);
  EXPECT_FALSE(platform::IsInputPanelUp());
  // So does a screen in front that hides the button while the panel is up.
  SHFullScreen(m_host, SHFS_SHOWSIPBUTTON);
  ASSERT_TRUE(SipShowIM(SIPF_ON));
  SHFullScreen(m_host, SHFS_HIDETASKBAR);
  EXPECT_TRUE(platform::IsInputPanelUp());
  SHFullScreen(m_host, SHFS_HIDESIPBUTTON);
  EXPECT_FALSE(platform::IsInputPanelUp());
}

TEST_F(InputPanel, ThePanelStaysAboveWindowsOpenedLaterAndOverWhatTheyPaint) {
  ASSERT_TRUE(SipShowIM(SIPF_ON));
  HWND panel = platform::InputPanelWindow();
  HWND later = CreateWindowExW(0, u"STATIC", u"", WS_VISIBLE, 0, 26, 240, 268, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetActiveWindow(), later);
  EXPECT_EQ(WindowFromPoint(POINT{120, 250}), panel);
  platform::PaintScreen();
  InvalidateRect(later, nullptr, TRUE);
  platform::PumpMessages();
  // The line between the keys still shows at the panel's corner.
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetPixel(screen, 0, 214), GetSysColor(COLOR_BTNSHADOW));
  ReleaseDC(nullptr, screen);
  // The panel never takes the activation a closing window gives up.
  DestroyWindow(later);
  EXPECT_EQ(GetActiveWindow(), m_host);
}

TEST_F(InputPanel, OemTextNeedsRoomForItsTerminator) {
  platform::SetOemInfo(u"Treo 700w");
  WCHAR text[10];
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETOEMINFO, sizeof(text), text, 0));
  EXPECT_EQ(std::u16string(text), u"Treo 700w");
  EXPECT_FALSE(SystemParametersInfoW(SPI_GETOEMINFO, 9 * sizeof(WCHAR), text, 0));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST_F(Gestures, HoldingStillPastTheHoldTimeIsAContextMenu) {
  platform::testing::GestureClock mover(100);
  platform::PenDown(POINT{50, 100});
  platform::PumpMessages();
  EXPECT_EQ(g_log.gesture, GN_CONTEXTMENU);
  EXPECT_EQ(mover.Moved(), platform::kHoldMilliseconds);
  platform::PenUp(POINT{50, 100});
  platform::PumpMessages();
}

TEST_F(Gestures, LiftingOrMovingBeforeTheHoldTimeIsNoGesture) {
  platform::testing::GestureClock mover(100);
  platform::PenDown(POINT{50, 100});
  platform::PenUp(POINT{50, 100});
  platform::PumpMessages();
  EXPECT_EQ(g_log.gesture, 0u);
  EXPECT_EQ(mover.Moved(), 0u);
  platform::PenDown(POINT{50, 100});
  platform::PenMove(POINT{60, 100});
  platform::PumpMessages();
  EXPECT_EQ(g_log.gesture, 0u);
  platform::PenUp(POINT{60, 100});
  platform::PumpMessages();
  EXPECT_TRUE(g_log.notes.empty());
}

// On the device's running clock the recogniser sleeps until the pen does something: the
// screen is shown meanwhile (the idle handler is asked), and a lift ends the wait as a tap
// the moment it arrives, long before the hold time.
TEST_F(Gestures, OnTheRunningClockALiftIsATapAtOnce) {
  struct Person : platform::IdleHandler {
    int asked = 0;
    bool OnIdle(HWND, const std::u16string& what) override {
      if (what != u"gesture" || asked++) return false;
      platform::PenUp(POINT{50, 100});
      return true;
    }
  } person;
  platform::TestClock::Clear();
  platform::IdleHandler* previous = platform::SetIdleHandler(&person);
  platform::PenDown(POINT{50, 100});
  platform::PumpMessages();
  platform::SetIdleHandler(previous);
  platform::TestClock::Set(platform::testing::DefaultTestTime());
  EXPECT_EQ(person.asked, 1);
  EXPECT_EQ(g_log.gesture, 0u);
  EXPECT_EQ(g_log.lifts, 1);
}

}  // namespace
