// The item tree store: records to rows and back, the tree rules, the rename and delete
// walks, the text search and the customer table, over the SQL layer.
#include "datastore/ItemStore.h"

#include <sqlite3.h>

#include <array>

#include "core/MessageBoxes.h"
#include "core/WaitCursor.h"
#include "datastore/Internal.h"
#include "platform/base/Base.h"
#include "platform/kernel/Files.h"
#include "platform/user/MessageBox.h"
#include "resources/resource_ids.h"

using datastore_internal::DecimalText;

namespace {

constexpr char16_t kRootListType[] = u"Root List";


// A transaction of the store's own (nested in the caller's, if any) that rolls back unless
// it was committed.
class CStoreTransaction {
 public:
  explicit CStoreTransaction(CItemStore& store) : m_store(store), m_begun(store.BeginTransaction()) {}
  ~CStoreTransaction() {
    if (m_begun) m_store.RollbackTransaction();
  }
  CStoreTransaction(const CStoreTransaction&) = delete;
  CStoreTransaction& operator=(const CStoreTransaction&) = delete;

  bool Begun() const { return m_begun; }
  bool Commit() {
    if (!m_begun) return false;
    if (!m_store.CommitTransaction()) return false;  // the destructor rolls back
    m_begun = false;
    return true;
  }

 private:
  CItemStore& m_store;
  bool m_begun;
};

int NumberOf(BSTR text, int fallback) {
  if (!text) return fallback;
  return static_cast<int>(SqlIntegerFromText(std::u16string_view(text, SysStringLen(text))));
}

bool IsContainer(const CDbRecord& record) { return (record.GetObjectType() & kObjectContainerMask) != 0; }

// A copy of a node for a result list that keeps its open state and child count.
std::unique_ptr<CDbRecord> CopyNode(const CDbRecord& node) {
  auto copy = CDbRecord::CDbRecordCopy(node, node.GetObjectPosition());
  copy->SetIsOpen(node.GetIsOpen());
  copy->SetChildCount(node.GetChildCount());
  copy->SetUseCount(node.GetUseCount());
  return copy;
}

}  // namespace

CItemStore::CItemStore(HWND owner) : m_owner(owner), m_db(std::make_unique<CSqlDatabase>()) {}

CItemStore::~CItemStore() {
  if (m_db) m_db->FreeCustomerTable();
}

// ---- The file -------------------------------------------------------------------------------

int CItemStore::Open(std::u16string_view path) {
  int rc = m_db->Open(std::u16string(path));
  m_open = rc == SQLITE_OK && m_db->OpenFlag() ? 1 : 0;
  if (!m_open) {
    const std::u16string file(path);
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      // Nothing was made: the user has to move the folder before the program can start.
      const std::u16string text = u"Slateway cannot start: " + file +
                                  u" is a folder, where the database file belongs.  Nothing was created.  "
                                  u"Move the folder away and start Slateway again.";
      MessageBoxW(m_owner, text.c_str(), kProductName, MB_ICONEXCLAMATION);
      return 0;
    }
    ShowOpenProblem(path);
    return 0;
  }
  CBstr message;
  if (!m_db->OpenItemsList(message)) {
    m_open = 0;
    KeepLayerError();
    ShowOpenProblem(path);
  }
  return m_open;
}

void CItemStore::ShowOpenProblem(std::u16string_view path) {
  UINT id = IDS_DB_DAMAGED;
  switch (CSqlDatabase::ProblemOf(m_db->LastOpenFailure())) {
    case CSqlDatabase::FileProblem::Locked: id = IDS_DB_IN_USE; break;
    case CSqlDatabase::FileProblem::Unreachable: id = IDS_DB_NOT_REACHED; break;
    case CSqlDatabase::FileProblem::Damaged: break;
  }
  const std::u16string file(path);
  ShowWarningResText(m_owner, id, file.c_str());
}

void CItemStore::Close() {
  m_db->Close();
  m_open = 0;
}

bool CItemStore::UpgradeSchema() { return m_db->UpgradeSchema(); }

bool CItemStore::BeginTransaction() { return m_db->BeginTransaction() == SQLITE_OK; }
bool CItemStore::CommitTransaction() { return m_db->CommitTransaction() == SQLITE_OK; }
bool CItemStore::RollbackTransaction() { return m_db->RollbackTransaction() == SQLITE_OK; }

