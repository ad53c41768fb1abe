// Full-screen dialogs, the Done button, the input panel, system parameters and bitmaps
// from files.
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>

#include "platform/base/Base.h"
#include "platform/gdi/Bmp.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"
#include "platform/shell/ShellInternal.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Screen.h"

namespace {

constexpr char16_t kDefaultOemInfo[] = u"Slateway Handheld";
constexpr char16_t kPlatformType[] = u"PocketPC";

// What a window's SHFullScreen calls have hidden of the shell while it is in front.
constexpr DWORD kHidesTaskBar = 0x1;
constexpr DWORD kHidesSipButton = 0x2;
constexpr DWORD kHidesStartIcon = 0x4;

struct ShellState {
  std::mutex lock;
  bool panelUp = false;
  std::u16string oem = kDefaultOemInfo;
  std::map<HWND, DWORD> doneButtons;
  std::map<HWND, DWORD> fullScreen;  // the last state given, as given
  std::map<HWND, DWORD> hidden;      // kHides* bits
  HWND lastFront = nullptr;          // the window in front when the shell last looked
};

ShellState& Shell() {
  static ShellState state;
  return state;
}

// The top of the desktop: below the navigation bar, or the screen's top while the window in
// front hides the bar.
int DesktopTop(HWND front) { return platform::shell::HidesTaskBar(front) ? 0 : platform::TaskBarHeight(); }

// The desktop between the navigation bar and the menu bar.
RECT FullDesktop(HWND front) {
  return RECT{0, DesktopTop(front), platform::ScreenWidth(), platform::ScreenHeight() - platform::MenuBarHeight()};
}

RECT PanelRect() {
  int bottom = platform::ScreenHeight() - platform::MenuBarHeight();
  return RECT{0, bottom - platform::InputPanelHeight(), platform::ScreenWidth(), bottom};
}

// What the window in front can use: the desktop, less the input panel while it is up.
RECT VisibleDesktop() {
  RECT r = FullDesktop(platform::shell::FrontWindow());
  if (platform::IsInputPanelUp()) r.bottom = PanelRect().top;
  return r;
}

// The screen below the navigation bar; the menu bar lies over its foot.
RECT WorkArea() {
  return RECT{0, DesktopTop(platform::shell::FrontWindow()), platform::ScreenWidth(), platform::ScreenHeight()};
}

BOOL CopyRect(const RECT& r, PVOID pv) {
  if (!pv) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *static_cast<RECT*>(pv) = r;
  return TRUE;
}

// Copies `text` with its terminator into `pv` of `bytes` bytes.
BOOL CopyText(std::u16string_view text, UINT bytes, PVOID pv) {
  if (!pv) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  size_t need = (text.size() + 1) * sizeof(WCHAR);
  if (bytes < need) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(pv, text.data(), text.size() * sizeof(WCHAR));
  static_cast<WCHAR*>(pv)[text.size()] = 0;
  return TRUE;
}

BOOL GetSipInfo(PVOID pv) {
  auto* info = static_cast<SIPINFO*>(pv);
  if (!info || info->cbSize != sizeof(SIPINFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->fdwFlags = SIPF_DOCKED | (platform::IsInputPanelUp() ? SIPF_ON : SIPF_OFF);
  info->rcVisibleDesktop = VisibleDesktop();
  info->rcSipRect = PanelRect();
  info->dwImDataSize = 0;
  return TRUE;
}

// Moves the panel; every top-level window hears of a change.
void SetPanel(bool up) {
  {
    std::lock_guard guard(Shell().lock);
    if (Shell().panelUp == up) return;
    Shell().panelUp = up;
  }
  platform::shell::ShowInputPanel(up);
  SendMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETSIPINFO, 0);
}

// Forgets what the shell kept for windows that are gone.
void PruneLocked(std::map<HWND, DWORD>& states) {
  std::erase_if(states, [](const auto& entry) { return !IsWindow(entry.first); });
}

void SetWindowState(std::map<HWND, DWORD> ShellState::*which, HWND hwnd, DWORD value) {
  {
    std::lock_guard guard(Shell().lock);
    auto& states = Shell().*which;
    PruneLocked(states);
    states[hwnd] = value;
  }
  platform::shell::RefreshNavigationBar();
}

// The shell parts a SHFullScreen state shows and hides, on top of what the window hid before.
DWORD HiddenAfter(DWORD hidden, DWORD state) {
  auto apply = [&](DWORD hide, DWORD show, DWORD bit) {
    if (state & hide) hidden |= bit;
    if (state & show) hidden &= ~bit;
  };
  apply(SHFS_HIDETASKBAR, SHFS_SHOWTASKBAR, kHidesTaskBar);
  apply(SHFS_HIDESIPBUTTON, SHFS_SHOWSIPBUTTON, kHidesSipButton);
  apply(SHFS_HIDESTARTICON, SHFS_SHOWSTARTICON, kHidesStartIcon);
  return hidden;
}

DWORD WindowState(std::map<HWND, DWORD> ShellState::*which, HWND hwnd) {
  std::lock_guard guard(Shell().lock);
  auto& states = Shell().*which;
  PruneLocked(states);
  auto it = states.find(hwnd);
  return it == states.end() ? 0 : it->second;
}

}  // namespace

BOOL SHInitDialog(PSHINITDLGINFO info) {
  if (!info || !IsWindow(info->hDlg)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!(info->dwMask & SHIDIM_FLAGS)) return TRUE;
  DWORD flags = info->dwFlags;
  if (flags & SHIDIF_SIPDOWN) SetPanel(false);
  SetWindowState(&ShellState::doneButtons, info->hDlg, (flags & SHIDIF_DONEBUTTON) ? SHDB_SHOW : 0);
  if (flags & (SHIDIF_SIZEDLG | SHIDIF_SIZEDLGFULLSCREEN)) {
    // A full-screen dialog's title shows in the navigation bar, not in a caption of its own.
    LONG_PTR style = GetWindowLongW(info->hDlg, GWL_STYLE);
    if (style & (WS_CAPTION | WS_BORDER | WS_DLGFRAME))
      SetWindowLongW(info->hDlg, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_BORDER | WS_DLGFRAME));
    RECT r = (flags & SHIDIF_SIZEDLGFULLSCREEN) ? FullDesktop(info->hDlg) : VisibleDesktop();
    if (flags & SHIDIF_FULLSCREENNOMENUBAR) r.bottom = platform::ScreenHeight();
    MoveWindow(info->hDlg, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  }
  return TRUE;
}

BOOL SHDoneButton(HWND hwnd, DWORD state) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  SetWindowState(&ShellState::doneButtons, hwnd, state == SHDB_HIDE ? 0 : state);
  return TRUE;
}

