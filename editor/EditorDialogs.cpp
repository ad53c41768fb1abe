#include "editor/EditorDialogs.h"

#include "core/DialogTitleBar.h"
#include "core/Help.h"
#include "core/MenuBar.h"
#include "core/Preferences.h"
#include "core/UiMetrics.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "resources/resource_ids.h"

namespace {
constexpr int kMemorizeHelpTopic = 6;
constexpr int kNameLimit = 40;
constexpr int kNameReadLimit = 80;
}  // namespace

// ---- CSaveChangesDlg ------------------------------------------------------------------

INT_PTR CSaveChangesDlg::DoModal() {
  INT_PTR answer = CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_SAVE_CHANGES), m_owner);
  // A dialog that could not be shown changes nothing.
  return answer == kSave || answer == kDiscard || answer == kSaveAs ? answer : kCancel;
}

INT_PTR CSaveChangesDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      SHINITDLGINFO info;
      info.dwMask = SHIDIM_FLAGS;
      info.hDlg = GetHwnd();
      info.dwFlags = SHIDIF_SIPDOWN;
      SHInitDialog(&info);
      return TRUE;
    }
    case WM_COMMAND: {
      INT_PTR id = LOWORD(wParam);
      if (id != kSave && id != kDiscard && id != kSaveAs && id != kCancel) return FALSE;
      EndDialog(GetHwnd(), id);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

// ---- CMemorizeDlg ---------------------------------------------------------------------

CMemorizeDlg::CMemorizeDlg(HINSTANCE resources, HWND owner, std::u16string proposedName)
    : name(std::move(proposedName)),
      clearQuantities(CPreferences().Get(pref::kClearTemplateQtys) != 0),
      m_resources(resources),
      m_owner(owner) {}

INT_PTR CMemorizeDlg::DoModal() {
  INT_PTR result = CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(IDD_MEMORIZE), m_owner);
  m_headingFont.reset();
  return result == 1 ? 1 : 0;
}

void CMemorizeDlg::OnInitDialog() {
  HWND dialog = GetHwnd();
  m_headingFont.reset(SetUpTitleRowDialog(m_resources, dialog, IDC_DIALOG_HEADING, &m_okButton, &m_cancelButton));
  HWND edit = GetDlgItem(dialog, IDC_MEMORIZE_NAME);
  SendMessageW(edit, EM_LIMITTEXT, kNameLimit, 0);
  SetWindowTextW(edit, name.c_str());
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SetFocus(edit);
  UINT check = clearQuantities ? BST_CHECKED : BST_UNCHECKED;
  CheckDlgButton(dialog, IDC_MEMORIZE_CLEAR_QTYS, check);
  CheckDlgButton(dialog, IDC_MEMORIZE_SECOND, check);
}

void CMemorizeDlg::FitToScreen() { FitTitleRowDialog(GetHwnd(), m_owner, m_okButton, m_cancelButton); }

INT_PTR CMemorizeDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND dialog = GetHwnd();
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return FALSE;  // the focus is on the name
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == IDOK || id == kTitleOkButtonId) {
        WCHAR buffer[kNameReadLimit + 1] = {};
        GetDlgItemTextW(dialog, IDC_MEMORIZE_NAME, buffer, kNameReadLimit + 1);
        name = buffer;
        clearQuantities = IsDlgButtonChecked(dialog, IDC_MEMORIZE_CLEAR_QTYS) == BST_CHECKED;
        secondOption = IsDlgButtonChecked(dialog, IDC_MEMORIZE_SECOND) == BST_CHECKED;
        CPreferences().Set(pref::kClearTemplateQtys, clearQuantities ? 1 : 0);
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      return FALSE;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SHSipPreference(dialog, SIP_UP);
      return FALSE;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETSIPINFO) FitToScreen();
      return FALSE;
    case WM_HELP:
      ShowHelp(kMemorizeHelpTopic);
      return TRUE;
    default: {
      INT_PTR result = FALSE;
      HandleTitleRowDrawing(msg, wParam, lParam, IDC_DIALOG_HEADING, result);
      return result;
    }
  }
}