void CItemStore::ShowDatabaseError(std::u16string_view tag, std::u16string_view detail, UINT style) {
  // A batch that holds the database's failures tells the user once, in its own words.
  if (m_db->HeldFailure() != CSqlDatabase::Failure::None) return;
  std::u16string text(GetEngineName());
  text += u" Error: ";
  text += tag;
  text += u" ";
  text += detail;
  MessageBoxW(m_owner, text.c_str(), kProductName, style);
}

void CItemStore::KeepLayerError() { m_lastError = m_db->LastError(); }

// ---- Records and rows ---------------------------------------------------------------------------

CItemRowValues CItemStore::ValuesFromRecord(const CDbRecord& record) {
  CItemRowValues values;
  auto& text = values.text;
  text[kRowListID] = record.FieldView(kFieldListID);
  text[kRowListType] = record.FieldView(kFieldListType);
  text[kRowName] = record.FieldView(kFieldName);
  text[kRowFullName] = record.FieldView(record.FieldView(kFieldFullName).empty() ? kFieldName : kFieldFullName);
  text[kRowParent] = record.FieldView(record.FieldView(kFieldParent).empty() ? kFieldFallbackParent : kFieldParent);
  text[kRowSalesDescription] = record.FieldView(kFieldSalesDescription);
  text[kRowSalesAmount] = record.FieldView(kFieldSalesAmount);
  text[kRowTaxable] = record.FieldView(kFieldTaxable);
  text[kRowTax2] = record.FieldView(kFieldTax2);
  text[kRowTimeCreated] = record.FieldView(kFieldTimeCreated);
  text[kRowTimeModified] = record.FieldView(kFieldTimeModified);
  text[kRowEditSequence] = record.FieldView(kFieldEditSequenceColumn);
  text[kRowUnitOfMeasure] = record.FieldView(kFieldCustomValue2);
  text[kRowAccount] = record.FieldView(kFieldAccount);
  text[kRowVendor] = record.FieldView(kFieldVendor);
  text[kRowPurchaseCost] = record.FieldView(kFieldPurchaseCost);
  if (record.GetObjectType() == kObjectListedItem) text[kRowMemberQuantity] = record.FieldView(kFieldQuantity);
  auto& number = values.number;
  number[kRowUseCount] = record.GetUseCount();
  number[kRowStartingQuantity] = record.GetQuantity(kStartingQuantity);
  number[kRowEndingQuantity] = record.GetQuantity(kEndingQuantity);
  number[kRowQuantityOnHand] = record.GetQuantity(kQuantityOnHand);
  number[kRowQuantityOnSalesOrder] = record.GetQuantity(kQuantityOnSalesOrder);
  number[kRowReorderPoint] = record.GetQuantity(kReorderPoint);
  // Kind and position texts are only ever made from their numbers; an IsOpen text may have
  // been set as it was read, and is stored as read.
  number[kRowObjectPosition] = record.GetObjectPosition();
  number[kRowObjectType] = record.GetObjectType();
  BSTR isOpen = record.GetIsOpenText();
  number[kRowIsOpen] = isOpen ? SqlIntegerFromText(std::u16string_view(isOpen, SysStringLen(isOpen))) : record.GetIsOpen();
  return values;
}

CItemRow CItemStore::RowFromRecord(const CDbRecord& record) {
  CItemRowValues values = ValuesFromRecord(record);
  CItemRow row;
  for (int slot = 0; slot < kItemRowSlots; ++slot) {
    const bool number = (slot >= kRowUseCount && slot <= kRowReorderPoint) || (slot >= kRowObjectPosition && slot <= kRowIsOpen);
    row[slot] = number ? CBstr(DecimalText(values.number[slot])) : CBstr(values.text[slot]);
  }
  return row;
}

