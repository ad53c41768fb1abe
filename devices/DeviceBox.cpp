#include "devices/DeviceBox.h"

#include "core/ResourceText.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/platform.h"
#include "resources/resource_ids.h"

namespace {
INT_PTR DeviceBoxProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
}  // namespace

CDeviceBox::CDeviceBox(HWND parent, LPCWSTR text, int steps) {
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  m_window = CreateDialogParamW(GetResourceInstance(), MAKEINTRESOURCEW(IDD_DEVICE_BOX), parent, DeviceBoxProc, 0);
  if (!m_window) return;
  SetDlgItemTextW(m_window, IDC_DEVICE_BOX_TEXT, text);
  SendDlgItemMessageW(m_window, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, steps));
  SendDlgItemMessageW(m_window, IDC_PROGRESS_BAR, PBM_SETSTEP, 1, 0);
  // In the middle of the screen, where the eye is while the device starts.
  RECT place;
  GetWindowRect(m_window, &place);
  SetWindowPos(m_window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (place.right - place.left)) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - (place.bottom - place.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(m_window, SW_SHOW);
  UpdateWindow(m_window);
}

CDeviceBox::~CDeviceBox() {
  if (m_window) DestroyWindow(m_window);
}

void CDeviceBox::Step() {
  if (!m_window) return;
  SendDlgItemMessageW(m_window, IDC_PROGRESS_BAR, PBM_STEPIT, 0, 0);
  UpdateWindow(m_window);
}
