// The main window and the editor: new documents, opening a register row, the editor's
// saves and deletes as they move the register and the customers' balances, its mail
// requests, and the menus that lead there.
#include <string>

#include "core/MenuHelpers.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ProgressWnd.h"
#include "core/WaitCursor.h"
#include "core/WindowMessages.h"
#include "devices/DocumentMail.h"
#include "document/HtmlView.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "document/EditCommand.h"
#include "editor/ItemListWnd.h"
#include "mainwindow/HeaderBar.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/RegisterList.h"
#include "mainwindow/RowActions.h"
#include "platform/base/Base.h"
#include "platform/user/Menu.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kListsHelpTopic = 2;
constexpr UINT kNewCommands[6] = {IDM_NEW_INVOICE,   IDM_NEW_ESTIMATE,  IDM_NEW_SALES_RECEIPT,
                                  IDM_NEW_PAYMENT,   IDM_NEW_SALES_ORDER, IDM_NEW_CREDIT_MEMO};
// The document menu's commands that act on the selected register row.
constexpr UINT kRowCommands[] = {IDM_PRINT_DOCUMENT, IDM_EXPORT_HTML, IDM_EXPORT_CSV, IDM_EMAIL_HTML,
                                 IDM_EMAIL_QVN};
// Entries of the document menu the program does not offer.
constexpr UINT kNeverOffered[] = {40248, 40247, 40258};

int NewKindOf(UINT command) {
  for (int kind = 0; kind < 6; ++kind)
    if (kNewCommands[kind] == command) return kind;
  return -1;
}

DWORD InvoiceStyle() { return CPreferences().Get(pref::kInvoiceStyle); }

HWND HtmlViewControl(CSalesDocument& document) {
  auto* view = dynamic_cast<CHtmlView*>(document.GetView());
  return view ? view->GetControl() : nullptr;
}

}  // namespace

void CMainFrame::ShowNewMenu(HWND owner, POINT point) {
  HMENU menu = CreatePopupMenu();
  for (int kind = 0; kind < 6; ++kind)
    AppendMenuW(menu, MF_STRING, kNewCommands[kind], m_newTexts[static_cast<size_t>(kind)].c_str());
  const UINT command =
      static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, point.x, point.y, 0, owner, nullptr));
  DestroyMenu(menu);
  if (const int kind = NewKindOf(command); kind >= 0) NewDocument(owner, kind);
}

bool CMainFrame::LeaveEditorDocument() {
  // A hidden editor was left by Done, which saved what it held.
  if (!IsEditorInFront()) return true;
  // Strokes on an open pad are part of what the user wrote.
  m_editor->AcceptOpenSignature();
  return m_editor->AskToSaveChanges();
}

LRESULT CMainFrame::NewDocument(HWND owner, int kind) {
  if (!m_editor) return 0;
  // Strokes on an open pad are part of what the user wrote; the editor's own route then
  // offers to save a changed document in sight, once, and tells this window (message
  // 1150) when the new one is started.
  if (IsEditorInFront()) m_editor->AcceptOpenSignature();
  if (owner) UpdateWindow(owner);
  if (!m_editor->NewDocument(kind)) return 0;
  m_editor->ShowView(0);
  RememberView();
  return 0;
}

int CMainFrame::OpenSelectedDocument(int row) {
  if (m_progress && !m_progress->IsRunning()) m_progress.reset();
  if (!m_editor || !m_register || row < 0) return 0;
  CWaitCursorScope wait;
  m_register->Select(row);
  std::u16string path, name;
  if (m_register->GetSelectionMark() != row || !GetRowPaths(row, path, name) || path.empty()) return 0;
  if (!OpenInEditor(path, 0)) return 0;
  if (HWND view = HtmlViewControl(m_editor->GetDocument())) SetFocus(view);
  return 1;
}

bool CMainFrame::OpenInEditor(const std::u16string& path, int scrollPosition) {
  if (!m_editor || !LeaveEditorDocument() || !m_editor->GetDocument().Open(path)) return false;
  // The undo steps of the document shown before have nothing to act on in this one.
  m_documentHistory.Clear();
  m_editor->ShowView(scrollPosition);
  RememberView();
  return true;
}