std::unique_ptr<CDbRecord> CItemStore::RecordFromRow(CItemRow&& row) const {
  // The row's texts move into the record; the two read into two fields each are copied
  // once. The UnitOfMeasure column is the item's second custom value, never the unit of
  // measure of a line made from the item.
  auto record = std::make_unique<CDbRecord>(std::move(row[kRowListID]));
  record->SetObjectType(kObjectItem);
  record->SetObjectPosition(-1);
  record->SetField(kFieldRate, row[kRowSalesAmount]);
  record->SetField(kFieldEditSequenceCopy, row[kRowEditSequence]);
  static constexpr struct {
    int field, slot;
  } kMoved[] = {
      {kFieldListType, kRowListType},         {kFieldName, kRowName},
      {kFieldFullName, kRowFullName},         {kFieldParent, kRowParent},
      {kFieldSalesDescription, kRowSalesDescription}, {kFieldSalesAmount, kRowSalesAmount},
      {kFieldTaxable, kRowTaxable},           {kFieldTax2, kRowTax2},
      {kFieldTimeCreated, kRowTimeCreated},   {kFieldTimeModified, kRowTimeModified},
      {kFieldEditSequenceColumn, kRowEditSequence}, {kFieldCustomValue2, kRowUnitOfMeasure},
      {kFieldAccount, kRowAccount},           {kFieldVendor, kRowVendor},
      {kFieldPurchaseCost, kRowPurchaseCost},
  };
  for (const auto& move : kMoved) record->SetField(move.field, std::move(row[move.slot]));
  // One of the item, but for a group member that keeps how many the group adds.
  if (row[kRowMemberQuantity].IsEmpty())
    record->SetField(kFieldQuantity, u"1");
  else
    record->SetField(kFieldQuantity, std::move(row[kRowMemberQuantity]));
  record->SetUseCount(NumberOf(row[kRowUseCount].get(), 0));
  record->SetQuantity(kStartingQuantity, NumberOf(row[kRowStartingQuantity].get(), 0));
  record->SetQuantity(kEndingQuantity, NumberOf(row[kRowEndingQuantity].get(), 0));
  record->SetQuantity(kQuantityOnHand, NumberOf(row[kRowQuantityOnHand].get(), 0));
  record->SetQuantity(kQuantityOnSalesOrder, NumberOf(row[kRowQuantityOnSalesOrder].get(), 0));
  record->SetQuantity(kReorderPoint, NumberOf(row[kRowReorderPoint].get(), 0));
  record->SetIsOpenText(row[kRowIsOpen].get() ? row[kRowIsOpen].get() : u"0");
  return record;
}

std::unique_ptr<CDbRecord> CItemStore::RecordFromChildRow(CItemRow&& row) {
  // The row's texts move into the record: a listing makes one record per row.
  auto record = std::make_unique<CDbRecord>(std::move(row[kRowListID]));
  record->SetField(kFieldListType, std::move(row[kRowListType]));
  record->SetField(kFieldName, std::move(row[kRowName]));
  record->SetField(kFieldFullName, std::move(row[kRowFullName]));
  record->SetField(kFieldSalesDescription, std::move(row[kRowSalesDescription]));
  record->SetField(kFieldParent, std::move(row[kRowParent]));
  record->SetObjectPosition(NumberOf(row[kRowObjectPosition].get(), -1));
  record->SetObjectType(NumberOf(row[kRowObjectType].get(), 0));
  record->SetIsOpenText(row[kRowIsOpen].get() ? row[kRowIsOpen].get() : u"0");
  record->SetChildCount(NumberOf(row[kRowUseCount].get(), 0));  // the cursor's child count
  return record;
}

// ---- Items --------------------------------------------------------------------------------------

int CItemStore::AddItem(HWND owner, const CDbRecord& record, OnDuplicate duplicate) {
  // Bound straight from the record's texts: no row of copies per insert.
  CItemRowValues row = ValuesFromRecord(record);
  if (duplicate != OnDuplicate::Insert) {
    CItemRow existing;
    if (m_db->FindChildByName(row.text[kRowName], row.text[kRowParent], existing)) {
      if (duplicate == OnDuplicate::RefuseAndTell) {
        std::u16string text(kDuplicateNameFormat);
        text.replace(text.find(u"%s"), 2, row.text[kRowName]);
        if (text.size() > kMessageTextMaxChars) text.resize(kMessageTextMaxChars);
        CWaitCursorSuspension arrow;
        MessageBoxW(owner, text.c_str(), kProductName, kStyleWarning);
      }
      return 0;
    }
  }
  if (!m_db->AddRecord(row)) {
    KeepLayerError();
    ShowDatabaseError(u"DB:AddItem reported", m_lastError, kStyleWarning);
    return 0;
  }
  return 1;
}

bool CItemStore::ReloadItem(CDbRecord& record, bool keepKindAndPosition) {
  std::unique_ptr<CDbRecord> fresh = GetItem(record, keepKindAndPosition);
  if (!fresh) return false;
  record = std::move(*fresh);
  return true;
}

