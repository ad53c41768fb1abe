#include "mainwindow/MainFrame.h"

#include <algorithm>

#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/HardwareButton.h"
#include "core/Help.h"
#include "core/MenuBar.h"
#include "core/MessageBoxes.h"
#include "core/Parcel.h"
#include "core/Preferences.h"
#include "core/ProgressWnd.h"
#include "core/RegionalSettings.h"
#include "core/RegistryKey.h"
#include "core/ResourceText.h"
#include "core/ScreenResolution.h"
#include "core/TextHelpers.h"
#include "core/UiMetrics.h"
#include "core/Utilities.h"
#include "core/WaitCursor.h"
#include "core/WindowMessages.h"
#include "customers/CustomerDlg.h"
#include "customers/CustomerListWnd.h"
#include "datastore/ContactsSource.h"
#include "datastore/CustomerSource.h"
#include "devices/InputDevice.h"
#include "devices/PrintEngine.h"
#include "datastore/ItemStore.h"
#include "datastore/StoreLists.h"
#include "document/DocumentStartup.h"
#include "document/HtmlView.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "document/SettingsXml.h"
#include "document/StoreDocumentLists.h"
#include "document/XmlDocument.h"
#include "document/EditCommand.h"
#include "editor/ItemListWnd.h"
#include "editor/ItemTreeCommands.h"
#include "listupdate/ListUpdater.h"
#include "listupdate/UpdateFileJournal.h"
#include "mainwindow/HeaderBar.h"
#include "mainwindow/PowerNotifications.h"
#include "platform/registry/Registry.h"
#include "customers/DocumentCustomerScreens.h"
#include "mainwindow/RegisterList.h"
#include "mainwindow/RowActions.h"
#include "platform/kernel/DeviceRoot.h"
#include "reports/Report.h"
#include "reports/ReportView.h"
#include "resources/resource_ids.h"

namespace {

CMainFrame* g_mainFrame = nullptr;
bool g_system5 = false;
bool g_treo = false;

constexpr char16_t kInstalledSettingsFile[] = u"SlatewaySettings.oat";
constexpr char16_t kCloseDuringOperation[] =
    u"A List Update/Conversion is in progress.  Do you want to exit anyway?";
constexpr size_t kMaxDocumentName = 259;

DWORD RootDword(CRegistryKey& key, const WCHAR* name) {
  DWORD value = 0;
  return key.GetDword(name, value) ? value : 0;
}

}  // namespace

CMainFrame* GetMainFrame() { return g_mainFrame; }
bool IsSystem5() { return g_system5; }
bool IsTreoDevice() { return g_treo; }

CMainFrame::CMainFrame(HINSTANCE instance, std::u16string_view commandLine, CCommandProcessor& documentHistory,
                       CCommandProcessor& listHistory)
    : m_instance(instance), m_documentHistory(documentHistory), m_listHistory(listHistory) {
  g_mainFrame = this;
  BeginWaitCursor();
  m_step = StartUp(commandLine);
  EndWaitCursor(true);
  if (m_step != StartupStep::Started) {
    // Nothing half-built stays behind: the process ends without entering its loop.
    DeleteObjects();
    if (m_hwnd) DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
  }
}

CMainFrame::~CMainFrame() {
  if (m_hwnd && IsWindow(m_hwnd)) {
    m_closing = true;
    DeleteObjects();
    DestroyWindow(m_hwnd);
  }
  if (m_comStarted) CoUninitialize();
  if (g_mainFrame == this) g_mainFrame = nullptr;
}

std::u16string CMainFrame::DocumentNameFromCommandLine(std::u16string_view commandLine) {
  const size_t dot = commandLine.find(u'.');
  size_t end = dot == std::u16string_view::npos ? commandLine.size() : std::min(dot + 4, commandLine.size());
  return std::u16string(commandLine.substr(0, std::min(end, kMaxDocumentName)));
}

// ---- Start-up -----------------------------------------------------------------------------------

