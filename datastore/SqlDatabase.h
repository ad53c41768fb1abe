// The SQL layer: the one connection to the program's SQLite database, the schema of its
// two tables, and every statement the program runs on them.
//
// The file holds exactly ItemsList (every list of the program as one tree) and
// CustomerList (the customers imported from the desktop), with three indexes on
// ItemsList, plus the lookup indexes of the store's own searches (a child by Parent and
// Name, a customer by ListID or FullName). Those are added to any file when it is opened,
// so files made before them gain them; tables and rows are never touched by that.
//
// Statement texts are built from fixed pieces and "?" parameters; every value is bound,
// never written into the text (the caller's texts never change). A statement text is
// therefore the same for every row of one shape: the statements that run once per row
// (inserts, the duplicate check, customer replacement, single-row reads) are prepared
// once, kept and reused until the file is closed.
//
// Results: "engine code" operations return the SQLite result code (0 for success).
// Every failure the engine reports leaves its message as the last error text; a success
// never clears it.
//
// Transactions nest. The outermost BeginTransaction starts a real transaction; a Begin
// inside it opens a savepoint, and the matching Commit releases it while a Rollback undoes
// only the work since that Begin. Only the outermost Commit makes the work durable, and
// the outermost Rollback undoes everything, so a helper that brackets its own work
// (ReplaceCustomer, a store's delete walk) is safe to call inside a caller's transaction.
//
// Threads: one mutex guards the connection, the kept result tables and the open cursors,
// so the customer list may be read from a loader thread while the interface thread works.
// The layer's boxes are shown with the mutex released: a box runs a message loop, and
// nothing that loop does may end up waiting for the loader thread while it waits for us.
#pragma once

#include <chrono>
#include <concepts>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "datastore/CustomerFields.h"
#include "datastore/ItemRow.h"
#include "datastore/SqlText.h"
#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"
#include "platform/sqlite/SqlStatement.h"

struct sqlite3;

// The file the statement of a failed item insert is written to, in the program folder.
inline constexpr char16_t kInsertDiagnosticFileName[] = u"AddRecordSQLInsert.txt";

// How long a statement waits, by default, for a file another program has locked.
inline constexpr int kBusyWaitMilliseconds = 10000;

// What the layer shows the user. Without a sink these are the program's message boxes
// (no owner window, texts from the language library); tests and tools install their own.
class IDatabaseNotices {
 public:
  virtual ~IDatabaseNotices() = default;
  // Resource text `id` filled with `text`, warning icon.
  virtual void Warning(UINT id, std::u16string_view text) = 0;
  // Resource text `id` filled with `value`, stop icon.
  virtual void Error(UINT id, DWORD value) = 0;
};

class CSqlDatabase;

// What a search of the item tree looks for: a text, upper-cased by the caller, in each
// node's Name, its SalesDescription (its Name when the description is empty), or its Name,
// a blank and its SalesDescription.
class CFindText {
 public:
  enum class Field { Name, DescriptionOrName, NameAndDescription };
  CFindText(std::u16string_view upper, Field field);
  const std::u16string& Upper() const { return m_upper; }
  Field GetField() const { return m_field; }
  // The text in ASCII bytes; nothing when it holds any other character (a plain ASCII
  // node text, upper-cased, can never hold it then).
  const std::optional<std::string>& Ascii() const { return m_ascii; }

 private:
  std::u16string m_upper;
  std::optional<std::string> m_ascii;
  Field m_field;
};

// The list types a read of ItemsList accepts: one, or any of several. It refers to the
// caller's texts, so it is made for one call and never kept.
//
//   static constexpr std::u16string_view kSellable[] = {u"Service", u"Inventory Part"};
//   store.FindItemLike(u"Name", code, kSellable, false);
class CListTypes {
 public:
  template <typename Text>
    requires std::convertible_to<const Text&, std::u16string_view>
  CListTypes(const Text& one) : m_one(one) {}
  template <size_t N>
  CListTypes(const std::u16string_view (&several)[N]) : m_several(several) {}

