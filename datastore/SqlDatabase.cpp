// The connection, the schema, the upgrade, the statement runner and transactions.
#include "datastore/SqlDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>

#include "core/Folders.h"
#include "core/MessageBoxes.h"
#include "core/Utilities.h"
#include "datastore/Internal.h"
#include "platform/base/Base.h"
#include "platform/base/Faults.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/Files.h"
#include "resources/resource_ids.h"

// ---- Schema texts --------------------------------------------------------------------------

const char16_t* const kCreateItemsTable =
    u"CREATE TABLE ItemsList (ListID varchar(38), ListType varchar(32), Name varchar(128), "
    u"FullName varchar(128), SalesDescription Text, PurchaseCost varchar(10), SalesAmount "
    u"varchar(10), Taxable varchar(3), Tax2 varchar(3), TimeCreated varchar(25), TimeModified "
    u"varchar(25), EditSequence varchar (25), UnitOfMeasure varchar(25), Account varchar (159), "
    u"Vendor varchar (159), Parent varchar(159), UseCount Integer, ObjectPosition Integer, "
    u"StartingQuantity Integer, EndingQuantity Integer, QuantityOnHand Integer, "
    u"QuantityOnSalesOrder Integer, ReorderPoint Integer, ObjectType Integer, IsOpen Integer, "
    u"sReserved1 varchar(31), sReserved2 varchar(36), sReserved3 varchar(100), sReserved4 "
    u"varchar(10), nReserved1 Integer)";

const char16_t* const kCreateItemsIndexes[3] = {
    u"CREATE INDEX i2 ON ItemsList(Name ASC)",
    u"CREATE INDEX i1 ON ItemsList(Parent ASC)",
    u"CREATE INDEX i3 ON ItemsList(ListID ASC)",
};

// Kept as the six pieces it has always been stored in, joined without separators.
const char16_t* const kCreateCustomerTable =
    u"CREATE TABLE CustomerList (ListID varchar(38),TimeCreated varchar(25),TimeModified "
    u"varchar(25),EditSequence varchar (16),Name varchar(41), FullName varchar(209),Sublevel "
    u"varchar(3),ParentListID varchar(31), ParentFullName varchar (255), CompanyName "
    u"varchar(41),Salutation varchar(15),FirstName varchar(25),MiddleName varchar(5),LastName "
    u"varchar(25),"
    u"BillToAddr1 varchar(41),BillToAddr2 varchar(41),BillToAddr3 varchar(41),BillToAddr4 "
    u"varchar(41),BillToCity varchar(31),BillToState varchar(21),BillToPostalCode "
    u"varchar(13),BillToCountry varchar(31),"
    u"ShipToAddr1 varchar(41),ShipToAddr2 varchar(41),ShipToAddr3 varchar(41),ShipToAddr4 "
    u"varchar(41),ShipToCity varchar(31),ShipToState varchar(21),ShipToPostalCode "
    u"varchar(13),ShipToCountry varchar(31),"
    u"Phone varchar(21), Mobile varchar(21), AltPhone varchar(21),Fax varchar(21), Email "
    u"varchar(99), Contact varchar (41), AltContact varchar(41), CustomerType varchar (159), "
    u"Terms varchar(31), SalesTaxCode varchar(3), ItemSalesTax varchar(100), ResaleNumber "
    u"varchar(15), AccountNumber varchar(15), CreditLimit varchar(15),"
    u"SalesRep varchar(5), Balance varchar(15), TotalBalance varchar(15), JobStatus "
    u"varchar(41), JobStartDate varchar(21), JobProjectedEndDate varchar(21), JobEndDate "
    u"varchar(21), JobDesc varchar(99),JobType varchar(159),Notes Text,PriceLevel varchar(31),"
    u"CCNum varchar(25), CCExpMon varchar(12), CCExpYear varchar(12),CCName varchar(41), "
    u"CCAddr varchar(41), CCZip varchar (41))";

// The store looks a child up by Parent and Name (the duplicate check of every insert) and a
// customer by ListID (every replacement) or FullName; without these each of those lookups
// reads a whole category or the whole customer table.
const char16_t* const kCreateLookupIndexes[3] = {
    u"CREATE INDEX IF NOT EXISTS ItemsByParentName ON ItemsList(Parent ASC, Name ASC)",
    u"CREATE INDEX IF NOT EXISTS CustomersByListID ON CustomerList(ListID ASC)",
    u"CREATE INDEX IF NOT EXISTS CustomersByFullName ON CustomerList(FullName ASC)",
};