StartupStep CMainFrame::StartUp(std::u16string_view commandLine) {
  // Saves killed with an earlier run left their temporaries behind.
  platform::RemoveStaleTemporariesUnder(platform::DeviceRoot());
  g_system5 = IsOsVersion5OrLater();
  SetHighResolution(IsHighResolutionScreen());

  if (FAILED(CoInitializeEx(nullptr, 0))) {
    MessageBoxFromResource(nullptr, IDS_COM_INIT_FAILED, 0);
    return StartupStep::ComFailed;
  }
  m_comStarted = true;
  // The graphic printing engine is connected early and quietly; printing tells its own
  // failures when it is asked to print.
  m_printEngine = std::make_unique<CPrintEngine>(nullptr);
  m_printEngine->ConnectPrinter(false);
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof controls;
  controls.dwICC = 0x11F;
  if (!InitCommonControlsEx(&controls)) {
    MessageBoxFromResource(nullptr, IDS_CONTROLS_INIT_FAILED, 0);
    return StartupStep::ControlsFailed;
  }
  m_rootKey = std::make_unique<CRegistryKey>();
  LoadLocaleSettings();
  WCHAR oem[100] = {};
  if (SystemParametersInfoW(SPI_GETOEMINFO, 100, oem, 0))
    g_treo = std::u16string_view(oem).find(u"Treo") != std::u16string_view::npos;

  RegisterWindowClass();
  m_hwnd = CreateWindowExW(0, kMainWindowClass, kMainWindowClass, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, m_instance, nullptr);
  if (!m_hwnd) return StartupStep::WindowFailed;
  CreateMenuBar();

  m_preferences = std::make_unique<CPreferences>();
  g_preferences = m_preferences.get();
  CarryOverInstalledSettings();
  m_customSettings = std::make_unique<CCustomSettings>();
  g_customSettings = m_customSettings.get();
  DWORD value = 0;
  if (m_preferences->Query(pref::kLastShowType, value)) m_showKind = static_cast<int>(value);
  if (m_preferences->Query(pref::kLastSortType, value)) m_sortKind = static_cast<int>(value);
  if (m_preferences->Query(pref::kLastSortDirection, value)) m_ascending = value != 0;
  m_commandLineDocument = DocumentNameFromCommandLine(commandLine);

  m_itemStore = std::make_unique<CItemStore>(m_hwnd);
  CBstr database;
  GetDatabaseFilePath(database, true);
  m_itemStore->Open(database.str());
  if (!m_itemStore->IsOpen()) return StartupStep::DatabaseNotOpen;
  UpgradeDatabase();
  // A list update killed after its commit left its files to remove.
  CUpdateFileJournal::CompleteInterrupted(m_itemStore->Database());

  if (CPreferences::UseOutlook())
    m_customerSource = std::make_unique<CContactsSource>(m_hwnd);
  else
    m_customerSource = std::make_unique<CQBCustomerSource>(m_hwnd, *m_itemStore);
  m_register = std::make_unique<CRegisterList>(m_instance, m_hwnd, m_customerSource.get());
  SetRegisterList(m_register.get());
  if (!m_register->Create(m_sortKind, m_showKind, m_ascending)) return StartupStep::RegisterFailed;
  m_headerBar = std::make_unique<CHeaderBar>(m_instance, *this);
  m_headerBar->Create(m_hwnd);
  // The buttons name the show and sort the register comes back with.
  m_headerBar->SetSortText(m_sortKind);
  m_headerBar->SetShowText(m_showKind);
  CreateNamedLists();
  CreateInputDevices();
  StartPowerNotifications();

  CDocumentServiceHooks hooks;
  hooks.lists = m_documentLists.get();
  hooks.viewFactory = MakeHtmlViewFactory(m_instance);
  InstallDocumentServices(hooks);
  // The editor lives as long as the program, hidden while the register shows.
  m_editor = std::make_unique<CDocumentView>(m_instance, m_hwnd, &m_documentHistory, &m_listHistory, m_itemStore.get(),
                                             m_customSettings.get());
  m_documentHistory.AddListener(m_editor->GetWindow());
  m_editor->SetScanner(m_scanner.get());
  m_editor->SetCardReader(m_cardReader.get());
  // The editor opens the customer screens on its document through these.
  m_documentCustomerScreens =
      std::make_unique<CDocumentCustomerScreens>(GetResourceInstance(), m_itemStore.get(), m_customerSource.get());
  SetDocumentCustomerScreens(m_documentCustomerScreens.get());
  StartItemsList();

  // The last view: a document named on the command line opens in the editor; otherwise the
  // view the program was closed in comes back.
  std::u16string document = m_commandLineDocument;
  const bool named = !document.empty();
  DWORD lastView = 0, lastScroll = 0;
  if (!named) {
    m_preferences->Query(pref::kLastView, lastView);
    m_preferences->Query(pref::kLastScrollPos, lastScroll);
    document = m_preferences->Get(pref::kLastInvoice);
  }
  const bool registerInFront = !named && lastView == 0;
  ShowWindow(m_register->GetHwnd(), SW_SHOW);
  Layout();
  if (registerInFront) UpdateWindow(m_register->GetHwnd());
  m_register->Load(false, registerInFront, {}, m_customSettings.get());
  // A name that names no file has nothing to open, nor anything to move aside: only a
  // name the user gave is worth a word.
  const bool exists = !document.empty() && FileExists(document);
  if (named && !exists) {
    const std::u16string text = u"The document '" + document + u"' could not be found.";
    MessageBoxW(m_hwnd, text.c_str(), kProductName, kStyleWarning);
  }
  const bool opened =
      !registerInFront && exists && OpenLastDocument(document, static_cast<int>(lastScroll), lastView == 2);
  if (!opened) {
    // A stored document that cannot be read is not tried again at the next start.
    if (!named && !document.empty()) m_preferences->Set(pref::kLastInvoice, u"");
    SetFocus(m_register->GetHwnd());
  }
  LoadNewMenuTexts();
  CreateCustomerList();
  StartScanner();
  return StartupStep::Started;
}

