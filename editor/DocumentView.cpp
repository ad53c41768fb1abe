// The editor's window: its creation, layout and command toolbar, its messages and
// activation, leaving the document or saving it under a name, and the scanner and card
// reader it holds. Its menu commands are in DocumentViewCommands.cpp, its field taps in
// DocumentViewFields.cpp, Add Line Item in DocumentViewItems.cpp, its small bars in
// EditorBars.cpp.
#include "editor/DocumentView.h"

#include <algorithm>
#include <vector>

#include "core/Folders.h"
#include "core/FullScreenDialog.h"
#include "core/Help.h"
#include "core/MenuBar.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/SmallDialogs.h"
#include "core/TextHelpers.h"
#include "core/UiMetrics.h"
#include "core/Utilities.h"
#include "datastore/CustomerRecord.h"
#include "datastore/ItemStore.h"
#include "document/DocumentNumbering.h"
#include "document/HtmlView.h"
#include "document/SalesDocument.h"
#include "document/XmlDocument.h"
#include "devices/InputDevice.h"
#include "editor/DeviceInput.h"
#include "editor/EditorDialogs.h"
#include "editor/ItemListWnd.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/kernel/Files.h"
#include "platform/registry/Registry.h"
#include "platform/shell/FileDialogs.h"
#include "platform/shell/Shell.h"
#include "resources/resource_ids.h"

namespace {

CDocumentView* g_editor = nullptr;

constexpr int kHtmlControlId = 10;
constexpr int kEditorHelpTopic = 3;
constexpr int kToolbarImageMetric = 16;
constexpr int kLowResolutionImage = 16;
constexpr int kStrokeScaleMetric = 24;
constexpr UINT kScannerKey = 134;

// A name usable as a file name: characters no file name may hold become "_".
std::u16string FileNameSafe(std::u16string name) {
  for (char16_t& c : name)
    if (c < 32 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) c = u'_';
  while (!name.empty() && (name.back() == u' ' || name.back() == u'.')) name.pop_back();
  return name;
}

}  // namespace

// ---- Creation ---------------------------------------------------------------------------

CDocumentView::CDocumentView(HINSTANCE instance, HWND mainWindow, CCommandProcessor* documentHistory,
                             CCommandProcessor* listHistory, CItemStore* itemStore, CCustomSettings* customSettings)
    : m_instance(instance),
      m_mainWindow(mainWindow),
      m_history(documentHistory),
      m_listHistory(listHistory),
      m_itemStore(itemStore),
      m_customSettings(customSettings),
      m_strokes(GetUiMetric(kStrokeScaleMetric)) {
  g_editor = this;
  CreateModeless(GetResourceInstance(), MAKEINTRESOURCEW(IDD_DOCUMENT_VIEW), mainWindow);
}

CDocumentView::~CDocumentView() {
  m_itemList.reset();  // its window belongs to the editor's
  DestroyBars();
  if (HWND window = GetHwnd()) DestroyWindow(window);
  m_document.reset();
  if (g_editor == this) g_editor = nullptr;
}

CDocumentView* CDocumentView::Current() { return g_editor; }

void CDocumentView::OnInitDialog() {
  HWND window = GetHwnd();
  SHINITDLGINFO info;
  info.dwMask = SHIDIM_FLAGS;
  info.hDlg = window;
  info.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN;
  SHInitDialog(&info);
  CPreferences preferences;
  int style = static_cast<int>(preferences.Get(pref::kInvoiceStyle));
  m_document = std::make_unique<CSalesDocument>(window, window, style, true, m_customSettings);
  if (preferences.Get(pref::kInvToolBar) != 0) PostMessageW(window, kMsgToggleToolBar, 1, 0);
}

HWND CDocumentView::ViewControl() const {
  auto* view = m_document ? dynamic_cast<CHtmlView*>(m_document->GetView()) : nullptr;
  return view ? view->GetControl() : nullptr;
}

void CDocumentView::ShowView(int scrollPosition) {
  m_document->Render(RenderMode::KeepPosition, scrollPosition);
  HWND window = GetHwnd();
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  CreateEditorMenuBar();
  UpdateToolBar(kBarFlagsAll);
  Layout();
}

