#include "editor/LineItemCommands.h"

#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/TextHelpers.h"
#include "core/WaitCursor.h"
#include "datastore/CustomerFields.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "document/SalesDocument.h"
#include "platform/user/Window.h"

namespace {

constexpr UINT kIdsLowStock = 40644;
constexpr UINT kIdsItemMissing = 40662;
constexpr int kObjectTypeLabel = 8;
constexpr char16_t kLabelType[] = u"QVNLABEL";
constexpr char16_t kInventoryPart[] = u"Inventory Part";
constexpr int kLineFieldDescription = 6;
constexpr int kLineFieldCategory = 5;
constexpr int kLineFieldItemId = 0;

int LineQuantity(const CDbRecord& line) { return static_cast<int>(ParseNumberText(line.FieldView(kLineFieldQuantity))); }

CBstr KeyOf(const CDbRecord& line) { return CBstr(line.FieldView(kLineFieldKey)); }

// Puts a record that is already a line back before `nextKey` (at the end when that line
// is gone or the key is empty). The user's current line stays what it was.
bool PutBackLine(CSalesDocument& document, CDbRecord& line, const CBstr& nextKey, bool sound, int recalc) {
  const CBstr current = document.GetCurrentLineKey();
  document.SetCurrentLineKey(nextKey);
  const bool added = document.AddLineItem(line, false, sound, recalc);
  document.SetCurrentLineKey(current);
  return added;
}

// Removes the line of the record and keeps the key of the line that followed it.
void TakeOutLine(CSalesDocument& document, const CDbRecord& line, CBstr& nextKey) {
  document.DeleteLineItem(KeyOf(line), &nextKey, false, false);
}

}  // namespace

// ---- Stock ------------------------------------------------------------------------------------

int CStockKeeper::StockChangeFor(const CSalesDocument& document, const CDbRecord& line, int lineQuantityChange) const {
  if (!m_store || lineQuantityChange == 0) return 0;
  DWORD track = 0;
  if (!CPreferences().Query(pref::kTrackInventory, track) || track == 0) return 0;
  if (document.GetDocType() == kDocEstimate) return 0;
  if (line.FieldView(kLineFieldType) != kInventoryPart) return 0;
  return document.GetDocType() == kDocCreditMemo ? lineQuantityChange : -lineQuantityChange;
}

// The item is read fresh from the store and only its stock is written back: the line
// record carries the line's own texts (name, category, custom fields), which must never
// reach the item row.
void CStockKeeper::Apply(const CDbRecord& line, int change, bool tell) const {
  if (!m_store || change == 0) return;
  std::unique_ptr<CDbRecord> item = m_store->GetItemByListID(line.FieldView(kLineFieldItemId), kInventoryPart);
  if (!item) {
    if (tell) ShowWarningResText(m_owner, kIdsItemMissing, std::u16string(line.FieldView(kLineFieldName)).c_str());
    return;
  }
  const int onHand = item->GetQuantity(kQuantityOnHand) + change;
  item->SetQuantity(kQuantityOnHand, onHand);
  m_store->UpdateItem(*item);
  if (tell && onHand <= item->GetQuantity(kReorderPoint) + item->GetQuantity(kQuantityOnSalesOrder))
    ShowFormattedInfoMessage(m_owner, kIdsLowStock, std::u16string(item->FieldView(kFieldName)).c_str());
}

// ---- Add Line Item ----------------------------------------------------------------------------

CAddLineItemCommand::CAddLineItemCommand(CSalesDocument& document, HWND owner, CItemStore* store,
                                         std::unique_ptr<CDbRecord> record, Placing placing)
    : CDocumentCommand(document, u"Add Line Item", true),
      m_stock(store, owner),
      m_record(std::move(record)),
      m_render(placing.render),
      m_atEnd(placing.atEnd),
      m_sound(placing.sound),
      m_recalc(placing.recalc) {}

CAddLineItemCommand::~CAddLineItemCommand() = default;

bool CAddLineItemCommand::Do(bool isRedo) {
  if (!Add(isRedo)) return false;
  if (m_render) ShowChanges(RenderMode::KeepPosition);
  m_render = true;
  return true;
}