std::unique_ptr<CDbRecord> CItemStore::GetItem(const CDbRecord& record, bool keepKindAndPosition) {
  CItemRow row;
  int rc = 0;
  if (!m_db->GetItemRow(record.FieldView(kFieldListID), record.FieldView(kFieldListType),
                        record.FieldView(kFieldParent), row, &rc)) {
    if (rc != 0) {
      // The statement itself failed: the engine's text says why.
      KeepLayerError();
      ShowDatabaseError(u"DB:GetItem reported", m_lastError);
    } else {
      m_lastError = u"Could not locate item '" + std::u16string(record.FieldView(kFieldName)) + u"' in the database file";
      ShowDatabaseError(u"DB:GetItem reported: ", m_lastError);
    }
    return nullptr;
  }
  std::unique_ptr<CDbRecord> result = RecordFromRow(std::move(row));
  if (keepKindAndPosition) {
    result->SetObjectType(record.GetObjectType());
    result->SetObjectPosition(record.GetObjectPosition());
  }
  return result;
}

bool CItemStore::UpdateItem(const CDbRecord& record, std::optional<std::u16string_view> previousListType,
                            std::optional<std::u16string_view> previousParent) {
  if (m_db->UpdateItem(RowFromRecord(record), previousListType, previousParent)) return true;
  KeepLayerError();
  ShowDatabaseError(u"DB:UpdateItem reported", m_lastError);
  return false;
}

bool CItemStore::UpdatePathFields(std::u16string_view listId, std::u16string_view listType,
                                  std::u16string_view fullName, std::u16string_view newParent,
                                  std::u16string_view oldParent) {
  if (m_db->UpdatePathFields(listId, listType, fullName, newParent, oldParent)) return true;
  KeepLayerError();
  ShowDatabaseError(u"DB:UpdatePathFields reported", m_lastError);
  return false;
}

bool CItemStore::UpdateIsOpenState(const CDbRecord& record) {
  if (m_db->UpdateIsOpen(RowFromRecord(record))) return true;
  KeepLayerError();
  ShowDatabaseError(u"DB:UpdateIsOpenState reported", m_lastError);
  return false;
}

bool CItemStore::DeleteItem(const CDbRecord* record) {
  if (!record || record->FieldView(kFieldListID).empty()) return false;
  if (m_db->DeleteItemRow(record->FieldView(kFieldListID), record->FieldView(kFieldListType),
                          record->FieldView(kFieldParent))) {
    return true;
  }
  KeepLayerError();
  return false;
}

bool CItemStore::DeleteCategoryObject(std::u16string_view listId, std::u16string_view listType) {
  if (m_db->DeleteItemRow(listId, listType, u"")) return true;
  KeepLayerError();
  ShowDatabaseError(u"DB:DeleteCategoryObject reported", m_lastError);
  return false;
}

bool CItemStore::ReadChildren(std::u16string_view parent, std::vector<std::unique_ptr<CDbRecord>>& children) {
  // A walk reads a whole level before it changes any of it, so it never writes under an
  // open cursor over the rows it moves or deletes.
  std::unique_ptr<CDbRecord> empty;
  std::unique_ptr<CSqlCursor> cursor = GetFirstChild(parent, empty, {.byName = true, .prepareOnly = true});
  if (!cursor) {
    KeepLayerError();
    return false;
  }
  while (auto next = GetNextChild(*cursor)) children.push_back(std::move(next));
  return true;
}

bool CItemStore::DeleteCategoryContents(std::u16string_view fullName) {
  CStoreTransaction transaction(*this);
  if (!transaction.Begun()) {
    KeepLayerError();
    return false;
  }
  // Any failure leaves the transaction to roll back, so the category stays whole.
  if (!DeleteContentsLevel(fullName)) return false;
  if (!transaction.Commit()) {
    KeepLayerError();
    return false;
  }
  return true;
}

