// The statements on ItemsList: insert, updates, deletes, single-row reads and the two
// row-by-row cursors with which the item tree is listed.
#include <sqlite3.h>

#include <array>

#include "datastore/Internal.h"
#include "datastore/SqlDatabase.h"
#include "platform/base/Base.h"
#include "resources/resource_ids.h"

using datastore_internal::DecimalText;

namespace {

constexpr char16_t kPrepareFailed[] = u"Prepare failed";

// The ItemsList columns a caller may name in FindItemRow.
constexpr std::array<const char16_t*, 30> kItemColumns = {
    u"ListID", u"ListType", u"Name", u"FullName", u"SalesDescription", u"PurchaseCost",
    u"SalesAmount", u"Taxable", u"Tax2", u"TimeCreated", u"TimeModified", u"EditSequence",
    u"UnitOfMeasure", u"Account", u"Vendor", u"Parent", u"UseCount", u"ObjectPosition",
    u"StartingQuantity", u"EndingQuantity", u"QuantityOnHand", u"QuantityOnSalesOrder",
    u"ReorderPoint", u"ObjectType", u"IsOpen", u"sReserved1", u"sReserved2", u"sReserved3",
    u"sReserved4", u"nReserved1"};

// The column as the table spells it, or null when the name is no ItemsList column
// (column names compare without regard to case, as the engine does).
const char16_t* ItemColumnName(std::u16string_view name) {
  for (const char16_t* column : kItemColumns) {
    std::u16string_view c(column);
    if (c.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < c.size() && same; ++i) same = platform::FoldCase(c[i]) == platform::FoldCase(name[i]);
    if (same) return column;
  }
  return nullptr;
}

// Slot of each SELECT * column 0-24; of the reserved columns only sReserved4 is read.
constexpr int kSlotOfColumn[25] = {0, 1, 2, 3, 4, 12, 5, 6, 7, 8, 9, 10, 11, 13, 14, 21, 15, 22, 16, 17, 18, 19, 20, 23, 24};
constexpr int kMemberQuantityColumn = 28;
// Slots of the nine columns of the child query.
constexpr int kChildSlots[9] = {0, 1, 2, 3, 4, 21, 22, 23, 24};

void ReadItemRow(const CSqlStatement& statement, CItemRow& row) {
  for (int column = 0; column < 25; ++column) row[kSlotOfColumn[column]] = statement.ColumnBstr(column);
  if (statement.ColumnCount() > kMemberQuantityColumn)
    row[kRowMemberQuantity] = statement.ColumnBstr(kMemberQuantityColumn);
}

void ReadChildRow(const CSqlStatement& statement, CItemRow& row) {
  for (int column = 0; column < 9; ++column) row[kChildSlots[column]] = statement.ColumnBstr(column);
}

long long Number(const CItemRow& row, int slot) { return SqlIntegerFromText(row[slot].view()); }

}  // namespace

// ---- Writes --------------------------------------------------------------------------------------

namespace {

constexpr char16_t kItemInsertHead[] =
    u"INSERT INTO ItemsList (ListID, ListType, Name, FullName, SalesDescription, PurchaseCost, "
    u"SalesAmount, Taxable, Tax2, TimeCreated, TimeModified, EditSequence, UnitOfMeasure, "
    u"Account, Vendor, Parent, UseCount, ObjectPosition, StartingQuantity, EndingQuantity, "
    u"QuantityOnHand, QuantityOnSalesOrder, ReorderPoint, ObjectType, IsOpen, sReserved1, "
    u"sReserved2, sReserved3, sReserved4, nReserved1) VALUES (";
// The slots of the insert's parameters in column order: texts, numbers, texts.
constexpr int kInsertTextSlots[16] = {0, 1, 2, 3, 4, 12, 5, 6, 7, 8, 9, 10, 11, 13, 14, 21};
constexpr int kInsertNumberSlots[9] = {15, 22, 16, 17, 18, 19, 20, 23, 24};
constexpr int kInsertReservedSlots[4] = {25, 26, 27, 28};

// The insert as a statement text with every value bound: the same text for every row.
CSqlText ItemInsertText(const CItemRowValues& values) {
  CSqlText sql(kItemInsertHead);
  bool first = true;
  for (int slot : kInsertTextSlots) {
    if (!first) sql.Append(u",");
    first = false;
    sql.AppendBound(values.text[slot]);
  }
  for (int slot : kInsertNumberSlots) sql.Append(u",").AppendBoundInteger(values.number[slot]);
  for (int slot : kInsertReservedSlots) sql.Append(u",").AppendBound(values.text[slot]);
  sql.Append(u",0)");
  return sql;
}

}  // namespace