  std::span<const std::u16string_view> Types() const {
    return m_several.empty() ? std::span<const std::u16string_view>(&m_one, 1) : m_several;
  }

 private:
  std::u16string_view m_one;
  std::span<const std::u16string_view> m_several;
};

// One ItemsList row to insert, read where it lies: the texts and the numbers by
// ItemRowSlot (only the number slots' numbers and the other slots' texts are read).
struct CItemRowValues {
  std::u16string_view text[kItemRowSlots];
  long long number[kItemRowSlots] = {};
};

// An open row-by-row read (child cursor or item select). The cursor belongs to its
// caller; it finalizes its statement when it reaches the end, when FinalizeStatement is
// called, when the database closes, or when it is destroyed, whichever comes first.
class CSqlCursor {
 public:
  // Only the database makes cursors.
  class Key {
    friend class CSqlDatabase;
    Key() = default;
  };
  CSqlCursor(Key, CSqlDatabase* owner, CSqlStatement statement) : m_owner(owner), m_statement(std::move(statement)) {}
  ~CSqlCursor();
  CSqlCursor(const CSqlCursor&) = delete;
  CSqlCursor& operator=(const CSqlCursor&) = delete;

  // False once the statement has been finalized.
  bool IsOpen() const { return static_cast<bool>(m_statement); }

 private:
  friend class CSqlDatabase;

  CSqlDatabase* m_owner;      // not owned; null once the database is gone
  CSqlStatement m_statement;  // empty once finalized
};

class CSqlDatabase {
 public:
  CSqlDatabase();
  virtual ~CSqlDatabase();
  CSqlDatabase(const CSqlDatabase&) = delete;
  CSqlDatabase& operator=(const CSqlDatabase&) = delete;

  // ---- The file -------------------------------------------------------------------------

  // Opens the database at a device path. A missing file is no error: a new file with both
  // tables and the indexes is made in one transaction, and then the warning
  // IDS_DB_NEW_DATABASE is shown with the path; when that fails the half-made file is
  // removed and nothing is shown. Anything else at the path (a folder) is not replaced.
  // An existing file is opened as it is (the open check tells whether it is usable; a
  // read-only file opens read-only). Returns the engine code.
  int Open(std::u16string path);
  // What keeps a database file from being used, told from the engine's code: another
  // program holds it; it cannot be reached (no such folder, a card taken out, no access,
  // no room to make it); or what it holds is no database of the program (damaged,
  // foreign, cut short).
  enum class FileProblem { Locked, Unreachable, Damaged };
  static FileProblem ProblemOf(int engineCode);
  // Whether the file at a device path is a whole database of the program (it reads through
  // and holds the items table), without changing it; else false and what is wrong.
  static bool IsSoundDatabaseFile(std::u16string_view path, FileProblem& problem);
  // The open check: reads every ListID of ItemsList into the kept ListID table. On
  // failure the last error becomes "Error DB:OpenItemsList reported:" + the engine's
  // message and `message` that text + " Error: " + the code; returns false.
  bool OpenItemsList(CBstr& message);
  // Finalizes open cursors, frees the kept tables and closes the connection; true when
  // the engine closed it (or nothing was open).
  bool Close();
  // Adds the columns a version 4 file lacks (six card columns of CustomerList, the five
  // reserved columns of ItemsList), each only when missing, in one transaction: running
  // it twice, or after an upgrade that stopped half-way, leaves the same file. True when
  // all eleven columns are present afterwards.
  bool UpgradeSchema();

  bool OpenFlag() const { return m_open; }
  bool IsConnected() const;
  std::u16string Path() const;
  // A copy of the last error text (empty until the first failure).
  std::u16string LastError() const;
  // The engine's code for the failure of the last Open or open check (SQLITE_OK before).
  int LastOpenFailure() const;
  void SetNotices(IDatabaseNotices* notices) { m_notices = notices; }  // not owned