bool CItemStore::DeleteContentsLevel(std::u16string_view fullName) {
  std::vector<std::unique_ptr<CDbRecord>> children;
  if (!ReadChildren(fullName, children)) return false;

  for (const std::unique_ptr<CDbRecord>& node : children) {
    if (IsContainer(*node)) {
      if (!DeleteContentsLevel(node->FieldView(kFieldFullName))) return false;
      if (!DeleteItem(node.get())) return false;
      continue;
    }
    std::unique_ptr<CDbRecord> item = GetItem(*node, true);
    if (!item) return false;
    if (item->GetUseCount() > 1) {
      // Another list still holds the item.
      item->SetUseCount(item->GetUseCount() - 1);
      if (!UpdateItem(*item)) return false;
    } else if (!DeleteItem(item.get())) {
      return false;
    }
  }
  return true;
}

bool CItemStore::DeleteChildren(std::u16string_view parent) {
  if (m_db->DeleteChildren(parent)) return true;
  KeepLayerError();
  return false;
}

bool CItemStore::DeleteByListType(const CListTypes& listTypes, std::optional<std::u16string_view> parent) {
  if (m_db->DeleteByListType(listTypes, parent)) return true;
  KeepLayerError();
  return false;
}

std::unique_ptr<CDbRecord> CItemStore::GetItemByListID(std::u16string_view listId, const CListTypes& listTypes) {
  CItemRow row;
  if (!m_db->GetItemRowOfType(listId, listTypes, row)) return nullptr;
  return RecordFromRow(std::move(row));
}

bool CItemStore::GetItemStampByListID(std::u16string_view listId, const CListTypes& listTypes, CBstr& stamp) {
  return m_db->GetItemStampOfType(listId, listTypes, stamp);
}

std::unique_ptr<CDbRecord> CItemStore::FindItemLike(std::u16string_view column, std::u16string_view text,
                                                    const CListTypes& listTypes, bool contains) {
  CItemRow row;
  if (!m_db->FindItemRow(column, text, listTypes, row, contains)) return nullptr;
  return RecordFromRow(std::move(row));
}

bool CItemStore::FindChildByName(std::u16string_view name, int kind, std::u16string_view parent,
                                 std::unique_ptr<CDbRecord>& out) {
  CItemRow row;
  if (!m_db->FindChildByName(name, parent, row)) return false;
  out = RecordFromRow(std::move(row));
  out->SetObjectType(kind);
  return true;
}

std::unique_ptr<CDbRecord> CItemStore::SelectFirstItem(CItemSelect& select, std::u16string_view listType1,
                                                       std::u16string_view listType2, std::u16string_view parent1,
                                                       std::u16string_view parent2) {
  CItemRow row;
  select.m_cursor = m_db->SelectItems(row, listType1, listType2, parent1, parent2, true);
  if (!select.m_cursor) return nullptr;
  return RecordFromRow(std::move(row));
}

std::unique_ptr<CDbRecord> CItemStore::SelectNextItem(CItemSelect& select) {
  if (!select.m_cursor) return nullptr;
  CItemRow row;
  if (!m_db->StepItemRow(*select.m_cursor, row, true)) {
    select.m_cursor.reset();
    return nullptr;
  }
  return RecordFromRow(std::move(row));
}

bool CItemStore::HasChildren(std::u16string_view parent) { return m_db->HasChildren(parent); }

int CItemStore::GetChildCount(std::u16string_view parent) { return m_db->GetChildCount(parent); }

std::unique_ptr<CSqlCursor> CItemStore::GetFirstChild(std::u16string_view parent, std::unique_ptr<CDbRecord>& out,
                                                      ChildWalk walk) {
  CItemRow row;
  std::unique_ptr<CSqlCursor> cursor =
      m_db->OpenChildCursor(parent, row, walk.byName, walk.unordered, walk.prepareOnly);
  if (!cursor) {
    out.reset();
    return nullptr;
  }
  out = walk.prepareOnly ? std::make_unique<CDbRecord>() : RecordFromChildRow(std::move(row));
  return cursor;
}

std::unique_ptr<CDbRecord> CItemStore::GetNextChild(CSqlCursor& cursor) {
  CItemRow row;
  if (!m_db->NextChild(cursor, row)) return nullptr;
  return RecordFromChildRow(std::move(row));
}

bool CItemStore::IsSystemRootName(std::u16string_view name) {
  static constexpr std::array<std::u16string_view, 4> kNames = {u"DedadErude", u"My Lists", u"Root List", u"Item Lists"};
  for (std::u16string_view n : kNames) {
    if (n == name) return true;
  }
  return false;
}

