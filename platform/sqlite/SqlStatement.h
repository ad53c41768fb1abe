// The owner of one SQLite prepared statement: prepared by Prepare, finalized at scope end,
// move-only. Every value of a statement is bound through it as a parameter.
//
//   CSqlStatement st;
//   if (st.Prepare(db, "SELECT Name FROM Contacts WHERE Oid = ?") == SQLITE_OK) {
//     st.BindInt64(1, oid);
//     while (st.Step() == SQLITE_ROW) names.push_back(st.ColumnText16(0));
//   }
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Bstr.h"

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

class CSqlStatement {
 public:
  CSqlStatement() = default;
  // Takes over a statement prepared elsewhere (null: none).
  explicit CSqlStatement(sqlite3_stmt* statement) : m_statement(statement) {}
  ~CSqlStatement() { reset(); }
  CSqlStatement(CSqlStatement&& other) noexcept : m_statement(other.release()) {}
  CSqlStatement& operator=(CSqlStatement&& other) noexcept;
  CSqlStatement(const CSqlStatement&) = delete;
  CSqlStatement& operator=(const CSqlStatement&) = delete;

  // Prepares `sql` (UTF-8) on `db`, finalizing what was held before; the engine code. On
  // failure nothing is held. `persistent` tells the engine the statement runs many times.
  int Prepare(sqlite3* db, std::string_view sql, bool persistent = false);

  sqlite3_stmt* get() const { return m_statement; }
  // Hands the statement to the caller, who finalizes it.
  sqlite3_stmt* release();
  // Finalizes the statement held (if any) and takes `statement`.
  void reset(sqlite3_stmt* statement = nullptr);
  explicit operator bool() const { return m_statement != nullptr; }

  // Binds parameter `index` (from 1); each returns the engine code.
  int BindInt64(int index, long long value);
  // A text as UTF-8, copied by the engine; unpaired surrogates travel as a BLOB of units.
  int BindText(int index, std::u16string_view value);
  // The same without a copy: the UTF-8 is made in `buffer`, which the caller keeps
  // unchanged until the statement has been stepped and reset.
  int BindTextInPlace(int index, std::u16string_view value, std::string& buffer);
  // A text as the UTF-16 units given, copied by the engine.
  int BindText16(int index, std::u16string_view value);

  // The engine code of one step (SQLITE_ROW, SQLITE_DONE or an error).
  int Step();
  // Readies the statement for another run and forgets every binding.
  void Reset();

  // How many parameters the statement has (the highest index).
  int ParameterCount() const;

  int ColumnCount() const;
  int ColumnType(int column) const;
  long long ColumnInt64(int column) const;
  // The column as the UTF-16 text that was bound: NULL reads as an empty text, a BLOB as
  // the units of a text with unpaired surrogates (see BindText), a number as its text.
  std::u16string ColumnText16(int column) const;
  // The same as a BSTR; a short ASCII text goes into it without a wide copy between.
  CBstr ColumnBstr(int column) const;
  // The bytes of a text column stored as UTF-8, where the engine keeps them until the next
  // step (NULL reads as empty); nothing for any other value.
  std::optional<std::string_view> ColumnUtf8(int column) const;
  // The column's name as UTF-8 (empty when the engine gives none).
  std::string ColumnName(int column) const;

  // An SQL function's argument read as ColumnText16 reads a column (NULL reads as empty:
  // a function that tells NULL apart asks the value's type first).
  static std::u16string ValueText16(sqlite3_value* value);

 private:
  int BindUnits(int index, std::u16string_view value, std::string& buffer, bool copy);

  sqlite3_stmt* m_statement = nullptr;
};