bool CAddLineItemCommand::Add(bool isRedo) {
  if (!m_record) return false;
  CWaitCursorScope wait;
  CSalesDocument& document = Document();
  // A line the document refuses leaves nothing for Undo to take out.
  const bool added = isRedo ? PutBackLine(document, *m_record, m_nextKey, m_sound, m_recalc)
                            : document.AddLineItem(*m_record, m_atEnd, m_sound, m_recalc);
  if (!added) return false;
  if (!isRedo) m_stockChange = m_stock.StockChangeFor(document, *m_record, LineQuantity(*m_record));
  m_stock.Apply(*m_record, m_stockChange, true);
  return true;
}

bool CAddLineItemCommand::Undo() {
  TakeOut();
  ShowChanges(RenderMode::KeepPosition);
  return true;
}

void CAddLineItemCommand::TakeOut() {
  CWaitCursorScope wait;
  TakeOutLine(Document(), *m_record, m_nextKey);
  m_stock.Apply(*m_record, -m_stockChange, false);
}

// ---- Add Item ---------------------------------------------------------------------------------

CAddItemCommand::CAddItemCommand(CSalesDocument& document, std::vector<std::unique_ptr<CDbRecord>> items, bool atEnd,
                                 CItemStore* store, AddItemAsker ask)
    : CDocumentCommand(document, u"Add Item", true),
      m_items(std::move(items)),
      m_atEnd(atEnd),
      m_store(store),
      m_ask(std::move(ask)) {}

CAddItemCommand::~CAddItemCommand() = default;

void CAddItemCommand::SetLineCategory(CDbRecord& item, std::u16string_view parentFullName, bool parentIsGroup) {
  if (!parentIsGroup) {
    item.SetField(kLineFieldCategory, parentFullName);
    return;
  }
  item.SetField(kFieldFallbackParent, std::u16string(item.FieldView(kLineFieldCategory)));
  std::u16string_view fullName = item.FieldView(kFieldFullName);
  std::u16string_view middle;
  const size_t last = fullName.rfind(u':');
  if (last != std::u16string_view::npos) {
    std::u16string_view before = fullName.substr(0, last);
    const size_t first = before.find(u':');
    if (first != std::u16string_view::npos) middle = before.substr(first + 1);
  }
  item.SetField(kLineFieldCategory, std::u16string(middle));
}

bool CAddItemCommand::Do(bool isRedo) {
  CSalesDocument& document = Document();
  if (!isRedo) {
    // The lines are added here, not each in the history: the whole batch is this one step.
    const AddLineSink keep = [this](std::unique_ptr<CAddLineItemCommand> line) {
      if (line && line->Add(false)) m_lines.push_back(std::move(line));
    };
    if (m_ask) {
      m_ask(m_items, keep);
    } else {
      for (auto& item : m_items)
        keep(std::make_unique<CAddLineItemCommand>(document, nullptr, m_store, std::move(item),
                                                   CAddLineItemCommand::Placing{.atEnd = m_atEnd, .sound = true}));
    }
    m_items.clear();
    if (m_lines.empty()) return false;
  } else {
    for (auto& line : m_lines) line->Add(true);
  }
  CWaitCursorScope wait;
  document.RecalcChangedTotals();
  ShowChanges(RenderMode::KeepPosition);
  return true;
}

bool CAddItemCommand::Undo() {
  // Taken out last to first, each keeping the line that then followed it, so that a redo
  // first to last finds every follower in place.
  for (size_t i = m_lines.size(); i-- > 0;) m_lines[i]->TakeOut();
  ShowChanges(RenderMode::KeepPosition);
  return true;
}

// ---- Add Item(s) ------------------------------------------------------------------------------

bool NeedsNoQuestions(std::u16string_view type) {
  return type == u"Discount" || type == u"Sales Tax Item" || type == u"Sales Tax Group" || type == u"Subtotal";
}

