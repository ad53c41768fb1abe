// The owner of one SQLite prepared statement: prepared by Prepare, finalized at scope end,
// move-only. Every value of a statement is bound through it as a parameter.
//
//   CSqlStatement st;
//   if (st.Prepare(db, "SELECT Name FROM Contacts WHERE Oid = ?") == SQLITE_OK) {
//     st.BindInt64(1, oid);
//     while (st.Step() == SQLITE_ROW) names.push_back(st.ColumnText16(0));
//   }
#pragma once

#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

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

  int ColumnCount() const;
  int ColumnType(int column) const;
  long long ColumnInt64(int column) const;
  // The column as UTF-16 (the engine converts); NULL reads as an empty text.
  std::u16string ColumnText16(int column) const;
  // The column's name as UTF-8 (empty when the engine gives none).
  std::string ColumnName(int column) const;

 private:
  int BindUnits(int index, std::u16string_view value, std::string& buffer, bool copy);

  sqlite3_stmt* m_statement = nullptr;
};
