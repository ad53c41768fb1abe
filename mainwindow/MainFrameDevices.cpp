// The main window's devices: the bar-code scanner and the card reader the Preferences
// name (made at start-up, given to the editor, let go before the handheld sleeps), the
// printer a document is printed on, and the device's contact chooser.
#include <memory>
#include <string>

#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/HardwareButton.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/WindowMessages.h"
#include "customers/PrinterSettingsDlg.h"
#include "datastore/CustomerRecord.h"
#include "devices/InputDevice.h"
#include "devices/PrintEngine.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "document/EditCommand.h"
#include "editor/SelectCustomerCommand.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/PowerNotifications.h"
#include "mainwindow/RegisterList.h"
#include "platform/pim/Pim.h"

namespace {

constexpr char16_t kPrintSignature[] = u"KTWPrintSignature.bmp";
constexpr char16_t kChooserNext[] =
    u". On the next attempt, Slateway will display your Contacts using it's own dialog.";

// Socket and Grabba scanners are triggered by a hardware button the program takes over.
bool HasButtonTrigger(const CInputDevice* scanner) {
  return scanner && (scanner->GetKind() == kDeviceSocketScanner || scanner->GetKind() == kDeviceGrabbaScanner);
}

std::u16string TriggerButton() {
  return CPreferences().Get(pref::kButton1);
}

}  // namespace

// ---- Scanner and card reader -----------------------------------------------------------------

void CMainFrame::CreateInputDevices() {
  m_hardwareButton = std::make_unique<CHardwareButton>();
  const std::u16string scannerMake = m_preferences->Get(pref::kScannerMake);
  const std::u16string readerMake = m_preferences->Get(pref::kMagReaderMake);
  m_scanner = CreateScannerDriver(scannerMake, m_instance, m_hwnd, CPreferences::Continuous() ? 1 : 0,
                                  CPreferences::QtyPrompt() ? 1 : 0);
  m_cardReader = CreateCardReaderDriver(readerMake, m_instance, m_hwnd);
}

void CMainFrame::StartScanner() {
  if (!m_scanner) return;
  if (m_scanner->GetKind() == kDeviceSymbolScanner) {
    m_scanner->Load();
    return;
  }
  const std::u16string button = TriggerButton();
  if (!HasButtonTrigger(m_scanner.get()) || button.empty()) return;
  m_hardwareButton->BindButton(m_hwnd, CBstr(button), false);
  if (m_scanner->Load()) m_scanner->Open(m_hwnd);
}

void CMainFrame::OnScannerChanged(CInputDevice*) {
  // The dialog put the new driver (or none) into the program's slot and deleted the old
  // one; the slot is what the editor gets, never a pointer it was merely told about.
  if (m_editor) m_editor->SetScanner(m_scanner.get());
  // A Socket scanner chosen now needs the power watch as much as one found at start-up.
  if (!m_power) StartPowerNotifications();
}

void CMainFrame::OnPowerTransition(DWORD state) {
  if (!m_scanner) return;
  const bool socket = m_scanner->GetKind() == kDeviceSocketScanner;
  if (state == POWER_STATE_ON) {
    if (!socket) PostMessageW(m_hwnd, kMsgResumed, 0, 0);
  } else if (state == POWER_STATE_SUSPEND) {
    m_scanner->Release();
    m_scanner->Close(1);
    if (!socket) m_scanner->Unload();
  }
}

void CMainFrame::OnScannerDeactivate() {
  if (!HasButtonTrigger(m_scanner.get()) || !IsEditorInFront()) return;
  m_hardwareButton->BindButton(m_hwnd, CBstr(TriggerButton()), true);
  m_scanner->Release();
}

void CMainFrame::OnScanButton(LPARAM keys) {
  // The press starts the scan; its release comes as a second hot key and does nothing.
  if (LOWORD(keys) & MOD_KEYUP) return;
  // A scan becomes a line of the document being edited: the register has no page for it.
  if (!m_scanner || !IsEditorInFront()) return;
  if (m_scanner->Load() && m_scanner->Open(m_editor->GetWindow())) m_scanner->Trigger(1);
}