void CDocumentView::CreateEditorMenuBar() {
  SHMENUBARINFO bar;
  bar.hwndParent = GetHwnd();
  bar.nToolBarId = IDR_EDITOR_MENUBAR;
  bar.hInstRes = GetResourceInstance();
  bar.nBmpId = IDB_EDITOR_MENUBAR;
  bar.cBmpImages = 4;
  m_menuBar = CreateMenuBar(&bar);
}

// ---- Layout and bars of buttons ---------------------------------------------------------

void CDocumentView::Layout() {
  HWND window = GetHwnd();
  if (!window) return;
  // What the input panel leaves, or the editor's own area between task bar and menu bar.
  const RECT area = full_screen::VisibleArea(window);
  const int width = area.right - area.left;
  int height = area.bottom - area.top;
  if (m_toolbar) {
    RECT bar{};
    GetWindowRect(m_toolbar, &bar);
    int barHeight = bar.bottom - bar.top;
    int top = height - barHeight;
    MoveWindow(m_toolbar, 0, top, width, barHeight, TRUE);
    height = top + 2;
  }
  for (HWND bar : {m_scannerBar, m_cardReaderBar, m_signatureBar}) {
    if (!bar) continue;
    int barWidth = GetUiMetric(3);
    int barHeight = GetUiMetric(4);
    int top = height - barHeight;
    MoveWindow(bar, std::max(0, (width - barWidth) / 2), top, barWidth, barHeight, TRUE);
    height = top + 1;
    break;
  }
  if (HWND view = ViewControl()) MoveWindow(view, 0, 0, width, height, TRUE);
}

void CDocumentView::UpdateToolBar(UINT flags) {
  auto state = [](bool pressed) { return static_cast<LPARAM>(TBSTATE_ENABLED | (pressed ? TBSTATE_PRESSED : 0)); };
  if (m_menuBar && IsWindow(m_menuBar)) {
    if (flags & kBarFlagScanner) SendMessageW(m_menuBar, TB_SETSTATE, IDM_SCANNER_BUTTON, state(m_scannerBar));
    if (flags & kBarFlagCardReader)
      SendMessageW(m_menuBar, TB_SETSTATE, IDM_CARD_READER_BUTTON, state(m_cardReaderBar));
    if (flags & kBarFlagSignature)
      SendMessageW(m_menuBar, TB_SETSTATE, IDM_SIGNATURE_BUTTON, state(m_signatureBar));
    if (flags & kBarFlagToolbarButton) SendMessageW(m_menuBar, TB_SETSTATE, IDM_TOOLBAR_BUTTON, state(m_toolbar));
  }
  if (!m_toolbar) return;
  auto enabledOr = [](bool enabled) { return static_cast<LPARAM>(enabled ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE); };
  if (flags & kBarFlagUndo)
    SendMessageW(m_toolbar, TB_SETSTATE, IDM_UNDO, enabledOr(m_history && m_history->CanUndo()));
  if (flags & kBarFlagRedo)
    SendMessageW(m_toolbar, TB_SETSTATE, IDM_REDO, enabledOr(m_history && m_history->CanRedo()));
  if (flags & kBarFlagPrint) SendMessageW(m_toolbar, TB_SETSTATE, IDM_EDITOR_PRINT_BUTTON, enabledOr(!m_cardReaderBar));
}

