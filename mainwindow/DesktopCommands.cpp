// The desktop companion's commands, which the relay hands the main window as WM_COPYDATA:
// the job and list updates, the owner information, the templates and the database files.
#include "core/CompanyInfo.h"
#include "core/MessageBoxes.h"
#include "core/ProgressWnd.h"
#include "core/ResourceText.h"
#include "core/Utilities.h"
#include "core/WaitCursor.h"
#include "core/WindowMessages.h"
#include "datastore/ItemStore.h"
#include "datastore/StoreLists.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "document/EditCommand.h"
#include "listupdate/ListUpdater.h"
#include "mainwindow/CustomerListHook.h"
#include "mainwindow/DesktopFiles.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/RegisterList.h"
#include "platform/base/Format.h"
#include "resources/resource_ids.h"

namespace {

// The new documents' style, as the program starts them.
constexpr int kTemplateStyle = 4;

// Marks a desktop command as running for its scope.
class CRunningCommand {
 public:
  explicit CRunningCommand(bool& flag) : m_flag(flag) { m_flag = true; }
  ~CRunningCommand() { m_flag = false; }
  CRunningCommand(const CRunningCommand&) = delete;
  CRunningCommand& operator=(const CRunningCommand&) = delete;

 private:
  bool& m_flag;
};

}  // namespace

LRESULT CMainFrame::OnCopyData(const COPYDATASTRUCT* copy) {
  SetForegroundWindow(m_hwnd);
  if (!copy) return 1;
  // The progress window lets messages through while a command runs: a second command
  // arriving then would pull the database or the lists from under the first.
  if (m_desktopCommandRunning) return 0;
  CRunningCommand running(m_desktopCommandRunning);
  m_storeOpened = m_storeOpened || (m_itemStore && m_itemStore->IsOpen());
  switch (static_cast<DesktopCommand>(copy->dwData)) {
    case DesktopCommand::UpdateJobsSilent: return UpdateJobs(false);
    case DesktopCommand::UpdateJobs: return UpdateJobs(true);
    case DesktopCommand::UpdateLists: return UpdateLists(*copy);
    case DesktopCommand::OwnerInfo: WriteOwnerInfoFile(m_hwnd); return 1;
    case DesktopCommand::Templates: WriteTemplates(); return 1;
    case DesktopCommand::LoadDatabaseUpdate: return LoadDatabaseUpdate();
    case DesktopCommand::CopyDatabase: return CopyDatabaseForDesktop();
    case DesktopCommand::OpenDatabase: OpenDatabaseAgain(); return 1;
    case DesktopCommand::CloseDatabase: {
      CWaitCursorScope wait;
      WaitForCustomerLoader();
      if (m_storeOpened) m_itemStore->Close();
      return 1;
    }
    case DesktopCommand::ConvertOneToTwo:
    default: return 1;  // accepted, nothing to do; so is an unknown code
  }
}

CProgressWnd& CMainFrame::DesktopProgress() {
  // A window of its own that the main window owns: it stays above the register, takes the
  // taps that land on it and comes to the front over the editor at each step, so a run
  // that finished while the user was elsewhere is seen and ended there. The main window
  // also hears when the user closes it.
  if (!m_progress) m_progress = std::make_unique<CProgressWnd>(GetResourceInstance(), m_hwnd, m_hwnd);
  return *m_progress;
}

LRESULT CMainFrame::UpdateJobs(bool waitForOk) {
  CProgressWnd& progress = DesktopProgress();
  progress.Show(CBstr(waitForOk ? u"DedadErude Update" : u"Slateway"), true);
  if (!progress.SetStatus(CBstr(waitForOk ? u"Updating Jobs..." : u"Updating List..."))) return 0;
  if (m_register) {
    m_register->Reload(waitForOk, false, ProgressStatus(progress), m_customSettings.get());
    m_register->SetSelectionMark(-1);
  }
  if (waitForOk) progress.SetStatusId(IDS_DESKTOP_JOBS_UPDATED, true);
  else PostMessageW(m_hwnd, kMsgProgressClosed, 0, 0);
  return 1;
}

