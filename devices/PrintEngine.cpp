// Connecting the printing engines and starting jobs.
#include "devices/PrintEngine.h"

#include "core/CompanyInfo.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ProgressWnd.h"
#include "core/ResourceText.h"
#include "devices/PrintLayout.h"
#include "platform/base/Base.h"
#include "platform/user/Cursor.h"
#include "resources/resource_ids.h"

CPrintEngine::CPrintEngine(HWND owner) : m_owner(owner) {}

CPrintEngine::~CPrintEngine() {
  EndJobProgress();
  DisconnectTextEngine();
  DisconnectPrinter();
}

// Every failed step releases what it created, so a later attempt starts clean instead of
// leaving an unusable engine held.
template <class T>
bool CPrintEngine::Connect(LPCWSTR progId, const IID& iid, T*& engine, bool showErrors) {
  CLSID clsid{};
  HRESULT hr = CLSIDFromProgID(progId, &clsid);
  if (FAILED(hr)) {
    if (showErrors) ShowErrorResValue(m_owner, IDS_PRINT_ENGINE_NOT_REGISTERED, static_cast<DWORD>(hr));
    return false;
  }
  void* object = nullptr;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, iid, &object);
  if (FAILED(hr) || !object) {
    if (showErrors) ShowErrorResValue(m_owner, IDS_PRINT_ENGINE_NOT_CREATED, static_cast<DWORD>(hr));
    return false;
  }
  T* created = static_cast<T*>(object);
  LONG version = 0;
  created->GetVersion(&version);
  if (version < kMinimumPrintEngineVersion) {
    created->Release();
    if (showErrors) {
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      MessageBoxFromResource(m_owner, IDS_PRINT_ENGINE_TOO_OLD, kStyleWarning);
    }
    return false;
  }
  engine = created;
  return true;
}

bool CPrintEngine::ConnectPrinter(bool showErrors) {
  if (m_printerConnected) return true;
  if (!Connect(kPrinterCEProgId, IID_IPrinterCE, m_printer, showErrors)) return false;
  m_printerConnected = true;
  return true;
}

void CPrintEngine::DisconnectPrinter() {
  if (m_printer) m_printer->Release();
  m_printer = nullptr;
  m_printerConnected = false;
}

void CPrintEngine::ReadPrinterChoice() {
  CPreferences preferences;
  m_printerId = static_cast<int>(preferences.Get(pref::kPrinterId));
  m_portId = static_cast<int>(preferences.Get(pref::kPrinterPortId));
}

bool CPrintEngine::ConnectTextEngine(bool showErrors) {
  if (m_textConnected) return true;
  if (!Connect(kAsciiCEProgId, IID_IAsciiCE, m_textEngine, showErrors)) return false;
  m_textEngine->SetMode(2);
  ReadPrinterChoice();
  LONG result = 0;
  m_textEngine->OpenPort(m_portId, -1, 0, 512, &result);
  if (result != -1) {
    m_textEngine->Release();
    m_textEngine = nullptr;
    return false;
  }
  m_textConnected = true;
  return true;
}

void CPrintEngine::DisconnectTextEngine() {
  if (m_textEngine) {
    m_textEngine->ClosePort();
    m_textEngine->Release();
  }
  m_textEngine = nullptr;
  m_textConnected = false;
}

bool CPrintEngine::RunEngineCheck() {
  if (!ConnectPrinter(true)) return false;
  m_printer->TestPrint();
  LONG status = -1;
  m_printer->GetStatus(&status);
  return status == kPrinterReady;
}

// A printer that is ready (0) or still busy with the last job (1) may take a job.
bool CPrintEngine::CheckReady(bool showErrors) {
  LONG status = 0;
  m_printer->GetStatus(&status);
  if (status == kPrinterReady || status == kPrinterBusy) return true;
  if (showErrors) ShowErrorResValue(m_owner, IDS_PRINTER_NOT_READY, static_cast<DWORD>(status));
  return false;
}

void CPrintEngine::SelectPrinterAndUnits() {
  ReadPrinterChoice();
  LONG result = 0;
  m_printer->SelectPrinter(m_printerId, m_portId, -1, &result);
  m_printer->SetScaleMode(5);
  // Lengths are inches from here on; every job starts with the thinnest pen, not with a
  // width an earlier job left on the engine.
  m_printer->SetLineWidth(0);
  m_paperType0 = CPreferences().Get(pref::kPrinterPaperType) == 0;
}

bool CPrintEngine::BeginDocument(bool skipPageSetup, std::u16string_view title) {
  m_copy = 1;
  return OpenJob(skipPageSetup, title, 0.5f, true);
}

bool CPrintEngine::OpenJob(bool skipPageSetup, std::u16string_view title, float feed, bool setUpOnlyWhenReady) {
  m_skipPageSetup = skipPageSetup;
  m_pageSetUp = false;
  m_copyCount = static_cast<int>(CPreferences().Get(pref::kPrintNumCopies)) + 1;
  if (!ConnectPrinter(true) || !CheckReady(true)) return false;
  ShowJobProgress(1, m_copyCount, title);
  SelectPrinterAndUnits();
  LONG status = 0;
  m_printer->GetStatus(&status);
  if ((status == kPrinterReady || !setUpOnlyWhenReady) && !skipPageSetup && m_paperType0) {
    m_printer->GetTopOffset(&m_keptTopOffset);
    m_printer->GetLeftOffset(&m_keptLeftOffset);
    LONG result = 0;
    m_printer->SetupPage(2, feed, 2, 0, 0, 1, 0, 0, &result);
    m_printer->SetTopOffset(0);
    m_printer->SetLeftOffset(0);
    m_pageSetUp = true;
  }
  return true;
}

void CPrintEngine::EndPageSetup() {
  if (!m_pageSetUp || !m_printer) return;
  m_pageSetUp = false;
  LONG result = 0;
  m_printer->SetupPage(2, 1.0f, 2, 0, 0, 1, 0, 0, &result);
  m_printer->SetTopOffset(m_keptTopOffset);
  m_printer->SetLeftOffset(m_keptLeftOffset);
  m_printer->SetupPage(0, 0, 2, 0, 0, 1, 0, 0, &result);
}

void CPrintEngine::ShowJobProgress(int copy, int copies, std::u16string_view title) {
  m_text = title;
  if (copies < 2) {
    m_text += u"...";
  } else {
    m_text += u" " + platform::ToUtf16(std::to_string(copy)) + u" of " + platform::ToUtf16(std::to_string(copies));
  }
  if (m_printer) m_printer->ShowStatus(m_text, u"Slateway", u"Abort");
  if (!m_progress) {
    m_progress = std::make_unique<CProgressWnd>(GetResourceInstance(), m_owner, m_owner);
    m_progress->Show(CBstr(u"Slateway"), true);
  }
  if (!m_progress->SetStatus(CBstr(m_text)) && m_printer) m_printer->AbortJob();
}

bool CPrintEngine::CheckJobProgress() {
  if (m_progress && m_progress->PumpMessages() && m_printer) m_printer->AbortJob();
  LONG status = -1;
  if (m_printer) m_printer->GetStatus(&status);
  return status == kPrinterReady;
}

void CPrintEngine::EndJobProgress() {
  // A job whose file could not be written (Printer Output full) would end without a word.
  const bool jobShown = m_progress != nullptr;
  m_progress.reset();
  LONG status = -1;
  if (jobShown && m_printer) m_printer->GetStatus(&status);
  if (status == kPrinterOutputFailed) ShowWarningMessage(m_owner, IDS_PRINT_OUTPUT_NOT_SAVED);
}
