#include "platform/pim/PimStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <set>

#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/sqlite/SqlStatement.h"

namespace platform::pim {

const PropertyColumn kColumns[] = {
    {PIM_FirstName, u"FirstName"},
    {PIM_LastName, u"LastName"},
    {PIM_CompanyName, u"CompanyName"},
    {PIM_Title, u"Title"},
    {PIM_Suffix, u"Suffix"},
    {PIM_FileAs, u"FileAs"},
    {PIM_Categories, u"Categories"},
    {PIM_Email1Address, u"Email1Address"},
    {PIM_BusinessTelephoneNumber, u"BusinessTelephoneNumber"},
    {PIM_Business2TelephoneNumber, u"Business2TelephoneNumber"},
    {PIM_AssistantTelephoneNumber, u"AssistantTelephoneNumber"},
    {PIM_HomeTelephoneNumber, u"HomeTelephoneNumber"},
    {PIM_Home2TelephoneNumber, u"Home2TelephoneNumber"},
    {PIM_MobileTelephoneNumber, u"MobileTelephoneNumber"},
    {PIM_BusinessFaxNumber, u"BusinessFaxNumber"},
    {PIM_HomeAddressStreet, u"HomeAddressStreet"},
    {PIM_HomeAddressCity, u"HomeAddressCity"},
    {PIM_HomeAddressState, u"HomeAddressState"},
    {PIM_HomeAddressPostalCode, u"HomeAddressPostalCode"},
    {PIM_BusinessAddressStreet, u"BusinessAddressStreet"},
    {PIM_BusinessAddressCity, u"BusinessAddressCity"},
    {PIM_BusinessAddressState, u"BusinessAddressState"},
    {PIM_BusinessAddressPostalCode, u"BusinessAddressPostalCode"},
};
const size_t kColumnCount = std::size(kColumns);

namespace {

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return s;
}

// ---- Condition texts ----------------------------------------------------------------------

class ConditionParser {
 public:
  explicit ConditionParser(std::u16string_view text) : m_text(text) {}

  std::optional<Condition> Parse() {
    Condition c;
    if (!Or(c.sql, c.params)) return std::nullopt;
    Blanks();
    if (m_pos != m_text.size()) return std::nullopt;
    return c;
  }

 private:
  void Blanks() {
    while (m_pos < m_text.size() && (m_text[m_pos] == u' ' || m_text[m_pos] == u'\t')) ++m_pos;
  }
  bool Keyword(std::u16string_view word) {
    Blanks();
    if (m_text.size() - m_pos < word.size() || !SameIgnoringCase(m_text.substr(m_pos, word.size()), word)) return false;
    size_t end = m_pos + word.size();
    if (end < m_text.size() && m_text[end] != u' ' && m_text[end] != u'(' && m_text[end] != u'[') return false;
    m_pos = end;
    return true;
  }
  bool Char(char16_t c) {
    Blanks();
    if (m_pos < m_text.size() && m_text[m_pos] == c) {
      ++m_pos;
      return true;
    }
    return false;
  }
  bool Or(std::string& sql, std::vector<std::u16string>& params) {
    if (!And(sql, params)) return false;
    while (Keyword(u"OR")) {
      sql += " OR ";
      if (!And(sql, params)) return false;
    }
    return true;
  }
  bool And(std::string& sql, std::vector<std::u16string>& params) {
    if (!Unary(sql, params)) return false;
    while (Keyword(u"AND")) {
      sql += " AND ";
      if (!Unary(sql, params)) return false;
    }
    return true;
  }
  bool Unary(std::string& sql, std::vector<std::u16string>& params) {
    if (++m_depth > 64) return false;  // a pathological nesting is refused, not recursed into
    bool ok;
    if (Keyword(u"NOT")) {
      sql += "NOT ";
      ok = Unary(sql, params);
    } else if (Char(u'(')) {
      sql += "(";
      ok = Or(sql, params) && Char(u')');
      sql += ")";
    } else {
      ok = Comparison(sql, params);
    }
    --m_depth;
    return ok;
  }
  bool Comparison(std::string& sql, std::vector<std::u16string>& params) {
    if (!Char(u'[')) return false;
    size_t close = m_text.find(u']', m_pos);
    if (close == std::u16string_view::npos) return false;
    int slot = SlotOfName(Trim(m_text.substr(m_pos, close - m_pos)));
    if (slot < 0) return false;
    m_pos = close + 1;
    std::string op = Operator();
    if (op.empty()) return false;
    std::u16string value;
    if (!Quoted(&value)) return false;
    std::string column = "\"" + platform::ToUtf8(kColumns[slot].name) + "\"";
    if (kColumns[slot].property == PIM_Categories && (op == "=" || op == "<>")) {
      sql += (op == "=" ? "" : "NOT ") + std::string("pim_has_category(") + column + ", ?)";
    } else {
      sql += column + " " + op + " ? COLLATE NOCASE";
    }
    params.push_back(std::move(value));
    return true;
  }
  std::string Operator() {
    Blanks();
    static const char16_t* const kOps[] = {u"<>", u"<=", u">=", u"=", u"<", u">"};
    for (const char16_t* op : kOps) {
      std::u16string_view o(op);
      if (m_text.substr(m_pos, o.size()) == o) {
        m_pos += o.size();
        return platform::ToUtf8(o);
      }
    }
    return {};
  }
  // A text in quotation marks; a doubled quotation mark inside it is one of them.
  bool Quoted(std::u16string* value) {
    if (!Char(u'"')) return false;
    while (m_pos < m_text.size()) {
      char16_t c = m_text[m_pos++];
      if (c != u'"') {
        value->push_back(c);
        continue;
      }
      if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
        value->push_back(u'"');
        ++m_pos;
        continue;
      }
      return true;
    }
    return false;
  }