void CMainFrame::OnScannerActivate() {
  const std::u16string button = TriggerButton();
  if (HasButtonTrigger(m_scanner.get()) && !button.empty()) m_hardwareButton->BindButton(m_hwnd, CBstr(button), false);
}

// ---- Printing -----------------------------------------------------------------------------------

bool CMainFrame::PrintDocument(CSalesDocument* document, HWND owner, bool alwaysAsk) {
  if (!document) return false;
  // The printout shows the saved document; a row's document printed on its own is not
  // the editor's and stays as its file is.
  if (m_editor && document == &m_editor->GetDocument()) document->Save();
  if (!m_printEngine) m_printEngine = std::make_unique<CPrintEngine>(m_hwnd);
  if (!m_printEngine->ConnectPrinter(false)) {
    m_printEngine->DisconnectPrinter();
    m_printEngine->ConnectPrinter(false);
  }
  bool ask = alwaysAsk;
  if (!ask) {
    const std::u16string name = m_preferences->Get(pref::kPrinterName);
    const std::u16string port = m_preferences->Get(pref::kPrinterPort);
    ask = name.empty() || port.empty();
  }
  if (ask) {
    CPrinterSettingsDlg dialog(GetResourceInstance(), owner, m_printEngine.get());
    if (dialog.DoModal() == CPrinterSettingsDlg::kNotSaved) {
      m_printEngine->DisconnectPrinter();
      return false;
    }
  }
  CBstr signature(kPrintSignature);
  GetImageFilePath(signature);
  const bool printed = m_printEngine->PrintDocument(signature.c_str(), m_customSettings.get(), document, false);
  // The signature's picture is drawn for the job alone (when the page shows a signature):
  // the finished page holds it, the image folder keeps nothing of it.
  DeleteFileW(signature.c_str());
  if (printed) document->SetAttribute(u"TOBEPRINTED", CBstr(u"false"));
  m_printEngine->DisconnectPrinter();
  return printed;
}

bool CMainFrame::PrintRow(HWND owner) {
  if (!m_register) return false;
  auto document = OpenRowDocument(m_register->GetSelectionMark());
  return document && PrintDocument(document.get(), owner, true);
}

// ---- Contacts -----------------------------------------------------------------------------------

int CMainFrame::ChooseContact(HWND owner, int mode) {
  CHOOSECONTACT choose;
  choose.hwndOwner = owner;
  choose.dwFlags = 10;
  choose.lpszTitle = mode == 2 ? u"Contacts List" : nullptr;
  const HRESULT result = ::ChooseContact(&choose);
  if (owner) SetForegroundWindow(owner);
  if (FAILED(result)) {
    if (result == E_ABORT) return 1;  // the user cancelled
    std::u16string text = u"ChooseContact failed.  HResult: ";
    text += result == E_INVALIDARG ? std::u16string(u"Invalid Argument") : platform::ToUtf16(std::to_string(result));
    text += kChooserNext;
    if (MessageBoxW(owner, text.c_str(), kProductName, MB_OKCANCEL) == IDOK)
      m_preferences->Set(pref::kUseWm2003Contacts, 1);
    return 1;
  }
  SysFreeString(choose.bstrContactName);
  // Looking through the contacts from the menu chooses nobody for the document the editor
  // holds out of sight.
  if (mode == 2 || !m_editor) return 1;
  auto record = std::make_unique<CContactCustomer>(m_preferences->Get(pref::kUseBusAddress) != 0);
  if (!record->LoadFromOid(m_hwnd, choose.oidContactID)) return 1;
  auto command = std::make_unique<CSelectCustomerCommand>(m_editor->GetDocument(), std::move(record));
  SendEditCommand(m_hwnd, std::move(command));
  return 1;
}