bool CMainFrame::RegisterWindowClass() {
  WNDCLASSW wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = &CMainFrame::MainWndProc;
  wc.hInstance = m_instance;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kMainWindowClass;
  return RegisterClassW(&wc) != 0;
}

void CMainFrame::CarryOverInstalledSettings() {
  if (RootDword(*m_rootKey, u"Upgrading") == 0) return;
  CBstr folder;
  GetAppDataFolder(folder, true);
  const std::u16string path = folder.str() + kInstalledSettingsFile;
  m_rootKey->SetDword(u"Upgrading", 0);
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  ImportSettings(m_hwnd, path, true, false);
  m_rootKey->SetDword(u"Upgrading", 0);
}

void CMainFrame::UpgradeDatabase() {
  if (RootDword(*m_rootKey, u"DBConvert4To5") == 0) return;
  // The flag stays set after a failure, so the next start tries the conversion again.
  if (m_itemStore->UpgradeSchema()) {
    m_rootKey->SetDword(u"DBConvert4To5", 0);
  } else {
    MessageBoxFromResource(m_hwnd, IDS_SCHEMA_UPGRADE_FAILED, MB_OK | MB_ICONEXCLAMATION);
  }
}

void CMainFrame::CreateNamedLists() {
  m_lists = std::make_unique<CStoreLists>(m_itemStore.get());
  m_documentLists = std::make_unique<CStoreDocumentLists>(*m_lists);
}

void CMainFrame::LoadNewMenuTexts() {
  CBstr texts[6];
  LoadDocumentTypeMenuTexts(*m_customSettings, texts[0], texts[1], texts[2], texts[3], texts[4], texts[5]);
  for (size_t i = 0; i < m_newTexts.size(); ++i) m_newTexts[i] = texts[i].str();
}

// ---- Lists and settings --------------------------------------------------------------------------

void CMainFrame::LoadLocaleSettings() {
  LoadRegionalSettings();
  if (m_register && m_register->GetHwnd()) InvalidateRect(m_register->GetHwnd(), nullptr, TRUE);
}

// ---- The window -----------------------------------------------------------------------------------

void CMainFrame::CreateMenuBar() {
  if (!m_hwnd) return;
  const bool selected = m_register && m_register->GetSelectionMark() >= 0;
  SHMENUBARINFO bar;
  bar.hwndParent = m_hwnd;
  bar.nToolBarId = IDR_MAIN_MENUBAR;
  bar.hInstRes = GetResourceInstance();
  bar.nBmpId = selected ? IDB_MAIN_MENUBAR_SELECTED : IDB_MAIN_MENUBAR;
  bar.cBmpImages = 1;
  m_menuBar = ::CreateMenuBar(&bar);
  m_rowSelectedForMenuBar = selected;
}