void CDocumentView::ShowCommandToolBar() {
  CPreferences preferences;
  if (m_toolbar) {
    DestroyWindow(m_toolbar);
    m_toolbar = nullptr;
    preferences.Set(pref::kInvToolBar, 0);
    Layout();
    return;
  }
  preferences.Set(pref::kInvToolBar, 1);
  auto button = [](int image, int id) {
    TBBUTTON b;
    b.iBitmap = image;
    b.idCommand = id;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = static_cast<BYTE>(TBSTYLE_BUTTON);
    return b;
  };
  auto separator = [] {
    TBBUTTON b;
    b.fsStyle = static_cast<BYTE>(TBSTYLE_SEP);
    return b;
  };
  const TBBUTTON buttons[] = {button(0, IDM_EDITOR_ADD_LINE_ITEM), separator(),
                              button(2, IDM_EDITOR_CHOOSE_CUSTOMER), separator(),
                              button(3, IDM_UNDO),                 button(4, IDM_REDO),
                              separator(),                         button(5, IDM_FIT_TO_SCREEN),
                              button(6, IDM_ZOOM_NEXT),            separator(),
                              button(7, IDM_EDITOR_EMAIL_BUTTON),  button(8, IDM_EDITOR_PRINT_BUTTON)};
  int image = GetUiMetric(kToolbarImageMetric);
  m_toolbar = CreateToolbarEx(GetHwnd(), WS_CHILD | WS_VISIBLE | WS_BORDER | TBSTYLE_TOOLTIPS | CCS_NOPARENTALIGN,
                              kEditorToolbarId, 9, GetResourceInstance(),
                              image > kLowResolutionImage ? IDB_EDITOR_TOOLBAR_HIRES : IDB_EDITOR_TOOLBAR, buttons,
                              static_cast<int>(std::size(buttons)), 0, 0, image, image, sizeof(TBBUTTON));
  if (!m_toolbar) return;
  static const LPCWSTR kTips[] = {u"Append Line Item...", u"Select Customer...", u"Undo", u"Redo",
                                  u"Fit to Screen",      u"Zoom",               u"E-mail...", u"Print..."};
  SendMessageW(m_toolbar, TB_SETTOOLTIPS, std::size(kTips), reinterpret_cast<LPARAM>(kTips));
  Layout();
  UpdateToolBar(kBarFlagsAll);
}

// ---- Messages -----------------------------------------------------------------------------

INT_PTR CDocumentView::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND window = GetHwnd();
  switch (msg) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_SIZE:
      if (m_document && m_document->GetView()) Layout();
      return FALSE;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETSIPINFO) Layout();
      return FALSE;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      return FALSE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      auto* view = m_document ? dynamic_cast<CHtmlView*>(m_document->GetView()) : nullptr;
      if (header && view && static_cast<int>(header->idFrom) == kHtmlControlId &&
          view->OnNotify(window, kHtmlControlId, header)) {
        SetWindowLongW(window, DWL_MSGRESULT, 1);
        return TRUE;
      }
      return FALSE;
    }
    case WM_HELP:
      ShowHelp(kEditorHelpTopic);
      return TRUE;
    case WM_CLOSE:
      // The program is asked to end while a document is open: the main window closes it
      // with the editor still in front, so the document (with the strokes of an open pad)
      // is saved and opens again at the next start.
      PostMessageW(m_mainWindow, WM_CLOSE, 0, 0);
      return TRUE;
    case WM_KEYUP:
      // The Symbol scanner's trigger key goes on to the default handling; other keys are
      // the page's.
      if (m_scanner && m_scanner->GetKind() == kDeviceSymbolScanner && GetForegroundWindow() == window &&
          wParam == kScannerKey)
        return FALSE;
      return TRUE;
    case kMsgStartNextScan:
      if (m_scanner) m_scanner->Trigger(1);
      return TRUE;
    case kMsgScanData: {
      std::u16string code;
      // A scan read after Done (its trigger pulled before) finds no page to go on: the
      // register is in front, as for the scan button there, and a line added out of sight
      // would be work nobody sees nor is offered to save.
      if (m_scanner && m_scanner->GetData(wParam, lParam, window, code) && IsWindowVisible(window))
        AddScannedItem(code);
      return TRUE;
    }
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam)) ? TRUE : FALSE;
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
      return FALSE;
    case kMsgEditCommand:
      SetWindowLongW(window, DWL_MSGRESULT, SendMessageW(m_mainWindow, msg, wParam, lParam));
      return TRUE;
    case kMsgSetCurrentLine:
      if (lParam) m_document->SetCurrentLineKey(CBstr(reinterpret_cast<LPCWSTR>(lParam)));
      return TRUE;
    case kMsgReloadRegister:
      PostMessageW(m_mainWindow, msg, wParam, lParam);
      return TRUE;
    case kMsgDocumentAdded:
    case kMsgDocumentSaved:
      SendMessageW(m_mainWindow, msg, wParam, lParam);
      return TRUE;
    case kMsgDeleteDocument:
    case kMsgPrintAsk:
      PostMessageW(m_mainWindow, msg, reinterpret_cast<WPARAM>(window), lParam);
      return TRUE;
    case kMsgHistoryChanged:
      UpdateToolBar(kBarFlagUndo | kBarFlagRedo);
      return TRUE;
    case kMsgToggleToolBar:
      ShowCommandToolBar();
      UpdateToolBar(kBarFlagToolbarButton);
      return TRUE;
    case kMsgRelayNotify: {
      auto* view = m_document ? dynamic_cast<CHtmlView*>(m_document->GetView()) : nullptr;
      if (view) view->OnRelayedNotify(window, reinterpret_cast<const HTMLVIEW_INNER_NOTIFY*>(lParam));
      return TRUE;
    }
    // Field taps and holds on the page.
    case kMsgLinkTapped:
      OnFieldTap(reinterpret_cast<const WCHAR*>(lParam));
      return TRUE;
    case kMsgHoldField:
    case kMsgHoldLine:
    case kMsgHoldBillTo:
    case kMsgHoldBillFrom:
    case kMsgHoldLogo:
    case kMsgHoldPage: {
      const POINT point = lParam ? *reinterpret_cast<const POINT*>(lParam) : POINT{};
      if (msg == kMsgHoldField) OnFieldHold(static_cast<HeaderField>(wParam), point);
      if (msg == kMsgHoldLine) OnLineItemHold(static_cast<WCHAR>(wParam), point);
      if (msg == kMsgHoldBillTo) ShowCustomerMenu(point);
      if (msg == kMsgHoldBillFrom) ShowCompanyMenu(point);
      if (msg == kMsgHoldLogo) ShowLogoMenu(point);
      if (msg == kMsgHoldPage) ShowDocumentMenu(point);
      return TRUE;
    }
    case kMsgRenderDocument:
      // Items were added: with a current line the page stays where it was, otherwise it
      // scrolls to the end where the new lines are.
      m_document->RecalcChangedTotals();
      m_document->ShowChanges(m_document->GetCurrentLineKey().IsEmpty() ? RenderMode::ScrollToEnd
                                                                        : RenderMode::KeepPosition);
      return TRUE;
    default:
      return FALSE;
  }
}

