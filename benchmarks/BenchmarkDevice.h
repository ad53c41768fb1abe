// What the datastore benchmarks share: the run's scratch device (ScratchDevice.h), a
// notices sink that shows nothing, fresh database paths, and the anchor every insert path
// is held against (one prepared INSERT with bound values, stepped once per row).
#pragma once

#include <sqlite3.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "ScratchDevice.h"
#include "datastore/ItemRow.h"
#include "datastore/ItemStore.h"
#include "datastore/SqlDatabase.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"

namespace bench {

class QuietNotices : public IDatabaseNotices {
 public:
  void Warning(UINT, std::u16string_view) override {}
  void Error(UINT, DWORD) override {}
};

inline QuietNotices& Quiet() {
  static QuietNotices quiet;
  return quiet;
}

inline std::u16string Number(long long n) { return platform::ToUtf16(std::to_string(n)); }

// A device path no file holds yet.
inline std::u16string FreshPath() {
  Scratch();
  static int n = 0;
  std::u16string name = u"\\bench" + Number(n++) + u".db";
  std::error_code ignored;
  std::filesystem::remove(platform::MapDevicePath(name), ignored);
  return name;
}

// Makes a database with the program's schema at `path` (by opening it once).
inline void MakeDatabase(const std::u16string& path) {
  CSqlDatabase maker;
  maker.SetNotices(&Quiet());
  maker.Open(path);
}

// The anchor: the rows inserted with one prepared statement, values bound, in one
// transaction. Returns false when a row failed.
inline bool PreparedInsert(sqlite3* db, const std::vector<CItemRow>& rows) {
  static const char* kInsert =
      "INSERT INTO ItemsList (ListID, ListType, Name, FullName, SalesDescription, PurchaseCost, SalesAmount, "
      "Taxable, Tax2, TimeCreated, TimeModified, EditSequence, UnitOfMeasure, Account, Vendor, Parent, UseCount, "
      "ObjectPosition, StartingQuantity, EndingQuantity, QuantityOnHand, QuantityOnSalesOrder, ReorderPoint, "
      "ObjectType, IsOpen, sReserved1, sReserved2, sReserved3, sReserved4, nReserved1) VALUES "
      "(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,'','','','',0)";
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, kInsert, -1, &st, nullptr) != SQLITE_OK) return false;
  bool ok = sqlite3_exec(db, "BEGIN TRANSACTION;", nullptr, nullptr, nullptr) == SQLITE_OK;
  for (const CItemRow& row : rows) {
    int index = 1;
    for (int slot : {0, 1, 2, 3, 4, 12, 5, 6, 7, 8, 9, 10, 11, 13, 14, 21}) {
      std::u16string_view text = row[slot].view();
      sqlite3_bind_text16(st, index++, text.data(), static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
    }
    for (int slot : {15, 22, 16, 17, 18, 19, 20, 23, 24})
      sqlite3_bind_int64(st, index++, SqlIntegerFromText(row[slot].view()));
    ok = sqlite3_step(st) == SQLITE_DONE && ok;
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  return sqlite3_exec(db, "COMMIT TRANSACTION;", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
}

// The anchor run on a fresh file with the program's schema; false on any failure.
inline bool PreparedInsertIntoFreshFile(const std::vector<CItemRow>& rows) {
  std::u16string path = FreshPath();
  MakeDatabase(path);
  sqlite3* db = nullptr;
  bool ok = sqlite3_open(platform::MapDevicePath(path).string().c_str(), &db) == SQLITE_OK;
  ok = ok && PreparedInsert(db, rows);
  sqlite3_close(db);
  return ok;
}

// Runs a plain SELECT (its one parameter bound to `parameter` when given) reading every
// column of every row as text and adding their bytes to `bytes`; the number of rows.
inline int ReadEveryRow(sqlite3* db, const char* select, size_t& bytes, const std::string* parameter = nullptr) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, select, -1, &st, nullptr);
  if (parameter) sqlite3_bind_text(st, 1, parameter->c_str(), -1, SQLITE_TRANSIENT);
  const int columns = sqlite3_column_count(st);
  int rows = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    for (int c = 0; c < columns; ++c) {
      sqlite3_column_text(st, c);
      bytes += static_cast<size_t>(sqlite3_column_bytes(st, c));
    }
    ++rows;
  }
  sqlite3_finalize(st);
  return rows;
}

// One search of the item tree from "My Lists" for "NEEDLE" (names and descriptions);
// true when it reported a match.
inline bool FindNeedle(CItemStore& store) {
  CTypedPointerList<CDbRecord> results;
  CFindState find;
  bool found = store.FindText(u"My Lists", u"NEEDLE", results, find, false, kFindNameAndDescription, true) == 1;
  store.EndFind(find);
  results.DeleteAll();
  return found;
}

// The anchor of the item search: every row's nine child columns read in one plain SELECT
// and Name + " " + SalesDescription tested for `upperNeedle` (ASCII upper-cased). Returns
// the number of rows that hold it.
inline int CountRowsHolding(sqlite3* db, const std::string& upperNeedle) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT ListID, ListType, Name, FullName, SalesDescription, Parent, ObjectPosition, ObjectType, "
                     "IsOpen FROM ItemsList",
                     -1, &st, nullptr);
  int found = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    for (int c = 0; c < 9; ++c) sqlite3_column_text(st, c);
    std::string text = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
    text += " ";
    const unsigned char* description = sqlite3_column_text(st, 4);
    if (description) text += reinterpret_cast<const char*>(description);
    for (char& ch : text) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
    if (text.find(upperNeedle) != std::string::npos) ++found;
  }
  sqlite3_finalize(st);
  return found;
}

}  // namespace bench