bool CSqlDatabase::AddRecord(const CItemRow& row) {
  CItemRowValues values;
  for (int slot = 0; slot < kItemRowSlots; ++slot) values.text[slot] = row[slot].view();
  // The numbers go in as integers; an empty number text counts as 0 rather than making
  // the statement invalid.
  for (int slot : kInsertNumberSlots) values.number[slot] = Number(row, slot);
  return AddRecord(values);
}

bool CSqlDatabase::AddRecord(const CItemRowValues& values) {
  static const std::u16string kText = ItemInsertText(CItemRowValues{}).Text();
  int rc = SQLITE_OK;
  {
    Lock lock(m_lock);
    if (CSqlStatement* statement = KeptStatement(m_itemInsert, kText)) {
      int index = 0;
      auto bindText = [&](int slot) {
        ++index;
        if (rc == SQLITE_OK) rc = statement->BindTextInPlace(index, values.text[slot], BindBuffer(index));
      };
      for (int slot : kInsertTextSlots) bindText(slot);
      for (int slot : kInsertNumberSlots)
        if (++index, rc == SQLITE_OK) rc = statement->BindInt64(index, values.number[slot]);
      for (int slot : kInsertReservedSlots) bindText(slot);
      rc = StepRowInsert(*statement, rc);
    } else {
      rc = ExecuteWrite(ItemInsertText(values));
    }
    if (rc == SQLITE_OK) return true;
  }
  std::u16string statement;
  {
    Lock lock(m_lock);
    statement = ExpandedText(ItemInsertText(values));
    SetLastError(u"Insert Failed: " + statement);
  }
  ShowError(IDS_DB_INSERT_FAILED, static_cast<DWORD>(rc));
  if (!m_holdFailures) WriteInsertDiagnostic(statement);
  return false;
}

bool CSqlDatabase::UpdateItem(const CItemRow& row, std::optional<std::u16string_view> matchListType,
                              std::optional<std::u16string_view> matchParent) {
  CSqlText sql(u"Update ItemsList SET ListType = ");
  sql.AppendBound(row[kRowListType].view());
  static constexpr struct {
    const char16_t* piece;
    int slot;
  } kTextColumns[] = {
      {u", Name = ", 2},          {u", FullName = ", 3},    {u", SalesDescription = ", 4},
      {u", PurchaseCost = ", 12}, {u", SalesAmount = ", 5}, {u", Taxable = ", 6},
      {u", Tax2 = ", 7},          {u", TimeCreated = ", 8}, {u", TimeModified = ", 9},
      {u", EditSequence = ", 10}, {u", UnitOfMeasure = ", 11}, {u", Account = ", 13},
      {u", Vendor = ", 14},       {u", Parent = ", 21},
  };
  for (const auto& column : kTextColumns) sql.Append(column.piece).AppendBound(row[column.slot].view());
  // The four counters go in as decimal texts and the quantities as integers, as this
  // update has always written them; the engine stores both as integers.
  sql.Append(u", UseCount = ").AppendBound(DecimalText(Number(row, 15)));
  sql.Append(u", ObjectPosition = ").AppendBound(DecimalText(Number(row, 22)));
  static constexpr struct {
    const char16_t* piece;
    int slot;
  } kQuantities[] = {
      {u", StartingQuantity = ", 16}, {u", EndingQuantity = ", 17}, {u", QuantityOnHand = ", 18},
      {u", ReorderPoint = ", 20},     {u", QuantityOnSalesOrder = ", 19},
  };
  for (const auto& column : kQuantities) sql.Append(column.piece).AppendBoundInteger(Number(row, column.slot));
  sql.Append(u", ObjectType = ").AppendBound(DecimalText(Number(row, 23)));
  sql.Append(u", IsOpen = ").AppendBound(DecimalText(Number(row, 24)));
  sql.Append(u" WHERE ListID = ").AppendBound(row[kRowListID].view());
  if (matchListType) sql.Append(u" AND ListType = ").AppendBound(*matchListType);
  if (matchParent) sql.Append(u" AND Parent = ").AppendBound(*matchParent);

  int rc = ExecuteWrite(sql);
  if (rc == SQLITE_OK) return true;
  ShowError(IDS_DB_UPDATE_FAILED, static_cast<DWORD>(rc));
  return false;
}