const SchemaUpgradeStep kSchemaUpgradeSteps[11] = {
    {u"CustomerList", u"CCNum", u"ALTER TABLE CustomerList ADD CCNum varchar(25)"},
    {u"CustomerList", u"CCExpMon", u"ALTER TABLE CustomerList ADD CCExpMon varchar(12)"},
    {u"CustomerList", u"CCExpYear", u"ALTER TABLE CustomerList ADD CCExpYear varchar(12)"},
    {u"CustomerList", u"CCName", u"ALTER TABLE CustomerList ADD CCName varchar(41)"},
    {u"CustomerList", u"CCAddr", u"ALTER TABLE CustomerList ADD CCAddr varchar(41)"},
    {u"CustomerList", u"CCZip", u"ALTER TABLE CustomerList ADD CCZip varchar (41)"},
    {u"ItemsList", u"sReserved1", u"ALTER TABLE ItemsList ADD sReserved1 varchar (31)"},
    {u"ItemsList", u"sReserved2", u"ALTER TABLE ItemsList ADD sReserved2 varchar (36)"},
    {u"ItemsList", u"sReserved3", u"ALTER TABLE ItemsList ADD sReserved3 varchar (100)"},
    {u"ItemsList", u"sReserved4", u"ALTER TABLE ItemsList ADD sReserved4 varchar (10)"},
    {u"ItemsList", u"nReserved1", u"ALTER TABLE ItemsList ADD nReserved1 Integer"},
};

namespace {

// Statement texts and file names travel in the device's ANSI code page (UTF-8 here).
std::string Narrow(std::u16string_view text) { return CreateAnsiCopy(text); }

// The engine's messages and expanded statements, in the device's ANSI code page.
std::u16string Widen(const char* text) { return text ? platform::ToUtf16(text) : std::u16string(); }

using datastore_internal::DecimalText;

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// slateway_contains(column, value): see kContainsFunction.
void ContainsFunction(sqlite3_context* context, int, sqlite3_value** arguments) {
  if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  // Every character counts, U+0000 included, of texts stored either way.
  const std::u16string text = CSqlStatement::ValueText16(arguments[0]);
  const std::u16string value = CSqlStatement::ValueText16(arguments[1]);
  auto found = std::search(text.begin(), text.end(), value.begin(), value.end(),
                           [](char16_t a, char16_t b) { return FoldAscii(a) == FoldAscii(b); });
  sqlite3_result_int(context, found != text.end() || value.empty() ? 1 : 0);
}

}  // namespace