bool CItemStore::IsItemTypeOrRootName(std::u16string_view name) {
  static constexpr std::array<std::u16string_view, 13> kNames = {
      u"Service",      u"Inventory Part", u"Non-inventory Part", u"Subtotal",   u"Other Charge",
      u"Discount",     u"Payment",        u"Sales Tax Item",     u"Sales Tax Group", u"Root List",
      u"Group",        u"Other Lists",    u"Item Lists"};
  for (std::u16string_view n : kNames) {
    if (n == name) return true;
  }
  return false;
}

bool CItemStore::UpdateSubtreePaths(std::u16string_view oldFullName, std::u16string_view newFullName) {
  CWaitCursorScope wait;
  CStoreTransaction transaction(*this);
  if (!transaction.Begun()) {
    KeepLayerError();
    return false;
  }
  if (!UpdateSubtreeLevel(oldFullName, newFullName)) return false;
  if (!transaction.Commit()) {
    KeepLayerError();
    return false;
  }
  return true;
}

bool CItemStore::UpdateSubtreeLevel(std::u16string_view oldFullName, std::u16string_view newFullName) {
  std::vector<std::unique_ptr<CDbRecord>> children;
  if (!ReadChildren(oldFullName, children)) return false;

  const bool keepPlainNames = newFullName.empty() || IsItemTypeOrRootName(newFullName);
  for (const std::unique_ptr<CDbRecord>& node : children) {
    std::u16string oldChildFullName(node->FieldView(kFieldFullName));
    std::u16string name(node->FieldView(kFieldName));
    std::u16string newChildFullName = keepPlainNames ? name : std::u16string(newFullName) + u":" + name;
    if (!UpdatePathFields(node->FieldView(kFieldListID), node->FieldView(kFieldListType), newChildFullName,
                          newFullName, oldFullName)) {
      return false;
    }
    if (IsContainer(*node) && !UpdateSubtreeLevel(oldChildFullName, newChildFullName)) return false;
  }
  return true;
}

int CItemStore::AddRootNode(std::u16string_view name, std::u16string_view parent, int objectType) {
  auto record = CDbRecord::CDbRecordOfType(objectType, -1);
  record->SetField(kFieldName, name);
  record->SetField(kFieldParent, parent);
  record->SetField(kFieldListType, kRootListType);
  AddItem(m_owner, *record, CItemStore::OnDuplicate::Refuse);
  return 0;
}

// ---- Searching ----------------------------------------------------------------------------------

bool CItemStore::OpenFindLevel(CFindState& state, std::u16string_view parent, std::unique_ptr<CDbRecord> container,
                               bool byName, bool unordered) {
  std::unique_ptr<CSqlCursor> cursor = m_db->OpenFindCursor(parent, byName, unordered);
  if (!cursor) return false;
  state.m_levels.push_back(CFindLevel{std::move(cursor), std::move(container)});
  return true;
}

void CItemStore::ReportMatch(const CDbRecord& node, CTypedPointerList<CDbRecord>& results, const CFindState& state) {
  // The node, then its ancestors from the nearest up to the search root.
  results.Add(CopyNode(node).release());
  for (auto level = state.m_levels.rbegin(); level != state.m_levels.rend(); ++level) {
    if (level->container) results.Add(CopyNode(*level->container).release());
  }
  m_foundLeaf = (node.GetObjectType() & kObjectLeafMask) != 0;
  m_foundPath = node.FieldView(kFieldFullName);
}

int CItemStore::FindText(LPCWSTR startName, std::u16string_view upperText, CTypedPointerList<CDbRecord>& results,
                         CFindState& state, bool otherLists, int fieldMode, bool byName) {
  if (startName) {
    state.m_levels.clear();
    state.m_exhausted = false;
    state.m_cancelled = false;
    m_foundLeaf = false;
    m_foundPath.clear();
    if (m_progress) m_progress->Show();
    if (!OpenFindLevel(state, startName, nullptr, byName, false)) {
      state.m_exhausted = true;
      if (m_progress) m_progress->Hide();
      return 0;
    }
  } else {
    if (!state.IsActive()) return 0;
    if (m_progress) m_progress->Show();
  }
  return SearchLevels(upperText, results, state, otherLists, fieldMode, byName);
}