void CMainFrame::Layout() {
  if (!m_hwnd || !m_register || !m_register->GetHwnd()) return;
  const int header = GetUiMetric(11);
  RECT client{};
  GetClientRect(m_hwnd, &client);
  SIPINFO sip;
  int width = client.right - client.left, height = client.bottom - client.top - header;
  if (SystemParametersInfoW(SPI_GETSIPINFO, sizeof sip, &sip, 0) && (sip.fdwFlags & SIPF_ON)) {
    width = sip.rcVisibleDesktop.right - sip.rcVisibleDesktop.left;
    height = sip.rcVisibleDesktop.bottom - sip.rcVisibleDesktop.top;
  }
  if (m_headerBar && m_headerBar->GetHwnd()) MoveWindow(m_headerBar->GetHwnd(), 0, 0, width, header, TRUE);
  // The menu bar lies over the bottom of the client area, one header high.
  MoveWindow(m_register->GetHwnd(), client.left, client.top + header, width, height - header, FALSE);
  m_register->Layout();
  InvalidateRect(m_register->GetHwnd(), nullptr, TRUE);
  // A form over the main window raises and lowers the input panel as it gains and loses
  // the activation; taking the focus back from it here would bounce the two for ever.
  if (GetActiveWindow() == m_hwnd) SetFocus(m_register->GetHwnd());
}

void CMainFrame::ReloadRegister(bool withProgress) {
  if (!m_register) return;
  m_register->SetSelectionMark(-1);
  if (!withProgress) BeginWaitCursor();
  m_register->Reload(false, withProgress, {}, m_customSettings.get());
  if (!withProgress) EndWaitCursor();
}

void CMainFrame::SetProgressWindow(std::unique_ptr<CProgressWnd> progress) { m_progress = std::move(progress); }

LRESULT CMainFrame::OnEditCommand(WPARAM wParam, LPARAM lParam) {
  return HandleEditCommandMessage(m_documentHistory, wParam, lParam);
}

LRESULT CMainFrame::MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CMainFrame* frame = g_mainFrame;
  if (!frame) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (!frame->m_hwnd) frame->m_hwnd = hwnd;  // messages sent while the window is being made
  return frame->HandleMessage(msg, wParam, lParam);
}

