#include "platform/sqlite/SqlStatement.h"

#include <sqlite3.h>

#include <utility>

#include "platform/base/Base.h"

CSqlStatement& CSqlStatement::operator=(CSqlStatement&& other) noexcept {
  if (this != &other) reset(other.release());
  return *this;
}

int CSqlStatement::Prepare(sqlite3* db, std::string_view sql, bool persistent) {
  reset();
  unsigned flags = persistent ? SQLITE_PREPARE_PERSISTENT : 0;
  int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), flags, &m_statement, nullptr);
  if (rc != SQLITE_OK) reset();
  return rc;
}

sqlite3_stmt* CSqlStatement::release() { return std::exchange(m_statement, nullptr); }

void CSqlStatement::reset(sqlite3_stmt* statement) {
  sqlite3_stmt* old = std::exchange(m_statement, statement);
  if (old) sqlite3_finalize(old);
}

int CSqlStatement::BindInt64(int index, long long value) { return sqlite3_bind_int64(m_statement, index, value); }

int CSqlStatement::BindText(int index, std::u16string_view value) {
  std::string buffer;
  return BindUnits(index, value, buffer, true);
}

int CSqlStatement::BindTextInPlace(int index, std::u16string_view value, std::string& buffer) {
  return BindUnits(index, value, buffer, false);
}

int CSqlStatement::BindUnits(int index, std::u16string_view value, std::string& buffer, bool copy) {
  auto lifetime = copy ? SQLITE_TRANSIENT : SQLITE_STATIC;
  // UTF-8 costs the engine less than UTF-16 it would convert at every step.
  if (platform::ToUtf8Strict(value, buffer))
    return sqlite3_bind_text(m_statement, index, buffer.data(), static_cast<int>(buffer.size()), lifetime);
  // Unpaired surrogates would be altered by any UTF-8 form: their units are kept verbatim.
  buffer.clear();
  buffer.reserve(value.size() * sizeof(char16_t));
  for (char16_t c : value) {
    buffer.push_back(static_cast<char>(c & 0xFF));
    buffer.push_back(static_cast<char>(c >> 8));
  }
  return sqlite3_bind_blob(m_statement, index, buffer.data(), static_cast<int>(buffer.size()), lifetime);
}

int CSqlStatement::BindText16(int index, std::u16string_view value) {
  return sqlite3_bind_text16(m_statement, index, value.data(), static_cast<int>(value.size() * sizeof(char16_t)),
                             SQLITE_TRANSIENT);
}

int CSqlStatement::Step() { return sqlite3_step(m_statement); }

void CSqlStatement::Reset() {
  sqlite3_reset(m_statement);
  sqlite3_clear_bindings(m_statement);
}

int CSqlStatement::ColumnCount() const { return sqlite3_column_count(m_statement); }
int CSqlStatement::ColumnType(int column) const { return sqlite3_column_type(m_statement, column); }
long long CSqlStatement::ColumnInt64(int column) const { return sqlite3_column_int64(m_statement, column); }

std::u16string CSqlStatement::ColumnText16(int column) const {
  const void* text = sqlite3_column_text16(m_statement, column);
  if (!text) return {};
  auto units = static_cast<size_t>(sqlite3_column_bytes16(m_statement, column)) / sizeof(char16_t);
  return std::u16string(static_cast<const char16_t*>(text), units);
}

std::string CSqlStatement::ColumnName(int column) const {
  const char* name = sqlite3_column_name(m_statement, column);
  return name ? std::string(name) : std::string();
}