  // ---- Statements and transactions ------------------------------------------------------

  // Runs one statement that returns no rows; the engine code.
  int Execute(std::u16string_view statement);
  // Runs a built statement, binding its parameters; the engine code.
  int Execute(const CSqlText& statement);
  int BeginTransaction();
  int CommitTransaction();
  int RollbackTransaction();
  // How many Begins are open (0: none).
  int TransactionDepth() const;

  // ---- Waiting on a busy file and failures of a batch ------------------------------------

  // How long a statement waits for a file another program has locked before it fails as
  // busy (the default is kBusyWaitMilliseconds).
  void SetBusyWait(int milliseconds);
  // While a batch holds failures (a list update), the first statement that fails is kept,
  // the layer and the store show none of their boxes, and once a failure is held a
  // statement no longer waits on a busy file: the batch stops, rolls back and tells the
  // user once. Holding starts and ends with no failure kept.
  void HoldFailures(bool hold);
  // What the first failure held was; None while there is none.
  // NotOpen: a statement came while no database was open (closed for the desktop).
  enum class Failure { None, Busy, Full, NotOpen, Other };
  Failure HeldFailure() const;

  // The list update's stamp: a number in the file's header (the engine's user version,
  // 0 in a file that never had one) that an update sets inside its transaction, so that
  // after a kill the next start can tell whether that transaction was committed. False
  // when it cannot be read or written.
  bool ReadUpdateStamp(int& stamp);
  bool WriteUpdateStamp(int stamp);

  void FreeCustomerTable();
  void FreeItemIdTable();
  int ItemIdRowCount() const;
  // Finalizes a cursor before its end; always 0.
  int FinalizeStatement(CSqlCursor& cursor);

  // ---- ItemsList --------------------------------------------------------------------------

  bool AddRecord(const CItemRow& row);
  // The same insert from texts read in place. Its prepared statement is kept for the
  // connection and every value bound straight from the caller's texts, so an import of
  // thousands of rows builds no statement text per row.
  bool AddRecord(const CItemRowValues& values);
  // Writes every column but the reserved ones of the row selected by its ListID (and the
  // match texts when given).
  bool UpdateItem(const CItemRow& row, std::optional<std::u16string_view> matchListType,
                  std::optional<std::u16string_view> matchParent);
  bool UpdatePathFields(std::u16string_view listId, std::u16string_view listType,
                        std::u16string_view fullName, std::u16string_view newParent,
                        std::u16string_view oldParent);
  bool UpdateIsOpen(const CItemRow& row);
  // The parent narrows the delete only when it is not empty.
  bool DeleteItemRow(std::u16string_view listId, std::u16string_view listType,
                     std::u16string_view parent);
  bool DeleteByListType(const CListTypes& listTypes, std::optional<std::u16string_view> parent);
  bool DeleteChildren(std::u16string_view parent);

  bool ItemNameExists(std::u16string_view name, std::u16string_view parent);
  int GetChildCount(std::u16string_view parent);
  bool HasChildren(std::u16string_view parent);
  bool FindChildByName(std::u16string_view name, std::u16string_view parent, CItemRow& row);
  // The parent narrows the read only when it is not empty. `code`, when given, receives
  // what QueryItemRow returned (100 found, 0 no row, else the failed prepare's code).
  bool GetItemRow(std::u16string_view listId, std::u16string_view listType,
                  std::u16string_view parent, CItemRow& row, int* code = nullptr);
  bool GetItemRowOfType(std::u16string_view listId, const CListTypes& listTypes, CItemRow& row);
  // Only the TimeModified of the row GetItemRowOfType would read; false when there is none.
  bool GetItemStampOfType(std::u16string_view listId, const CListTypes& listTypes, CBstr& stamp);
  // `column` must name an ItemsList column; the row's ListType must be one of `listTypes`,
  // each matched exactly.
  bool FindItemRow(std::u16string_view column, std::u16string_view value, const CListTypes& listTypes,
                   CItemRow& row, bool contains);
  // Prepares, steps once and finalizes; 100 with the row read, 0 without a row, or the
  // engine code of a failed prepare (the row untouched).
  int QueryItemRow(const CSqlText& statement, CItemRow& row);