// A scanner whose trigger is a hardware button (kinds 0 and 2) has the button only while
// the editor is active.
static bool ScannerUsesHardwareButton(const CInputDevice* scanner) {
  return scanner && (scanner->GetKind() == kDeviceSocketScanner || scanner->GetKind() == kDeviceGrabbaScanner);
}

void CDocumentView::OnActivate(bool active) {
  HWND window = GetHwnd();
  const std::u16string button = CPreferences().Get(pref::kButton1);
  if (!active) {
    if (ScannerUsesHardwareButton(m_scanner)) {
      m_hardwareButton.BindButton(m_mainWindow, CBstr(button), true);
      m_scanner->Release();
    }
    return;
  }
  SHFullScreen(window, SHFS_HIDESIPBUTTON);
  if (GetForegroundWindow() != window) return;
  EnableWindow(window, TRUE);
  if (!m_menuBar || !IsWindow(m_menuBar)) CreateEditorMenuBar();
  UpdateToolBar(kBarFlagCardReader | kBarFlagScanner | kBarFlagSignature | kBarFlagToolbarButton);
  Layout();
  if (ScannerUsesHardwareButton(m_scanner)) m_hardwareButton.BindButton(m_mainWindow, CBstr(button), false);
}

// ---- Leaving, new documents, saving under names ---------------------------------------

bool CDocumentView::AskToSaveChanges() {
  if (!m_document->IsModified()) return true;
  CSaveChangesDlg question(GetResourceInstance(), GetHwnd());
  switch (question.DoModal()) {
    case CSaveChangesDlg::kSave:
      return m_document->Save();
    case CSaveChangesDlg::kSaveAs:
      return SaveAs();
    case CSaveChangesDlg::kDiscard:
      return true;
    default:
      return false;
  }
}

