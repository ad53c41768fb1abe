#include "customers/SheetFrame.h"

#include <algorithm>
#include <string>

#include "core/DialogTitleBar.h"
#include "core/UiMetrics.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "resources/resource_ids.h"

namespace {
constexpr int kMenuBarMetric = 11;
constexpr int kTabRowMetric = 48;
constexpr DWORD kTabStyle = 0x54000002;  // child, visible, clipped, tabs along the bottom
}  // namespace

HFONT InitSheetDialog(HINSTANCE resources, HWND dialog, LPCWSTR heading, SheetFrame& frame) {
  return SetUpTitleRowDialog(resources, dialog, IDC_DIALOG_HEADING, &frame.okButton, &frame.cancelButton, heading);
}

HWND CreateSheetTabs(HWND dialog) {
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
  InitCommonControlsEx(&classes);
  return CreateWindowExW(0, WC_TABCONTROLW, u"", kTabStyle, 0, GetUiMetric(kMenuBarMetric), 10, 10, dialog,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TAB_CONTROL)), nullptr, nullptr);
}

void AddSheetTab(HWND tabs, int index, const char16_t* text, HWND page) {
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  std::u16string label = text;
  item.pszText = label.data();
  item.lParam = reinterpret_cast<LPARAM>(page);
  SendMessageW(tabs, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
}

void ShowSheetPage(HWND tabs, std::span<const HWND> pages, int shown) {
  SendMessageW(tabs, TCM_SETCURSEL, shown, 0);
  for (size_t n = 0; n < pages.size(); ++n) {
    if (pages[n]) ShowWindow(pages[n], static_cast<int>(n) == shown ? SW_SHOW : SW_HIDE);
  }
}

void LayOutSheet(HWND dialog, const SheetFrame& frame, std::span<const HWND> pages) {
  if (!frame.tabs) return;
  RECT area{};
  GetClientRect(dialog, &area);
  SIPINFO sip;
  if (SystemParametersInfoW(SPI_GETSIPINFO, sizeof(sip), &sip, 0) && (sip.fdwFlags & SIPF_ON))
    area.bottom = std::min(area.bottom, sip.rcVisibleDesktop.bottom - sip.rcVisibleDesktop.top);
  int top = GetUiMetric(kMenuBarMetric);
  MoveWindow(frame.tabs, 0, top, area.right, std::max<int>(area.bottom - top, 0), TRUE);
  MoveDialogTitleButtons(frame.okButton, frame.cancelButton, area.right);
  // The pages live inside the tab control, over all but its row of tabs.
  RECT tabArea{};
  GetClientRect(frame.tabs, &tabArea);
  int height = std::max<int>(tabArea.bottom - GetUiMetric(kTabRowMetric), 0);
  for (HWND page : pages) {
    if (page) MoveWindow(page, 0, 0, tabArea.right, height, TRUE);
  }
}

bool HandleSheetLook(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  return HandleTitleRowDrawing(msg, wParam, lParam, IDC_DIALOG_HEADING, result);
}
