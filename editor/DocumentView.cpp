#include "editor/DocumentView.h"

#include <algorithm>
#include <vector>

#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/FullScreenDialog.h"
#include "core/Help.h"
#include "core/MenuBar.h"
#include "core/MenuHelpers.h"
#include "core/MessageBoxes.h"
#include "core/Parcel.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/SmallDialogs.h"
#include "core/TextHelpers.h"
#include "core/UiMetrics.h"
#include "core/Utilities.h"
#include "core/WaitCursor.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "document/DocumentNumbering.h"
#include "document/HtmlView.h"
#include "document/SalesDocument.h"
#include "document/XmlDocument.h"
#include "devices/InputDevice.h"
#include "editor/CustomerCommands.h"
#include "editor/DeviceInput.h"
#include "document/EditCommand.h"
#include "editor/HeaderFieldCommands.h"
#include "editor/EditorDialogs.h"
#include "editor/ItemListWnd.h"
#include "editor/LineItemCommands.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/kernel/Files.h"
#include "platform/registry/Registry.h"
#include "platform/shell/FileDialogs.h"
#include "platform/shell/Shell.h"
#include "platform/user/Menu.h"
#include "resources/resource_ids.h"

namespace {

CDocumentView* g_editor = nullptr;

constexpr int kHtmlControlId = 10;
constexpr int kEditorHelpTopic = 3;
constexpr int kZoomLevels = 5;
constexpr int kToolbarImageMetric = 16;
constexpr int kLowResolutionImage = 16;
constexpr int kStrokeScaleMetric = 24;
constexpr UINT kScannerKey = 134;
constexpr int kMenuTextLimit = 80;

constexpr int kZoomCommands[kZoomLevels] = {IDM_ZOOM0, IDM_ZOOM1, IDM_ZOOM2, IDM_ZOOM3, IDM_ZOOM4};
struct StyleCommand {
  int id;
  int style;
};
constexpr StyleCommand kStyleCommands[] = {
    {IDM_STYLE_PRODUCT, 0},      {IDM_STYLE_SERVICE, 1}, {IDM_STYLE_BOTH, 2},
    {IDM_STYLE_PROFESSIONAL, 3}, {IDM_STYLE_CUSTOM, 4}};
constexpr int kNewCommands[] = {IDM_NEW_INVOICE, IDM_NEW_ESTIMATE,    IDM_NEW_SALES_RECEIPT,
                                IDM_NEW_PAYMENT, IDM_NEW_SALES_ORDER, IDM_NEW_CREDIT_MEMO};

// The word the Edit menu puts in its type-dependent entries.
std::u16string TypeWord(int type) {
  switch (type) {
    case kDocEstimate:
      return u"Estimate";
    case kDocSalesReceipt:
      return u"Sales Receipt";
    case kDocPayment:
      return u"Payment";
    case kDocSalesOrder:
      return u"Sales Order";
    case kDocCreditMemo:
      return u"Credit Memo";
    default:
      return u"Invoice";
  }
}

// Whether the popup itself (not one of its sub-menus) holds the command.
bool MenuHas(HMENU menu, UINT id) {
  for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i)
    if (GetMenuItemID(menu, i) == id) return true;
  return false;
}

// Renames the first item whose text holds `part` (keeping its command).
void RenameItemContaining(HMENU menu, std::u16string_view part, const std::u16string& text) {
  int position = FindMenuItemByText(menu, part);
  if (position < 0) return;
  ReplaceMenuItem(menu, static_cast<UINT>(position), MF_BYPOSITION, GetMenuItemIdAt(menu, position), text.c_str());
}