// Done keeps what was written: a changed document is saved as it is left, and a save that
// fails (the failure already told) keeps the editor open on it.
bool CDocumentView::Close() {
  if (m_signatureBar) {
    MessageBeep(MB_OK);
    return false;
  }
  if (m_document->IsModified() && !m_document->Save()) return false;
  HWND window = GetHwnd();
  SHFullScreen(window, SHFS_HIDESIPBUTTON);
  ShowWindow(window, SW_HIDE);
  return true;
}

bool CDocumentView::NewDocument(int type) {
  const bool shown = IsWindowVisible(GetHwnd()) != FALSE;
  if (shown && !AskToSaveChanges()) return false;
  m_document->InitNew(static_cast<int>(CPreferences().Get(pref::kInvoiceStyle)), type);
  // A hidden editor is rendered when it is shown.
  if (shown) m_document->Render(RenderMode::KeepPosition);
  SendMessageW(m_mainWindow, kMsgNewDocumentStarted, 0, reinterpret_cast<LPARAM>(GetHwnd()));
  return true;
}

bool CDocumentView::SaveAs() {
  CBstr proposed;
  MakeDocumentFileName(m_document->GetNumber().view(), proposed, m_document->GetDocType());
  std::u16string name = GetFileNameFromPath(proposed.view()).str();
  WCHAR file[131] = {};
  std::copy_n(name.c_str(), std::min<size_t>(name.size(), 130), file);
  // The dialog starts where the documents are, so the copy lands in the register unless
  // the user takes it elsewhere.
  CBstr folder;
  GetDocumentsFolder(folder);
  OPENFILENAMEW ofn;
  ofn.hwndOwner = GetHwnd();
  ofn.lpstrInitialDir = folder.c_str();
  ofn.lpstrFilter = u"QVN Documents (*.QVN)\0*.QVN\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = 130;
  ofn.lpstrDefExt = u"QVN";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameW(&ofn)) return false;
  if (!m_document->SaveAs(file, m_document->GetDocType())) return false;
  PostMessageW(m_mainWindow, kMsgReloadRegister, 1, 0);
  return true;
}

void CDocumentView::Memorize() {
  CSalesDocument& doc = *m_document;
  std::u16string proposed;
  if (CCustomerRecord* customer = doc.GetCustomer()) {
    const auto text = [](BSTR name) { return name ? std::u16string(name) : std::u16string(); };
    proposed = text(customer->ComposeFullName());
    if (proposed.empty()) proposed = text(customer->GetDisplayName(false));
  }
  CBstr typeName;
  GetDocumentTypeName(doc.GetDocType(), typeName);
  proposed += u" " + typeName.str();
  while (!proposed.empty() && proposed.back() == u' ') proposed.pop_back();
  while (!proposed.empty() && proposed.front() == u' ') proposed.erase(0, 1);

  CMemorizeDlg dialog(GetResourceInstance(), GetHwnd(), proposed);
  if (dialog.DoModal() != 1) return;
  std::u16string name = FileNameSafe(dialog.name);
  if (name.empty()) return;
  CBstr folder;
  GetMemorizedFolder(folder);
  // The folder is made on the first template; a memorized folder that cannot be made fails
  // the save below, which says so.
  MakeFolderPath(folder.view());
  std::u16string path = folder.str();
  if (path.empty() || path.back() != u'\\') path += u'\\';
  path += name + u".QVN";
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
      !AskYesNoResValue(GetHwnd(), IDS_MEMORIZE_REPLACE, name.c_str()))
    return;

  // The template starts without quantities; the open document keeps its own.
  CXmlDocument& xml = doc.GetXmlDocument();
  std::vector<CBstr> quantities;
  if (dialog.clearQuantities) {
    CLineItemTexts line;
    for (LONG i = 0; xml.ReadLineItemAt(i, &line, i > 0); ++i) quantities.push_back(line.quantity);
    doc.ClearLineQuantities();
  }
  bool memorized = doc.SaveAs(path, kDocMemorized);
  if (dialog.clearQuantities) {
    for (LONG i = 0; i < static_cast<LONG>(quantities.size()); ++i) {
      CLineItemTexts values;
      values.quantity = quantities[static_cast<size_t>(i)];
      xml.UpdateLineItemAt(i, values, i > 0);
    }
    doc.RecalcTotals();
    doc.Save(true);
  }
  if (!memorized) return;
  MessageBoxFromResource(GetHwnd(), IDS_MEMORIZED, kStyleInformation);
  doc.Render(RenderMode::KeepPosition);
  PostMessageW(m_mainWindow, kMsgReloadRegister, 0, 0);
}