  std::u16string_view m_text;
  size_t m_pos = 0;
  int m_depth = 0;
};

// ---- The open store -------------------------------------------------------------------------

std::mutex g_storeMutex;
std::shared_ptr<Store> g_store;
std::filesystem::path g_storePath;

// Notifications posted but not yet freed by their receiver.
std::mutex g_pendingMutex;
std::set<CENOTIFICATION*> g_pending;

struct DefaultContact {
  const char16_t *first, *last, *company, *street, *city, *phone;
};
// The customers of the sample database, so a new device can try its contacts at once: a
// business is filed under its name, as the sample's documents name it, with the person to
// ask for beside it; a customer without a company is filed under the person.
const DefaultContact kDefaults[] = {
    {u"Nora", u"Lindqvist", u"Birchwood Cafe", u"12 Alder Street", u"Portland", u"503-555-0168"},
    {u"Owen", u"Hallett", u"", u"88 Pine Road", u"Beaverton", u"503-555-0171"},
    {u"Rosa", u"Delgado", u"Maple Court Apartments", u"400 Maple Court", u"Portland", u"503-555-0172"},
    {u"Liam", u"O'Connell", u"O'Connell Bakery", u"5 Market Lane", u"Gresham", u"503-555-0174"},
};

void HasCategoryFunction(sqlite3_context* context, int, sqlite3_value** args) {
  auto text = [](sqlite3_value* v) {
    const void* p = sqlite3_value_text16(v);
    return std::u16string(p ? static_cast<const char16_t*>(p) : u"", static_cast<size_t>(sqlite3_value_bytes16(v)) / 2);
  };
  sqlite3_result_int(context, ListHasCategory(text(args[0]), text(args[1])) ? 1 : 0);
}

std::string ColumnList() {
  std::string list;
  for (size_t i = 0; i < kColumnCount; ++i) list += (i ? ", \"" : "\"") + platform::ToUtf8(kColumns[i].name) + "\"";
  return list;
}

// A statement of the store prepared at once; it holds nothing when the prepare failed.
CSqlStatement Prepared(sqlite3* db, std::string_view sql) {
  CSqlStatement statement;
  statement.Prepare(db, sql);
  return statement;
}

}  // namespace

int SlotOf(int property) {
  // Every property read goes through here: a table by getter position, made once.
  static const auto kSlots = [] {
    std::array<signed char, PIM_FileAs + 1> slots;
    slots.fill(-1);
    for (size_t i = 0; i < kColumnCount; ++i) slots[static_cast<size_t>(kColumns[i].property)] = static_cast<signed char>(i);
    return slots;
  }();
  return property < 0 || property > PIM_FileAs ? -1 : kSlots[static_cast<size_t>(property)];
}

