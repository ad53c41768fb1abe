#include "core/ProgressWnd.h"

#include "core/ResourceText.h"
#include "platform/user/Paint.h"
#include "resources/resource_ids.h"

namespace {
constexpr char16_t kAbortCaption[] = u"Abort";
constexpr char16_t kOkCaption[] = u"Ok";
}  // namespace

CProgressWnd::CProgressWnd(HINSTANCE resources, HWND notify, HWND parent)
    : m_resources(resources), m_notify(notify), m_parent(parent) {}

bool CProgressWnd::Show(const CBstr& title, bool showButton) {
  m_aborted = false;
  m_showButton = showButton;
  if (GetHwnd()) {
    SetButton(false);
    return true;
  }
  HWND window = CreateModeless(m_resources, MAKEINTRESOURCEW(IDD_PROGRESS_WINDOW), m_parent);
  if (!window) return false;
  SetWindowTextW(window, title.c_str());
  SetButton(false);
  ShowWindow(GetDlgItem(window, IDCANCEL), showButton ? SW_SHOW : SW_HIDE);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  m_running = true;
  return true;
}

void CProgressWnd::SetButton(bool finished) {
  m_buttonCloses = finished;
  if (HWND window = GetHwnd()) SetDlgItemTextW(window, IDCANCEL, finished ? kOkCaption : kAbortCaption);
}

int CProgressWnd::SetStatus(const CBstr* text) {
  PumpMessages();
  HWND window = GetHwnd();
  if (m_aborted) {
    if (window) {
      SetDlgItemTextW(window, IDC_PROGRESS_STATUS, LoadResText(IDS_PROGRESS_ABORTED).c_str());
      SetButton(true);
    }
    return 0;
  }
  if (!window) return 1;
  if (text) SetDlgItemTextW(window, IDC_PROGRESS_STATUS, text->c_str());
  UpdateWindow(window);
  if (GetActiveWindow() != window) SetActiveWindow(window);
  return 1;
}

int CProgressWnd::SetStatusId(UINT id, bool finished) {
  CBstr text(LoadResText(id));
  int result = SetStatus(&text);
  if (finished) {
    if (HWND window = GetHwnd()) ShowWindow(GetDlgItem(window, IDCANCEL), SW_SHOW);
    SetButton(true);
    m_running = false;
  }
  return result;
}

void PumpPendingMessages(const std::function<HWND()>& dialog, const std::function<bool()>& stop) {
  MSG msg{};
  while (!(stop && stop()) && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The program is closing: leave the request for the main loop to see.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    HWND window = dialog();
    if (window && IsDialogMessageW(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool CProgressWnd::PumpMessages() {
  // A handler reached through the pump that reports progress itself must not pump again:
  // the messages behind it would be handled out of order, each one level deeper.
  if (m_pumping) return m_aborted;
  m_pumping = true;
  PumpPendingMessages([this] { return GetHwnd(); });
  m_pumping = false;
  return m_aborted;
}

void CProgressWnd::SetAbort(bool abort) {
  m_aborted = abort;
  if (abort) m_running = false;
}

void CProgressWnd::OnButton() {
  if (!m_buttonCloses) {
    // The window stays until the work sees the request at its next step.
    SetAbort(true);
    return;
  }
  DestroyWindow(GetHwnd());
  if (m_notify) PostMessageW(m_notify, kMsgProgressClosed, 0, 0);
}

INT_PTR CProgressWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      m_aborted = false;
      m_running = false;
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == 0) {
        OnButton();
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}