bool CSqlDatabase::UpdatePathFields(std::u16string_view listId, std::u16string_view listType,
                                    std::u16string_view fullName, std::u16string_view newParent,
                                    std::u16string_view oldParent) {
  CSqlText sql(u"Update ItemsList SET FullName = ");
  sql.AppendBound(fullName).Append(u", Parent = ").AppendBound(newParent);
  sql.Append(u" WHERE ListID = ").AppendBound(listId);
  sql.Append(u" AND ListType = ").AppendBound(listType);
  sql.Append(u" AND Parent = ").AppendBound(oldParent);
  int rc = Execute(sql);
  if (rc == SQLITE_OK) return true;
  ShowError(IDS_DB_UPDATE_FAILED, static_cast<DWORD>(rc));
  return false;
}

bool CSqlDatabase::UpdateIsOpen(const CItemRow& row) {
  CSqlText sql(u"Update ItemsList SET IsOpen = ");
  sql.AppendBound(DecimalText(Number(row, kRowIsOpen)));
  sql.Append(u" WHERE ListID = ").AppendBound(row[kRowListID].view());
  return ExecuteWrite(sql) == SQLITE_OK;
}

bool CSqlDatabase::DeleteItemRow(std::u16string_view listId, std::u16string_view listType,
                                 std::u16string_view parent) {
  Lock lock(m_lock);
  CSqlText sql(u"DELETE FROM ItemsList WHERE ListID = ");
  sql.AppendBound(listId).Append(u" AND ListType = ").AppendBound(listType);
  if (!parent.empty()) sql.Append(u" AND Parent = ").AppendBound(parent);
  return Execute(sql) == SQLITE_OK;
}

bool CSqlDatabase::DeleteByListType(const CListTypes& listTypes, std::optional<std::u16string_view> parent) {
  Lock lock(m_lock);
  CSqlText sql(u"DELETE FROM 'ItemsList' WHERE ");
  AppendListTypeCondition(sql, listTypes);
  if (parent) sql.Append(u" AND Parent = ").AppendBound(*parent);
  return Execute(sql) == SQLITE_OK;
}

bool CSqlDatabase::DeleteChildren(std::u16string_view parent) {
  Lock lock(m_lock);
  CSqlText sql(u"DELETE FROM ItemsList where PARENT = ");
  sql.AppendBound(parent);
  return Execute(sql) == SQLITE_OK;
}

// ---- Reads of one value or one row ---------------------------------------------------------------

bool CSqlDatabase::ItemNameExists(std::u16string_view name, std::u16string_view parent) {
  CSqlText sql(u"SELECT Name FROM ItemsList WHERE Name = ");
  sql.AppendBound(name);
  if (!parent.empty()) sql.Append(u" AND Parent = ").AppendBound(parent);
  return HasRow(sql, kPrepareFailed);
}

int CSqlDatabase::GetChildCount(std::u16string_view parent) {
  Lock lock(m_lock);
  CSqlText sql(u"SELECT count(*) FROM ItemsList WHERE PARENT = ");
  sql.AppendBound(parent);
  COneRun statement;
  if (PrepareForOneRun(sql, statement) != SQLITE_OK) {
    SetLastError(kPrepareFailed);
    return 0;
  }
  int count = 0;
  if (Step(statement.statement()) == SQLITE_ROW) count = static_cast<int>(statement.statement().ColumnInt64(0));
  return count;
}

bool CSqlDatabase::HasChildren(std::u16string_view parent) {
  CSqlText sql(u"SELECT Name FROM 'ItemsList' WHERE PARENT = ");
  sql.AppendBound(parent);
  return HasRow(sql, nullptr);
}

bool CSqlDatabase::HasRow(const CSqlText& statement, const char16_t* prepareFailure) {
  Lock lock(m_lock);
  COneRun prepared;
  if (PrepareForOneRun(statement, prepared) != SQLITE_OK) {
    if (prepareFailure) SetLastError(prepareFailure);
    return false;
  }
  return Step(prepared.statement()) == SQLITE_ROW;
}