LRESULT CMainFrame::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = m_hwnd;
  switch (msg) {
    case WM_DESTROY:
      CParcelDesk::DropFor(m_hwnd);  // what was handed over and never taken
      PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      // Every size change lays the register out again (a desktop window may be resized).
      Layout();
      break;
    case WM_ACTIVATE: OnActivate(wParam); break;
    case WM_SETFOCUS:
      // The register is what the main window shows: the focus handed to the window itself (the
      // editor hidden over it) goes on to the list, which draws its selection only in focus.
      if (m_register && IsWindowVisible(m_register->GetHwnd()) && !IsEditorInFront() && !IsCustomerListVisible())
        SetFocus(m_register->GetHwnd());
      return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_SETTINGCHANGE: OnSettingChange(wParam); break;
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (!measure || measure->CtlID != kRegisterListId || !m_register) return FALSE;
      measure->itemHeight = static_cast<UINT>(m_register->GetRowHeight());
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wParam != kRegisterListId || !m_register || !lParam) return 0;
      m_register->OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_COPYDATA: return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_HELP: ShowHelp(0); return TRUE;
    case WM_KEYUP: OnKeyUp(wParam); break;
    case WM_CHAR:
      if (wParam == 17) {
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return 1;
      }
      break;
    case WM_COMMAND:
      if (OnCommand(LOWORD(wParam))) return 0;
      break;
    case WM_DEVICECHANGE: return OnDeviceChange(wParam, lParam);
    case kMsgEditCommand: return OnEditCommand(wParam, lParam);
    case kMsgReloadRegister: ReloadRegister(wParam != 0); return 0;
    case kMsgNewDocumentStarted:
      if (m_register) m_register->SetSelectionMark(-1);
      m_documentHistory.Clear();
      RememberView();
      return 0;
    case kMsgReloadLists:
      BeginWaitCursor();
      if (m_lists) m_lists->Reload();
      EndWaitCursor();
      return 0;
    case kMsgNewTextsChanged: LoadNewMenuTexts(); return 0;
    case kMsgProgressClosed: m_progress.reset(); return 0;
    case kMsgDocumentAdded: {
      const LRESULT added = OnDocumentAdded(reinterpret_cast<CSalesDocument*>(lParam));
      RememberView();  // a first save, or one under another name
      return added;
    }
    case kMsgExportHtml: return ExportRow(reinterpret_cast<HWND>(wParam), false) ? 1 : 0;
    case kMsgExportCsv: return ExportRow(reinterpret_cast<HWND>(wParam), true) ? 1 : 0;
    case kMsgShutdown: OnShutdownRequest(); return 0;
    case kMsgOpenRow: OpenSelectedDocument(static_cast<int>(wParam)); return 0;
    case kMsgShowReport: {
      // The editor's request carries a copy of its document's path as a parcel.
      const std::unique_ptr<std::u16string> document = CParcelDesk::Redeem<std::u16string>(lParam);
      ShowReport(static_cast<int>(wParam), document ? *document : std::u16string());
      return 0;
    }
    case kMsgPrintReport: return PrintReport(reinterpret_cast<CReport*>(lParam), reinterpret_cast<HWND>(wParam));
    case kMsgSaveReport: return SaveReport(reinterpret_cast<CReport*>(lParam), reinterpret_cast<HWND>(wParam));
    case kMsgEmailReport: return EmailReport(reinterpret_cast<CReport*>(lParam), reinterpret_cast<HWND>(wParam));
    case kMsgReportClosed: m_reportView.reset(); return 0;
    case kMsgRenderDocument:  // items added with the main window as the history's owner
      if (m_editor && m_editor->GetWindow()) SendMessageW(m_editor->GetWindow(), kMsgRenderDocument, wParam, lParam);
      return 0;
    case WM_INITMENUPOPUP: OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam)); return 0;
    case kMsgEmailHtml:
    case kMsgEmailQvn:
    case kMsgDeleteDocument:
    case kMsgDocumentSaved:
    case kMsgNewInvoice:
    case kMsgShowEditor: return OnEditorMessage(msg, wParam, lParam);
    case kMsgChooseCustomer: return OnChooseCustomer(reinterpret_cast<HWND>(lParam));
    case kMsgPrintAsk:
    case kMsgPrint:
      PrintDocument(reinterpret_cast<CSalesDocument*>(lParam), reinterpret_cast<HWND>(wParam), msg == kMsgPrintAsk);
      return 1;
    case kMsgOptions: OnOptions(lParam ? reinterpret_cast<HWND>(lParam) : hwnd); return 0;
    case kMsgScannerChanged: OnScannerChanged(reinterpret_cast<CInputDevice*>(lParam)); return 0;
    case kMsgPowerTransition: OnPowerTransition(static_cast<DWORD>(wParam)); return 0;
    case WM_HOTKEY: OnScanButton(lParam); return 0;
    default: break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void CMainFrame::OnActivate(WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) OnScannerDeactivate();
  if (LOWORD(wParam) != WA_ACTIVE) return;
  if (IsCustomerListVisible()) return;  // the screen over the main window keeps its menu bar
  // The editor over the register keeps the front (and its own menu bar).
  if (IsEditorInFront()) {
    PostMessageW(m_hwnd, kMsgShowEditor, 0, 0);
    return;
  }
  RememberView();
  SHFullScreen(m_hwnd, SHFS_HIDESIPBUTTON);
  CreateMenuBar();
  Layout();
  OnScannerActivate();
}

void CMainFrame::OnSettingChange(WPARAM wParam) {
  if (wParam == SPI_SETSIPINFO) {
    Layout();
  } else {
    LoadLocaleSettings();
  }
}

void CMainFrame::OnKeyUp(WPARAM key) {
  if (!m_register) return;
  const int selected = m_register->GetSelectionMark();
  if (key == VK_UP && selected >= 1) m_register->Select(selected - 1);
  if (key == VK_DOWN && selected >= 0 && selected < m_register->GetRowCount() - 1) m_register->Select(selected + 1);
}

