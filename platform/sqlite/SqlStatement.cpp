#include "platform/sqlite/SqlStatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

#include "platform/base/Base.h"

namespace {

// The units a BLOB holds: a text BindUnits could not give as UTF-8, two bytes a unit, low
// byte first (an odd last byte is no unit).
std::u16string UnitsOfBlob(const void* blob, int count) {
  const auto* bytes = static_cast<const unsigned char*>(blob);
  std::u16string units;
  units.reserve(static_cast<size_t>(std::max(count, 0) / 2));
  for (int i = 0; i + 1 < count; i += 2) units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  return units;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Hands `make` the column's UTF-16 units and returns what it made of them. Listing
// thousands of rows spends its time here: a stored UTF-8 text is read where it lies, and a
// short ASCII one widens on the stack, so the result is the only copy made.
template <typename Make>
auto ReadColumn(const CSqlStatement& statement, int column, Make make) {
  sqlite3_stmt* st = statement.get();
  switch (sqlite3_column_type(st, column)) {
    case SQLITE_NULL: return make(std::u16string_view(u"", 0));
    case SQLITE_BLOB: return make(UnitsOfBlob(sqlite3_column_blob(st, column), sqlite3_column_bytes(st, column)));
    default: break;
  }
  if (std::optional<std::string_view> utf8 = statement.ColumnUtf8(column)) {
    if (IsAscii(*utf8)) {
      char16_t units[128];
      if (utf8->size() <= std::size(units)) {
        std::copy(utf8->begin(), utf8->end(), units);
        return make(std::u16string_view(units, utf8->size()));
      }
      return make(std::u16string(utf8->begin(), utf8->end()));
    }
    return make(platform::ToUtf16(*utf8));
  }
  // A text kept as UTF-16, or a number: the engine's UTF-16 of it.
  const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(st, column));
  auto units = static_cast<size_t>(sqlite3_column_bytes16(st, column)) / sizeof(char16_t);
  return make(text ? std::u16string_view(text, units) : std::u16string_view(u"", 0));
}

}  // namespace

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

int CSqlStatement::ParameterCount() const { return sqlite3_bind_parameter_count(m_statement); }

int CSqlStatement::ColumnCount() const { return sqlite3_column_count(m_statement); }
int CSqlStatement::ColumnType(int column) const { return sqlite3_column_type(m_statement, column); }
long long CSqlStatement::ColumnInt64(int column) const { return sqlite3_column_int64(m_statement, column); }

std::u16string CSqlStatement::ColumnText16(int column) const {
  return ReadColumn(*this, column, [](std::u16string_view units) { return std::u16string(units); });
}

CBstr CSqlStatement::ColumnBstr(int column) const {
  return ReadColumn(*this, column, [](std::u16string_view units) { return CBstr(units); });
}

std::optional<std::string_view> CSqlStatement::ColumnUtf8(int column) const {
  switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_NULL: return std::string_view();
    case SQLITE_TEXT: {
      // sqlite3_column_text would first copy the text to end it with a 0.
      sqlite3_value* value = sqlite3_column_value(m_statement, column);
      if (sqlite3_value_encoding(value) != SQLITE_UTF8) return std::nullopt;
      const auto* text = static_cast<const char*>(sqlite3_value_blob(value));
      return text ? std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(value))) : std::string_view();
    }
    default: return std::nullopt;
  }
}

std::u16string CSqlStatement::ValueText16(sqlite3_value* value) {
  if (sqlite3_value_type(value) == SQLITE_BLOB) return UnitsOfBlob(sqlite3_value_blob(value), sqlite3_value_bytes(value));
  const auto* text = static_cast<const char16_t*>(sqlite3_value_text16(value));
  if (!text) return {};
  return std::u16string(text, static_cast<size_t>(sqlite3_value_bytes16(value)) / sizeof(char16_t));
}

std::string CSqlStatement::ColumnName(int column) const {
  const char* name = sqlite3_column_name(m_statement, column);
  return name ? std::string(name) : std::string();
}
