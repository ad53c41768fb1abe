#include "core/DatePickerDlg.h"

#include "core/Help.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/kernel/Clock.h"
#include "resources/resource_ids.h"

namespace {
// The margin the calendar gets around its smallest size.
constexpr int kCalendarMargin = 6;
constexpr int kHelpTopic = 0;
}  // namespace

CDatePickerDlg::CDatePickerDlg(HINSTANCE resources, HWND parent, DWORD context, const CBstr& dateText)
    : m_resources(resources), m_parent(parent), m_context(context) {
  if (dateText.IsEmpty()) {
    GetLocalTime(&m_date);
  } else {
    ParseDateText(dateText.view(), m_date);
  }
}

INT_PTR CDatePickerDlg::DoModal() {
  // The calendar's class must exist before the template can be made.
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_DATE_CLASSES};
  InitCommonControlsEx(&classes);
  INT_PTR result = CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_DATE_PICKER), m_parent);
  return result == 1 ? 1 : 0;
}

void CDatePickerDlg::OnInitDialog() {
  HWND dialog = GetHwnd();
  HWND calendar = GetDlgItem(dialog, IDC_DATE_CALENDAR);
  RECT least{};
  SendMessageW(calendar, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&least));
  int width = least.right - least.left + kCalendarMargin;
  int height = least.bottom - least.top + kCalendarMargin;
  RECT place{};
  GetWindowRect(calendar, &place);
  MoveWindow(dialog, place.left, place.top, width, height, FALSE);
  MoveWindow(calendar, 0, 0, width, height, FALSE);
  SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&m_date));
}

INT_PTR CDatePickerDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      // One tap on a day chooses it.
      if (header && header->idFrom == IDC_DATE_CALENDAR && header->code == MCN_SELECT) {
        PostMessageW(GetHwnd(), WM_COMMAND, IDOK, 0);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        SYSTEMTIME chosen{};
        if (SendMessageW(GetDlgItem(GetHwnd(), IDC_DATE_CALENDAR), MCM_GETCURSEL, 0,
                         reinterpret_cast<LPARAM>(&chosen))) {
          m_date = chosen;
        }
        m_dateText = FormatShortDate(m_date);
        EndDialog(GetHwnd(), 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(GetHwnd(), 0);
        return TRUE;
      }
      return FALSE;
    case WM_HELP:
      ShowHelp(kHelpTopic);
      return TRUE;
    default:
      return FALSE;
  }
}