  // The children of `parent`, by Name, by ObjectPosition or unordered. Returns null when
  // the prepare failed ("Prepare failed") or, unless prepareOnly, when there is no child.
  // Otherwise the first child is in `row` (nine columns and its child count in slot 15).
  std::unique_ptr<CSqlCursor> OpenChildCursor(std::u16string_view parent, CItemRow& row,
                                              bool byName, bool unordered, bool prepareOnly);
  bool NextChild(CSqlCursor& cursor, CItemRow& row);
  // Rows of one or two list types under one or two parents (a parent filter alone is
  // accepted too). Null on a failed prepare ("Prepare failed") or without a row.
  std::unique_ptr<CSqlCursor> SelectItems(CItemRow& row, std::u16string_view listType1,
                                          std::u16string_view listType2,
                                          std::u16string_view parent1,
                                          std::u16string_view parent2, bool readFirst);
  bool StepItemRow(CSqlCursor& cursor, CItemRow& row, bool read);

  // ---- The search of the item tree ------------------------------------------------------------

  // The children of `parent` as a search walks them (by Name, by ObjectPosition or
  // unordered), without child counts; nothing is read until NextFindRow. Null when the
  // prepare failed ("Prepare failed").
  std::unique_ptr<CSqlCursor> OpenFindCursor(std::u16string_view parent, bool byName, bool unordered);
  // Steps to the next child and gives its ObjectType; false at the end (the cursor is then
  // finalized).
  bool NextFindRow(CSqlCursor& cursor, int& kind);
  // Whether the current child's text holds `text` once upper-cased unit by unit (see
  // CFindText). The texts are tested where they lie when they are plain ASCII; `shown`,
  // when given, receives the text as stored.
  bool FindRowHolds(CSqlCursor& cursor, const CFindText& text, std::u16string* shown);
  // The current child's nine columns, and in slot 15 its child count.
  void ReadFindRow(CSqlCursor& cursor, CItemRow& row);

  // ---- CustomerList -------------------------------------------------------------------------

  // Replaces the kept customer list table (ListID, Name, FullName, Sublevel, CompanyName,
  // Phone, TotalBalance of every row, by UPPER(FullName)); true on success.
  bool OpenCustomerList();
  // Cuts short the statement that another thread runs on the connection (it ends as
  // interrupted: OpenCustomerList then keeps no table and returns false); nothing when none
  // runs or the database is closed. Call it on the thread that opens and closes the database.
  void Interrupt();
  int CustomerRowCount() const;
  int CustomerColumnCount() const;
  // Copies the seven texts of data row `index` into the block; false when there is no
  // such row.
  bool GetCustomerListRow(int index, CCustomerFields& fields);
  bool HasCustomerRecord(std::u16string_view listId);
  // False, the block unchanged, when there is no such row.
  bool GetCustomerByListID(std::u16string_view listId, CCustomerFields& fields);
  bool GetCustomerByFullName(std::u16string_view fullName, CCustomerFields& fields);
  // Only the Terms of the row GetCustomerByFullName would read; false when there is none.
  bool GetCustomerTermsByFullName(std::u16string_view fullName, CBstr& terms);
  // Notes are stored trimmed, each line break (CR LF, CR or LF) turned into a blank.
  bool InsertCustomer(const CCustomerFields& fields);
  // Deletes the block's ListID and inserts the block, in one transaction: a failed insert
  // keeps the stored customer.
  bool ReplaceCustomer(const CCustomerFields& fields);
  bool DeleteCustomerByListID(std::u16string_view listId);
  bool DeleteCustomerByFullName(std::u16string_view fullName);
  bool DeleteAllCustomers();