CAddItemsCommand::CAddItemsCommand(CSalesDocument& document, CItemStore* store,
                                   std::vector<std::unique_ptr<CDbRecord>> items, HWND owner, bool atEnd, bool fromGroup,
                                   AddItemsForm form)
    : CEditCommand(u"Add Item(s)"),
      m_document(document),
      m_store(store),
      m_items(std::move(items)),
      m_owner(owner),
      m_atEnd(atEnd),
      m_fromGroup(fromGroup),
      m_form(std::move(form)) {}

CAddItemsCommand::~CAddItemsCommand() = default;

bool CAddItemsCommand::Do(bool) {
  bool allPlain = true;
  for (auto& item : m_items) {
    if (m_fromGroup) CAddItemCommand::SetLineCategory(*item, u"", true);
    if (!NeedsNoQuestions(item->FieldView(kLineFieldType))) allPlain = false;
  }
  if (allPlain) {
    for (auto& item : m_items)
      SendEditCommand(m_owner, std::make_unique<CAddLineItemCommand>(m_document, nullptr, m_store, std::move(item),
                                                                     CAddLineItemCommand::Placing{.atEnd = m_atEnd}));
    m_items.clear();
  } else if (m_form) {
    CBstr level;
    if (CCustomerRecord* customer = m_document.GetCustomer()) level = CBstr(customer->FieldView(kCustPriceLevel));
    m_form(m_items, level);
  }
  PostMessageW(m_owner, kMsgRenderDocument, 0, 0);
  return true;
}

// ---- Add Label --------------------------------------------------------------------------------

CAddLabelCommand::CAddLabelCommand(CSalesDocument& document, LabelChooser chooser)
    : CDocumentCommand(document, u"Add Label", true), m_chooser(std::move(chooser)) {}

CAddLabelCommand::~CAddLabelCommand() = default;

bool CAddLabelCommand::Do(bool isRedo) {
  CSalesDocument& document = Document();
  if (isRedo) {
    CWaitCursorScope wait;
    if (!PutBackLine(document, *m_record, m_nextKey, false, 0)) return false;
    ShowChanges(RenderMode::KeepPosition);
    return true;
  }
  CBstr label;
  if (!m_chooser || !m_chooser(label)) return false;
  CWaitCursorScope wait;
  m_record = CDbRecord::CDbRecordOfType(kObjectTypeLabel, -1);
  m_record->SetField(kLineFieldType, kLabelType);
  m_record->SetField(kLineFieldName, label);
  if (!document.AddLineItem(*m_record, false, false, 0)) return false;
  ShowChanges(RenderMode::KeepPosition);
  return true;
}

bool CAddLabelCommand::Undo() {
  CWaitCursorScope wait;
  TakeOutLine(Document(), *m_record, m_nextKey);
  ShowChanges(RenderMode::KeepPosition);
  return true;
}

// ---- Copy -------------------------------------------------------------------------------------

CCopyLineItemCommand::CCopyLineItemCommand(CSalesDocument& document, const CBstr& key)
    : CDocumentCommand(document, u"", false), m_key(key) {}

bool CCopyLineItemCommand::Do(bool) {
  m_copied = Document().SelectLineItem(m_key);
  return false;
}

// ---- Cut and Delete ---------------------------------------------------------------------------

CDeleteLineItemCommand::CDeleteLineItemCommand(CSalesDocument& document, const CBstr& key)
    : CDeleteLineItemCommand(document, key, u"Delete line item", false) {}

CDeleteLineItemCommand::CDeleteLineItemCommand(CSalesDocument& document, const CBstr& key, LPCWSTR name,
                                               bool keepAsCurrent)
    : CDocumentCommand(document, name, true), m_key(key), m_keepAsCurrent(keepAsCurrent) {}

CDeleteLineItemCommand::~CDeleteLineItemCommand() = default;

bool CDeleteLineItemCommand::Do(bool) {
  CWaitCursorScope wait;
  std::unique_ptr<CDbRecord> removed = Document().DeleteLineItem(m_key, &m_nextKey, m_keepAsCurrent, true);
  if (!removed) return false;
  m_removed = std::move(removed);
  ShowChanges(RenderMode::KeepPosition);
  return true;
}

