// The handheld shell's services for every screen: the navigation bar along the top of the
// screen, the menu bar at its foot, full-screen dialogs and their Done button, the input
// panel and the desktop area it leaves visible, the OEM text, the tap-and-hold gesture and
// device-independent bitmaps from files.
//
// The screen is laid out as on the device: the navigation bar at the top, the menu bar at
// the bottom (both 26 pixels, doubled on high-resolution screens), and, while it is up,
// the input panel right above the menu bar (80 pixels, doubled likewise). A full-screen
// window spans the desktop between the two bars.
//
// The navigation bar belongs to the shell and shows the title of the window in front and
// one button at its right end, as that window's shell set-up asks:
// - "ok", the Done button (SHInitDialog with SHIDIF_DONEBUTTON, SHDoneButton SHDB_SHOW):
//   posts WM_COMMAND IDOK to the window, as a dialog's OK;
// - "x" for SHDB_SHOWCANCEL: posts WM_COMMAND IDCANCEL;
// - otherwise, for a window that is no dialog (the program's main window), the close
//   button: posts WM_CLOSE, so the program leaves its window as closing it would (the main
//   window keeps what is open before it goes);
// - a dialog that hid the Done button shows no button there: it has its own (the title row's
//   OK and Cancel, a message box's buttons).
// The bar hides while the window in front hides it with SHFullScreen(SHFS_HIDETASKBAR).
#pragma once

#include <string>

#include "platform/base/Win32Types.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/shell/Gesture.h"
#include "platform/user/Screen.h"
#include "platform/user/Window.h"

// ---- Menu bars --------------------------------------------------------------------------------
// A menu bar resource (RT_RCDATA with the bar's id) holds WORDs: the id of the menu
// resource (RT_MENU) whose popups the buttons open, the number of buttons, then per
// button: image index (I_IMAGENONE for a text button), command id, state (TBSTATE_*),
// style, string id of the text, 0, index of the popup in the menu (NOMENU for none).
constexpr WORD I_IMAGENONE = 0xFFFE;
constexpr WORD NOMENU = 0xFFFF;

constexpr DWORD SHCMBF_EMPTYBAR = 0x0001;
constexpr DWORD SHCMBF_HIDDEN = 0x0002;

struct SHMENUBARINFO {
  DWORD cbSize = sizeof(SHMENUBARINFO);
  HWND hwndParent = nullptr;
  DWORD dwFlags = 0;
  UINT nToolBarId = 0;
  HINSTANCE hInstRes = nullptr;
  int nBmpId = 0;
  int cBmpImages = 0;
  HWND hwndMB = nullptr;  // out: the bar
  COLORREF clrBk = 0;
};
using PSHMENUBARINFO = SHMENUBARINFO*;

// Messages of a menu bar window. SHCMBM_GETSUBMENU: lParam the command id of a button,
// answers the popup that button opens (null when none). SHCMBM_GETMENU: the bar's menu.
// The bar also answers TB_SETSTATE, TB_GETSTATE, TB_ENABLEBUTTON and TB_GETRECT by command.
constexpr UINT SHCMBM_GETSUBMENU = WM_USER + 401;
constexpr UINT SHCMBM_GETMENU = WM_USER + 402;

// Creates the bar of `info->hwndParent` (owned by it, dying with it) from resource
// `nToolBarId` of `hInstRes`, with the images of bitmap `nBmpId` cut into `cBmpImages`
// equal parts; SHCMBF_EMPTYBAR makes a bar without buttons. The new bar is the current
// one: any other bar is hidden (one bar shows program-wide; a parent's earlier bar is
// destroyed). A button that opens a popup sends WM_INITMENUPOPUP to the parent with the
// button's command id in lParam's low word; chosen items and plain buttons come to the
// parent as WM_COMMAND. FALSE with the last error set when the resources are missing.
BOOL SHCreateMenuBar(SHMENUBARINFO* info);
HWND SHFindMenuBar(HWND parent);

// ---- Dialogs and full screen ------------------------------------------------------------------
constexpr DWORD SHIDIM_FLAGS = 0x0001;
constexpr DWORD SHIDIF_DONEBUTTON = 0x0001;
constexpr DWORD SHIDIF_SIZEDLG = 0x0002;
constexpr DWORD SHIDIF_SIZEDLGFULLSCREEN = 0x0004;
constexpr DWORD SHIDIF_SIPDOWN = 0x0008;
constexpr DWORD SHIDIF_FULLSCREENNOMENUBAR = 0x0010;

struct SHINITDLGINFO {
  DWORD dwMask = 0;
  HWND hDlg = nullptr;
  DWORD dwFlags = 0;
};
using PSHINITDLGINFO = SHINITDLGINFO*;

// Done button as asked, the dialog sized to the desktop between the navigation bar and menu bar
// (SHIDIF_SIZEDLGFULLSCREEN) or to what the input panel leaves (SHIDIF_SIZEDLG), the
// input panel lowered (SHIDIF_SIPDOWN). FALSE for a null structure or window.
BOOL SHInitDialog(PSHINITDLGINFO info);

