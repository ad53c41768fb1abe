// The shell's screen: its navigation bar, the rectangles programs lay themselves out in,
// where the pen goes and what is painted again.
//
//   ScreenAreas.*    work area, visible desktop and input panel with the bar and the panel
//                    up and down, SHFullScreen states, the high-resolution screen
//   NavigationBar.*  the front window's button: Done to a dialog (modal too), close to a
//                    program window, none for a dialog that hid it
//   PenRouting.*     a window behind a modal dialog or a full-screen window takes no tap
//                    and no turn of the wheel
//   Repainting.*     what a closed bar or popup uncovered is painted again; a window behind
//                    never paints over the one in front
#include <functional>
#include <tuple>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/shell/Shell.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/user/Controls.h"
#include "platform/user/Dialog.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Paint.h"
#include "platform/user/ScrollBar.h"

namespace {

using platform::testing::DeviceTest;

std::tuple<LONG, LONG, LONG, LONG> Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// What the test windows heard: "name:message" for pen, WM_CLOSE and WM_COMMAND.
std::vector<std::string> g_heard;

std::string NameOf(HWND h) {
  WCHAR text[32] = {};
  GetWindowTextW(h, text, 32);
  return platform::ToUtf8(text);
}

// Paints its client in the colour its window long GWL_USERDATA holds.
LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_LBUTTONDOWN: g_heard.push_back(NameOf(h) + ":down"); return 0;
    case WM_MOUSEWHEEL: g_heard.push_back(NameOf(h) + ":wheel"); return 0;
    case WM_CLOSE: g_heard.push_back(NameOf(h) + ":close"); return 0;
    case WM_COMMAND: g_heard.push_back(NameOf(h) + ":command " + std::to_string(LOWORD(w))); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT client;
      GetClientRect(h, &client);
      CGdiObject<HBRUSH> brush(CreateSolidBrush(static_cast<COLORREF>(GetWindowLongW(h, GWL_USERDATA))));
      FillRect(dc, &client, brush.get());
      EndPaint(h, &ps);
      return 0;
    }
    default: return DefWindowProcW(h, m, w, l);
  }
}

INT_PTR DialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) {
    SetWindowTextW(dialog, u"dialog");
    return TRUE;
  }
  if (msg == WM_COMMAND) {
    g_heard.push_back("dialog:command " + std::to_string(LOWORD(wParam)));
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

// A dialog template with no controls, `cx` x `cy` dialog units at (x, y).
struct Template {
  DLGTEMPLATE head;
  WORD menu = 0, cls = 0, title = 0;
};
Template Small(short x, short y, short cx, short cy) { return Template{{WS_POPUP | WS_VISIBLE, 0, 0, x, y, cx, cy}}; }

// Presses the navigation bar's button, at its right end.
void TapBarButton() {
  RECT bar;
  GetWindowRect(platform::NavigationBar(), &bar);
  platform::Tap(POINT{bar.right - 5, (bar.top + bar.bottom) / 2});
}

// Plays `steps` one by one whenever a modal loop goes idle.
class Steps : public platform::IdleHandler {
 public:
  explicit Steps(std::vector<std::function<void()>> steps) : m_steps(std::move(steps)) {
    m_previous = platform::SetIdleHandler(this);
  }
  ~Steps() override { platform::SetIdleHandler(m_previous); }
  bool OnIdle(HWND, const std::u16string&) override {
    if (m_next >= m_steps.size()) return false;
    m_steps[m_next++]();
    return true;
  }

 private:
  std::vector<std::function<void()>> m_steps;
  size_t m_next = 0;
  platform::IdleHandler* m_previous = nullptr;
};

// Answers a box, noting whether the menu bar showed the input-panel button while it was up.
struct PanelButtonWhileBoxIsUp : platform::MessageBoxHandler {
  bool shown = true;
  int OnMessageBox(const platform::MessageBoxRecord&) override {
    shown = platform::IsInputPanelButtonShown();
    return IDOK;
  }
};

class ShellScreenTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_heard.clear();
    WNDCLASSW wc;
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = u"Plain";
    RegisterClassW(&wc);
  }
  void TearDown() override {
    platform::ResetScreenAndVersion();
    DeviceTest::TearDown();
  }
  // A top-level window placed by the system, in `colour`.
  HWND Main(const char16_t* name, COLORREF colour = RGB(255, 255, 255)) {
    HWND h = CreateWindowExW(0, u"Plain", name, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongW(h, GWL_USERDATA, static_cast<LONG_PTR>(colour));
    return h;
  }
  HWND Child(HWND parent, const char16_t* name, RECT r, COLORREF colour) {
    HWND h = CreateWindowExW(0, u"Plain", name, WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, parent, nullptr, nullptr, nullptr);
    SetWindowLongW(h, GWL_USERDATA, static_cast<LONG_PTR>(colour));
    return h;
  }
  static RECT VisibleDesktop() {
    SIPINFO sip;
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETSIPINFO, sizeof(sip), &sip, 0));
    return sip.rcVisibleDesktop;
  }
  static RECT WorkArea() {
    RECT r{};
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0));
    return r;
  }
  static COLORREF ScreenPixel(int x, int y) {
    CWindowDC screen(nullptr);
    return GetPixel(screen.get(), x, y);
  }
};