void CDocumentView::EditAttributes() {
  CSalesDocument& doc = *m_document;
  bool print = doc.GetBoolAttribute(u"TOBEPRINTED", false);
  bool mail = doc.GetBoolAttribute(u"TOBEEMAILED", false);
  bool includesTax = doc.GetBoolAttribute(u"AMTINCTAX", false);
  bool removeZero = doc.GetBoolAttribute(u"REMOVEZEROQTY", false);
  CDocOptionsDlg dialog(GetResourceInstance(), GetHwnd(), print, mail, includesTax, removeZero);
  if (dialog.DoModal() != 1) return;
  doc.SetBoolAttribute(u"TOBEPRINTED", dialog.toBePrinted);
  doc.SetBoolAttribute(u"TOBEEMAILED", dialog.toBeEmailed);
  doc.SetBoolAttribute(u"REMOVEZEROQTY", dialog.removeZeroQuantity);
  doc.SetBoolAttribute(u"AMTINCTAX", dialog.amountIncludesTax);
  {
    platform::CRegistryBatch batch;
    CPreferences preferences;
    preferences.Set(pref::kToBePrinted, dialog.toBePrinted);
    preferences.Set(pref::kToBeEMailed, dialog.toBeEmailed);
    preferences.Set(pref::kRemoveZeroQtyItems, dialog.removeZeroQuantity);
  }
  if (dialog.amountIncludesTax != includesTax) {
    doc.RecalcTotals(dialog.amountIncludesTax ? CSalesDocument::PriceSwitch::NowIncludeTax
                                              : CSalesDocument::PriceSwitch::NowExcludeTax);
    doc.Render(RenderMode::KeepPosition);
  }
}

void CDocumentView::Shutdown() {
  m_itemList.reset();
  DestroyBars();
  for (CInputDevice* device : {m_scanner, m_cardReader}) {
    if (!device) continue;
    device->Close(1);
    device->Unload();
  }
}

void CDocumentView::StartScan() {
  if (!m_scanner) {
    MessageBoxFromResource(GetHwnd(), IDS_NO_SCANNER, kStyleInformation);
    return;
  }
  m_scanner->Trigger(1);
}

bool CDocumentView::ReadSwipedCard() {
  if (!m_cardReader || !m_history) return false;
  CCardFields card;
  return m_cardReader->ReadCard(card) && ApplyCardFields(*m_history, *m_document, card);
}

void CDocumentView::SetCardReaderState(int state) {
  m_cardReaderState = state;
  if (m_cardReaderBar) InvalidateRect(m_cardReaderBar, nullptr, TRUE);
}

void CDocumentView::SetScanner(CInputDevice* scanner) {
  if (m_scanner && m_scannerBar) ToggleScannerBar();
  m_scanner = scanner;
  // The scans come to the editor while it holds the scanner.
  if (m_scanner) m_scanner->SetNotifyWindow(GetHwnd());
}

void CDocumentView::SetCardReader(CInputDevice* reader) {
  if (m_cardReader && m_cardReaderBar) ToggleCardReaderBar();
  m_cardReader = reader;
}

bool CDocumentView::AddScannedItem(std::u16string_view code) {
  if (!m_itemStore || !m_history) return false;
  const bool askQuantity = m_scanner && m_scanner->GetQtyPrompt();
  // The Add Item form over the editor asks the quantity of the scanned item and adds its
  // line at the end, one step of the history; Cancel adds nothing.
  return ::AddScannedItem(*m_history, *m_document, *m_itemStore, GetHwnd(), code, askQuantity,
                          AddItemForm(nullptr, true, true));
}
