// The main window's actions on the documents of the register: opening a row's file on
// its own, asking before a delete, deleting a row's document, and exporting it.
#include <algorithm>
#include <memory>

#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/TextHelpers.h"
#include "core/WaitCursor.h"
#include "devices/DocumentMail.h"
#include "document/DocumentNumbering.h"
#include "document/DocumentStylesheet.h"
#include "document/SalesDocument.h"
#include "document/XmlDocument.h"
#include "mainwindow/HeaderBar.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/RegisterList.h"
#include "mainwindow/RowActions.h"
#include "platform/shell/FileDialogs.h"
#include "resources/resource_ids.h"

namespace {

constexpr char16_t kCouldNotDelete[] = u"Could not delete file %s.  Tap View > Refresh List to reload documents.";
constexpr size_t kFileBuffer = 260;
constexpr DWORD kFileOffered = 130;


}  // namespace

bool CMainFrame::GetRowPaths(int row, std::u16string& path, std::u16string& name) const {
  std::u16string stored;
  if (!m_register || !m_register->GetRowFileName(row, stored)) return false;
  BuildRowPaths(m_register->GetShowKind(), stored, path, name);
  return true;
}

std::unique_ptr<CSalesDocument> CMainFrame::OpenRowDocument(int row) {
  std::u16string path, name;
  if (row < 0 || !GetRowPaths(row, path, name) || path.empty()) return nullptr;
  auto document = std::make_unique<CSalesDocument>(m_hwnd, m_hwnd, 4, false, m_customSettings.get());
  if (!document->Open(path)) return nullptr;
  return document;
}

std::u16string CMainFrame::DeleteSubject(int kind, std::u16string_view number, std::u16string_view customer) const {
  if (kind == kDocMemorized) return std::u16string(customer);  // a template goes by its own name
  CBstr title;
  GetCustomDocumentTypeName(kind, title, m_customSettings.get());
  std::u16string subject = title.str();
  if (!number.empty()) subject.append(u" ").append(number);
  if (!customer.empty()) subject.append(u", ").append(customer);
  return subject;
}

bool CMainFrame::ConfirmDelete(int kind, HWND owner, std::u16string_view name) {
  const int id = DeleteQuestionId(kind, !name.empty(), m_showKind);
  if (name.empty()) return AskYesNoRes(owner, static_cast<UINT>(id));
  return AskYesNoResValue(owner, static_cast<UINT>(id), std::u16string(name).c_str());
}

bool CMainFrame::DeleteRowDocument(int row) {
  const CRegisterRow* record = m_register ? m_register->GetRowRecord(row) : nullptr;
  if (!record) return false;
  const int kind = record->type;
  if (!ConfirmDelete(kind, m_hwnd, DeleteSubject(kind, record->number, record->name))) return false;
  std::u16string path, name;
  if (!GetRowPaths(row, path, name)) return false;
  CDecimal amount;
  std::unique_ptr<CSalesDocument> document;
  {
    CWaitCursorScope wait;
    document = std::make_unique<CSalesDocument>(m_hwnd, m_hwnd, 4, false, m_customSettings.get());
    if (!document->Open(path)) document.reset();
  }
  // A signed document stays whichever customer source is in use.
  if (document && (document->GetStatusFlags() & kStatusSignedReadOnly)) {
    MessageBoxFromResource(m_hwnd, IDS_SIGNED_NOT_DELETED, kStyleInformation);
    return false;
  }
  if (document) amount = document->GetBalanceAmount();
  // The file goes first; the row and the balance follow only once it is gone, so a
  // failed delete leaves everything as it was. Only a deleted document is erased for good.
  const bool deleted = IsDeletedPath(path);
  if (!RemoveDocumentFile(path, deleted)) return false;
  // A memorized template and a document already in the deleted folder owe nothing.
  if (document && kind != 6 && !deleted)
    UpdateCustomerBalance(*document, amount, !LowersBalance(kind));
  m_register->DeleteRow(row);
  CreateMenuBar();
  return true;
}

bool CMainFrame::RemoveDocumentFile(const std::u16string& path, bool forGood) {
  if (forGood ? DeleteFileW(path.c_str()) != FALSE : MoveDocumentToDeleted(CBstr(path))) return true;
  std::u16string text(kCouldNotDelete);
  text.replace(text.find(u"%s"), 2, path);  // the path is data, never a format
  MessageBoxW(m_hwnd, text.c_str(), kProductName, kStyleWarning);
  return false;
}