int CSqlDatabase::QueryItemRow(const CSqlText& statement, CItemRow& row) {
  Lock lock(m_lock);
  COneRun prepared;
  int rc = PrepareForOneRun(statement, prepared);
  if (rc != SQLITE_OK) return rc;
  int result = 0;
  if (Step(prepared.statement()) == SQLITE_ROW) {
    ReadItemRow(prepared.statement(), row);
    result = SQLITE_ROW;
  }
  return result;
}

bool CSqlDatabase::FindChildByName(std::u16string_view name, std::u16string_view parent, CItemRow& row) {
  CSqlText sql(u"SELECT * FROM 'ItemsList' WHERE (PARENT = ");
  sql.AppendBound(parent).Append(u" AND Name = ").AppendBound(name).Append(u")");
  return QueryItemRow(sql, row) == SQLITE_ROW;
}

bool CSqlDatabase::GetItemRow(std::u16string_view listId, std::u16string_view listType,
                              std::u16string_view parent, CItemRow& row, int* code) {
  CSqlText sql(u"SELECT * FROM ItemsList WHERE ListID = ");
  sql.AppendBound(listId).Append(u" AND ListType = ").AppendBound(listType);
  if (!parent.empty()) sql.Append(u" AND Parent = ").AppendBound(parent);
  int rc = QueryItemRow(sql, row);
  if (code) *code = rc;
  return rc == SQLITE_ROW;
}

void CSqlDatabase::AppendListTypeCondition(CSqlText& sql, const CListTypes& listTypes) {
  // Each type is a parameter of its own, matched exactly: (ListType = ? Or ListType = ?).
  sql.Append(u"(");
  bool first = true;
  for (std::u16string_view type : listTypes.Types()) {
    sql.Append(first ? u"ListType = " : u" Or ListType = ").AppendBound(type);
    first = false;
  }
  sql.Append(u")");
}

bool CSqlDatabase::GetItemRowOfType(std::u16string_view listId, const CListTypes& listTypes, CItemRow& row) {
  // The import asks this for every item it reads: one type goes through a kept statement.
  static const std::u16string kOneType = u"SELECT * FROM ItemsList WHERE ListID = ? AND (ListType = ?)";
  if (listTypes.Types().size() == 1) {
    std::optional<bool> found = QueryKept(m_itemByIdAndType, kOneType, {listId, listTypes.Types()[0]},
                                          [&row](const CSqlStatement& st) { ReadItemRow(st, row); });
    if (found) return *found;
  }
  CSqlText sql(u"SELECT * FROM ItemsList WHERE ListID = ");
  sql.AppendBound(listId).Append(u" AND ");
  AppendListTypeCondition(sql, listTypes);
  return QueryItemRow(sql, row) == SQLITE_ROW;
}

bool CSqlDatabase::GetItemStampOfType(std::u16string_view listId, const CListTypes& listTypes, CBstr& stamp) {
  static const std::u16string kOneType = u"SELECT TimeModified FROM ItemsList WHERE ListID = ? AND (ListType = ?)";
  auto read = [&stamp](const CSqlStatement& st) { stamp = st.ColumnBstr(0); };
  if (listTypes.Types().size() == 1) {
    if (std::optional<bool> found = QueryKept(m_itemStampByIdAndType, kOneType, {listId, listTypes.Types()[0]}, read))
      return *found;
  }
  CSqlText sql(u"SELECT TimeModified FROM ItemsList WHERE ListID = ");
  sql.AppendBound(listId).Append(u" AND ");
  AppendListTypeCondition(sql, listTypes);
  Lock lock(m_lock);
  COneRun prepared;
  if (PrepareForOneRun(sql, prepared) != SQLITE_OK || Step(prepared.statement()) != SQLITE_ROW) return false;
  read(prepared.statement());
  return true;
}

bool CSqlDatabase::FindItemRow(std::u16string_view column, std::u16string_view value, const CListTypes& listTypes,
                               CItemRow& row, bool contains) {
  const char16_t* columnName = ItemColumnName(column);
  if (!columnName) {
    Lock lock(m_lock);
    SetLastError(u"No such column: " + std::u16string(column));
    return false;
  }
  CSqlText sql(u"SELECT * FROM ItemsList WHERE ");
  if (contains) {
    // Not LIKE: its pattern ends at a U+0000 of the value (matching every row), and it
    // reads a name stored with unpaired surrogates as bytes that never match.
    sql.Append(kContainsFunction).Append(u"(").Append(columnName).Append(u", ").AppendBound(value).Append(u")");
  } else {
    sql.Append(columnName).Append(u" = ").AppendBound(value);
  }
  sql.Append(u" AND ");
  AppendListTypeCondition(sql, listTypes);
  return QueryItemRow(sql, row) == SQLITE_ROW;
}