BOOL SHFullScreen(HWND hwnd, DWORD state) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  {
    std::lock_guard guard(Shell().lock);
    PruneLocked(Shell().hidden);
    DWORD& hidden = Shell().hidden[hwnd];
    hidden = HiddenAfter(hidden, state);
  }
  SetWindowState(&ShellState::fullScreen, hwnd, state);
  platform::shell::NoteFullScreen(hwnd, state);
  if ((state & SHFS_HIDESIPBUTTON) && hwnd == platform::shell::FrontWindow()) platform::shell::LowerPanelIfNoButton();
  return TRUE;
}

BOOL SystemParametersInfoW(UINT action, UINT param, PVOID pv, UINT) {
  switch (action) {
    case SPI_GETSIPINFO: return GetSipInfo(pv);
    case SPI_GETWORKAREA: return CopyRect(WorkArea(), pv);
    case SPI_SETSIPINFO: {
      auto* info = static_cast<const SIPINFO*>(pv);
      if (!info || info->cbSize != sizeof(SIPINFO)) break;
      SetPanel(info->fdwFlags & SIPF_ON);
      return TRUE;
    }
    case SPI_GETOEMINFO: {
      std::u16string oem;
      {
        std::lock_guard guard(Shell().lock);
        oem = Shell().oem;
      }
      return CopyText(oem, param, pv);
    }
    case SPI_GETPLATFORMTYPE: return CopyText(kPlatformType, param, pv);
    default: break;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

BOOL SipShowIM(DWORD flags) {
  SetPanel(flags & SIPF_ON);
  return TRUE;
}

BOOL SHSipPreference(HWND, SIPSTATE state) {
  if (state == SIP_UP || state == SIP_INPUTDIALOG) SetPanel(true);
  else if (state == SIP_DOWN || state == SIP_FORCEDOWN) SetPanel(false);
  return TRUE;
}

HBITMAP SHLoadDIBitmap(LPCWSTR fileName) {
  if (!fileName) return nullptr;
  std::ifstream in(platform::MapDevicePath(fileName), std::ios::binary);
  if (!in) return nullptr;
  std::vector<BYTE> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto image = platform::ParseBmpFile(bytes.data(), bytes.size());
  return image ? platform::CreateBitmapFromDib(*image) : nullptr;
}

namespace platform {

int InputPanelHeight() { return 80 * ScreenScale(); }

RECT VisibleDesktopRect() { return VisibleDesktop(); }
RECT InputPanelRect() { return PanelRect(); }

bool IsTaskBarShown() { return !shell::HidesTaskBar(shell::FrontWindow()); }

bool IsInputPanelButtonShown() {
  HWND front = shell::FrontWindow();
  // A message box brings no panel button of its own: the bar shows what its owner's screen
  // shows (a screen that hid the button keeps it hidden while the box is up).
  while (front && IsMessageBoxWindow(front)) {
    HWND owner = GetWindow(front, GW_OWNER);
    if (!owner) break;
    front = GetAncestor(owner, GA_ROOT);
  }
  std::lock_guard guard(Shell().lock);
  auto it = Shell().hidden.find(front);
  return it == Shell().hidden.end() || !(it->second & kHidesSipButton);
}

bool IsInputPanelUp() {
  std::lock_guard guard(Shell().lock);
  return Shell().panelUp;
}

DWORD DoneButtonState(HWND hwnd) { return WindowState(&ShellState::doneButtons, hwnd); }
DWORD FullScreenState(HWND hwnd) { return WindowState(&ShellState::fullScreen, hwnd); }

void SetOemInfo(std::u16string_view text) {
  std::lock_guard guard(Shell().lock);
  Shell().oem = text;
}

bool InstallHardwareKeyEntries() {
  // What each button starts, as a new device comes: one program of the device each.
  static constexpr const char16_t* kPrograms[] = {u"Calendar", u"Contacts", u"Messaging",  u"Tasks",
                                                  u"Notes",    u"Pictures", u"Calculator", u"Today"};
  for (int n = 1; n <= 8; ++n) {
    std::u16string path = u"Software\\Microsoft\\Shell\\Keys\\40C" + platform::ToUtf16(std::to_string(n));
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, &disposition) !=
        ERROR_SUCCESS)
      return false;
    bool ok = true;
    auto setIfMissing = [&](LPCWSTR name, const std::u16string& value) {
      if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) return;
      ok = ok && RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR))) == ERROR_SUCCESS;
    };
    setIfMissing(u"Name", u"Button " + platform::ToUtf16(std::to_string(n)));
    setIfMissing(u"ResetCmd", u"\\Windows\\Start Menu\\Programs\\" + std::u16string(kPrograms[n - 1]) + u".lnk");
    RegCloseKey(key);
    if (!ok) return false;
  }
  return true;
}

