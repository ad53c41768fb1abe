#include "customers/PrinterSettingsDlg.h"

#include "core/DialogTitleBar.h"
#include "core/MessageBoxes.h"
#include "core/TextHelpers.h"
#include "customers/PrinterSettings.h"
#include "customers/SheetFrame.h"
#include "devices/PrintEngine.h"
#include "platform/module/Module.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"
#include "platform/user/Controls.h"
#include "resources/resource_ids.h"

namespace {

struct ComboList {
  int id;
  std::vector<std::u16string> (*entries)();
  int PrinterChoice::*choice;
};
constexpr ComboList kCombos[] = {
    {IDC_PRINTER_MODEL, &CPrinterSettings::PrinterNames, &PrinterChoice::printer},
    {IDC_PRINTER_PAPER, &CPrinterSettings::PaperTypes, &PrinterChoice::paperType},
    {IDC_PRINTER_PORT, &CPrinterSettings::PortNames, &PrinterChoice::port},
    {IDC_PRINT_ITEMS_USING, &CPrinterSettings::ItemsUsingChoices, &PrinterChoice::itemsUsing},
    {IDC_PRINT_COPIES, &CPrinterSettings::CopiesChoices, &PrinterChoice::copies},
    {IDC_PRINT_TEXT_SIZE, &CPrinterSettings::TextSizes, &PrinterChoice::textSize},
    {IDC_PRINT_NOTES_SIZE, &CPrinterSettings::TextSizes, &PrinterChoice::notesTextSize},
};

}  // namespace

CPrinterSettingsDlg::CPrinterSettingsDlg(HINSTANCE resources, HWND parent, CPrintEngine* engine)
    : m_resources(resources), m_parent(parent), m_engine(engine) {}

UINT CPrinterSettingsDlg::TemplateForScreen() {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  if (width > height) return IDD_PRINTER_SETTINGS_LANDSCAPE;
  return width == height ? IDD_PRINTER_SETTINGS_SQUARE : IDD_PRINTER_SETTINGS;
}

INT_PTR CPrinterSettingsDlg::DoModal() {
  INT_PTR result = CDialogObject::DoModal(m_resources, MAKEINTRESOURCEW(TemplateForScreen()), m_parent);
  m_headingFont.reset();
  return result == kSaved ? kSaved : kNotSaved;
}

void CPrinterSettingsDlg::OnInitDialog() {
  HWND dialog = GetHwnd();
  SheetFrame frame;
  m_headingFont.reset(InitSheetDialog(m_resources, dialog, nullptr, frame));
  PrinterChoice stored = CPrinterSettings::Load();
  for (const ComboList& combo : kCombos) {
    HWND box = GetDlgItem(dialog, combo.id);
    const std::vector<std::u16string> entries = combo.entries();
    for (size_t i = 0; i < entries.size(); ++i) {
      auto at = SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entries[i].c_str()));
      SendMessageW(box, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(i));
    }
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(stored.*combo.choice), 0);
  }
}

bool CPrinterSettingsDlg::SaveSettings() {
  PrinterChoice choice;
  for (const ComboList& combo : kCombos) {
    HWND box = GetDlgItem(GetHwnd(), combo.id);
    auto selected = SendMessageW(box, CB_GETCURSEL, 0, 0);
    choice.*combo.choice =
        selected < 0 ? -1 : static_cast<int>(SendMessageW(box, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
  }
  platform::CRegistryBatch batch;
  const std::u16string missing = CPrinterSettings::Save(choice);
  const bool written = batch.End() == ERROR_SUCCESS;
  if (!missing.empty()) {
    ShowRequiredFieldMessage(GetHwnd(), missing);
    return false;
  }
  // Settings the device could not write would be gone at the next print: the dialog stays,
  // so the user can try again once there is room, or cancel.
  if (!written) {
    ShowWarningMessage(GetHwnd(), IDS_CUSTOMIZE_NOT_SAVED);
    return false;
  }
  return true;
}

INT_PTR CPrinterSettingsDlg::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case kTitleOkButtonId:
          if (SaveSettings()) EndDialog(GetHwnd(), kSaved);
          return TRUE;
        case IDCANCEL:
          EndDialog(GetHwnd(), kNotSaved);
          return TRUE;
        case IDC_PRINTER_TEST:
          // A refused save keeps the dialog open; the test prints with what was saved.
          if (!SaveSettings()) return TRUE;
          m_testPassed = m_engine && m_engine->RunEngineCheck();
          EndDialog(GetHwnd(), m_testPassed ? kSaved : kNotSaved);
          return TRUE;
        default:
          return FALSE;
      }
    default: {
      INT_PTR result = FALSE;
      HandleSheetLook(msg, wParam, lParam, result);
      return result;
    }
  }
}
