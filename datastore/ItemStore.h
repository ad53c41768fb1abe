// The item tree store: the program's one gate to its database.
//
// Every list of the program (items, categories, groups, the "Other Lists", custom fields,
// labels) is one tree of nodes in ItemsList. A node is a CDbRecord; its path is FullName
// (the parent's FullName, ":" and its Name, or just its Name directly under a root or an
// item-type node) and its Parent is the parent's FullName, compared exactly. ObjectType
// bits 0x1f are leaves, 0x3e0 containers. The store also carries CustomerList for the
// customer table source.
//
// Failures of the store's own operations are shown in one box:
//   "Vendel Database Engine Error: <tag> <detail>", caption "Slateway".
// A database that does not open is told in the user's terms instead (see Open).
// The SQL layer may show its own box for a failed statement as well.
//
// Walks that change several rows (UpdateSubtreePaths, DeleteCategoryContents) run inside
// one transaction of their own (nested in the caller's, if any): on the first failure they
// roll back what they did and return false, so the tree is left as it was.
//
// One instance lives for the whole run, on the user-interface thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/PointerList.h"
#include "datastore/CustomerFields.h"
#include "datastore/DbRecord.h"
#include "datastore/SqlDatabase.h"
#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

// ObjectType values and masks.
constexpr int kObjectItem = 1;          // an item of an item list
constexpr int kObjectListEntry = 2;     // an entry of a simple list
constexpr int kObjectLabel = 8;         // a label line
constexpr int kObjectListedItem = 16;   // an item placed in a user list
constexpr int kObjectGroup = 32;
constexpr int kObjectRoot = 64;         // "My Lists", "Item Lists"
constexpr int kObjectOtherLists = 128;  // "Other Lists"
constexpr int kObjectCategory = 256;
constexpr int kObjectContainer512 = 512;
constexpr int kObjectLeafMask = 0x1f;
constexpr int kObjectContainerMask = 0x3e0;

// The find modes of the items list (what text of a node a search reads).
constexpr int kFindDescription = 40237;     // SalesDescription, or Name when it is empty
constexpr int kFindNameAndDescription = 40238;  // Name + " " + SalesDescription

// The engine name at the start of every store error box.
inline constexpr char16_t kDatabaseEngineName[] = u"Vendel Database Engine";
// The duplicate-name message of AddItem (%s: the Name).
inline constexpr char16_t kDuplicateNameFormat[] = u"'%s' already exists in the category.";

// The find-progress dialog as the search sees it (the items list window provides the
// modeless dialog; without one a search shows nothing and cannot be cancelled).
class IFindProgress {
 public:
  virtual ~IFindProgress() = default;
  // Shows the dialog when it is not visible.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  // Shows the text of the node being tested and repaints it.
  virtual void ShowNodeText(std::u16string_view text) = 0;
  // Pumps the pending messages (so that Cancel can be pressed) and returns whether the
  // user has cancelled.
  virtual bool Cancelled() = 0;
  // Destroys the dialog (the search has ended).
  virtual void Destroy() = 0;
};

// A multi-row select of item records; each caller holds its own, so walks of different
// lists may interleave.
class CItemSelect {
 public:
  bool IsOpen() const { return m_cursor && m_cursor->IsOpen(); }
  void Close() { m_cursor.reset(); }

 private:
  friend class CItemStore;
  std::unique_ptr<CSqlCursor> m_cursor;
};

// The state of a search between Find and Find next: one level per container entered, each
// with its open child cursor and the container's record (none for the search root).
struct CFindLevel {
  std::unique_ptr<CSqlCursor> cursor;
  std::unique_ptr<CDbRecord> container;
};

class CFindState {
 public:
  bool IsActive() const { return !m_levels.empty(); }
  bool Exhausted() const { return m_exhausted; }
  bool Cancelled() const { return m_cancelled; }
  int Depth() const { return static_cast<int>(m_levels.size()); }

 private:
  friend class CItemStore;
  std::vector<CFindLevel> m_levels;
  bool m_exhausted = false;
  bool m_cancelled = false;
};

class CItemStore {
 public:
  // `owner` owns the store's message boxes (not owned).
  explicit CItemStore(HWND owner);
  virtual ~CItemStore();
  CItemStore(const CItemStore&) = delete;
  CItemStore& operator=(const CItemStore&) = delete;

  // ---- The file ---------------------------------------------------------------------------

  // Opens (or creates) the database and runs the open check; 1 when usable, else 0 after
  // a box that names the file and says what to do: another program holds it, it cannot be
  // reached where it was looked for, or it is damaged.
  int Open(std::u16string_view path);
  void Close();
  bool UpgradeSchema();
  bool IsOpen() const { return m_open != 0; }

