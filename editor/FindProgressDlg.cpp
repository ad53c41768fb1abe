#include "editor/FindProgressDlg.h"

#include <string>

#include "core/ProgressWnd.h"
#include "platform/kernel/Clock.h"
#include "platform/module/Module.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Paint.h"
#include "resources/resource_ids.h"

CFindProgressDlg::~CFindProgressDlg() { Destroy(); }

void CFindProgressDlg::Show() {
  if (!GetHwnd()) CreateModeless(m_resources, MAKEINTRESOURCEW(IDD_FIND_PROGRESS), m_parent);
  if (HWND window = GetHwnd(); window && !IsWindowVisible(window)) ShowWindow(window, SW_SHOW);
}

void CFindProgressDlg::Hide() {
  if (HWND window = GetHwnd()) ShowWindow(window, SW_HIDE);
}

void CFindProgressDlg::ShowNodeText(std::u16string_view text) {
  HWND window = GetHwnd();
  if (!window) return;
  // Painting every node tested would cost the search far more than its reading: the
  // text is shown a few times a second, which is all the eye can follow.
  DWORD now = GetTickCount();
  if (m_shownOnce && now - m_lastShown < kShowInterval) return;
  m_shownOnce = true;
  m_lastShown = now;
  std::u16string copy(text);
  SetDlgItemTextW(window, IDC_FIND_NODE_TEXT, copy.c_str());
  UpdateWindow(window);
}

bool CFindProgressDlg::Cancelled() {
  // A handler reached through the pump must not pump again (messages would run nested).
  if (m_pumping) return m_cancelled;
  m_pumping = true;
  PumpPendingMessages([this] { return GetHwnd(); }, [this] { return m_cancelled; });
  m_pumping = false;
  return m_cancelled;
}

void CFindProgressDlg::Destroy() {
  if (HWND window = GetHwnd()) DestroyWindow(window);
}

INT_PTR CFindProgressDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    m_cancelled = true;
    return TRUE;
  }
  return FALSE;
}