using ScreenAreas = ShellScreenTest;
using NavigationBar = ShellScreenTest;
using PenRouting = ShellScreenTest;
using Repainting = ShellScreenTest;

TEST_F(ScreenAreas, FollowTheNavigationBarThePanelAndFullScreenStates) {
  EXPECT_EQ(platform::NavigationBar(), nullptr);  // no program window yet
  HWND main = Main(u"main");
  RECT r;
  GetWindowRect(main, &r);
  EXPECT_EQ(Edges(r), Edges(RECT{0, 26, 240, 320}));  // the work area; the menu bar lies over its foot
  ASSERT_NE(platform::NavigationBar(), nullptr);
  GetWindowRect(platform::NavigationBar(), &r);
  EXPECT_EQ(Edges(r), Edges(RECT{0, 0, 240, 26}));
  EXPECT_EQ(platform::LiveWindowCount(), 1);  // the bar is the shell's, not the program's
  EXPECT_EQ(Edges(WorkArea()), Edges(RECT{0, 26, 240, 320}));
  EXPECT_EQ(Edges(VisibleDesktop()), Edges(RECT{0, 26, 240, 294}));
  SipShowIM(SIPF_ON);
  EXPECT_EQ(Edges(VisibleDesktop()), Edges(RECT{0, 26, 240, 214}));
  EXPECT_EQ(Edges(platform::InputPanelRect()), Edges(RECT{0, 214, 240, 294}));
  SipShowIM(SIPF_OFF);

  // The front window hides the bar: the desktop starts at the screen's top; a state that
  // names only the input-panel button leaves the bar as it was.
  SHFullScreen(main, SHFS_HIDETASKBAR);
  EXPECT_FALSE(platform::IsTaskBarShown());
  EXPECT_FALSE(IsWindowVisible(platform::NavigationBar()));
  EXPECT_EQ(Edges(VisibleDesktop()), Edges(RECT{0, 0, 240, 294}));
  EXPECT_EQ(Edges(WorkArea()), Edges(RECT{0, 0, 240, 320}));
  SHFullScreen(main, SHFS_HIDESIPBUTTON);
  EXPECT_FALSE(platform::IsTaskBarShown());
  EXPECT_FALSE(platform::IsInputPanelButtonShown());
  // A message box over it brings no button of its own (while it is up, and none after).
  PanelButtonWhileBoxIsUp box;
  platform::MessageBoxHandler* before = platform::SetMessageBoxHandler(&box);
  EXPECT_EQ(MessageBoxW(main, u"Saved", u"Slateway", MB_OK), IDOK);
  EXPECT_FALSE(box.shown);
  EXPECT_FALSE(platform::IsInputPanelButtonShown());
  // Another window in front has the bar back; the first one's state comes back with it.
  HWND other = Main(u"other");
  EXPECT_TRUE(platform::IsTaskBarShown());
  EXPECT_TRUE(platform::IsInputPanelButtonShown());
  EXPECT_TRUE(IsWindowVisible(platform::NavigationBar()));
  DestroyWindow(other);
  EXPECT_FALSE(platform::IsTaskBarShown());
  SHFullScreen(main, SHFS_SHOWTASKBAR | SHFS_SHOWSIPBUTTON);
  EXPECT_TRUE(IsWindowVisible(platform::NavigationBar()));
  EXPECT_TRUE(platform::IsInputPanelButtonShown());
  EXPECT_EQ(MessageBoxW(main, u"Saved", u"Slateway", MB_OK), IDOK);
  EXPECT_TRUE(box.shown);  // over a screen that shows the button, the box keeps it
  platform::SetMessageBoxHandler(before);

  // Every figure doubles on the high-resolution screen, the system font with them.
  platform::SetScreenProfile(platform::ScreenProfile::Portrait480x640);
  HWND high = Main(u"high");
  GetWindowRect(high, &r);
  EXPECT_EQ(Edges(r), Edges(RECT{0, 52, 480, 640}));
  GetWindowRect(platform::NavigationBar(), &r);
  EXPECT_EQ(Edges(r), Edges(RECT{0, 0, 480, 52}));
  EXPECT_EQ(Edges(WorkArea()), Edges(RECT{0, 52, 480, 640}));
  EXPECT_EQ(Edges(platform::InputPanelRect()), Edges(RECT{0, 428, 480, 588}));
  LOGFONTW font;
  ASSERT_TRUE(GetObjectW(GetStockObject(SYSTEM_FONT), sizeof(font), &font));
  EXPECT_EQ(font.lfHeight, -24);
  EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 52);
  DestroyWindow(high);
  DestroyWindow(main);
}