bool CDeleteLineItemCommand::Undo() {
  CWaitCursorScope wait;
  PutBackLine(Document(), *m_removed, m_nextKey, false, 1);
  m_key = KeyOf(*m_removed);
  ShowChanges(RenderMode::KeepPosition);
  return true;
}

CCutLineItemCommand::CCutLineItemCommand(CSalesDocument& document, const CBstr& key)
    : CDeleteLineItemCommand(document, key, u"Cut", true) {}

// ---- Paste ------------------------------------------------------------------------------------

CPasteLineItemCommand::CPasteLineItemCommand(CSalesDocument& document)
    : CDocumentCommand(document, u"Paste", true) {}

CPasteLineItemCommand::~CPasteLineItemCommand() = default;

bool CPasteLineItemCommand::Do(bool isRedo) {
  CWaitCursorScope wait;
  CSalesDocument& document = Document();
  bool inserted = false;
  if (isRedo) {
    inserted = PutBackLine(document, *m_pasted, m_nextKey, false, 1);
  } else {
    m_pasted = document.CopyCurrentLineItem();
    if (!m_pasted) return false;
    inserted = document.InsertLineItem(*m_pasted);
  }
  if (!inserted) return false;
  const CBstr& current = document.GetCurrentLineKey();
  ShowChanges(current.IsEmpty() ? RenderMode::ScrollToEnd : RenderMode::KeepPosition);
  return true;
}

bool CPasteLineItemCommand::Undo() {
  CWaitCursorScope wait;
  TakeOutLine(Document(), *m_pasted, m_nextKey);
  ShowChanges(RenderMode::KeepPosition);
  return true;
}

// ---- Edit -------------------------------------------------------------------------------------

CEditLineItemCommand::CEditLineItemCommand(CSalesDocument& document, HWND owner, CItemStore* store,
                                           const CBstr& linkText, LineEditor editor)
    : CDocumentCommand(document, u"edit Line item", true), m_stock(store, owner), m_editor(std::move(editor)) {
  std::u16string_view link = linkText.view();
  const size_t comma = link.find(u',');
  m_key = CBstr(link.substr(0, comma));
  if (comma != std::u16string_view::npos && comma + 1 < link.size()) m_column = link[comma + 1];
}

CEditLineItemCommand::CEditLineItemCommand(CSalesDocument& document, HWND owner, CItemStore* store, const CBstr& key,
                                           WCHAR column, LineEditor editor)
    : CDocumentCommand(document, u"Edit Item", true),
      m_stock(store, owner),
      m_editor(std::move(editor)),
      m_key(key),
      m_column(column) {}

CEditLineItemCommand::~CEditLineItemCommand() = default;

void CEditLineItemCommand::Write(const CDbRecord& line) {
  Document().UpdateLineItem(line);
  ShowChanges(RenderMode::KeepPosition);
}

bool CEditLineItemCommand::Do(bool isRedo) {
  if (isRedo) {
    CWaitCursorScope wait;
    Write(*m_after);
    m_stock.Apply(*m_after, m_stockChange, true);
    return true;
  }
  m_before = Document().ReadLineItem(m_key);
  if (!m_before) return false;
  auto edited = CDbRecord::CDbRecordCopy(*m_before, m_before->GetObjectPosition());
  if (!m_editor || !m_editor(*edited, m_column)) return false;
  if (edited->FieldView(kLineFieldType) == kLabelType)
    edited->SetField(kLineFieldDescription, std::u16string(edited->FieldView(kLineFieldName)));
  // The key is the line's, whatever the form did with it.
  edited->SetField(kLineFieldKey, m_key);
  CWaitCursorScope wait;
  m_after = std::move(edited);
  Write(*m_after);
  m_stockChange =
      m_stock.StockChangeFor(Document(), *m_after, LineQuantity(*m_after) - LineQuantity(*m_before));
  m_stock.Apply(*m_after, m_stockChange, true);
  return true;
}

bool CEditLineItemCommand::Undo() {
  CWaitCursorScope wait;
  Write(*m_before);
  m_stock.Apply(*m_after, -m_stockChange, false);
  return true;
}