// ---- Cursors -------------------------------------------------------------------------------------

void CSqlDatabase::ReadChildWithCount(const CSqlStatement& statement, CItemRow& row) {
  ReadChildRow(statement, row);
  row[kRowUseCount] = CBstr(DecimalText(statement.ColumnInt64(9)));
}

CSqlStatement CSqlDatabase::PrepareChildren(std::u16string_view moreColumns, std::u16string_view parent, bool byName,
                                            bool unordered) {
  CSqlText sql(u"SELECT ListID, ListType, Name, FullName, SalesDescription, Parent, ObjectPosition, ObjectType, IsOpen");
  sql.Append(moreColumns).Append(u" FROM ItemsList WHERE PARENT = ").AppendBound(parent);
  if (!unordered) sql.Append(byName ? u" ORDER BY Name" : u" ORDER BY ObjectPosition");
  CSqlStatement statement;
  if (Prepare(sql, statement) != SQLITE_OK) SetLastError(kPrepareFailed);
  return statement;
}

std::unique_ptr<CSqlCursor> CSqlDatabase::OpenChildCursor(std::u16string_view parent, CItemRow& row,
                                                          bool byName, bool unordered, bool prepareOnly) {
  Lock lock(m_lock);
  // The child count comes with each row, counted through the Parent index, rather than
  // from a statement of its own per row.
  CSqlStatement statement = PrepareChildren(
      u", (SELECT count(*) FROM ItemsList AS Child WHERE Child.Parent = ItemsList.FullName)", parent, byName,
      unordered);
  if (!statement) return nullptr;
  if (prepareOnly) return MakeCursor(std::move(statement));
  if (statement.Step() != SQLITE_ROW) return nullptr;
  ReadChildWithCount(statement, row);
  return MakeCursor(std::move(statement));
}

bool CSqlDatabase::StepCursor(CSqlCursor& cursor) {
  if (!cursor.IsOpen()) return false;
  if (cursor.m_statement.Step() == SQLITE_ROW) return true;
  FinalizeCursor(cursor);
  return false;
}

bool CSqlDatabase::NextChild(CSqlCursor& cursor, CItemRow& row) {
  Lock lock(m_lock);
  if (!StepCursor(cursor)) return false;
  ReadChildWithCount(cursor.m_statement, row);
  return true;
}

std::unique_ptr<CSqlCursor> CSqlDatabase::SelectItems(CItemRow& row, std::u16string_view listType1,
                                                      std::u16string_view listType2,
                                                      std::u16string_view parent1,
                                                      std::u16string_view parent2, bool readFirst) {
  Lock lock(m_lock);
  CSqlText sql(u"Select * FROM ItemsList");
  bool haveWhere = false;
  if (!listType1.empty() && !listType2.empty()) {
    sql.Append(u" WHERE (ListType = ").AppendBound(listType1);
    sql.Append(u" OR ListType = ").AppendBound(listType2).Append(u")");
    haveWhere = true;
  } else if (!listType1.empty()) {
    sql.Append(u" WHERE ListType = ").AppendBound(listType1);
    haveWhere = true;
  }
  // A parent filter alone is accepted: it opens the condition itself.
  if (!parent1.empty()) {
    sql.Append(haveWhere ? u" AND " : u" WHERE ");
    if (!parent2.empty()) {
      sql.Append(u"(Parent = ").AppendBound(parent1);
      sql.Append(u" OR Parent = ").AppendBound(parent2).Append(u")");
    } else {
      sql.Append(u"Parent = ").AppendBound(parent1);
    }
  }
  CSqlStatement statement;
  if (Prepare(sql, statement) != SQLITE_OK) {
    SetLastError(kPrepareFailed);
    return nullptr;
  }
  if (statement.Step() != SQLITE_ROW) return nullptr;
  if (readFirst) ReadItemRow(statement, row);
  return MakeCursor(std::move(statement));
}