namespace datastore_internal {

std::u16string DecimalText(long long value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace datastore_internal

namespace {

int BindParameters(CSqlStatement& statement, const CSqlText& text) {
  const std::vector<std::u16string>& values = text.Parameters();
  for (size_t i = 0; i < values.size(); ++i) {
    int index = static_cast<int>(i) + 1;
    int rc = text.IsIntegerParameter(i) ? statement.BindInt64(index, SqlIntegerFromText(values[i]))
                                        : statement.BindText(index, values[i]);
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

}  // namespace

// ---- Cursors ---------------------------------------------------------------------------------

CSqlCursor::~CSqlCursor() {
  if (m_owner) m_owner->ReleaseCursor(this);
}

std::unique_ptr<CSqlCursor> CSqlDatabase::MakeCursor(CSqlStatement statement) {
  auto cursor = std::make_unique<CSqlCursor>(CSqlCursor::Key(), this, std::move(statement));
  m_cursors.insert(cursor.get());
  return cursor;
}

void CSqlDatabase::ReleaseCursor(CSqlCursor* cursor) {
  Lock lock(m_lock);
  FinalizeCursor(*cursor);
  m_cursors.erase(cursor);
}

void CSqlDatabase::FinalizeCursor(CSqlCursor& cursor) { cursor.m_statement.reset(); }

void CSqlDatabase::FinalizeAllCursors() {
  for (CSqlCursor* cursor : m_cursors) FinalizeCursor(*cursor);
}

int CSqlDatabase::FinalizeStatement(CSqlCursor& cursor) {
  Lock lock(m_lock);
  FinalizeCursor(cursor);
  return 0;
}

// ---- Life cycle --------------------------------------------------------------------------------

CSqlDatabase::CSqlDatabase() = default;

CSqlDatabase::~CSqlDatabase() {
  Lock lock(m_lock);
  FinalizeAllCursors();
  for (CSqlCursor* cursor : m_cursors) cursor->m_owner = nullptr;
  m_cursors.clear();
  FreeCustomerTable();
  FreeItemIdTable();
  FinalizeKeptStatements();
  if (m_db) sqlite3_close(m_db);
  m_db = nullptr;
}

bool CSqlDatabase::IsConnected() const {
  Lock lock(m_lock);
  return m_db != nullptr;
}

std::u16string CSqlDatabase::Path() const {
  Lock lock(m_lock);
  return m_path;
}

std::u16string CSqlDatabase::LastError() const {
  Lock lock(m_lock);
  return m_lastError;
}

int CSqlDatabase::LastOpenFailure() const {
  Lock lock(m_lock);
  return m_lastOpenFailure;
}

void CSqlDatabase::SetLastError(std::u16string text) { m_lastError = std::move(text); }

void CSqlDatabase::KeepEngineError() {
  if (!m_db) return;
  SetLastError(Widen(sqlite3_errmsg(m_db)));
  NoteFailure(sqlite3_errcode(m_db));
}

void CSqlDatabase::NoteFailure(int rc) {
  if (m_holdFailures && m_heldFailure == 0 && rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
    m_heldFailure = rc & 0xff;
}

namespace {
// The held failure of a statement that found no database open; no engine code looks like it.
constexpr int kHeldNotOpen = 0x100;
}  // namespace

int CSqlDatabase::NotOpen() {
  SetLastError(u"The database is not open");
  if (m_holdFailures && m_heldFailure == 0) m_heldFailure = kHeldNotOpen;
  return SQLITE_MISUSE;
}

void CSqlDatabase::SetBusyWait(int milliseconds) {
  Lock lock(m_lock);
  m_busyWait = milliseconds;
}

void CSqlDatabase::HoldFailures(bool hold) {
  Lock lock(m_lock);
  m_holdFailures = hold;
  m_heldFailure = 0;
}

CSqlDatabase::Failure CSqlDatabase::HeldFailure() const {
  Lock lock(m_lock);
  switch (m_heldFailure) {
    case 0: return Failure::None;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return Failure::Busy;
    case SQLITE_FULL: return Failure::Full;
    case kHeldNotOpen: return Failure::NotOpen;
    default: return Failure::Other;
  }
}

// The engine calls this, with the connection locked, while another program holds the file:
// true to try again. The wait is bounded, and a batch that has already failed waits no more.
int CSqlDatabase::BusyWait(void* self, int count) {
  auto* database = static_cast<CSqlDatabase*>(self);
  const auto now = std::chrono::steady_clock::now();
  if (count == 0) database->m_busySince = now;
  if (database->m_heldFailure != 0 ||
      now - database->m_busySince >= std::chrono::milliseconds(database->m_busyWait)) {
    database->NoteFailure(SQLITE_BUSY);
    return 0;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(count < 10 ? 2 : 20));
  return 1;
}

// The boxes are shown with the database unlocked (see Open); a batch that holds its
// failures tells the user itself.
void CSqlDatabase::ShowWarning(UINT id, std::u16string_view text) {
  if (m_holdFailures) return;
  if (m_notices) {
    m_notices->Warning(id, text);
    return;
  }
  std::u16string filled(text);
  ShowWarningResText(nullptr, id, filled.c_str());
}

void CSqlDatabase::ShowError(UINT id, DWORD value) {
  if (m_holdFailures) return;
  if (m_notices) {
    m_notices->Error(id, value);
    return;
  }
  ShowErrorResValue(nullptr, id, value);
}

int CSqlDatabase::Open(std::u16string path) {
  // Only where nothing lies is a new database made; a folder in its place is not replaced.
  const bool isNew = GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
  // Told once the new file is really there, and after the lock below is let go: the box
  // runs a message loop, and nothing that loop does may wait on the database (the customer
  // list's loader thread uses it).
  struct TellCreated {
    CSqlDatabase& db;
    const std::u16string& path;
    bool created = false;
    ~TellCreated() {
      if (created) db.ShowWarning(IDS_DB_NEW_DATABASE, path);
    }
  } tell{*this, path};

  Lock lock(m_lock);
  m_path = path;
  m_open = true;
  if (m_db) Close();

  std::filesystem::path file = platform::MapDevicePath(path);
  std::string narrowFile = file.string();  // Linux paths are UTF-8
  // A file the device marks read-only is opened read-only: reads work and every write
  // fails with the engine's "readonly database" message instead of changing the file.
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
  DWORD attributes = isNew ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) flags = SQLITE_OPEN_READONLY;
  int rc = sqlite3_open_v2(narrowFile.c_str(), &m_db, flags, nullptr);
  m_lastOpenFailure = rc;
  if (rc != SQLITE_OK) {
    KeepEngineError();
    sqlite3_close(m_db);
    m_db = nullptr;
    return rc;
  }
  RegisterFunctions();
  sqlite3_busy_handler(m_db, BusyWait, this);
  if (!isNew) {
    if (flags != SQLITE_OPEN_READONLY) CreateLookupIndexes();
    return SQLITE_OK;
  }

  rc = CreateSchema();
  if (rc != SQLITE_OK) {
    // A file with one table but not the other would pass the open check and then fail
    // every statement on the missing table: remove it, so the next start makes it anew.
    sqlite3_close(m_db);
    m_db = nullptr;
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    std::filesystem::remove(file.string() + "-journal", ignored);
  }
  tell.created = rc == SQLITE_OK;
  m_lastOpenFailure = rc;
  return rc;
}

int CSqlDatabase::CreateSchema() {
  int rc = BeginTransaction();
  if (rc == SQLITE_OK) rc = CreateItemsTable();
  if (rc == SQLITE_OK) rc = CreateCustomerTable();
  if (rc == SQLITE_OK) {
    CreateLookupIndexes();
    return CommitTransaction();
  }
  RollbackTransaction();
  return rc;
}

void CSqlDatabase::CreateLookupIndexes() {
  // The indexes only speed lookups up: a file that cannot take them (locked by another
  // reader, not a database at all) works as before, and the open check judges it.
  // Nor do they wait for a file another program holds: the open check says what is wrong.
  std::u16string keptError = m_lastError;
  const int busyWait = m_busyWait;
  m_busyWait = 0;
  for (const char16_t* index : kCreateLookupIndexes) Execute(index);
  m_busyWait = busyWait;
  m_lastError = keptError;
}

void CSqlDatabase::RegisterFunctions() {
  sqlite3_create_function_v2(m_db, platform::ToUtf8(kContainsFunction).c_str(), 2,
                             SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr, ContainsFunction, nullptr, nullptr,
                             nullptr);
}

int CSqlDatabase::CreateItemsTable() {
  int rc = Execute(kCreateItemsTable);
  if (rc != SQLITE_OK) return rc;
  // The indexes only speed up the lookups by Name, Parent and ListID; the table works
  // without them, so their results do not decide the outcome.
  for (const char16_t* index : kCreateItemsIndexes) Execute(index);
  return SQLITE_OK;
}

int CSqlDatabase::CreateCustomerTable() { return Execute(kCreateCustomerTable); }

bool CSqlDatabase::Close() {
  Lock lock(m_lock);
  FinalizeAllCursors();
  FinalizeKeptStatements();
  FreeCustomerTable();
  FreeItemIdTable();
  if (!m_db) return true;
  int rc = sqlite3_close(m_db);
  if (rc != SQLITE_OK) {
    KeepEngineError();
    return false;
  }
  m_db = nullptr;
  m_transactionDepth = 0;  // an open transaction ended with the connection, unwritten
  m_stampPending = false;
  return true;
}

CSqlDatabase::FileProblem CSqlDatabase::ProblemOf(int engineCode) {
  switch (engineCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return FileProblem::Locked;
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_FULL:
    case SQLITE_NOMEM: return FileProblem::Unreachable;
    default: return FileProblem::Damaged;
  }
}

bool CSqlDatabase::IsSoundDatabaseFile(std::u16string_view path, FileProblem& problem) {
  const std::string file = platform::MapDevicePath(std::u16string(path)).string();
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  // Every page is read once, and the items table must be there.
  std::string verdict;
  if (rc == SQLITE_OK)
    rc = sqlite3_exec(
        db, "PRAGMA quick_check; SELECT ListID FROM ItemsList LIMIT 0;",
        [](void* out, int, char** values, char**) {
          *static_cast<std::string*>(out) = values[0] ? values[0] : "";
          return 0;
        },
        &verdict, nullptr);
  if (rc != SQLITE_OK) problem = ProblemOf(rc);
  else if (verdict != "ok") problem = FileProblem::Damaged;
  sqlite3_close(db);
  return rc == SQLITE_OK && verdict == "ok";
}

bool CSqlDatabase::OpenItemsList(CBstr& message) {
  Lock lock(m_lock);
  FreeItemIdTable();
  CSqlStatement statement;
  int rc = Prepare(CSqlText(u"Select ListID FROM ItemsList"), statement);
  if (rc == SQLITE_OK) {
    m_itemIdTable.push_back(u"ListID");
    while ((rc = Step(statement)) == SQLITE_ROW) {
      m_itemIdTable.push_back(statement.ColumnText16(0));
      ++m_itemIdRows;
    }
    if (rc == SQLITE_DONE) rc = SQLITE_OK;
  }
  if (rc != SQLITE_OK) {
    // The engine's message belongs to this failure, whether prepare or step gave it.
    std::u16string engineMessage = m_db ? Widen(sqlite3_errmsg(m_db)) : m_lastError;
    FreeItemIdTable();
    m_lastOpenFailure = rc;
    SetLastError(u"Error DB:OpenItemsList reported:" + engineMessage);
    message = CBstr(m_lastError + u" Error: " + DecimalText(rc));
    return false;
  }
  return true;
}

void CSqlDatabase::FreeItemIdTable() {
  Lock lock(m_lock);
  m_itemIdTable.clear();
  m_itemIdRows = 0;
}

int CSqlDatabase::ItemIdRowCount() const {
  Lock lock(m_lock);
  return m_itemIdRows;
}

bool CSqlDatabase::ColumnExists(std::u16string_view table, std::u16string_view column) {
  CSqlStatement statement;
  CSqlText sql(u"SELECT name FROM pragma_table_info(");
  sql.AppendBound(table).Append(u")");
  if (Prepare(sql, statement) != SQLITE_OK) return false;
  bool found = false;
  while (!found && Step(statement) == SQLITE_ROW) {
    std::u16string name = statement.ColumnText16(0);
    found = name.size() == column.size() &&
            std::equal(name.begin(), name.end(), column.begin(),
                       [](char16_t a, char16_t b) { return platform::FoldCase(a) == platform::FoldCase(b); });
  }
  return found;
}

bool CSqlDatabase::ReadUpdateStamp(int& stamp) {
  Lock lock(m_lock);
  CSqlStatement statement;
  if (Prepare(CSqlText(u"PRAGMA user_version"), statement) != SQLITE_OK || Step(statement) != SQLITE_ROW)
    return false;
  stamp = static_cast<int>(statement.ColumnInt64(0));
  return true;
}

bool CSqlDatabase::WriteUpdateStamp(int stamp) {
  Lock lock(m_lock);
  return ExecuteUtf8("PRAGMA user_version = " + std::to_string(stamp)) == SQLITE_OK;
}

bool CSqlDatabase::UpgradeSchema() {
  Lock lock(m_lock);
  if (BeginTransaction() != SQLITE_OK) return false;
  for (const SchemaUpgradeStep& step : kSchemaUpgradeSteps) {
    if (ColumnExists(step.table, step.column)) continue;
    if (Execute(step.statement) != SQLITE_OK) {
      RollbackTransaction();
      return false;
    }
  }
  if (CommitTransaction() == SQLITE_OK) return true;
  // A commit the file refuses (another reader holds it) leaves the transaction open;
  // every later write would then vanish with it at close.
  RollbackTransaction();
  return false;
}

// ---- Running statements --------------------------------------------------------------------------

int CSqlDatabase::ExecuteUtf8(const std::string& statement) {
  if (!m_db) return NotOpen();
  char* message = nullptr;
  int rc = sqlite3_exec(m_db, statement.c_str(), nullptr, nullptr, &message);
  if (message) {
    SetLastError(Widen(message));
    sqlite3_free(message);
  }
  NoteFailure(rc);
  return rc;
}

int CSqlDatabase::Execute(std::u16string_view statement) {
  Lock lock(m_lock);
  return ExecuteUtf8(Narrow(statement));
}

int CSqlDatabase::Execute(const CSqlText& statement) {
  Lock lock(m_lock);
  if (!statement.HasParameters()) return ExecuteUtf8(Narrow(statement.Text()));
  COneRun prepared;
  int rc = PrepareForOneRun(statement, prepared);
  if (rc != SQLITE_OK) {
    KeepEngineError();
    return rc;
  }
  while ((rc = Step(prepared.statement())) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) KeepEngineError();
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int CSqlDatabase::Prepare(const CSqlText& statement, CSqlStatement& out) {
  out.reset();
  if (!m_db) return NotOpen();
  CSqlStatement prepared;
  int rc = prepared.Prepare(m_db, Narrow(statement.Text()));
  if (rc == SQLITE_OK) rc = BindParameters(prepared, statement);
  if (rc == SQLITE_OK) out = std::move(prepared);
  return rc;
}

namespace {
// Reusable texts are the program's own statement shapes, a few dozen at most; the bound
// keeps a caller that builds unusual shapes from growing the table without end.
constexpr size_t kMaxKeptStatements = 64;
}  // namespace

int CSqlDatabase::PrepareForOneRun(const CSqlText& statement, COneRun& run) {
  if (!statement.HasParameters() || !m_db) return Prepare(statement, run.m_owned);
  auto kept = m_keptByText.find(statement.Text());
  if (kept == m_keptByText.end()) {
    if (m_keptByText.size() >= kMaxKeptStatements) return Prepare(statement, run.m_owned);
    CSqlStatement prepared;
    int rc = prepared.Prepare(m_db, Narrow(statement.Text()), true);
    if (rc != SQLITE_OK) return rc;
    kept = m_keptByText.emplace(statement.Text(), std::move(prepared)).first;
  }
  int rc = BindParameters(kept->second, statement);
  if (rc != SQLITE_OK) {
    kept->second.Reset();
    return rc;
  }
  run.m_kept = &kept->second;
  return SQLITE_OK;
}

void CSqlDatabase::FinalizeKeptStatements() {
  m_keptByText.clear();
  for (CSqlStatement* kept : {&m_itemInsert, &m_customerInsert, &m_itemByIdAndType, &m_itemStampByIdAndType,
                              &m_customerByListID, &m_customerByFullName, &m_customerTermsByFullName})
    kept->reset();
}

std::optional<bool> CSqlDatabase::QueryKept(CSqlStatement& slot, const std::u16string& text,
                                            std::initializer_list<std::u16string_view> values,
                                            const std::function<void(const CSqlStatement&)>& read) {
  Lock lock(m_lock);
  CSqlStatement* statement = KeptStatement(slot, text);
  if (!statement) return std::nullopt;
  int rc = SQLITE_OK, index = 0;
  for (std::u16string_view value : values) {
    ++index;
    if (rc == SQLITE_OK) rc = statement->BindTextInPlace(index, value, BindBuffer(index));
  }
  bool found = rc == SQLITE_OK && statement->Step() == SQLITE_ROW;
  if (found) read(*statement);
  statement->Reset();
  return found;
}

CSqlStatement* CSqlDatabase::KeptStatement(CSqlStatement& slot, const std::u16string& text) {
  if (!m_db) {
    NotOpen();
    return nullptr;
  }
  if (!slot) {
    if (slot.Prepare(m_db, Narrow(text), true) != SQLITE_OK) return nullptr;
    // Sized now, never while a row is bound: a buffer that moved would leave its bound
    // text behind.
    size_t parameters = static_cast<size_t>(slot.ParameterCount()) + 1;
    if (m_bindBuffers.size() < parameters) m_bindBuffers.resize(parameters);
  }
  return slot ? &slot : nullptr;
}

int CSqlDatabase::StepRowInsert(CSqlStatement& statement, int rc) {
  if (rc == SQLITE_OK) {
    rc = statement.Step();
    if (rc == SQLITE_DONE) {
      rc = SQLITE_OK;
      NoteDatabaseChanged();
    } else {
      KeepEngineError();
    }
  } else {
    KeepEngineError();
  }
  statement.Reset();
  return rc;
}

std::string& CSqlDatabase::BindBuffer(int index) { return m_bindBuffers.at(static_cast<size_t>(index)); }

int CSqlDatabase::Step(CSqlStatement& statement) {
  int rc = statement.Step();
  NoteFailure(rc);
  return rc;
}

std::u16string CSqlDatabase::ExpandedText(const CSqlText& statement) {
  if (!statement.HasParameters()) return statement.Text();
  CSqlStatement prepared;
  if (Prepare(statement, prepared) != SQLITE_OK) return statement.Text();
  std::u16string out = statement.Text();
  if (char* expanded = sqlite3_expanded_sql(prepared.get())) {
    out = Widen(expanded);
    sqlite3_free(expanded);
  }
  return out;
}

// ---- Transactions ----------------------------------------------------------------------------------

namespace {
std::u16string SavepointName(int depth) { return u"slateway_nested_" + DecimalText(depth); }
}  // namespace

int CSqlDatabase::TransactionDepth() const {
  Lock lock(m_lock);
  return m_transactionDepth;
}

int CSqlDatabase::BeginTransaction() {
  Lock lock(m_lock);
  // The engine ends a transaction by itself after some failures (a full disk, an
  // interrupted statement); the count follows it so the next Begin starts a real one.
  if (m_transactionDepth > 0 && m_db && sqlite3_get_autocommit(m_db)) {
    m_transactionDepth = 0;
    m_stampPending = false;
  }
  int rc = m_transactionDepth == 0 ? Execute(u"BEGIN TRANSACTION;")
                                   : Execute(u"SAVEPOINT " + SavepointName(m_transactionDepth) + u";");
  if (rc == SQLITE_OK) ++m_transactionDepth;
  return rc;
}

int CSqlDatabase::CommitTransaction() {
  Lock lock(m_lock);
  if (m_transactionDepth > 0 && m_db && sqlite3_get_autocommit(m_db)) {
    // The work was already undone by the engine: committing it is not possible.
    m_transactionDepth = 0;
    m_stampPending = false;
    SetLastError(u"The transaction was rolled back by the database engine");
    return SQLITE_ABORT;
  }
  if (m_transactionDepth <= 1) {
    int rc = SQLITE_IOERR;
    if (platform::ShouldFail(platform::Fault::DatabaseCommit))
      NoteFailure(rc);
    else
      rc = Execute(u"COMMIT TRANSACTION;");
    // A commit that fails (the file is busy) leaves the transaction open, so the caller
    // can still roll it back.
    if (rc == SQLITE_OK) {
      m_transactionDepth = 0;
      if (m_stampPending) ::StampDatabaseModTime();
      m_stampPending = false;
    }
    return rc;
  }
  int rc = Execute(u"RELEASE " + SavepointName(m_transactionDepth - 1) + u";");
  if (rc == SQLITE_OK) --m_transactionDepth;
  return rc;
}

int CSqlDatabase::RollbackTransaction() {
  Lock lock(m_lock);
  if (m_transactionDepth > 0 && m_db && sqlite3_get_autocommit(m_db)) {
    m_transactionDepth = 0;
    m_stampPending = false;
    return SQLITE_OK;
  }
  if (m_transactionDepth <= 1) {
    int rc = Execute(u"ROLLBACK TRANSACTION;");
    m_transactionDepth = 0;
    m_stampPending = false;
    return rc;
  }
  std::u16string name = SavepointName(m_transactionDepth - 1);
  int rc = Execute(u"ROLLBACK TO " + name + u";");
  if (rc == SQLITE_OK) rc = Execute(u"RELEASE " + name + u";");
  --m_transactionDepth;
  return rc;
}

int CSqlDatabase::ExecuteWrite(const CSqlText& statement) {
  Lock lock(m_lock);
  int rc = Execute(statement);
  if (rc == SQLITE_OK) NoteDatabaseChanged();
  return rc;
}

void CSqlDatabase::NoteDatabaseChanged() {
  if (m_transactionDepth > 0) {
    m_stampPending = true;
    return;
  }
  ::StampDatabaseModTime();
}

// ---- Diagnostics of a failed insert --------------------------------------------------------------

void CSqlDatabase::WriteInsertDiagnostic(const std::u16string& statement) {
  // The program folder is the registry's "ProgramPath"; without that value the path is
  // "\" + the name, so the file lands in the device's root, where it can still be found.
  CBstr path(kInsertDiagnosticFileName);
  GetProgramFilePath(path);
  WriteAnsiTextFile(statement, path.view());
}