constexpr DWORD SHDB_SHOW = 0x0001;
constexpr DWORD SHDB_HIDE = 0x0002;
constexpr DWORD SHDB_SHOWCANCEL = 0x0004;
BOOL SHDoneButton(HWND hwnd, DWORD state);

constexpr DWORD SHFS_SHOWTASKBAR = 0x0001;
constexpr DWORD SHFS_HIDETASKBAR = 0x0002;
constexpr DWORD SHFS_SHOWSIPBUTTON = 0x0004;
constexpr DWORD SHFS_HIDESIPBUTTON = 0x0008;
constexpr DWORD SHFS_SHOWSTARTICON = 0x0010;
constexpr DWORD SHFS_HIDESTARTICON = 0x0020;
// Shows and hides, while the window is in front, what the flags name: the navigation bar
// (task bar), the input-panel button of the menu bar and the start icon; a part the state
// does not name stays as the window's earlier calls left it. The state given is kept (read
// back by platform::FullScreenState).
BOOL SHFullScreen(HWND hwnd, DWORD state);

// ---- The input panel and system parameters -----------------------------------------------------
constexpr UINT SPI_GETWORKAREA = 48;
constexpr UINT SPI_SETSIPINFO = 224;
constexpr UINT SPI_GETSIPINFO = 225;
constexpr UINT SPI_GETPLATFORMTYPE = 257;
constexpr UINT SPI_GETOEMINFO = 258;

constexpr DWORD SIPF_OFF = 0x0000;
constexpr DWORD SIPF_ON = 0x0001;
constexpr DWORD SIPF_DOCKED = 0x0002;
constexpr DWORD SIPF_LOCKED = 0x0004;

struct SIPINFO {
  DWORD cbSize = sizeof(SIPINFO);
  DWORD fdwFlags = 0;
  RECT rcVisibleDesktop;
  RECT rcSipRect;
  DWORD dwImDataSize = 0;
  void* pvImData = nullptr;
};

// SPI_GETSIPINFO fills a SIPINFO (its cbSize must be this structure's): rcVisibleDesktop is
// the desktop between the navigation bar and the menu bar, ending at the input panel's top
// while the panel is up (from the screen's top while the window in front hides the
// navigation bar), rcSipRect the panel's place right above the menu bar. SPI_GETWORKAREA
// fills a RECT with the screen below the navigation bar (the menu bar lies over its foot).
// SPI_SETSIPINFO raises or lowers the panel by its SIPF_ON flag; SPI_GETOEMINFO copies the OEM text into
// `pv` (`param` bytes) and SPI_GETPLATFORMTYPE the platform name. FALSE with
// ERROR_INVALID_PARAMETER or ERROR_INSUFFICIENT_BUFFER otherwise.
BOOL SystemParametersInfoW(UINT action, UINT param, PVOID pv, UINT winIni);

// Raises (SIPF_ON) or lowers (SIPF_OFF) the input panel. A change sends WM_SETTINGCHANGE
// with SPI_SETSIPINFO to every top-level window.
BOOL SipShowIM(DWORD flags);
enum SIPSTATE { SIP_UP = 0, SIP_DOWN, SIP_FORCEDOWN, SIP_UNCHANGED, SIP_INPUTDIALOG };
BOOL SHSipPreference(HWND hwnd, SIPSTATE state);

// ---- Bitmaps ---------------------------------------------------------------------------------
// A bitmap from a BMP file of the device (null when missing or not a BMP).
HBITMAP SHLoadDIBitmap(LPCWSTR fileName);

namespace platform {

// ---- For tests and the display ---------------------------------------------------------------
// The bar that shows now, or null.
HWND CurrentMenuBar();
// Height of the input panel on this screen (the bars' heights: platform/user/Screen.h).
int InputPanelHeight();
bool IsInputPanelUp();
// The rectangles of SPI_GETSIPINFO: what the window in front can use, and where the
// input panel lies (whether it is up or not).
RECT VisibleDesktopRect();
RECT InputPanelRect();
// Whether the navigation bar shows (the window in front did not hide it), and whether the
// menu bar shows its input-panel button (the window in front did not hide it).
bool IsTaskBarShown();
bool IsInputPanelButtonShown();
// The navigation bar's window (made when a program window first comes to the front), or
// null; a tap at its right end presses its button.
HWND NavigationBar();
// What the window's Done button shows: 0 none, SHDB_SHOW (OK) or SHDB_SHOWCANCEL.
DWORD DoneButtonState(HWND hwnd);
// The last SHFullScreen state given to the window (0 when none).
DWORD FullScreenState(HWND hwnd);
// The OEM text SPI_GETOEMINFO reports.
void SetOemInfo(std::u16string_view text);
// Writes the shell's entries for the application buttons 193-200 where they are missing:
// HKEY_LOCAL_MACHINE "Software\Microsoft\Shell\Keys\40C1" to "40C8", each with "Name"
// ("Button 1"...) and "ResetCmd" (the shortcut of the program it starts, from
// "\Windows\Start Menu\Programs\Calendar.lnk" on), as a new device has them. False when
// the registry refuses.
bool InstallHardwareKeyEntries();
// Panel down, default OEM text, no recorded window states, no navigation bar.
void ResetShell();

}  // namespace platform