bool CMainFrame::ReadSavedRow(CSalesDocument& document, int kind, bool shownAnyway, CRegisterRow& row) {
  if (!shownAnyway && !ShowsDocumentKind(m_showKind, kind, document.GetAttribute(u"STATUS").view())) {
    m_showKind = kShowAllDocuments;
    if (m_headerBar) m_headerBar->SetShowText(m_showKind);
    m_register->SetShowKind(m_showKind);
    ReloadRegister(false);
    return false;
  }
  CXmlDocument xml(m_hwnd);
  std::u16string error;
  return ReadRegisterRow(xml, document.GetFilePath().view(), m_showKind, CRegisterOptions::Read(), row, error) ==
         RowReadResult::Row;
}

int CMainFrame::FindRowOfFile(std::u16string_view fileName) const {
  const std::u16string wanted = RegisterFileName(fileName);
  for (int i = 0, count = m_register ? m_register->GetRowCount() : 0; i < count; ++i)
    if (platform::EqualsIgnoreCase(m_register->GetRowRecord(i)->fileName, wanted)) return i;
  return -1;
}

LRESULT CMainFrame::OnDocumentSaved(CSalesDocument* document) {
  if (!document || !m_register) return 0;
  const std::u16string path(document->GetFilePath().view());
  const bool isTemplate = IsMemorizedPath(path);
  const int kind = isTemplate ? kDocMemorized : document->GetDocType();
  // A template and a document already taken back into the deleted folder owe nothing.
  if (CountsInBalance(path) && !CPreferences::UseOutlook()) MoveBalancesOfSave(*document);
  const int show = m_showKind;
  const bool shownAnyway =
      show == kShowUploaded || show == kShowAllDocuments || show == kShowDeleted || show == kShowInProgress;
  CRegisterRow row;
  if (!ReadSavedRow(*document, kind, shownAnyway, row)) return 1;
  const int index = FindRowOfFile(document->GetFileName().view());
  if (index < 0) {
    m_register->AddRow(row.name, row.amount, row.complete, row.wireless, row.fileName, row.date, row.number, row.type,
                       row.marks);
    return 1;
  }
  auto yes = [&row](int mark) { return std::u16string_view(row.marks & mark ? u"YES" : u"NO"); };
  m_register->UpdateRow(m_register->GetRowRecord(index), row.name, row.amount, row.date, row.number,
                        yes(kRowMarkSigned), yes(kRowMarkVoid), yes(kRowMarkPaid), true);
  return 1;
}

void CMainFrame::MoveBalancesOfSave(CSalesDocument& document) {
  const int kind = document.GetDocType();
  const CDecimal amount = document.GetBalanceAmount();
  CBstr customer;
  document.GetXmlDocument().GetCustomerFullName(&customer);
  const CBstr& before = document.GetPreviousCustomer();
  const int beforeKind = document.GetPreviousKind();
  if (before == customer && beforeKind == kind) {
    MoveBalanceOf(customer.view(), kind, amount - document.GetPreviousAmount(), LowersBalance(kind));
    return;
  }
  // The file changed hands or kind: what it held is taken back from the customer it was
  // saved for, and the new figure goes to the document's customer whole.
  MoveBalanceOf(before.view(), beforeKind, document.GetPreviousAmount(), !LowersBalance(beforeKind));
  MoveBalanceOf(customer.view(), kind, amount, LowersBalance(kind));
}

LRESULT CMainFrame::DeleteDocument(CSalesDocument* document, HWND owner) {
  // The request is posted: only the editor's document, still there, is acted upon.
  if (!document || !m_editor || document != &m_editor->GetDocument()) return 0;
  const int kind = document->GetDocType();
  // Named as the register names it: the row's customer, else the full name the file holds.
  CBstr customer;
  const int row = FindRowOfFile(document->GetFileName().view());
  const CRegisterRow* record = row >= 0 && m_register ? m_register->GetRowRecord(row) : nullptr;
  if (record) customer = CBstr(record->name);
  else document->GetXmlDocument().GetCustomerFullName(&customer);
  if (!ConfirmDelete(kind, owner, DeleteSubject(kind, document->GetNumber().view(), customer.view()))) return 1;
  if (document->GetStatusFlags() & kStatusSignedReadOnly) {
    MessageBoxFromResource(owner, IDS_SIGNED_NOT_DELETED, kStyleInformation);
    return 0;
  }
  const std::u16string path(document->GetFilePath().view());
  // A document never saved has no file to take away and moved no balance.
  const bool onDisk = !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  const bool inDeleted = IsDeletedPath(path);
  // The file goes first: when it stays, so do the row, the document and the balance.
  if (onDisk && !RemoveDocumentFile(path, inDeleted)) return 0;
  ShowWindow(m_editor->GetWindow(), SW_HIDE);
  CreateMenuBar();
  if (const int row = FindRowOfFile(document->GetFileName().view()); row >= 0) m_register->DeleteRow(row);
  // What the file held is taken back, from the customer it was saved for.
  if (onDisk && !inDeleted && !CPreferences::UseOutlook())
    MoveBalanceOf(document->GetPreviousCustomer().view(), document->GetPreviousKind(), document->GetPreviousAmount(),
                  !LowersBalance(document->GetPreviousKind()));
  document->InitNew(static_cast<int>(InvoiceStyle()), kind);
  m_documentHistory.Clear();
  return 1;
}