int SlotOfName(std::u16string_view name) {
  for (size_t i = 0; i < kColumnCount; ++i)
    if (SameIgnoringCase(kColumns[i].name, name)) return static_cast<int>(i);
  return -1;
}

std::optional<Condition> CompileCondition(std::u16string_view text) { return ConditionParser(text).Parse(); }

std::optional<std::string> CompileSort(std::u16string_view text, bool descending) {
  text = Trim(text);
  if (text.size() < 3 || text.front() != u'[' || text.back() != u']') return std::nullopt;
  text = text.substr(1, text.size() - 2);
  std::string order;
  while (true) {
    size_t comma = text.find(u',');
    int slot = SlotOfName(Trim(text.substr(0, comma)));
    if (slot < 0) return std::nullopt;
    order += "\"" + platform::ToUtf8(kColumns[slot].name) + "\" COLLATE NOCASE" + (descending ? " DESC, " : ", ");
    if (comma == std::u16string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return order + (descending ? "Oid DESC" : "Oid");
}

bool ListHasCategory(std::u16string_view list, std::u16string_view category) {
  category = Trim(category);
  while (!list.empty()) {
    size_t comma = list.find(u',');
    if (SameIgnoringCase(Trim(list.substr(0, comma)), category)) return true;
    if (comma == std::u16string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

std::u16string ComposeFileAs(const std::vector<std::u16string>& values) {
  const std::u16string& first = values[static_cast<size_t>(SlotOf(PIM_FirstName))];
  const std::u16string& last = values[static_cast<size_t>(SlotOf(PIM_LastName))];
  if (!first.empty() && !last.empty()) return last + u", " + first;
  if (!first.empty() || !last.empty()) return first + last;
  return values[static_cast<size_t>(SlotOf(PIM_CompanyName))];
}

std::shared_ptr<Store> Store::Current() {
  std::lock_guard lock(g_storeMutex);
  std::filesystem::path path = platform::MapDevicePath(u"\\Windows\\Contacts.db");
  if (g_store && g_storePath == path) return g_store;
  g_store.reset();
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr) !=
      SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  std::shared_ptr<Store> store(new Store(db));
  if (!store->Prepare()) return nullptr;
  g_store = store;
  g_storePath = path;
  return g_store;
}

void Store::Reset() {
  {
    std::lock_guard lock(g_storeMutex);
    g_store.reset();
    g_storePath.clear();
  }
  std::lock_guard lock(g_pendingMutex);
  for (CENOTIFICATION* n : g_pending) delete n;
  g_pending.clear();
}

Store::~Store() { sqlite3_close(m_db); }

bool Store::Prepare() {
  sqlite3_busy_timeout(m_db, 2000);
  // Texts come and go as UTF-16: a new file keeps them so and spares the conversions.
  sqlite3_exec(m_db, "PRAGMA encoding = 'UTF-16le'", nullptr, nullptr, nullptr);
  // The store is written a contact at a time: a write-ahead log keeps each save cheap.
  sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  sqlite3_create_function(m_db, "pim_has_category", 2, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, HasCategoryFunction,
                          nullptr, nullptr);
  std::string columns;
  for (size_t i = 0; i < kColumnCount; ++i) columns += ", \"" + platform::ToUtf8(kColumns[i].name) + "\" TEXT NOT NULL DEFAULT ''";
  std::string schema = "CREATE TABLE IF NOT EXISTS Contacts (Oid INTEGER PRIMARY KEY AUTOINCREMENT" + columns +
                       ");"
                       "CREATE TABLE IF NOT EXISTS Categories (Id INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "Name TEXT NOT NULL UNIQUE COLLATE NOCASE);"
                       // The lists sort by these: an index walk instead of sorting every load.
                       "CREATE INDEX IF NOT EXISTS ContactsByLastName ON Contacts "
                       "(LastName COLLATE NOCASE, CompanyName COLLATE NOCASE);"
                       "CREATE INDEX IF NOT EXISTS ContactsByCompany ON Contacts (CompanyName COLLATE NOCASE);"
                       "CREATE INDEX IF NOT EXISTS ContactsByFileAs ON Contacts (FileAs COLLATE NOCASE);";
  if (sqlite3_exec(m_db, schema.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  CSqlStatement version = Prepared(m_db, "PRAGMA user_version");
  if (!version || version.Step() != SQLITE_ROW) return false;
  if (version.ColumnInt64(0) == 0) Seed();
  return true;
}

void Store::Seed() {
  sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr);
  for (const char16_t* category : {u"Business", u"Personal"}) AddCategories(category);
  for (const DefaultContact& d : kDefaults) {
    std::vector<std::u16string> values(kColumnCount);
    auto set = [&values](int property, const char16_t* text) { values[static_cast<size_t>(SlotOf(property))] = text; };
    set(PIM_FirstName, d.first);
    set(PIM_LastName, d.last);
    set(PIM_CompanyName, d.company);
    set(PIM_BusinessAddressStreet, d.street);
    set(PIM_BusinessAddressCity, d.city);
    set(PIM_BusinessAddressState, u"OR");
    set(PIM_BusinessAddressPostalCode, u"97201");
    set(PIM_BusinessTelephoneNumber, d.phone);
    set(PIM_Email1Address, (std::u16string(d.first) + u"@example.com").c_str());
    set(PIM_Categories, u"Business");
    values[static_cast<size_t>(SlotOf(PIM_FileAs))] = *d.company ? std::u16string(d.company) : ComposeFileAs(values);
    WriteLocked(0, values);
  }
  sqlite3_exec(m_db, "PRAGMA user_version = 1; COMMIT", nullptr, nullptr, nullptr);
  m_generation = 1;
}

bool Store::Select(const std::vector<Condition>& where, const std::string& order, std::vector<ContactRow>* rows) {
  Rows shared = SelectShared(where, order);
  if (!shared) return false;
  *rows = *shared;
  return true;
}

Store::Rows Store::SelectShared(const std::vector<Condition>& where, const std::string& order) {
  std::string sql = "SELECT Oid, " + ColumnList() + " FROM Contacts";
  for (size_t i = 0; i < where.size(); ++i) sql += (i ? " AND (" : " WHERE (") + where[i].sql + ")";
  sql += " ORDER BY " + (order.empty() ? std::string("Oid") : order);
  std::u16string query = platform::ToUtf16(sql);
  for (const Condition& c : where)
    for (const std::u16string& p : c.params) query += u'\0' + p;
  std::lock_guard lock(m_mutex);
  if (m_lastRows && m_lastGeneration == m_generation && m_lastQuery == query) return m_lastRows;
  CSqlStatement st = Prepared(m_db, sql);
  if (!st) return nullptr;
  int index = 1;
  for (const Condition& c : where)
    for (const std::u16string& p : c.params) st.BindText16(index++, p);
  auto rows = std::make_shared<std::vector<ContactRow>>();
  int rc;
  while ((rc = st.Step()) == SQLITE_ROW) {
    ContactRow row;
    row.oid = static_cast<LONG>(st.ColumnInt64(0));
    row.values.reserve(kColumnCount);
    for (size_t i = 0; i < kColumnCount; ++i) row.values.push_back(st.ColumnText16(static_cast<int>(i) + 1));
    rows->push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) return nullptr;
  m_lastQuery = std::move(query);
  m_lastGeneration = m_generation;
  m_lastRows = rows;
  return rows;
}

std::optional<ContactRow> Store::Load(LONG oid) {
  std::lock_guard lock(m_mutex);
  CSqlStatement st = Prepared(m_db, "SELECT " + ColumnList() + " FROM Contacts WHERE Oid = ?");
  if (!st) return std::nullopt;
  st.BindInt64(1, oid);
  if (st.Step() != SQLITE_ROW) return std::nullopt;
  ContactRow row{oid, {}};
  for (size_t i = 0; i < kColumnCount; ++i) row.values.push_back(st.ColumnText16(static_cast<int>(i)));
  return row;
}

LONG Store::Write(LONG oid, const std::vector<std::u16string>& values) {
  std::lock_guard lock(m_mutex);
  return WriteLocked(oid, values);
}

LONG Store::WriteLocked(LONG oid, const std::vector<std::u16string>& values) {
  if (values.size() != kColumnCount) return 0;
  std::string sql;
  if (oid == 0) {
    std::string marks;
    for (size_t i = 0; i < kColumnCount; ++i) marks += i ? ", ?" : "?";
    sql = "INSERT INTO Contacts (" + ColumnList() + ") VALUES (" + marks + ")";
  } else {
    for (size_t i = 0; i < kColumnCount; ++i) sql += (i ? ", \"" : "\"") + platform::ToUtf8(kColumns[i].name) + "\" = ?";
    sql = "UPDATE Contacts SET " + sql + " WHERE Oid = ?";
  }
  CSqlStatement st = Prepared(m_db, sql);
  if (!st) return 0;
  for (size_t i = 0; i < kColumnCount; ++i) st.BindText16(static_cast<int>(i) + 1, values[i]);
  if (oid != 0) st.BindInt64(static_cast<int>(kColumnCount) + 1, oid);
  if (st.Step() != SQLITE_DONE) return 0;
  if (oid != 0 && sqlite3_changes(m_db) == 0) return 0;
  LONG written = oid != 0 ? oid : static_cast<LONG>(sqlite3_last_insert_rowid(m_db));
  AddCategories(values[static_cast<size_t>(SlotOf(PIM_Categories))]);
  ++m_generation;
  Notify(oid != 0 ? DB_CEOID_CHANGED : DB_CEOID_CREATED, written);
  return written;
}

bool Store::Remove(LONG oid) {
  std::lock_guard lock(m_mutex);
  CSqlStatement st = Prepared(m_db, "DELETE FROM Contacts WHERE Oid = ?");
  if (!st) return false;
  st.BindInt64(1, oid);
  if (st.Step() != SQLITE_DONE || sqlite3_changes(m_db) == 0) return false;
  ++m_generation;
  Notify(DB_CEOID_RECORD_DELETED, oid);
  return true;
}

// A category a contact is given joins the categories database, as the device's own
// contact editor adds a category typed into it.
void Store::AddCategories(std::u16string_view list) {
  CSqlStatement st = Prepared(m_db, "INSERT OR IGNORE INTO Categories (Name) VALUES (?)");
  if (!st) return;
  while (!list.empty()) {
    size_t comma = list.find(u',');
    std::u16string_view name = Trim(list.substr(0, comma));
    if (!name.empty()) {
      st.Reset();
      st.BindText16(1, name);
      st.Step();
    }
    if (comma == std::u16string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
}

std::vector<std::u16string> Store::Categories() {
  std::lock_guard lock(m_mutex);
  std::vector<std::u16string> names;
  CSqlStatement st = Prepared(m_db, "SELECT Name FROM Categories ORDER BY Id");
  while (st && st.Step() == SQLITE_ROW) names.push_back(st.ColumnText16(0));
  return names;
}

uint64_t Store::Generation() {
  std::lock_guard lock(m_mutex);
  return m_generation;
}

void Store::AddTarget(const NotifyTarget& target) {
  std::lock_guard lock(m_mutex);
  m_targets.push_back(target);
}

void Store::RemoveTargets(const void* owner) {
  std::lock_guard lock(m_mutex);
  std::erase_if(m_targets, [owner](const NotifyTarget& t) { return t.owner == owner; });
}

// Called with the store locked.
void Store::Notify(UINT type, LONG oid) {
  for (const NotifyTarget& t : m_targets) {
    auto* n = new CENOTIFICATION;
    n->dwParam = t.param;
    n->uType = type;
    n->oid = static_cast<CEOID>(oid);
    n->oidParent = kContactsDatabaseOid;
    {
      std::lock_guard pending(g_pendingMutex);
      g_pending.insert(n);
    }
    if (!PostMessageW(t.hwnd, WM_DBNOTIFICATION, 0, reinterpret_cast<LPARAM>(n))) CeFreeNotification(nullptr, n);
  }
}

}  // namespace platform::pim

BOOL CeFreeNotification(CENOTIFYREQUEST*, CENOTIFICATION* notification) {
  std::lock_guard lock(platform::pim::g_pendingMutex);
  if (!platform::pim::g_pending.erase(notification)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  delete notification;
  return TRUE;
}

void ResetPimStore() { platform::pim::Store::Reset(); }

std::u16string_view PimPropertyName(int property) {
  int slot = platform::pim::SlotOf(property);
  return slot < 0 ? std::u16string_view() : std::u16string_view(platform::pim::kColumns[slot].name);
}