int CItemStore::SearchLevels(std::u16string_view upperText, CTypedPointerList<CDbRecord>& results, CFindState& state,
                             bool otherLists, int fieldMode, bool byName) {
  const CFindText text(upperText, fieldMode == kFindDescription           ? CFindText::Field::DescriptionOrName
                                  : fieldMode == kFindNameAndDescription ? CFindText::Field::NameAndDescription
                                                                         : CFindText::Field::Name);
  std::u16string shown;
  while (!state.m_levels.empty()) {
    if (m_progress && m_progress->Cancelled()) {
      m_progress->Hide();
      state.m_levels.clear();
      state.m_cancelled = true;
      return 0;
    }
    // Rows are tested where they lie; a record is made only for a match or a container
    // entered.
    CSqlCursor& cursor = *state.m_levels.back().cursor;
    int kind = 0;
    if (!m_db->NextFindRow(cursor, kind)) {
      state.m_levels.pop_back();
      continue;
    }
    const bool container = (kind & kObjectContainerMask) != 0;
    const bool skipped = otherLists ? (kind == kObjectGroup || kind == kObjectRoot || kind == kObjectCategory ||
                                       kind == kObjectContainer512)
                                    : kind == kObjectOtherLists;
    if (skipped) continue;
    const bool match = m_db->FindRowHolds(cursor, text, m_progress ? &shown : nullptr);
    if (m_progress) m_progress->ShowNodeText(shown);
    if (!match && !container) continue;
    CItemRow row;
    m_db->ReadFindRow(cursor, row);
    std::u16string fullName(row[kRowFullName].view());
    std::unique_ptr<CDbRecord> node = RecordFromChildRow(std::move(row));
    if (match) {
      ReportMatch(*node, results, state);
      if (m_progress) m_progress->Hide();
      // Find next continues inside a matched container.
      if (container) OpenFindLevel(state, fullName, std::move(node), byName, true);
      return 1;
    }
    OpenFindLevel(state, fullName, std::move(node), byName, false);
  }
  state.m_exhausted = true;
  if (m_progress) m_progress->Hide();
  return 0;
}

void CItemStore::EndFind(CFindState& state) {
  if (m_progress) m_progress->Destroy();
  state.m_levels.clear();
  state.m_exhausted = false;
  state.m_cancelled = false;
}

// ---- CustomerList ----------------------------------------------------------------------------

bool CItemStore::OpenCustomerList() { return m_db->OpenCustomerList(); }
void CItemStore::InterruptCustomerList() { m_db->Interrupt(); }
void CItemStore::FreeCustomerList() { m_db->FreeCustomerTable(); }
int CItemStore::GetCustomerCount() const { return m_db->CustomerRowCount(); }

bool CItemStore::GetCustomerRow(int index, CCustomerFields& fields) { return m_db->GetCustomerListRow(index, fields); }

bool CItemStore::GetCustomerByListID(std::u16string_view listId, CCustomerFields& fields) {
  return m_db->GetCustomerByListID(listId, fields);
}

bool CItemStore::GetCustomerByFullName(std::u16string_view fullName, CCustomerFields& fields) {
  return m_db->GetCustomerByFullName(fullName, fields);
}

bool CItemStore::GetCustomerTermsByFullName(std::u16string_view fullName, CBstr& terms) {
  return m_db->GetCustomerTermsByFullName(fullName, terms);
}

bool CItemStore::HasCustomerRecord(std::u16string_view listId) { return m_db->HasCustomerRecord(listId); }

int CItemStore::InsertCustomer(const CCustomerFields& fields) {
  if (m_db->InsertCustomer(fields)) return 1;
  KeepLayerError();
  if (m_db->HeldFailure() == CSqlDatabase::Failure::None) MessageBoxW(nullptr, m_lastError.c_str(), kProductName, kStyleWarning);
  return 0;
}

int CItemStore::ReplaceCustomer(const CCustomerFields& fields) {
  if (m_db->ReplaceCustomer(fields)) return 1;
  KeepLayerError();
  if (m_db->HeldFailure() == CSqlDatabase::Failure::None) MessageBoxW(nullptr, m_lastError.c_str(), kProductName, kStyleWarning);
  return 0;
}

bool CItemStore::DeleteCustomerAtRow(int index) {
  CCustomerFields row;
  if (!m_db->GetCustomerListRow(index, row)) return false;
  return m_db->DeleteCustomerByFullName(row[kCustFullName].view());
}

bool CItemStore::DeleteAllCustomers() { return m_db->DeleteAllCustomers(); }
