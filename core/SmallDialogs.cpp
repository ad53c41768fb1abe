#include "core/SmallDialogs.h"

#include "core/DialogTitleBar.h"
#include "core/Help.h"
#include "core/MenuBar.h"
#include "core/Preferences.h"
#include "core/UiMetrics.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "resources/resource_ids.h"

namespace {
constexpr int kDocOptionsHelpTopic = 6;
// The top bar's height among the interface metrics.
constexpr int kTopBarMetric = 11;
constexpr COLORREF kHeadingColour = 0x9C0000;  // dark blue
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct BoxFlag {
  int id;
  bool CDocOptionsDlg::*flag;
};
constexpr BoxFlag kBoxes[] = {
    {IDC_DOC_TO_PRINT, &CDocOptionsDlg::toBePrinted},
    {IDC_DOC_TO_EMAIL, &CDocOptionsDlg::toBeEmailed},
    {IDC_DOC_INCLUDES_TAX, &CDocOptionsDlg::amountIncludesTax},
    {IDC_DOC_REMOVE_ZERO_QTY, &CDocOptionsDlg::removeZeroQuantity},
};
}  // namespace

// ---- CDocOptionsDlg ---------------------------------------------------------------------

CDocOptionsDlg::CDocOptionsDlg(HINSTANCE resources, HWND parent, bool toBePrinted, bool toBeEmailed,
                               bool amountIncludesTax, bool removeZeroQuantity)
    : toBePrinted(toBePrinted),
      toBeEmailed(toBeEmailed),
      amountIncludesTax(amountIncludesTax),
      removeZeroQuantity(removeZeroQuantity),
      m_resources(resources),
      m_parent(parent) {}

INT_PTR CDocOptionsDlg::DoModal() {
  INT_PTR result = CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_DOC_OPTIONS), m_parent);
  m_headingFont.reset();
  return result == 1 ? 1 : 0;
}

void CDocOptionsDlg::OnInitDialog() {
  HWND dialog = GetHwnd();
  SHINITDLGINFO full;
  full.dwMask = SHIDIM_FLAGS;
  full.hDlg = dialog;
  full.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN;
  SHInitDialog(&full);
  SHDoneButton(dialog, SHDB_HIDE);
  SetWindowLongW(dialog, GWL_STYLE, GetWindowLongW(dialog, GWL_STYLE) | WS_TABSTOP);
  CreateEmptyMenuBar(dialog);
  m_headingFont.reset(
      CreateDialogTitleBar(m_resources, dialog, IDC_DIALOG_HEADING, &m_okButton, &m_cancelButton, nullptr, 0));
  for (const BoxFlag& box : kBoxes) CheckDlgButton(dialog, box.id, this->*box.flag ? BST_CHECKED : BST_UNCHECKED);
}

void CDocOptionsDlg::FitToScreen() {
  HWND dialog = GetHwnd();
  RECT area{};
  SIPINFO sip;
  if (SystemParametersInfoW(SPI_GETSIPINFO, sizeof(sip), &sip, 0) && (sip.fdwFlags & SIPF_ON)) {
    area = sip.rcVisibleDesktop;
  } else {
    GetClientRect(m_parent ? m_parent : dialog, &area);
  }
  MoveWindow(dialog, 0, GetUiMetric(kTopBarMetric), area.right - area.left, area.bottom - area.top, TRUE);
  MoveDialogTitleButtons(m_okButton, m_cancelButton, area.right - area.left);
}

INT_PTR CDocOptionsDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == IDOK || id == kTitleOkButtonId) {
        for (const BoxFlag& box : kBoxes) this->*box.flag = IsDlgButtonChecked(GetHwnd(), box.id) == BST_CHECKED;
        EndDialog(GetHwnd(), 1);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(GetHwnd(), 0);
        return TRUE;
      }
      return FALSE;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SHSipPreference(GetHwnd(), SIP_UP);
      return FALSE;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETSIPINFO) FitToScreen();
      return FALSE;
    case WM_HELP:
      ShowHelp(kDocOptionsHelpTopic);
      return TRUE;
    case WM_DRAWITEM:
      DrawDialogTitleButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, kWhite);
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_DIALOG_HEADING) SetTextColor(dc, kHeadingColour);
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    }
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    default:
      return FALSE;
  }
}

// ---- COverwritePromptDlg ----------------------------------------------------------------

COverwritePromptDlg::COverwritePromptDlg(HINSTANCE resources, HWND parent)
    : m_resources(resources), m_parent(parent) {}

std::u16string COverwritePromptDlg::QuestionText(std::u16string_view name, bool importMode) {
  std::u16string quoted = u"'" + std::u16string(name) + u"'";
  if (!importMode) return quoted + u" has been modified.  Overwrite it?";
  return u"Customer " + quoted +
         (CPreferences::UseOutlook() ? u" exists in the Contacts List. Overwrite it?"
                                     : u" exists in the DedadErude Customer List. Overwrite it?");
}

INT_PTR COverwritePromptDlg::DoModal(const CBstr& name, bool importMode) {
  if (m_yesToAll) return kYes;
  if (m_noToAll) return kNo;
  m_question = QuestionText(name.view(), importMode);
  INT_PTR answer = CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_OVERWRITE_PROMPT), m_parent);
  return answer == kYes ? kYes : kNo;
}

INT_PTR COverwritePromptDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      SetDlgItemTextW(GetHwnd(), IDC_OVERWRITE_TEXT, m_question.c_str());
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == kYes || id == kNo) {
        if (IsDlgButtonChecked(GetHwnd(), IDC_OVERWRITE_ALL) == BST_CHECKED) (id == kYes ? m_yesToAll : m_noToAll) = true;
        EndDialog(GetHwnd(), id);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(GetHwnd(), kNo);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}