 private:
  friend class CSqlCursor;
  using Lock = std::lock_guard<std::recursive_mutex>;

  // Records that a write succeeded: the modification time in the settings is stamped now,
  // or at the outermost commit when a transaction is open (once, however many rows it
  // wrote; not at all when it is rolled back).
  void NoteDatabaseChanged();
  // Execute, and NoteDatabaseChanged when it succeeded.
  int ExecuteWrite(const CSqlText& statement);
  int CreateSchema();
  int CreateItemsTable();
  int CreateCustomerTable();
  bool ColumnExists(std::u16string_view table, std::u16string_view column);
  int ExecuteUtf8(const std::string& statement);
  // Adds the lookup indexes a file lacks; a failure (a read-only file) changes nothing.
  void CreateLookupIndexes();
  void RegisterFunctions();
  // Prepares a statement of the caller's own into `out` and binds it; the engine code.
  int Prepare(const CSqlText& statement, CSqlStatement& out);
  // A statement that is stepped and let go at once: either one of its own, or the kept
  // statement of its text, lent for the run and readied for the next one at scope end.
  class COneRun {
   public:
    COneRun() = default;
    ~COneRun() {
      if (m_kept) m_kept->Reset();
    }
    COneRun(const COneRun&) = delete;
    COneRun& operator=(const COneRun&) = delete;
    CSqlStatement& statement() { return m_kept ? *m_kept : m_owned; }

   private:
    friend class CSqlDatabase;
    CSqlStatement m_owned;
    CSqlStatement* m_kept = nullptr;  // not owned: one of the database's kept statements
  };
  // Prepares and binds a statement for one run: a text with parameters is prepared once
  // and kept (a reset keeps a statement left part-way from holding its read open).
  int PrepareForOneRun(const CSqlText& statement, COneRun& run);
  void FinalizeKeptStatements();
  // A statement of the per-row inserts and look-ups, prepared into `slot` at its first
  // use; null when it cannot be prepared (the caller then runs its text the general way,
  // which reports why).
  CSqlStatement* KeptStatement(CSqlStatement& slot, const std::u16string& text);
  // Reads one row through the kept statement of `slot`, binding `values` as its text
  // parameters straight from the caller's texts: whether a row came (`read` has taken
  // it), or nothing when the statement cannot be prepared.
  std::optional<bool> QueryKept(CSqlStatement& slot, const std::u16string& text,
                                std::initializer_list<std::u16string_view> values,
                                const std::function<void(const CSqlStatement&)>& read);
  // Steps a bound row insert (unless binding already failed with `rc`) and readies the
  // statement for the next row; the engine code, the last error kept on a failure.
  int StepRowInsert(CSqlStatement& statement, int rc);
  // The buffer that holds parameter `index`'s UTF-8 text until the insert's step.
  std::string& BindBuffer(int index);
  // Steps through the statement, keeping a failure for a batch that holds them.
  int Step(CSqlStatement& statement);
  // Prepares, steps once and finalizes: true when a row came back. A failed prepare keeps
  // `prepareFailure` as the last error when it is given.
  bool HasRow(const CSqlText& statement, const char16_t* prepareFailure);
  void KeepEngineError();
  // Keeps `rc` as the batch's first failure when failures are held and it is one.
  void NoteFailure(int rc);
  // A statement with no database open: the last error says so, a batch keeps it as its
  // failure; the engine code to return.
  int NotOpen();
  static int BusyWait(void* self, int count);
  void SetLastError(std::u16string text);
  std::u16string ExpandedText(const CSqlText& statement);
  void WriteInsertDiagnostic(const std::u16string& statement);
  void ShowWarning(UINT id, std::u16string_view text);
  void ShowError(UINT id, DWORD value);
  std::unique_ptr<CSqlCursor> MakeCursor(CSqlStatement statement);
  void ReleaseCursor(CSqlCursor* cursor);
  void FinalizeCursor(CSqlCursor& cursor);
  // Steps an open cursor to its next row; false at the end, when it is finalized.
  bool StepCursor(CSqlCursor& cursor);
  // The children of `parent` in the order asked: the nine child columns, then
  // `moreColumns` (each after a comma). Empty on a failed prepare, "Prepare failed" kept.
  CSqlStatement PrepareChildren(std::u16string_view moreColumns, std::u16string_view parent, bool byName,
                                bool unordered);
  void FinalizeAllCursors();
  void ReadChildWithCount(const CSqlStatement& statement, CItemRow& row);
  // The search's test of the current row's texts read the long way, as whole wide texts.
  bool FindRowHoldsWide(const CSqlStatement& statement, const CFindText& text, std::u16string* shown);
  std::string m_findBuffer;  // a search's row text, kept from row to row
  bool ReadCustomerRow(const CSqlStatement& statement, CCustomerFields& fields);
  bool QueryCustomerRow(const CSqlText& statement, CCustomerFields& fields);
  void AppendListTypeCondition(CSqlText& sql, const CListTypes& listTypes);