bool CSqlDatabase::StepItemRow(CSqlCursor& cursor, CItemRow& row, bool read) {
  Lock lock(m_lock);
  if (!StepCursor(cursor)) return false;
  if (read) ReadItemRow(cursor.m_statement, row);
  return true;
}

// ---- The search of the item tree ------------------------------------------------------------------

CFindText::CFindText(std::u16string_view upper, Field field) : m_upper(upper), m_field(field) {
  std::string ascii;
  for (char16_t c : upper) {
    if (c >= 0x80) return;
    ascii += static_cast<char>(c);
  }
  m_ascii = std::move(ascii);
}

namespace {

constexpr int kFindName = 2, kFindDescription = 4, kFindKind = 7;

// A column's text where it lies, when it is plain ASCII stored as UTF-8 (NULL reads as
// empty); nothing for any other value, which is read the long way.
std::optional<std::string_view> AsciiColumn(const CSqlStatement& statement, int column) {
  std::optional<std::string_view> text = statement.ColumnUtf8(column);
  if (!text) return std::nullopt;
  for (unsigned char c : *text) {
    if (c >= 0x80) return std::nullopt;
  }
  return text;
}

}  // namespace

std::unique_ptr<CSqlCursor> CSqlDatabase::OpenFindCursor(std::u16string_view parent, bool byName, bool unordered) {
  Lock lock(m_lock);
  CSqlStatement statement = PrepareChildren(u"", parent, byName, unordered);
  return statement ? MakeCursor(std::move(statement)) : nullptr;
}

bool CSqlDatabase::NextFindRow(CSqlCursor& cursor, int& kind) {
  Lock lock(m_lock);
  if (!StepCursor(cursor)) return false;
  const CSqlStatement& statement = cursor.m_statement;
  kind = statement.ColumnType(kFindKind) == SQLITE_INTEGER
             ? static_cast<int>(statement.ColumnInt64(kFindKind))
             : static_cast<int>(SqlIntegerFromText(statement.ColumnText16(kFindKind)));
  return true;
}

bool CSqlDatabase::FindRowHolds(CSqlCursor& cursor, const CFindText& text, std::u16string* shown) {
  Lock lock(m_lock);
  const CSqlStatement& statement = cursor.m_statement;
  if (!statement) return false;
  using Field = CFindText::Field;
  std::optional<std::string_view> name = AsciiColumn(statement, kFindName);
  std::optional<std::string_view> description =
      text.GetField() == Field::Name ? std::string_view() : AsciiColumn(statement, kFindDescription);
  if (name && description) {
    // The row's text in a buffer kept from row to row (a search reads thousands of rows).
    std::string& tested = m_findBuffer;
    if (text.GetField() == Field::DescriptionOrName) {
      tested.assign(description->empty() ? *name : *description);
    } else {
      tested.assign(*name);
      if (text.GetField() == Field::NameAndDescription) (tested += ' ') += *description;
    }
    if (shown) shown->assign(tested.begin(), tested.end());
    // Plain ASCII upper-cases within ASCII, so only an ASCII text can be held.
    if (!text.Ascii()) return false;
    for (char& c : tested)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return tested.find(*text.Ascii()) != std::string::npos;
  }
  return FindRowHoldsWide(statement, text, shown);
}

bool CSqlDatabase::FindRowHoldsWide(const CSqlStatement& statement, const CFindText& text, std::u16string* shown) {
  const CBstr name = statement.ColumnBstr(kFindName);
  const CBstr description = statement.ColumnBstr(kFindDescription);
  std::u16string tested;
  switch (text.GetField()) {
    case CFindText::Field::DescriptionOrName: tested = description.IsEmpty() ? name.str() : description.str(); break;
    case CFindText::Field::NameAndDescription: tested = name.str() + u" " + description.str(); break;
    case CFindText::Field::Name: tested = name.str(); break;
  }
  if (shown) *shown = tested;
  for (char16_t& c : tested) c = platform::UpperCase(c);
  return tested.find(text.Upper()) != std::u16string::npos;
}

void CSqlDatabase::ReadFindRow(CSqlCursor& cursor, CItemRow& row) {
  Lock lock(m_lock);
  if (!cursor.IsOpen()) return;
  ReadChildRow(cursor.m_statement, row);
  row[kRowUseCount] = CBstr(DecimalText(GetChildCount(row[kRowFullName].view())));
}
