#include "core/FullScreenDialog.h"

#include "core/DialogTitleBar.h"
#include "core/Help.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/gdi/Gdi.h"
#include "platform/shell/Shell.h"
#include "platform/user/Window.h"
#include "resources/resource_ids.h"

namespace full_screen {

RECT VisibleArea(HWND window) {
  SIPINFO sip;
  if (SystemParametersInfoW(SPI_GETSIPINFO, sizeof(sip), &sip, 0) && (sip.fdwFlags & SIPF_ON))
    return sip.rcVisibleDesktop;
  RECT area{};
  GetClientRect(window, &area);
  return area;
}

int DesktopTop() {
  SIPINFO sip;
  return SystemParametersInfoW(SPI_GETSIPINFO, sizeof(sip), &sip, 0) ? sip.rcVisibleDesktop.top : 0;
}

HBRUSH ControlColour(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_CTLCOLORDLG && msg != WM_CTLCOLORSTATIC && msg != WM_CTLCOLORBTN) return nullptr;
  auto dc = reinterpret_cast<HDC>(wParam);
  SetBkColor(dc, RGB(255, 255, 255));
  if (msg == WM_CTLCOLORSTATIC && GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_DIALOG_HEADING)
    SetTextColor(dc, kTitleColour);
  return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

void MakeFullScreen(HWND dialog) {
  SHINITDLGINFO full;
  full.dwMask = SHIDIM_FLAGS;
  full.hDlg = dialog;
  full.dwFlags = SHIDIF_SIZEDLGFULLSCREEN;
  SHInitDialog(&full);
}

INT_PTR HandleTabbedDialogMessage(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam,
                                  const TabbedDialogActions& actions) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kTitleOkButtonId || LOWORD(wParam) == IDOK) {
        actions.ok();
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == static_cast<UINT_PTR>(CPageTabs::kTabControlId) && header->code == TCN_SELCHANGE)
        actions.tabChosen();
      return TRUE;
    }
    case WM_SIZE:
      actions.layOut();
      return FALSE;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETSIPINFO) actions.layOut();
      return FALSE;
    case WM_HELP:
      ShowHelp(actions.helpTopic);
      return TRUE;
    default: {
      INT_PTR result = FALSE;
      HandleTitleRowDrawing(msg, wParam, lParam, IDC_DIALOG_HEADING, result);
      return result;
    }
  }
}

HWND CPageTabs::Create(HWND dialog) {
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  m_tabs = CreateWindowExW(0, WC_TABCONTROLW, u"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BOTTOM, 0, 0, 10,
                           10, dialog, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kTabControlId)), nullptr, nullptr);
  return m_tabs;
}

void CPageTabs::Insert(int index, const char16_t* caption, HWND page) {
  TCITEMW item;
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = const_cast<LPWSTR>(caption);
  item.lParam = reinterpret_cast<LPARAM>(page);
  SendMessageW(m_tabs, TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void CPageTabs::Remove(int index) { SendMessageW(m_tabs, TCM_DELETEITEM, static_cast<WPARAM>(index), 0); }

int CPageTabs::Count() const { return static_cast<int>(SendMessageW(m_tabs, TCM_GETITEMCOUNT, 0, 0)); }

int CPageTabs::Selected() const { return static_cast<int>(SendMessageW(m_tabs, TCM_GETCURSEL, 0, 0)); }

HWND CPageTabs::PageOf(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  TCITEMW item;
  item.mask = TCIF_PARAM;
  if (!SendMessageW(m_tabs, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<HWND>(item.lParam);
}

void CPageTabs::Show(int index, const std::vector<HWND>& pages) {
  HWND shown = PageOf(index);
  for (HWND page : pages)
    if (page && page != shown) ShowWindow(page, SW_HIDE);
  if (!shown) return;
  SendMessageW(m_tabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  ShowWindow(shown, SW_SHOW);
  SetFocus(shown);
}

void CPageTabs::Place(HWND dialog, int top, const std::vector<HWND>& pages) {
  if (!m_tabs) return;
  const RECT area = VisibleArea(dialog);
  // The pages lie over the control's display area: the control stays beneath them.
  SetWindowPos(m_tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  MoveWindow(m_tabs, 0, top, area.right - area.left, area.bottom - area.top - top, TRUE);
  RECT display{0, 0, area.right - area.left, area.bottom - area.top - top};
  SendMessageW(m_tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  for (HWND page : pages) {
    if (!page) continue;
    MoveWindow(page, display.left, display.top + top, display.right - display.left, display.bottom - display.top,
               TRUE);
    SendMessageW(page, WM_SIZE, 0, MAKELPARAM(display.right - display.left, display.bottom - display.top));
  }
}

}  // namespace full_screen
