// The editor's commands: what each menu item and button of the editor does (OnCommand) and
// how its menus are set as they open (OnInitMenuPopup), with the calls that hand a command
// or a request on to the main window.
#include "editor/DocumentView.h"

#include "core/MenuHelpers.h"
#include "core/Parcel.h"
#include "core/Preferences.h"
#include "core/TextHelpers.h"
#include "core/WaitCursor.h"
#include "document/HtmlView.h"
#include "document/SalesDocument.h"
#include "document/XmlDocument.h"
#include "editor/CustomerCommands.h"
#include "document/EditCommand.h"
#include "editor/LineItemCommands.h"
#include "platform/user/Menu.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kZoomLevels = 5;
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

}  // namespace

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
  m_document->Render(RenderMode::KeepPosition, m_savedScroll);
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
  m_document->Render(RenderMode::KeepPosition);
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
      doc.Render(RenderMode::KeepPosition);
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
      if (doc.Void()) doc.Render(RenderMode::KeepPosition);
      return true;
    case IDM_EDITOR_TOGGLE_PAID:
      doc.TogglePaid();
      doc.ShowAttributeChange(u"PAID", RenderMode::KeepPosition);
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