TEST_F(NavigationBar, DoneSendsOkToTheDialogInFrontAndCloseClosesAProgramWindow) {
  HWND main = Main(u"main");
  TapBarButton();  // a program window: the close button
  platform::PumpMessages();
  EXPECT_EQ(g_heard, (std::vector<std::string>{"main:close"}));

  // A modal dialog with the Done button: the bar's button is its OK. The window behind it
  // hears nothing of the tap.
  g_heard.clear();
  Template modal = Small(0, 0, 160, 100);
  Steps steps({[&] {
                 HWND dialog = GetActiveWindow();
                 SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN};
                 SHInitDialog(&init);
               },
               [] { TapBarButton(); }});
  EXPECT_EQ(DialogBoxIndirectParamW(nullptr, &modal.head, main, DialogProc, 0), IDOK);
  EXPECT_EQ(g_heard, (std::vector<std::string>{"dialog:command 1"}));

  // A dialog that hid the Done button keeps its own buttons: the bar shows none.
  g_heard.clear();
  HWND dialog = CreateDialogIndirectParamW(nullptr, &modal.head, main, DialogProc, 0);
  SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN};
  SHInitDialog(&init);
  SHDoneButton(dialog, SHDB_HIDE);
  TapBarButton();
  platform::PumpMessages();
  EXPECT_TRUE(g_heard.empty());
  SHDoneButton(dialog, SHDB_SHOWCANCEL);
  TapBarButton();
  platform::PumpMessages();
  EXPECT_EQ(g_heard, (std::vector<std::string>{"dialog:command 2"}));
  DestroyWindow(dialog);
  DestroyWindow(main);
}

TEST_F(PenRouting, AWindowBehindAModalDialogOrTheScreenInFrontTakesNoTap) {
  HWND main = Main(u"main");
  HWND header = Child(main, u"header", RECT{0, 0, 240, 26}, RGB(200, 200, 200));
  // A second program window beside the dialog's owner, uncovered by the small dialog.
  HWND side = CreateWindowExW(0, u"Plain", u"side", WS_VISIBLE, 0, 200, 240, 94, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(main);
  SetWindowPos(side, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // enabled, in front of main
  Template modal = Small(60, 100, 80, 20);
  Steps steps({[] { platform::Tap(POINT{20, 250}); }, [] { platform::Tap(POINT{20, 30}); },
               [] { platform::TurnWheel(POINT{20, 250}, -WHEEL_DELTA); },
               [] { EndDialog(GetActiveWindow(), IDCANCEL); }});
  DialogBoxIndirectParamW(nullptr, &modal.head, main, DialogProc, 0);
  platform::PumpMessages();
  EXPECT_TRUE(g_heard.empty()) << g_heard.front();

  // A full-screen window over the main window covers its header: the tap is the front's.
  HWND front = Main(u"front");
  SHINITDLGINFO init{SHIDIM_FLAGS, front, SHIDIF_SIZEDLGFULLSCREEN};
  SHInitDialog(&init);
  POINT onHeader{20, 10};
  ClientToScreen(header, &onHeader);
  platform::Tap(onHeader);
  platform::PumpMessages();
  platform::TurnWheel(onHeader, WHEEL_DELTA);
  platform::PumpMessages();
  EXPECT_EQ(g_heard, (std::vector<std::string>{"front:down", "front:wheel"}));
  DestroyWindow(front);
  DestroyWindow(side);
  DestroyWindow(main);
}

TEST_F(Repainting, AClosedBarOrPopupUncoversAPagePaintedAgain) {
  constexpr COLORREF kPage = RGB(0, 160, 0), kBar = RGB(200, 0, 0), kPopup = RGB(0, 0, 200);
  HWND main = Main(u"main", RGB(255, 255, 255));
  HWND bar = Child(main, u"bar", RECT{0, 200, 240, 268}, kBar);  // made first: over the page
  HWND page = Child(main, u"page", RECT{0, 0, 240, 268}, kPage);
  platform::PaintScreen();
  EXPECT_EQ(ScreenPixel(100, 26 + 230), kBar);
  ShowWindow(bar, SW_HIDE);
  platform::PumpMessages();
  EXPECT_EQ(ScreenPixel(100, 26 + 230), kPage);  // the page, not the main window's bare ground
  EXPECT_EQ(ScreenPixel(100, 26 + 50), kPage);

  // A window behind repaints under a popup without drawing over it; the popup gone, what
  // it covered is the page again.
  HWND popup = CreateWindowExW(0, u"Plain", u"popup", WS_POPUP | WS_VISIBLE, 50, 100, 100, 100, main, nullptr,
                               nullptr, nullptr);
  SetWindowLongW(popup, GWL_USERDATA, static_cast<LONG_PTR>(kPopup));
  platform::PumpMessages();
  InvalidateRect(page, nullptr, TRUE);
  platform::PumpMessages();
  EXPECT_EQ(ScreenPixel(100, 150), kPopup);
  EXPECT_EQ(ScreenPixel(20, 150), kPage);
  DestroyWindow(popup);
  platform::PumpMessages();
  EXPECT_EQ(ScreenPixel(100, 150), kPage);
  DestroyWindow(main);
}

}  // namespace