  mutable std::recursive_mutex m_lock;
  bool m_open = true;
  std::u16string m_lastError;
  int m_lastOpenFailure = 0;  // SQLITE_OK
  sqlite3* m_db = nullptr;
  // The kept result tables: a heading row of column names, then the data rows.
  std::vector<std::vector<std::u16string>> m_customerTable;
  int m_customerRows = 0;
  int m_customerColumns = 0;
  std::vector<std::u16string> m_itemIdTable;
  int m_itemIdRows = 0;
  std::u16string m_path;
  int m_transactionDepth = 0;
  bool m_stampPending = false;
  std::set<CSqlCursor*> m_cursors;
  // Prepared statements kept by their text.
  std::unordered_map<std::u16string, CSqlStatement> m_keptByText;
  // The statements an import runs for every row, bound without building a statement text
  // (finalized with the kept statements), and the buffers of their bound texts.
  CSqlStatement m_itemInsert;
  CSqlStatement m_customerInsert;
  CSqlStatement m_itemByIdAndType;
  CSqlStatement m_itemStampByIdAndType;
  CSqlStatement m_customerByListID;
  CSqlStatement m_customerByFullName;
  CSqlStatement m_customerTermsByFullName;
  std::vector<std::string> m_bindBuffers;
  IDatabaseNotices* m_notices = nullptr;
  int m_busyWait = kBusyWaitMilliseconds;
  std::chrono::steady_clock::time_point m_busySince;
  bool m_holdFailures = false;
  int m_heldFailure = 0;
};

// Holds the database's failures for its scope (see CSqlDatabase::HoldFailures).
class CHeldFailures {
 public:
  explicit CHeldFailures(CSqlDatabase& database) : m_database(database) { m_database.HoldFailures(true); }
  ~CHeldFailures() { m_database.HoldFailures(false); }
  CHeldFailures(const CHeldFailures&) = delete;
  CHeldFailures& operator=(const CHeldFailures&) = delete;

 private:
  CSqlDatabase& m_database;
};

// The exact creation texts of the schema and the upgrade (also used by tests and tools).
extern const char16_t* const kCreateItemsTable;
extern const char16_t* const kCreateItemsIndexes[3];
extern const char16_t* const kCreateCustomerTable;
// The lookup indexes every opened file is given when it lacks them.
extern const char16_t* const kCreateLookupIndexes[3];
// The SQL function with which a contains search tests a column: true when the column's
// text holds the value, ignoring the case of ASCII letters as LIKE does, but comparing
// every character (U+0000 and unpaired surrogates included) of texts stored either way.
inline constexpr char16_t kContainsFunction[] = u"slateway_contains";
struct SchemaUpgradeStep {
  const char16_t* table;
  const char16_t* column;
  const char16_t* statement;
};
extern const SchemaUpgradeStep kSchemaUpgradeSteps[11];
