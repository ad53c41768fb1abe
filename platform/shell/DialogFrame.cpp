#include "platform/shell/DialogFrame.h"

#include <algorithm>

#include "platform/commctrl/CommCtrl.h"
#include "platform/gdi/ScreenSize.h"
#include "platform/shell/Gesture.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "platform/user/Screen.h"
#include "platform/user/TextMeasure.h"

namespace platform::shell {
namespace {

HMENU ControlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// The system font made bold.
HFONT BoldSystemFont() {
  LOGFONTW font;
  if (!GetObjectW(GetStockObject(SYSTEM_FONT), sizeof(font), &font)) return nullptr;
  font.lfWeight = FW_BOLD;
  return CreateFontIndirectW(&font);
}

}  // namespace

INT_PTR RunFrameDialog(HWND owner, DLGPROC proc, LPARAM param) {
  // No caption: the dialog's title shows in its title row (and in the navigation bar).
  struct {
    DLGTEMPLATE head;
    WORD menu = 0, cls = 0, title = 0;
  } templ{{WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, 160, 200}};
  return DialogBoxIndirectParamW(nullptr, &templ.head, owner, proc, param);
}

int DialogFrame::Scale() { return ScreenScale(); }

int DialogFrame::RowHeight() { return std::max(22 * Scale(), platform::user::TextLineHeight(nullptr) + 8); }

int DialogFrame::FieldHeight() { return platform::user::TextLineHeight(nullptr) + 6; }

HWND DialogFrame::Label(HWND dialog, LPCWSTR text, int x, int rowTop, int width) {
  const int line = platform::user::TextLineHeight(nullptr);
  return CreateWindowExW(0, u"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT, x, rowTop + (FieldHeight() - line) / 2,
                         width, line, dialog, nullptr, nullptr, nullptr);
}

void DialogFrame::SetUp(HWND dialog, std::u16string_view title) {
  SHINITDLGINFO init{SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN};
  SHInitDialog(&init);
  SHMENUBARINFO bar;
  bar.hwndParent = dialog;
  bar.dwFlags = SHCMBF_EMPTYBAR;
  SHCreateMenuBar(&bar);
  const std::u16string text(title);
  SetWindowTextW(dialog, text.c_str());

  RECT r;
  GetClientRect(dialog, &r);
  const int s = Scale();
  const int row = RowHeight();
  const int gap = Gap();
  const int button =
      std::max(44 * s, std::max(user::TextWidth(nullptr, u"Cancel"), user::TextWidth(nullptr, u"OK")) + 16 * s);
  const int okLeft = r.right - gap - button;
  const int cancelLeft = okLeft - gap - button;
  CreateWindowExW(0, u"BUTTON", u"Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, cancelLeft, 2 * s, button, row,
                  dialog, ControlId(IDCANCEL), nullptr, nullptr);
  CreateWindowExW(0, u"BUTTON", u"OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, okLeft, 2 * s, button, row, dialog,
                  ControlId(IDOK), nullptr, nullptr);
  m_heading.reset(BoldSystemFont());
  const int line = platform::user::TextLineHeight(m_heading.get());
  HWND heading = CreateWindowExW(0, u"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, gap,
                                 2 * s + std::max(0, (row - line) / 2), std::max(0, cancelLeft - 2 * gap), line, dialog,
                                 nullptr, nullptr, nullptr);
  if (m_heading) SendMessageW(heading, WM_SETFONT, reinterpret_cast<WPARAM>(m_heading.get()), FALSE);
  m_top = row + 4 * s + gap;
}

HWND CreateFrameList(HWND dialog, int id, int x, int y, int width, int height) {
  InitCommonControls();
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, u"",
                              WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER |
                                  LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                              x, y, width, height, dialog, ControlId(id), nullptr, nullptr);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  LVCOLUMNW column;
  column.mask = LVCF_WIDTH;
  column.cx = std::max(0, width - 2 - GetSystemMetrics(SM_CXVSCROLL));
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  platform::NotifyDoubleTaps(list);
  return list;
}

void SetFrameListRows(HWND list, const std::vector<std::u16string>& rows) {
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < rows.size(); ++i) {
    LVITEMW item;
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<LPWSTR>(rows[i].c_str());
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
}

int FrameListSelection(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SelectFrameListRow(HWND list, int row) {
  LVITEMW state;
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
  SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

}  // namespace platform::shell