  bool BeginTransaction();
  bool CommitTransaction();
  bool RollbackTransaction();

  // ---- Items ------------------------------------------------------------------------------

  // What AddItem does when a node of the same Name is under the same Parent (exact,
  // case-sensitive).
  enum class OnDuplicate {
    Insert,         // inserts it beside the other
    Refuse,         // refuses the insert
    RefuseAndTell,  // refuses it and tells the user, in a message box over `owner`
  };
  // 1 when inserted.
  int AddItem(HWND owner, const CDbRecord& record, OnDuplicate duplicate);
  // The record's row (by ListID, ListType and Parent when not empty) as a new record of
  // kind 1 and position -1, or with the given record's kind and position when
  // `keepKindAndPosition`; null after the error box when there is no such row.
  std::unique_ptr<CDbRecord> GetItem(const CDbRecord& record, bool keepKindAndPosition);
  // The same, refilling the given record in place; false when there is no such row.
  bool ReloadItem(CDbRecord& record, bool keepKindAndPosition);
  // Writes every column of the record's row, selected by ListID and the previous ListType
  // and Parent when the caller changed them.
  bool UpdateItem(const CDbRecord& record, std::optional<std::u16string_view> previousListType = std::nullopt,
                  std::optional<std::u16string_view> previousParent = std::nullopt);
  bool UpdatePathFields(std::u16string_view listId, std::u16string_view listType, std::u16string_view fullName,
                        std::u16string_view newParent, std::u16string_view oldParent);
  bool UpdateIsOpenState(const CDbRecord& record);
  // False for a null record or one without ListID; no message.
  bool DeleteItem(const CDbRecord* record);
  bool DeleteCategoryObject(std::u16string_view listId, std::u16string_view listType);
  // Deletes everything below the category depth first: sub-containers with their
  // contents, leaves used once; leaves held by other lists too keep UseCount - 1. One
  // transaction: true when all of it was done, false (nothing changed) otherwise.
  bool DeleteCategoryContents(std::u16string_view fullName);
  bool DeleteChildren(std::u16string_view parent);
  bool DeleteByListType(const CListTypes& listTypes, std::optional<std::u16string_view> parent = std::nullopt);

  // The row of that ListID whose ListType is one of `listTypes`.
  std::unique_ptr<CDbRecord> GetItemByListID(std::u16string_view listId, const CListTypes& listTypes);
  // The TimeModified of the row GetItemByListID would give, read alone (a repeated import
  // needs no more to pass an unchanged item by); false when there is no such row.
  bool GetItemStampByListID(std::u16string_view listId, const CListTypes& listTypes, CBstr& stamp);
  // The first row whose column contains (or equals) the text, within the types.
  std::unique_ptr<CDbRecord> FindItemLike(std::u16string_view column, std::u16string_view text,
                                          const CListTypes& listTypes, bool contains);
  // True when a node of that Name is under that Parent; `out` then holds it, of `kind`.
  bool FindChildByName(std::u16string_view name, int kind, std::u16string_view parent,
                       std::unique_ptr<CDbRecord>& out);

  // Rows of up to two ListTypes under up to two Parents (empty texts leave a filter out).
  std::unique_ptr<CDbRecord> SelectFirstItem(CItemSelect& select, std::u16string_view listType1,
                                             std::u16string_view listType2 = {},
                                             std::u16string_view parent1 = {},
                                             std::u16string_view parent2 = {});
  // The next record of the select; null at the end (the select is then closed).
  std::unique_ptr<CDbRecord> SelectNextItem(CItemSelect& select);

  bool HasChildren(std::u16string_view parent);
  int GetChildCount(std::u16string_view parent);
  // How GetFirstChild walks the children; none set: by ObjectPosition, first child read.
  struct ChildWalk {
    bool byName = false;
    bool unordered = false;
    bool prepareOnly = false;  // `out` gets an empty record; the first GetNextChild gives the first child
  };
  // A child cursor under `parent` (by Name, unordered, or by ObjectPosition), or null when
  // there is no child. Unless `prepareOnly`, `out` receives the first child.
  std::unique_ptr<CSqlCursor> GetFirstChild(std::u16string_view parent, std::unique_ptr<CDbRecord>& out,
                                            ChildWalk walk);
  // The next child with its child count; null at the end.
  std::unique_ptr<CDbRecord> GetNextChild(CSqlCursor& cursor);

  static bool IsSystemRootName(std::u16string_view name);
  static bool IsItemTypeOrRootName(std::u16string_view name);
  static std::u16string_view GetEngineName() { return kDatabaseEngineName; }

