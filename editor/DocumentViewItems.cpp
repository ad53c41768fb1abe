// The editor's Add Line Item: the items list opened over the editor in line item mode; the
// items the user checks there come back as lines of the open document, each line its own
// step of the document history; "Add to invoice" on one node adds its items as one step.
#include "core/ResourceText.h"
#include "core/WaitCursor.h"
#include "datastore/CustomerFields.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "document/EditCommand.h"
#include "editor/ItemListWnd.h"
#include "editor/LineItemCommands.h"
#include "editor/LineItemDlg.h"

namespace {

constexpr int kEditorHelpTopic = 1;

}  // namespace

CItemListWnd* CDocumentView::GetItemListWnd() {
  if (!m_itemList && m_listHistory && m_itemStore) {
    m_itemList = std::make_unique<CItemListWnd>(GetResourceInstance(), m_mainWindow, *m_listHistory, *m_itemStore,
                                                m_document->GetDocType());
    m_itemList->SetAddItemsHandler([this](std::vector<std::unique_ptr<CDbRecord>> items, int linePosition) {
      AddListItems(std::move(items), linePosition);
    });
    m_itemList->SetAddNodeHandler([this](std::vector<std::unique_ptr<CDbRecord>> items, int linePosition) {
      AddNodeItems(std::move(items), linePosition);
    });
  }
  return m_itemList.get();
}

bool CDocumentView::IsItemListVisible() const { return m_itemList && m_itemList->IsVisible(); }

void CDocumentView::OpenItemList() {
  CItemListWnd* list = GetItemListWnd();
  if (!list) return;
  CWaitCursorScope wait;
  list->SetDocumentType(m_document->GetDocType());
  // Without a current line the new lines go to the end.
  const int linePosition = m_document->GetCurrentLineKey().IsEmpty() ? 1 : 0;
  list->Open(GetHwnd(), linePosition, true, false, kEditorHelpTopic);
}

AddItemsForm CDocumentView::AddItemForm(HWND itemList, bool atEnd, bool render) {
  return [this, itemList, atEnd, render](std::vector<std::unique_ptr<CDbRecord>>& records, const CBstr& priceLevel) {
    // One form per item; each accepted item is added at once, with its price level.
    CAddLineItemsDlg(GetResourceInstance(), m_itemStore, itemList, GetHwnd(), *m_document, std::move(records), render,
                     atEnd, true, 1, priceLevel)
        .Run();
  };
}

void CDocumentView::AddListItems(std::vector<std::unique_ptr<CDbRecord>> items, int linePosition) {
  if (items.empty() || !m_listHistory) return;
  // The lines go to the document history through the editor (which hands them on to the
  // main window); the editor shows the document again once they are in (message 1154).
  const bool atEnd = linePosition != 0;
  HWND list = m_itemList ? m_itemList->GetHwnd() : nullptr;
  auto add = std::make_unique<CAddItemsCommand>(*m_document, m_itemStore, std::move(items), GetHwnd(), atEnd, false,
                                                AddItemForm(list, atEnd, false));
  m_listHistory->Submit(std::move(add));
  m_listHistory->ExecutePending();
}

void CDocumentView::AddNodeItems(std::vector<std::unique_ptr<CDbRecord>> items, int linePosition) {
  if (items.empty()) return;
  const bool atEnd = linePosition != 0;
  HWND list = m_itemList ? m_itemList->GetHwnd() : nullptr;
  AddItemAsker ask = [this, list, atEnd](std::vector<std::unique_ptr<CDbRecord>>& records, const AddLineSink& sink) {
    HWND self = GetHwnd();
    if (records.size() == 1 && !NeedsNoQuestions(records[0]->FieldView(kLineFieldType))) {
      // One item: its own line form, opened on the quantity.
      CLineItemDlg form(GetResourceInstance(), list ? list : self, u'Q', *records[0], *m_document, m_itemStore);
      if (form.DoModal() == 0) return;
      sink(std::make_unique<CAddLineItemCommand>(*m_document, self, m_itemStore, std::move(records[0]),
                                                 CAddLineItemCommand::Placing{.atEnd = atEnd, .sound = true}));
      return;
    }
    CBstr level;
    if (CCustomerRecord* customer = m_document->GetCustomer()) level = CBstr(customer->FieldView(kCustPriceLevel));
    CAddLineItemsDlg(GetResourceInstance(), m_itemStore, list, self, *m_document, std::move(records), false, atEnd,
                     true, 0, level, sink)
        .Run();
  };
  RunDocumentCommand(std::make_unique<CAddItemCommand>(*m_document, std::move(items), atEnd, m_itemStore, ask), false);
}
