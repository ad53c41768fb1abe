// The main window's part in the customer list: it makes the list window once over the
// customer source, shows it when the editor asks for its document's customer, holds the
// database back from the list's loader for the desktop's commands, and lends the window to
// the list update.
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "core/WaitCursor.h"
#include "customers/CustomerDlg.h"
#include "customers/CustomerListWnd.h"
#include "datastore/CustomerSource.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "mainwindow/CustomerListHook.h"
#include "mainwindow/MainFrame.h"
#include "platform/user/Paint.h"

void CMainFrame::CreateCustomerList() {
  // The old window reads the old source until it is gone: it goes first.
  m_customerList.reset();
  if (!m_customerSource) return;
  // Their templates lie in the language library.
  HINSTANCE resources = GetResourceInstance();
  if (auto* table = dynamic_cast<CQBCustomerSource*>(m_customerSource.get())) {
    if (!m_customerDialog) m_customerDialog = std::make_unique<CCustomerDialogRunner>(resources, m_itemStore.get());
    table->SetDialog(m_customerDialog.get());
  }
  m_customerList = std::make_unique<CCustomerListWnd>(resources, m_hwnd, m_customerSource.get(), m_preferences.get());
  // The chosen customer goes to the document open in the editor, whichever that is then.
  m_customerList->SetDocumentOf([this]() -> CSalesDocument* { return m_editor ? &m_editor->GetDocument() : nullptr; });
  m_customerList->StartLoader(CCustomerLoader::kPriorityBelowNormal);
}

int CMainFrame::ShowContacts(HWND owner, int mode) {
  CWaitCursorScope wait;
  if (!m_customerList) CreateCustomerList();
  if (m_customerList) m_customerList->Show(owner, mode);
  return 1;
}

bool CMainFrame::UsesDeviceChooser() const {
  // The device's chooser lists contacts only: customers kept in the customer table, with
  // their jobs and the list ids the desktop matches them by, are always picked from the
  // program's list. Contacts are picked with the chooser on later systems, unless the user
  // turned to the program's list.
  return CPreferences::UseOutlook() && IsSystem5() && m_preferences->Get(pref::kUseWm2003Contacts) == 0;
}

LRESULT CMainFrame::OnChooseCustomer(HWND owner) {
  if (!owner) owner = m_hwnd;
  return UsesDeviceChooser() ? ChooseContact(owner, 0) : ShowContacts(owner, CCustomerListWnd::kPickMode);
}

void CMainFrame::WaitForCustomerLoader() {
  if (!m_customerList) return;
  CWaitCursorScope wait;
  m_customerList->WaitForLoader();
}

bool CMainFrame::IsCustomerListVisible() const {
  return m_customerList && m_customerList->GetHwnd() && IsWindowVisible(m_customerList->GetHwnd());
}

bool CMainFrame::IsEditorInFront() const {
  // The editor covers the register whenever it is shown; the screens it opens over itself
  // (items, customers, reports) leave its document the one being worked on.
  return m_editor && m_editor->GetWindow() && IsWindowVisible(m_editor->GetWindow());
}

void CMainFrame::RefreshCustomerList(bool databaseChanged) {
  if (!m_customerList) return;
  if (databaseChanged) {
    // The rows the list holds came from the database that was there before; they are
    // read again at once, as after a list update, so no row of the old one is picked.
    m_customerList->Reload(true);
    return;
  }
  if (HWND window = m_customerList->GetHwnd()) {
    PostMessageW(window, kMsgReopenList, 0, 0);
    return;
  }
  // Never shown yet: the rows read at start-up are read again before it first shows.
  m_customerList->StartLoader(CCustomerLoader::kPriorityBelowNormal);
}

// ---- The list update's hold on the window -------------------------------------------------------

void CCustomerListHook::SetListUpdateRunning(bool running) {
  if (m_window) m_window->SetListUpdateRunning(running);
}

void CCustomerListHook::SetupColumns(int mode) {
  if (m_window) m_window->SetupColumns(mode != 0);
}

void CCustomerListHook::Reload(int reloadSource) {
  if (m_window) m_window->Reload(reloadSource != 0);
}

void CCustomerListHook::InvalidateList() {
  if (m_window && m_window->ListWindow()) InvalidateRect(m_window->ListWindow(), nullptr, FALSE);
}
