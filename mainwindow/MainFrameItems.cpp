// The main window's share of the items list: the entry dialogs the tree commands run (they
// live in the customers folder, above the editor), and the items tree read again whenever
// the lists behind it were replaced (a list update, a new or reopened database).
#include <memory>
#include <string>

#include "core/ResourceText.h"
#include "customers/ItemEntryDlg.h"
#include "customers/ListEntryForm.h"
#include "datastore/DbRecord.h"
#include "datastore/StoreLists.h"
#include "editor/DocumentView.h"
#include "document/EditCommand.h"
#include "editor/ItemListWnd.h"
#include "editor/ItemTreeCommands.h"
#include "listupdate/ListUpdater.h"
#include "mainwindow/MainFrame.h"

namespace {

// The list entry form for any list record, the item editor for stocked items; both edit
// the record in place under the type the record already carries. `resources` is the
// library their templates come from.
class CItemEntryDialogs final : public IItemEntryDialogs {
 public:
  CItemEntryDialogs(HINSTANCE resources, CItemStore* store) : m_resources(resources), m_store(store) {}
  int EditListEntry(HWND owner, CDbRecord& record, int documentType) override {
    CListEntryForm form(m_resources, owner, m_store, record, std::u16string(record.FieldView(kFieldListType)),
                        documentType);
    return static_cast<int>(form.Run());
  }
  int EditInventoryItem(HWND owner, CDbRecord& record, int documentType) override {
    CItemEntryDlg dialog(m_resources, owner, m_store, record, std::u16string(record.FieldView(kFieldListType)), false,
                         documentType);
    return static_cast<int>(dialog.DoModal());
  }

 private:
  HINSTANCE m_resources;
  CItemStore* m_store;  // not owned
};

// What the list update refills when it is done.
class CItemsTreeRefill final : public IUpdateListTree {
 public:
  explicit CItemsTreeRefill(CMainFrame& frame) : m_frame(frame) {}
  void Refill() override { m_frame.RefillItemsTree(); }

 private:
  CMainFrame& m_frame;
};

}  // namespace

void CMainFrame::StartItemsList() {
  m_itemDialogs = std::make_unique<CItemEntryDialogs>(GetResourceInstance(), m_itemStore.get());
  SetItemEntryDialogs(m_itemDialogs.get());
  m_itemsTreeHook = std::make_unique<CItemsTreeRefill>(*this);
}

void CMainFrame::StopItemsList() {
  if (GetItemEntryDialogs() == m_itemDialogs.get()) SetItemEntryDialogs(nullptr);
  m_itemDialogs.reset();
}

IUpdateListTree* CMainFrame::GetItemsTreeHook() const { return m_itemsTreeHook.get(); }

void CMainFrame::RefillItemsTree() {
  CItemListWnd* list = m_editor ? m_editor->GetItemListWnd() : nullptr;
  if (list && list->Tree()) list->Tree()->Refill();
}

void CMainFrame::ReleaseLists() {
  m_documentHistory.Clear();
  FinishListChanges();
  if (m_lists) m_lists->Unload();
}

void CMainFrame::ReadListsAgain() {
  if (m_lists) m_lists->Reload();
  RefillItemsTree();
  RefreshCustomerList(true);
}

void CMainFrame::FinishListChanges() {
  // A category deleted in the items list keeps its contents until its step leaves the list
  // history; it must go now, while the rows it names are still the ones it deleted.
  m_listHistory.Clear();
}