void CMainFrame::OnInitMenuPopup(HMENU menu, UINT popupId) {
  switch (popupId) {
    case IDM_NEW_INVOICE:
      for (int kind = 0; kind < 6; ++kind)
        ReplaceMenuItem(menu, static_cast<UINT>(kind), 0x400, kNewCommands[kind],
                        m_newTexts[static_cast<size_t>(kind)].c_str());
      break;
    case IDM_MAIN_DOCUMENT_POPUP: {
      const bool selected = m_register && m_register->GetSelectionMark() >= 0;
      for (UINT id : kRowCommands) EnableMenuItem(menu, id, MF_BYCOMMAND | (selected ? MF_ENABLED : MF_GRAYED));
      for (UINT id : kNeverOffered) EnableMenuItem(menu, id, MF_BYCOMMAND | MF_GRAYED);
      break;
    }
    case IDM_MAIN_VIEW_POPUP: {
      const bool byCompany = CPreferences().Get(pref::kViewInvRegByCompany) != 0;
      CheckMenuItem(menu, IDM_MAIN_VIEW_BY_COMPANY, MF_BYCOMMAND | (byCompany ? MF_CHECKED : MF_UNCHECKED));
      CheckMenuItem(menu, IDM_MAIN_VIEW_BY_NAME, MF_BYCOMMAND | (byCompany ? MF_UNCHECKED : MF_CHECKED));
      break;
    }
    default: break;
  }
}

bool CMainFrame::OnEditorCommand(UINT command) {
  if (const int kind = NewKindOf(command); kind >= 0) {
    NewDocument(m_hwnd, kind);
    return true;
  }
  switch (command) {
    case IDM_MAIN_SHOW_EDITOR:
      if (m_editor && m_rowSelectedForMenuBar) m_editor->ShowView(-1);
      return true;
    case IDM_MAIN_LINE_ITEM_LISTS:
    case IDM_MAIN_OTHER_LISTS: {
      // The lists to look after, not to add lines from: owned by the editor, shown over it.
      CItemListWnd* list = m_editor ? m_editor->GetItemListWnd() : nullptr;
      if (!list) return true;
      CWaitCursorScope wait;
      list->Open(m_editor->GetWindow(), 0, false, command == IDM_MAIN_OTHER_LISTS, kListsHelpTopic);
      return true;
    }
    default: return false;
  }
}

LRESULT CMainFrame::OnEditorMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!m_editor) return 0;
  HWND editor = m_editor->GetWindow();
  switch (msg) {
    case kMsgEmailHtml: return EmailDocumentAsHtml(editor, m_editor->GetDocument());
    case kMsgEmailQvn: return EmailDocumentAsQvn(editor, m_editor->GetDocument());
    case kMsgDeleteDocument:
      return DeleteDocument(reinterpret_cast<CSalesDocument*>(lParam), reinterpret_cast<HWND>(wParam));
    case kMsgDocumentSaved: {
      const LRESULT saved = OnDocumentSaved(reinterpret_cast<CSalesDocument*>(lParam));
      RememberView();
      return saved;
    }
    case kMsgNewInvoice: return NewDocument(m_hwnd, kDocInvoice);
    case kMsgShowEditor:
      if (IsWindowVisible(editor)) SetForegroundWindow(editor);
      return 0;
    default: return 0;
  }
}
