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
  m_headingFont.reset(SetUpTitleRowDialog(m_resources, dialog, IDC_DIALOG_HEADING, &m_okButton, &m_cancelButton));
  for (const BoxFlag& box : kBoxes) CheckDlgButton(dialog, box.id, this->*box.flag ? BST_CHECKED : BST_UNCHECKED);
}

void CDocOptionsDlg::FitToScreen() { FitTitleRowDialog(GetHwnd(), m_parent, m_okButton, m_cancelButton); }

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
    default: {
      INT_PTR result = FALSE;
      HandleTitleRowDrawing(msg, wParam, lParam, IDC_DIALOG_HEADING, result);
      return result;
    }
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
  // A prompt that could not be shown overwrites nothing and stops nothing.
  return answer == kYes || answer == kCancel ? answer : kNo;
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
        EndDialog(GetHwnd(), kCancel);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}