void EnableItem(HMENU menu, UINT id, bool enabled) {
  EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void CheckItem(HMENU menu, UINT id, bool checked) {
  CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void AppendIfMissing(HMENU menu, UINT id, LPCWSTR text) {
  if (!MenuHas(menu, id)) AppendMenuW(menu, MF_STRING, id, text);
}

// Sets "Undo <name>" / "Redo <name>" on the item whose text holds `word`.
void NameHistoryItem(HMENU menu, std::u16string_view word, const CBstr* name) {
  if (!name) return;
  RenameItemContaining(menu, word, std::u16string(word) + u" " + name->str());
}

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
  m_document->Render(kRenderKeepPosition, scrollPosition);
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
      if (msg == kMsgHoldField) OnFieldHold(static_cast<int>(wParam), point);
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
      m_document->ShowChanges(m_document->GetCurrentLineKey().IsEmpty() ? kRenderScrollToEnd : kRenderKeepPosition);
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

// ---- Commands -------------------------------------------------------------------------------

void CDocumentView::PostToMain(UINT msg) {
  PostMessageW(m_mainWindow, msg, reinterpret_cast<WPARAM>(GetHwnd()), reinterpret_cast<LPARAM>(m_document.get()));
}

void CDocumentView::SaveThenPost(UINT msg, WPARAM wParam) {
  m_document->Save();
  if (msg == kMsgShowReport) {
    // A copy of the path, handed over as a parcel the receiver redeems.
    PostParcel(m_mainWindow, msg, wParam, std::make_unique<std::u16string>(m_document->GetFilePath().str()));
    return;
  }
  PostToMain(msg);
}

void CDocumentView::RunDocumentCommand(std::unique_ptr<CEditCommand> command, bool post) {
  if (post) {
    PostParcel(m_mainWindow, kMsgEditCommand, kEditCommandRun, std::move(command));
    return;
  }
  SendEditCommand(m_mainWindow, std::move(command));
}

void CDocumentView::ToggleBarKeepingPosition(int commandId) {
  auto* view = dynamic_cast<CHtmlView*>(m_document->GetView());
  m_savedScroll = view ? view->GetScrollPosition() : -1;
  bool changed = true;
  if (commandId == IDM_SCANNER_BUTTON)
    changed = ToggleScannerBar();
  else if (commandId == IDM_CARD_READER_BUTTON)
    changed = ToggleCardReaderBar();
  else
    ToggleSignatureBar();
  if (!changed) return;
  Layout();
  m_document->Render(kRenderKeepPosition, m_savedScroll);
}

// The zoom and fit the page is shown with: the menu checks them and the next zoom starts
// from them, so what the menu says is what the page shows, from its first showing on.
int CDocumentView::ZoomLevel() const {
  if (const auto* view = dynamic_cast<const CHtmlView*>(m_document->GetView())) return view->GetZoomLevel();
  return static_cast<int>(CPreferences().Get(pref::kFontSize));
}

bool CDocumentView::FitsToScreen() const {
  if (const auto* view = dynamic_cast<const CHtmlView*>(m_document->GetView())) return view->GetFitToScreen();
  return CPreferences().Get(pref::kFitToScreen) != 0;
}

void CDocumentView::SetZoom(int level) {
  if (IDocumentView* view = m_document->GetView()) view->SetZoomLevel(level);
  CPreferences().Set(pref::kFontSize, static_cast<DWORD>(level));
  m_document->Render(kRenderKeepPosition);
}

bool CDocumentView::OnCommand(int id) {
  CSalesDocument& doc = *m_document;
  HWND window = GetHwnd();
  for (int type = 0; type < 6; ++type) {
    if (id == kNewCommands[type]) {
      NewDocument(type);
      return true;
    }
  }
  for (int level = 0; level < kZoomLevels; ++level) {
    if (id == kZoomCommands[level]) {
      SetZoom(level);
      return true;
    }
  }
  for (const StyleCommand& style : kStyleCommands) {
    if (id == style.id) {
      ChangeStyle(style.style);
      return true;
    }
  }
  switch (id) {
    case IDOK:
      Close();
      return true;
    case IDM_TOOLBAR_BUTTON:
    case IDM_SHOW_TOOLBAR:
      ShowCommandToolBar();
      UpdateToolBar(kBarFlagToolbarButton);
      Layout();
      return true;
    case IDM_SIGNATURE_BUTTON:
    case IDM_EDITOR_SIGNATURE:
    case IDM_SCANNER_BUTTON:
    case IDM_CARD_READER_BUTTON:
      ToggleBarKeepingPosition(id);
      return true;
    case IDM_EDITOR_PRINT_BUTTON:
      AcceptOpenSignature();
      PostToMain(kMsgPrint);
      return true;
    case IDM_EDITOR_EMAIL_BUTTON: {
      const std::u16string type = CPreferences().Get(pref::kLastEmailType);
      OnCommand(type == u"QVN" ? IDM_EMAIL_QVN : IDM_EMAIL_HTML);
      return true;
    }
    case IDM_EMAIL_HTML:
    case IDM_EMAIL_QVN:
      // The mail carries the document's file: a change not yet saved would be missing.
      AcceptOpenSignature();
      if (doc.IsModified()) doc.Save();
      SendMessageW(m_mainWindow, id == IDM_EMAIL_HTML ? kMsgEmailHtml : kMsgEmailQvn, 0, 0);
      return true;
    case IDM_UNDO: {
      CWaitCursorScope wait;
      SendMessageW(m_mainWindow, kMsgEditCommand, kEditCommandUndo, 0);
      return true;
    }
    case IDM_REDO:
      SendMessageW(m_mainWindow, kMsgEditCommand, kEditCommandRedo, 0);
      return true;
    case IDM_FIT_TO_SCREEN: {
      const bool fit = !FitsToScreen();
      if (IDocumentView* view = doc.GetView()) view->SetFitToScreen(fit);
      CPreferences().Set(pref::kFitToScreen, fit ? 1 : 0);
      doc.Render(kRenderKeepPosition);
      return true;
    }
    case IDM_ZOOM_NEXT:
      SetZoom((ZoomLevel() + 1) % kZoomLevels);
      return true;
    case IDM_OPTIONS:
      SendMessageW(m_mainWindow, kMsgOptions, 0, reinterpret_cast<LPARAM>(window));
      return true;
    case IDM_EDITOR_SAVE_AS:
      SaveAs();
      return true;
    case IDM_DELETE_DOCUMENT:
      PostToMain(kMsgDeleteDocument);
      return true;
    case IDM_EDIT_CUT:
    case IDM_EDIT_COPY:
      if (doc.GetCurrentLineKey().IsEmpty()) return true;
      if (id == IDM_EDIT_CUT)
        RunDocumentCommand(std::make_unique<CCutLineItemCommand>(doc, doc.GetCurrentLineKey()), false);
      else
        RunDocumentCommand(std::make_unique<CCopyLineItemCommand>(doc, doc.GetCurrentLineKey()), false);
      return true;
    case IDM_EDIT_PASTE:
      RunDocumentCommand(std::make_unique<CPasteLineItemCommand>(doc), false);
      return true;
    case IDM_EDITOR_DELETE_LINE:
      if (!doc.GetCurrentLineKey().IsEmpty())
        RunDocumentCommand(std::make_unique<CDeleteLineItemCommand>(doc, doc.GetCurrentLineKey()), false);
      return true;
    case IDM_EDITOR_SHOW_SHIP_TO:
    case IDM_EDITOR_SHOW_SIGNATURE:
    case IDM_EDITOR_HIDE_LINKS: {
      const bool shipTo = id == IDM_EDITOR_SHOW_SHIP_TO, signature = id == IDM_EDITOR_SHOW_SIGNATURE;
      int option = shipTo ? kViewShowLineTo : signature ? kViewShowSignature : kViewShowLinks;
      const DwordPreference& preference = shipTo ? pref::kShowLineTo : signature ? pref::kShowSignature : pref::kShowLinks;
      CPreferences().Set(preference, static_cast<DWORD>(doc.ToggleViewOption(option)));
      return true;
    }
    case IDM_PRINT_DOCUMENT:
      AcceptOpenSignature();
      PostToMain(kMsgPrintAsk);
      return true;
    case IDM_EDITOR_CHOOSE_CUSTOMER:
      PostMessageW(m_mainWindow, kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(window));
      return true;
    case IDM_EDITOR_CREATE_INVOICE:
      if ((doc.GetDocType() == kDocEstimate || doc.GetDocType() == kDocSalesOrder) && doc.ConvertToInvoice())
        SendMessageW(m_mainWindow, kMsgNewDocumentStarted, 0, reinterpret_cast<LPARAM>(window));
      return true;
    case IDM_EXPORT_HTML:
      SaveThenPost(kMsgExportHtml, 0);
      return true;
    case IDM_EXPORT_CSV:
      SaveThenPost(kMsgExportCsv, 0);
      return true;
    case IDM_REPORT_ROUTE_ACCOUNT:
    case IDM_REPORT_ROUTE_CASH:
    case IDM_REPORT_PROFIT_MARGIN:
    case IDM_REPORT_PICK_LIST:
      SaveThenPost(kMsgShowReport, id == IDM_REPORT_ROUTE_ACCOUNT ? 0
                                   : id == IDM_REPORT_ROUTE_CASH  ? 1
                                   : id == IDM_REPORT_PROFIT_MARGIN ? 2
                                                                    : 3);
      return true;
    case IDM_EDITOR_MEMORIZE:
      Memorize();
      return true;
    case IDM_EDITOR_VOID:
      if (doc.Void()) doc.Render(kRenderKeepPosition);
      return true;
    case IDM_EDITOR_TOGGLE_PAID:
      doc.TogglePaid();
      doc.ShowAttributeChange(u"PAID", kRenderKeepPosition);
      return true;
    case IDM_EDITOR_ATTRIBUTES:
      EditAttributes();
      return true;
    case IDM_EDITOR_ADD_LINE_ITEM:
      OpenItemList();
      return true;
    default:
      return FieldCommand(id);
  }
}

void CDocumentView::ChangeStyle(int style) {
  if (style == m_document->GetStyle()) return;
  RunDocumentCommand(std::make_unique<CChangeStyleCommand>(*m_document, style, false), false);
}

void CDocumentView::OnInitMenuPopup(HMENU menu) {
  CSalesDocument& doc = *m_document;
  const int type = doc.GetDocType();
  if (MenuHas(menu, IDM_NEW_ESTIMATE)) {
    if (!m_customSettings) return;
    CBstr texts[6];
    LoadDocumentTypeMenuTexts(*m_customSettings, texts[0], texts[1], texts[2], texts[3], texts[4], texts[5]);
    for (int i = 0; i < 6; ++i) ReplaceMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION, kNewCommands[i], texts[i].c_str());
    return;
  }
  if (MenuHas(menu, IDM_UNDO)) {
    bool canUndo = m_history && m_history->CanUndo();
    bool canRedo = m_history && m_history->CanRedo();
    if (canUndo) NameHistoryItem(menu, u"Undo", m_history->GetUndoName());
    if (canRedo) NameHistoryItem(menu, u"Redo", m_history->GetRedoName());
    EnableItem(menu, IDM_UNDO, canUndo);
    EnableItem(menu, IDM_REDO, canRedo);
    const bool payment = type == kDocPayment;
    EnableItem(menu, IDM_EDITOR_ADD_LINE_ITEM, !payment);
    EnableItem(menu, IDM_EDITOR_CUSTOMER_MESSAGE, !payment);
    const bool hasLine = !doc.GetCurrentLineKey().IsEmpty();
    for (UINT id : {IDM_EDIT_CUT, IDM_EDIT_COPY, IDM_EDITOR_EDIT_LINE, IDM_EDITOR_DELETE_LINE})
      EnableItem(menu, id, hasLine);
    EnableItem(menu, IDM_EDIT_PASTE, doc.GetCurrentLineItem() != nullptr);
    RenameItemContaining(menu, u"Memorize", u"Memorize " + TypeWord(type) + u"...");
    RenameItemContaining(menu, u"Template", u"Customize " + TypeWord(type) + u" Template...");
    if (type == kDocSalesOrder) RenameItemContaining(menu, u"Create Invoice", u"Create Invoice from Sales Order");
    EnableItem(menu, IDM_EDITOR_CREATE_INVOICE, type == kDocEstimate || type == kDocSalesOrder);
    for (UINT id : {static_cast<UINT>(IDM_EDITOR_LOGO), 40161u, static_cast<UINT>(IDM_EDITOR_ADD_LABEL)}) {
      if (payment) EnableItem(menu, id, false);
    }
    AppendIfMissing(menu, IDM_EDITOR_NOTES, u"Edit Notes...");
    if (type == kDocInvoice) {
      if (!MenuHas(menu, IDM_EDITOR_VOID)) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, IDM_EDITOR_VOID, u"Void Invoice");
      }
      CBstr paid;
      doc.GetXmlDocument().GetRootAttribute(u"PAID", &paid);
      LPCWSTR text = paid == std::u16string_view(u"YES") ? u"Mark as Unpaid" : u"Mark as Paid";
      if (MenuHas(menu, IDM_EDITOR_TOGGLE_PAID))
        ReplaceMenuItem(menu, IDM_EDITOR_TOGGLE_PAID, MF_BYCOMMAND, IDM_EDITOR_TOGGLE_PAID, text);
      else
        AppendMenuW(menu, MF_STRING, IDM_EDITOR_TOGGLE_PAID, text);
    } else if (type == kDocSalesReceipt) {
      AppendIfMissing(menu, IDM_EDITOR_VOID, u"Void Sales Receipt");
    }
    return;
  }
  if (MenuHas(menu, IDM_SHOW_TOOLBAR)) {
    CheckItem(menu, IDM_SHOW_TOOLBAR, m_toolbar != nullptr);
    CheckItem(menu, IDM_EDITOR_SHOW_SIGNATURE, doc.GetViewOption(kViewShowSignature) != 0);
    CheckItem(menu, IDM_EDITOR_SHOW_SHIP_TO, doc.GetViewOption(kViewShowLineTo) != 0);
    CheckItem(menu, IDM_EDITOR_VIEW_OPTION4, doc.GetViewOption(4) != 0);
    const int zoom = ZoomLevel();
    for (int level = 0; level < kZoomLevels; ++level) CheckItem(menu, kZoomCommands[level], level == zoom);
    CheckItem(menu, IDM_FIT_TO_SCREEN, FitsToScreen());
    for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i) {
      HMENU sub = GetSubMenu(menu, i);
      if (sub && MenuHas(sub, IDM_STYLE_PRODUCT)) AppendIfMissing(sub, IDM_STYLE_CUSTOM, u"Custom");
    }
    for (const StyleCommand& style : kStyleCommands) CheckItem(menu, style.id, style.style == doc.GetStyle());
    return;
  }
  if (MenuHas(menu, IDM_EDITOR_HIDE_LINKS)) {
    CheckItem(menu, IDM_EDITOR_HIDE_LINKS, doc.GetViewOption(kViewShowLinks) == 0);
    EnableItem(menu, 40247, false);
  }
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
  if (shown) m_document->Render(kRenderKeepPosition);
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
    doc.RecalcTotals(false, false);
    doc.Save(true);
  }
  if (!memorized) return;
  MessageBoxFromResource(GetHwnd(), IDS_MEMORIZED, kStyleInformation);
  doc.Render(kRenderKeepPosition);
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
    doc.RecalcTotals(dialog.amountIncludesTax, !dialog.amountIncludesTax);
    doc.Render(kRenderKeepPosition);
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