void ResetShell() {
  shell::ResetMenuBars();
  shell::ResetNavigationBar();
  shell::ResetInputPanel();
  std::lock_guard guard(Shell().lock);
  Shell().panelUp = false;
  Shell().oem = kDefaultOemInfo;
  Shell().doneButtons.clear();
  Shell().fullScreen.clear();
  Shell().hidden.clear();
  Shell().lastFront = nullptr;
}

namespace shell {

void FollowFrontWindow() {
  HWND front = FrontWindow();
  // Only the window's own thread moves the panel under it; another thread's change reaches
  // the navigation bar's thread, which looks again.
  if (front && GetWindowThreadProcessId(front, nullptr) != GetCurrentThreadId()) return;
  {
    std::lock_guard guard(Shell().lock);
    if (front == Shell().lastFront) return;
    Shell().lastFront = front;
  }
  if (front) LowerPanelIfNoButton();
}

void LowerPanelIfNoButton() {
  // The keyboard of a screen that offers no button to put it away would stay over it.
  if (IsInputPanelUp() && !IsInputPanelButtonShown()) SetPanel(false);
}

bool HidesTaskBar(HWND hwnd) {
  if (!hwnd) return false;
  std::lock_guard guard(Shell().lock);
  auto it = Shell().hidden.find(hwnd);
  return it != Shell().hidden.end() && (it->second & kHidesTaskBar) && IsWindow(hwnd);
}

}  // namespace shell

}  // namespace platform