LRESULT CMainFrame::UpdateLists(const COPYDATASTRUCT& copy) {
  WaitForCustomerLoader();
  CProgressWnd& progress = DesktopProgress();
  progress.Show(CBstr(u"Lists Update"), true);
  CProgressWndStatus status(progress);
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  // Without a usable name in the message the update reads its default files.
  const std::u16string file = UpdateFileFromCopyData(copy).value_or(std::u16string());
  int result = 0;
  {
    FinishListChanges();
    // The customer list holds back while the customers change and reads them again after.
    CCustomerListHook customerList(GetCustomerList());
    CListUpdater updater(m_itemStore.get(), m_customerSource.get(),
                         &company, GetItemsTreeHook(), &status, GetCustomerList() ? &customerList : nullptr, file);
    updater.SetHistories(&m_documentHistory, &m_listHistory);
    if (m_lists) m_lists->Unload();
    result = updater.Run(m_hwnd);
  }
  progress.SetStatusId(IDS_DESKTOP_RELOADING_LISTS, false);
  if (m_lists) m_lists->Reload();
  if (!result) {
    // A failed update closes its progress window without waiting for "Ok".
    PostMessageW(m_hwnd, kMsgProgressClosed, 0, 0);
    return 0;
  }
  progress.SetStatusId(IDS_DESKTOP_LISTS_UPDATED, true);
  return result;
}

void CMainFrame::WriteTemplates() {
  if (m_editor) {
    // The document being worked on goes to its file first, so the desktop finds it as
    // the user sees it; the templates follow its settings even when the register is in
    // front and nothing is saved.
    CSalesDocument& current = m_editor->GetDocument();
    if (IsEditorInFront()) current.Save();
    WriteDocumentTemplates(current);
    return;
  }
  CSalesDocument document(nullptr, m_hwnd, kTemplateStyle, false, m_customSettings.get());
  if (!document.GetXmlDocument().LoadXmlText(CSalesDocument::BuildSkeleton(0))) return;
  WriteDocumentTemplates(document);
}

LRESULT CMainFrame::LoadDatabaseUpdate() {
  CProgressWnd& progress = DesktopProgress();
  progress.Show(CBstr(u"Slateway"), true);
  if (!progress.SetStatus(CBstr(u"Updating Database..."))) return 0;
  CWaitCursorScope wait;
  WaitForCustomerLoader();
  const CDatabaseFiles files = GetDatabaseFiles();
  // Nothing replaced is told as such, and answered as a command not carried out.
  UINT closing = IDS_DESKTOP_NO_DATABASE_UPDATE;
  if (m_storeOpened && !files.name.empty() && FileExists(files.Update())) {
    ReleaseLists();
    closing = ExchangeDatabase(*m_itemStore, files) == DatabaseExchange::Kept ? IDS_DESKTOP_DATABASE_KEPT
                                                                              : IDS_DESKTOP_DATABASE_UPDATED;
    ReadListsAgain();
  }
  progress.SetStatusId(closing, true);
  return closing == IDS_DESKTOP_DATABASE_UPDATED ? 1 : 0;
}

LRESULT CMainFrame::CopyDatabaseForDesktop() {
  const CDatabaseFiles files = GetDatabaseFiles();
  {
    CWaitCursorScope wait;
    WaitForCustomerLoader();
    if (!m_storeOpened || CopyDatabaseToUpdateFile(files)) return 1;
  }
  // The copy is written whole or not at all: the desktop must not take an old or partial
  // update file for this database, so it hears the command failed.
  const DWORD error = GetLastError();
  const bool full = error == ERROR_DISK_FULL;
  const std::u16string text = platform::FormatWide(
      LoadResText(full ? IDS_DESKTOP_DISK_FULL_NOT_COPIED : IDS_DESKTOP_DATABASE_NOT_COPIED), {files.Update()});
  MessageBoxW(m_hwnd, text.c_str(), kProductName, MB_OK | MB_ICONEXCLAMATION);
  return 0;
}

void CMainFrame::OpenDatabaseAgain() {
  CWaitCursorScope wait;
  WaitForCustomerLoader();
  if (!m_storeOpened) return;
  FinishListChanges();
  // The store's open lets an open connection go first.
  m_itemStore->Open(GetDatabaseFiles().Database());
  ReadListsAgain();
}