LRESULT CMainFrame::OnNotify(const NMHDR* header) {
  if (!header || !m_register || header->hwndFrom != m_register->GetHwnd()) return 0;
  if (header->code == LVN_COLUMNCLICK) {
    // A tap on a column title turns the order around and sorts by that column; the
    // other columns sort again by the current kind.
    static const int kColumnSort[] = {kSortCustomer, kSortBalance, kSortComplete};
    const auto* list = reinterpret_cast<const NMLISTVIEW*>(header);
    m_ascending = !m_ascending;
    if (list->iSubItem >= 0 && list->iSubItem <= 2) m_sortKind = kColumnSort[list->iSubItem];
    if (m_headerBar) m_headerBar->SetSortText(m_sortKind);
    m_register->Sort(m_ascending, m_sortKind);
    return 0;
  }
  if (header->code == GN_CONTEXTMENU) {
    const auto* hold = reinterpret_cast<const NMRGINFO*>(header);
    LVHITTESTINFO hit{};
    hit.pt = hold->ptAction;
    ScreenToClient(m_register->GetHwnd(), &hit.pt);
    const int row = static_cast<int>(SendMessageW(m_register->GetHwnd(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row < 0) {
      ShowNewMenu(m_hwnd, hold->ptAction);
      return 1;
    }
    m_register->Select(row);
    InvalidateRect(m_register->GetHwnd(), nullptr, TRUE);
    ShowRowMenu(m_hwnd, row, hold->ptAction);
    return 1;
  }
  if (header->code == NM_CLICK || header->code == NM_DBLCLK) {
    const auto* item = reinterpret_cast<const NMITEMACTIVATE*>(header);
    // A tap on the check box marks the document complete; beside it, opens the document.
    // The second tap of a double tap opens it wherever it falls.
    if (item->iItem >= 0 && (header->code == NM_DBLCLK || m_register->ToggleComplete(item->iItem) != 0))
      PostMessageW(m_hwnd, kMsgOpenRow, static_cast<WPARAM>(item->iItem), 0);
  }
  return 0;
}

LRESULT CMainFrame::OnDeviceChange(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return 1;
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  // Only a volume broadcast carries the media flag; anything else is not read further.
  if (!header || header->dbch_devicetype != DBT_DEVTYP_VOLUME || header->dbch_size < sizeof(DEV_BROADCAST_VOLUME))
    return 1;
  const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(data);
  if (!(volume->dbcv_flags & DBTF_MEDIA) || !m_register) return 1;
  m_register->SetSelectionMark(-1);
  m_register->OnDeviceChange();
  return 1;
}

bool CMainFrame::OnCommand(UINT command) {
  switch (command) {
    case IDM_MAIN_REFRESH_LIST: PostMessageW(m_hwnd, kMsgReloadRegister, 1, 0); return true;
    case IDM_MAIN_EXIT: SendMessageW(m_hwnd, WM_CLOSE, 0, 0); return true;
    case IDM_EXPORT_HTML: ExportRow(m_hwnd, false); return true;
    case IDM_EXPORT_CSV: ExportRow(m_hwnd, true); return true;
    case IDM_EMAIL_HTML: EmailRow(m_hwnd, true); return true;
    case IDM_EMAIL_QVN: EmailRow(m_hwnd, false); return true;
    case IDM_MAIN_HELP: ShowHelp(0); return true;
    case IDM_REPORT_ROUTE_ACCOUNT: ShowReport(kReportRouteAccount, u""); return true;
    case IDM_REPORT_ROUTE_CASH: ShowReport(kReportRouteCash, u""); return true;
    case IDM_REPORT_PROFIT_MARGIN: ShowReport(kReportProfitMargin, u""); return true;
    case IDM_REPORT_PICK_LIST: ShowReport(kReportPickList, u""); return true;
    case IDM_MAIN_EXPORT_SETTINGS: ExportSettings(m_hwnd); return true;
    case IDM_MAIN_IMPORT_SETTINGS: ImportSettings(m_hwnd, u"", false, true); return true;
    case IDM_MAIN_VIEW_BY_COMPANY:
    case IDM_MAIN_VIEW_BY_NAME:
      m_preferences->Set(pref::kViewInvRegByCompany, command == IDM_MAIN_VIEW_BY_COMPANY ? 1 : 0);
      ReloadRegister(true);
      return true;
    case IDM_NEW_INVOICE:
    case IDM_NEW_ESTIMATE:
    case IDM_NEW_SALES_RECEIPT:
    case IDM_NEW_PAYMENT:
    case IDM_NEW_SALES_ORDER:
    case IDM_NEW_CREDIT_MEMO:
    case IDM_MAIN_SHOW_EDITOR:
    case IDM_MAIN_LINE_ITEM_LISTS:
    case IDM_MAIN_OTHER_LISTS: return OnEditorCommand(command);
    case IDM_OPTIONS: OnOptions(m_hwnd); return true;
    case IDM_MAIN_CUSTOMERS:
      if (UsesDeviceChooser())
        ChooseContact(m_hwnd, 2);
      else
        ShowContacts(m_hwnd, CCustomerListWnd::kManageMode);
      return true;
    case IDM_PRINT_DOCUMENT: PrintRow(m_hwnd); return true;
    default: return false;
  }
}

// ---- Closing ------------------------------------------------------------------------------------

void CMainFrame::StartPowerNotifications() {
  // Only the Socket scanner needs to be let go before the device sleeps.
  const std::u16string make = m_preferences->Get(pref::kScannerMake);
  if (make != u"Socket" || !IsOSVersion4OrLater()) return;
  m_power = std::make_unique<CPowerNotifications>(m_hwnd, kMsgPowerTransition);
  if (!m_power->Start()) m_power.reset();
}

void CMainFrame::OnShowButton() {
  if (!m_headerBar || !m_register || !m_headerBar->ShowFilterMenu(m_showKind)) return;
  m_register->SetShowKind(m_showKind);
  ReloadRegister(true);
}

void CMainFrame::OnSortButton() {
  if (!m_headerBar || !m_register || !m_headerBar->ShowSortMenu(m_sortKind)) return;
  m_ascending = !m_ascending;
  m_register->Sort(m_ascending, m_sortKind);
}

void CMainFrame::UpdateCustomerBalance(CSalesDocument& document, const CDecimal& amount, bool lower) {
  CBstr fullName;
  if (!document.GetXmlDocument().GetCustomerFullName(&fullName)) return;
  MoveBalanceOf(fullName.view(), document.GetDocType(), amount, lower);
}

void CMainFrame::MoveBalanceOf(std::u16string_view fullName, int kind, const CDecimal& amount, bool lower) {
  if (CPreferences::UseOutlook() || !CPreferences::DisplayBalances() || !m_itemStore) return;
  if (kind == kDocEstimate || kind == kDocMemorized || amount.IsZero()) return;  // owes nothing
  MoveCustomerBalance(*m_itemStore, fullName, amount, lower);
  RefreshCustomerList(false);
}

void CMainFrame::OnShutdownRequest() {
  if (m_editor) m_editor->Shutdown();
  if (!m_progress) return;
  m_progress->SetStatusId(IDS_OPERATION_STOPPED, true);
  m_progress->SetAbort(true);
}

void CMainFrame::CloseForEnd() {
  m_ending = true;
  OnClose();
}

void CMainFrame::OnClose() {
  if (m_closing) return;
  if (m_progress && !m_ending &&
      MessageBoxW(m_hwnd, kCloseDuringOperation, u"Slateway", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
    return;
  if (m_register && m_register->IsLoading()) {
    // Asked from inside a load (it lets messages through): the load ends first, then the
    // close runs, so the rows it is filling are never freed under it.
    m_register->StopLoading();
    PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
    return;
  }
  m_closing = true;
  // A changed document that could not be saved (the failure was told) keeps the program
  // open on it, as Done keeps the editor; only an end nobody can answer goes on.
  if (!StoreLastView()) {
    m_closing = false;
    return;
  }
  m_progress.reset();
  DestroyMenuBar();
  m_menuBar = nullptr;
  m_documentHistory.Clear();
  m_listHistory.Clear();
  // The scanner's trigger button is bound to this window; the program lets it go.
  CHardwareButton::UnbindAll(m_hwnd);
  DeleteObjects();
  HWND hwnd = m_hwnd;
  DestroyWindow(hwnd);
}

bool CMainFrame::StoreLastView() {
  if (!m_preferences) return true;
  // With the editor in front its document is saved and comes back at the next start, with
  // the items list when that was open over it; with the register, nothing does.
  DWORD view = 0, position = 0;
  std::u16string document;
  if (IsEditorInFront()) {
    m_editor->AcceptOpenSignature();  // the strokes on an open pad go with the document
    CSalesDocument& current = m_editor->GetDocument();
    const bool changed = current.IsModified();
    const bool saved = current.Save();
    if (changed && !saved && !m_ending) return false;
    if (saved && !current.GetFilePath().IsEmpty()) {
      view = m_editor->IsItemListVisible() ? 2 : 1;
      document = current.GetFilePath().str();
      if (auto* html = dynamic_cast<CHtmlView*>(current.GetView()))
        position = static_cast<DWORD>(std::max(html->GetScrollPosition(), 0));
    }
  }
  WriteLastView(view, document, position);
  m_preferences->Set(pref::kLastShowType, static_cast<DWORD>(m_register ? m_register->GetShowKind() : m_showKind));
  m_preferences->Set(pref::kLastSortType, static_cast<DWORD>(m_register ? m_register->GetSortKind() : m_sortKind));
  m_preferences->Set(pref::kLastSortDirection, (m_register ? m_register->IsAscending() : m_ascending) ? 1 : 0);
  return true;
}

void CMainFrame::RememberView() {
  if (!m_preferences || m_closing) return;
  DWORD view = 0;
  std::u16string document;
  // A document not saved yet is named all the same: once saved it is the one to come
  // back to, and until then the start finds no file and shows the register.
  if (IsEditorInFront() && !m_editor->GetDocument().GetFilePath().IsEmpty()) {
    view = m_editor->IsItemListVisible() ? 2 : 1;
    document = m_editor->GetDocument().GetFilePath().str();
  }
  if (view == m_storedView && document == m_storedDocument) return;
  WriteLastView(view, document, 0);
}

void CMainFrame::WriteLastView(DWORD view, const std::u16string& document, DWORD position) {
  platform::CRegistryBatch batch;
  m_preferences->Set(pref::kLastView, view);
  m_preferences->Set(pref::kLastInvoice, document);
  m_preferences->Set(pref::kLastScrollPos, position);
  m_storedView = view;
  m_storedDocument = document;
}

bool CMainFrame::OpenLastDocument(const std::u16string& path, int scrollPosition, bool withItemsList) {
  if (!OpenInEditor(path, scrollPosition)) return false;
  // The register's commands act on the document shown, its row drawn selected, as after a
  // tap on the row.
  if (const int row = FindRowOfFile(m_editor->GetDocument().GetFileName().view()); row >= 0) m_register->Select(row);
  if (withItemsList) m_editor->OpenItemList();
  SetFocus(withItemsList && m_editor->IsItemListVisible() ? m_editor->GetItemListWnd()->GetHwnd()
                                                           : m_editor->GetWindow());
  return true;
}

void CMainFrame::DeleteObjects() {
  // The power thread goes first: nothing it hands over may find the objects half gone.
  m_power.reset();
  m_progress.reset();
  m_customerList.reset();  // its loader reads the customer source
  StopItemsList();
  m_editor.reset();
  SetDocumentCustomerScreens(nullptr);
  m_documentCustomerScreens.reset();
  m_reportView.reset();  // it reads the item store
  RemoveDocumentServices();
  if (m_register) {
    SetRegisterList(nullptr);
    m_register->Destroy();
    m_register.reset();
  }
  m_documentLists.reset();
  m_lists.reset();
  m_customerSource.reset();
  m_itemStore.reset();
  if (g_preferences == m_preferences.get()) g_preferences = nullptr;
  m_preferences.reset();
  if (g_customSettings == m_customSettings.get()) g_customSettings = nullptr;
  m_customSettings.reset();
  m_printEngine.reset();
  // The drivers outlive the editor and the power watch, which both reach them.
  m_cardReader.reset();
  m_scanner.reset();
  m_hardwareButton.reset();
  m_rootKey.reset();
}