  // After a container was renamed or moved (its own row already written): rewrites
  // FullName and Parent of every descendant. One transaction; false on the first failure,
  // with nothing changed.
  bool UpdateSubtreePaths(std::u16string_view oldFullName, std::u16string_view newFullName);
  // A "Root List" node (duplicate check on, no message); an existing node stays. Always 0.
  int AddRootNode(std::u16string_view name, std::u16string_view parent, int objectType);

  // ---- Searching --------------------------------------------------------------------------

  // The dialog a search reports to (not owned; null for none).
  void CreateFindProgressDialog(IFindProgress* progress) { m_progress = progress; }
  // Depth-first search for `upperText` (upper-cased by the caller) in the nodes' texts.
  // A new search starts under `startName`; with null it resumes the search in `state`.
  // On a match `results` receives the node followed by its ancestors up to the search
  // root, and returns 1; a matched container is entered by the next resume. 0 when the
  // tree is exhausted or the user cancelled (state.Cancelled()). `otherLists` clear skips
  // "Other Lists" (kind 128); set, it skips groups, roots and categories (kinds 32, 64,
  // 256, 512). `fieldMode` is kFindDescription, kFindNameAndDescription or any other value
  // for Name alone.
  int FindText(LPCWSTR startName, std::u16string_view upperText, CTypedPointerList<CDbRecord>& results,
               CFindState& state, bool otherLists, int fieldMode, bool byName);
  // Ends a search: the dialog destroyed, every cursor of the state released.
  void EndFind(CFindState& state);
  bool FoundLeaf() const { return m_foundLeaf; }
  const std::u16string& FoundPath() const { return m_foundPath; }

  // ---- CustomerList ------------------------------------------------------------------------

  bool OpenCustomerList();
  // Cuts short an OpenCustomerList that another thread runs (it then returns false).
  void InterruptCustomerList();
  void FreeCustomerList();
  int GetCustomerCount() const;
  bool GetCustomerRow(int index, CCustomerFields& fields);
  bool GetCustomerByListID(std::u16string_view listId, CCustomerFields& fields);
  bool GetCustomerByFullName(std::u16string_view fullName, CCustomerFields& fields);
  // The Terms of that customer alone (what a job takes from its customer on import).
  bool GetCustomerTermsByFullName(std::u16string_view fullName, CBstr& terms);
  bool HasCustomerRecord(std::u16string_view listId);
  // 1 when stored; otherwise the box (no owner, "Slateway", exclamation) with the layer's
  // last error, and 0.
  int InsertCustomer(const CCustomerFields& fields);
  int ReplaceCustomer(const CCustomerFields& fields);
  // Deletes the CustomerList row with the FullName of row `index` of the loaded list.
  bool DeleteCustomerAtRow(int index);
  bool DeleteAllCustomers();

  // ---- State -----------------------------------------------------------------------------

  const std::u16string& LastError() const { return m_lastError; }
  CSqlDatabase& Database() { return *m_db; }
  HWND Owner() const { return m_owner; }

 private:
  // The one error box: engine name, " Error: ", tag, " ", detail.
  void ShowDatabaseError(std::u16string_view tag, std::u16string_view detail, UINT style = 0);
  // The box for a file that did not open or failed the open check.
  void ShowOpenProblem(std::u16string_view path);
  void KeepLayerError();
  std::unique_ptr<CDbRecord> RecordFromRow(CItemRow&& row) const;
  static std::unique_ptr<CDbRecord> RecordFromChildRow(CItemRow&& row);
  static CItemRowValues ValuesFromRecord(const CDbRecord& record);
  static CItemRow RowFromRecord(const CDbRecord& record);
  bool ReadChildren(std::u16string_view parent, std::vector<std::unique_ptr<CDbRecord>>& children);
  bool UpdateSubtreeLevel(std::u16string_view oldFullName, std::u16string_view newFullName);
  bool DeleteContentsLevel(std::u16string_view fullName);
  bool OpenFindLevel(CFindState& state, std::u16string_view parent, std::unique_ptr<CDbRecord> container,
                     bool byName, bool unordered);
  int SearchLevels(std::u16string_view upperText, CTypedPointerList<CDbRecord>& results, CFindState& state,
                   bool otherLists, int fieldMode, bool byName);
  void ReportMatch(const CDbRecord& node, CTypedPointerList<CDbRecord>& results, const CFindState& state);

  HWND m_owner = nullptr;  // not owned
  int m_open = 0;
  std::unique_ptr<CSqlDatabase> m_db;
  bool m_foundLeaf = false;
  std::u16string m_foundPath;
  std::u16string m_lastError;
  IFindProgress* m_progress = nullptr;  // not owned
};