bool CMainFrame::ExportRow(HWND owner, bool csv) {
  if (!m_register) return false;
  auto document = OpenRowDocument(m_register->GetSelectionMark());
  if (!document) return false;
  CBstr defaultPath;
  MakeDocumentFileName(document->GetNumber().view(), defaultPath, document->GetDocType());
  std::u16string title(defaultPath.view());
  title = title.substr(title.find_last_of(u'\\') + 1);
  if (const size_t dot = title.rfind(u'.'); dot != std::u16string::npos) title.resize(dot);
  WCHAR file[kFileBuffer] = {};
  std::char_traits<char16_t>::copy(file, title.c_str(), std::min(title.size(), kFileBuffer - 1));
  OPENFILENAMEW ofn;
  ofn.lStructSize = 76;
  ofn.hwndOwner = owner;
  ofn.lpstrFile = file;
  ofn.nMaxFile = kFileOffered;
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  if (csv) {
    ofn.lpstrFilter = u"Comma Separated (*.CSV)\0*.CSV\0";
    ofn.lpstrDefExt = u"CSV";
  } else {
    ofn.lpstrTitle = u"Export As";
    ofn.lpstrFilter = u"Invoices (*.HTM)\0*.HTM\0";
    ofn.lpstrDefExt = u"HTM";
  }
  if (!GetSaveFileNameW(&ofn)) return false;
  const bool written = csv ? ExportCsv(*document, owner, file) : ExportHtml(*document, owner, file, nullptr, nullptr, false);
  if (written) MessageBoxFromResource(owner, IDS_FILE_SAVED, kStyleInformation);
  return written;
}

bool CMainFrame::EmailRow(HWND owner, bool asHtml) {
  if (!m_register) return false;
  auto document = OpenRowDocument(m_register->GetSelectionMark());
  if (!document) return false;
  return (asHtml ? EmailDocumentAsHtml(owner, *document) : EmailDocumentAsQvn(owner, *document)) != 0;
}

void CMainFrame::ShowRowMenu(HWND owner, int row, POINT point) {
  const CRegisterRow* record = m_register ? m_register->GetRowRecord(row) : nullptr;
  if (!record) return;
  static const char16_t* const kDeleteTexts[] = {u"Delete Invoice",    u"Delete Estimate",    u"Delete Sales Receipt",
                                                 u"Delete Payment",    u"Delete Sales Order", u"Delete Credit Memo",
                                                 u"Delete Memorized Document"};
  HMENU menu = CreatePopupMenu();
  HMENU exportMenu = CreatePopupMenu();
  HMENU emailMenu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, IDM_ROW_EDIT, u"Edit...");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, IDM_PRINT_DOCUMENT, u"Print...");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(exportMenu, MF_STRING, IDM_EXPORT_HTML, u"HTML...");
  AppendMenuW(exportMenu, MF_STRING, IDM_EXPORT_CSV, u"CSV...");
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(exportMenu), u"Export to");
  AppendMenuW(emailMenu, MF_STRING, IDM_EMAIL_HTML, u"HTML");
  AppendMenuW(emailMenu, MF_STRING, IDM_EMAIL_QVN, u"QVN");
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(emailMenu), u"Email as");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  const int kind = record->type >= 0 && record->type <= 6 ? record->type : 0;
  AppendMenuW(menu, MF_STRING, IDM_DELETE_DOCUMENT, kDeleteTexts[kind]);
  const UINT command = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, point.x, point.y, 0, owner, nullptr));
  DestroyMenu(menu);  // takes its submenus along
  UpdateWindow(m_hwnd);
  CreateMenuBar();
  switch (command) {
    case IDM_EXPORT_HTML: ExportRow(owner, false); break;
    case IDM_EXPORT_CSV: ExportRow(owner, true); break;
    case IDM_EMAIL_HTML: EmailRow(owner, true); break;
    case IDM_EMAIL_QVN: EmailRow(owner, false); break;
    case IDM_DELETE_DOCUMENT: DeleteRowDocument(row); break;
    case IDM_PRINT_DOCUMENT: PrintRow(owner); break;
    case IDM_ROW_EDIT: OpenSelectedDocument(row); break;
    default: break;
  }
}

LRESULT CMainFrame::OnDocumentAdded(CSalesDocument* document) {
  if (!document || !m_register) return 0;
  const std::u16string path(document->GetFilePath().view());
  const bool isTemplate = IsMemorizedPath(path);
  const int kind = isTemplate ? 6 : document->GetDocType();
  // A template is no sale, and a copy put into the deleted folder is taken back already.
  if (CountsInBalance(path)) UpdateCustomerBalance(*document, document->GetBalanceAmount(), LowersBalance(kind));
  CRegisterRow row;
  if (!ReadSavedRow(*document, kind, m_showKind == kShowAllDocuments || m_showKind == kShowInProgress, row)) return 1;
  m_register->AddRow(row.name, row.amount, row.complete, row.wireless, row.fileName, row.date, row.number, row.type,
                     row.marks);
  return 1;
}
