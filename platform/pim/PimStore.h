// Internal to pim/: the one open contacts store of the process, its condition texts and
// its notification requests.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pim/Pim.h"

struct sqlite3;

namespace platform::pim {

// The stored properties, in column order; a contact's values vector follows it.
struct PropertyColumn {
  int property;
  const char16_t* name;
};
extern const PropertyColumn kColumns[];
extern const size_t kColumnCount;
// The slot of a property in kColumns; -1 when unknown.
int SlotOf(int property);
int SlotOfName(std::u16string_view name);

// A condition text compiled to an SQL expression over the Contacts columns.
struct Condition {
  std::string sql;
  std::vector<std::u16string> params;
};
// Nothing when the text is malformed.
std::optional<Condition> CompileCondition(std::u16string_view text);
// "[A,B]" -> ORDER BY terms; nothing when malformed.
std::optional<std::string> CompileSort(std::u16string_view text, bool descending);

struct ContactRow {
  LONG oid = 0;
  std::vector<std::u16string> values;
};

// One registered window of an open contacts database.
struct NotifyTarget {
  const void* owner;  // the database object that registered it
  HWND hwnd;
  DWORD param;
};

class Store {
 public:
  // The store of the current device root, opened (and made) on first use; null when the
  // file cannot be opened.
  static std::shared_ptr<Store> Current();
  static void Reset();

  ~Store();

  // Contacts meeting all conditions in the order given (Oid order when empty).
  bool Select(const std::vector<Condition>& where, const std::string& order, std::vector<ContactRow>* rows);
  // The same rows shared: asking again for the same rows before the store changes reads
  // nothing (a list and its letter index look at the same contacts). Null on failure.
  using Rows = std::shared_ptr<const std::vector<ContactRow>>;
  Rows SelectShared(const std::vector<Condition>& where, const std::string& order);
  std::optional<ContactRow> Load(LONG oid);
  // Inserts (oid 0; the new oid is returned) or updates; 0 on failure.
  LONG Write(LONG oid, const std::vector<std::u16string>& values);
  bool Remove(LONG oid);
  std::vector<std::u16string> Categories();
  // Increases with every change; collections compare it to know they are stale.
  uint64_t Generation();

  void AddTarget(const NotifyTarget& target);
  void RemoveTargets(const void* owner);

 private:
  explicit Store(sqlite3* db) : m_db(db) {}
  bool Prepare();
  void Seed();
  LONG WriteLocked(LONG oid, const std::vector<std::u16string>& values);
  void AddCategories(std::u16string_view list);
  void Notify(UINT type, LONG oid);

  std::mutex m_mutex;
  sqlite3* m_db = nullptr;
  uint64_t m_generation = 1;
  std::vector<NotifyTarget> m_targets;
  // The last rows read, by their statement and values, valid for one generation.
  std::u16string m_lastQuery;
  uint64_t m_lastGeneration = 0;
  Rows m_lastRows;
};

// Whether the comma-separated category list holds the category (ignoring case and the
// blanks around each name).
bool ListHasCategory(std::u16string_view list, std::u16string_view category);
// "Last, First", whichever one is set, else the company.
std::u16string ComposeFileAs(const std::vector<std::u16string>& values);

// The contact card; true when the user confirmed (values then hold the entries).
bool RunContactCard(HWND owner, std::vector<std::u16string>& values);

}  // namespace platform::pim
