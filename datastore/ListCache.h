// Name lists with a cache of their entry names: job types, terms (each with its standard
// due days), and the custom customer and item fields that the desktop defines and the
// Customize dialog offers as column captions.
//
// One object keeps one cache of names. The cache remembers which list filled it, so a
// GetFirst...Name of another list loads that list instead of handing out the wrong names;
// the program still keeps one object per list, so that each cache lives on. Adds and
// updates through this object empty the cache; the main window empties and reloads it
// after the desktop replaced list data. Records returned belong to the caller; out-texts
// are replaced by copies.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datastore/ListEntries.h"
#include "platform/base/Bstr.h"

class CListCache {
 public:
  explicit CListCache(CItemStore* store);
  ~CListCache();
  CListCache(const CListCache&) = delete;
  CListCache& operator=(const CListCache&) = delete;

  // ---- Job types ("Job Types")
  std::unique_ptr<CDbRecord> FindJobType(std::u16string_view name);
  std::unique_ptr<CDbRecord> GetJobTypeByListID(std::u16string_view listId);
  // 1 when inserted; a name that exists already is refused (0).
  int AddJobType(std::u16string_view name, std::u16string_view listId, std::u16string_view created,
                 std::u16string_view modified);
  // Writes the name and stamps into the record and stores it; 1 when stored.
  int UpdateJobType(CDbRecord& record, std::u16string_view name, std::u16string_view created,
                    std::u16string_view modified);
  // The first job type straight from the store (name order); 0 when there is none.
  int GetFirstJobTypeRecordName(CBstr& name);
  void LoadJobTypeNames();
  // The cached names (loaded when empty): 1 and the first one, 0 when there is none (the
  // out-text then keeps its value).
  int GetFirstJobTypeName(CBstr& name);

  // ---- Terms ("Terms"; the standard due days are kept as SalesAmount)
  std::unique_ptr<CDbRecord> FindTerm(std::u16string_view name);
  std::unique_ptr<CDbRecord> GetTermByListID(std::u16string_view listId);
  int AddTerm(std::u16string_view name, std::u16string_view listId, std::u16string_view dueDays,
              std::u16string_view created, std::u16string_view modified);
  int UpdateTerm(CDbRecord& record, std::u16string_view name, std::u16string_view dueDays,
                 std::u16string_view created, std::u16string_view modified);
  int GetFirstTermRecordName(CBstr& name);
  void LoadTermNames();
  int GetFirstTermName(CBstr& name);
  // 1 and the term's due days (empty when it has none) when the term exists; 0 and an
  // empty text otherwise.
  int GetTermDueDays(std::u16string_view name, CBstr& dueDays);

  // The next cached name of whichever list was loaded last: 1 and the name, 0 at the end
  // (the out-text keeps its value).
  int GetNextName(CBstr& name);
  void FreeNames();

  // ---- Custom customer fields ("Custom Customer Fields"; names in name order)
  std::unique_ptr<CDbRecord> FindCustomerField(std::u16string_view name);
  int AddCustomerField(std::u16string_view name, std::u16string_view listId,
                       std::u16string_view created, std::u16string_view modified);
  void LoadCustomerFieldNames();
  // 1 and the first (next) name, 0 when there is none left (the out-text keeps its value).
  int GetFirstCustomerFieldName(CBstr& name);
  int GetNextCustomerFieldName(CBstr& name);

  // ---- Custom item fields ("Custom Item Fields"; names in the order the store keeps them)
  // The field of that name as the tree walk reads it (names and kind; no second read).
  std::unique_ptr<CDbRecord> FindItemField(std::u16string_view name);
  int AddItemField(std::u16string_view name, std::u16string_view listId, std::u16string_view created,
                   std::u16string_view modified);
  // Writes the name and stamps into a custom field entry (of either kind) and stores it;
  // 1 when stored.
  int UpdateItemField(CDbRecord& record, std::u16string_view name, std::u16string_view created,
                      std::u16string_view modified);
  void DeleteAllItemFields();
  void LoadItemFieldNames();
  int GetFirstItemFieldName(CBstr& name);
  // At the end the out-text is emptied.
  int GetNextItemFieldName(CBstr& name);
  void FreeFieldNames() { FreeNames(); }

 private:
  // Empties the cache, then fills it with the names of the category's children.
  void LoadNames(std::u16string_view category, CChildWalk::Order order);
  // Loads the category when the cache is empty or holds another list, then hands out the
  // first name.
  int GetFirstName(std::u16string_view category, CChildWalk::Order order, CBstr& name);
  int AddEntry(std::u16string_view category, std::u16string_view name, std::u16string_view listId,
               std::u16string_view created, std::u16string_view modified,
               std::u16string_view amount, bool setAmount);
  int GetFirstRecordName(std::u16string_view category, CBstr& name);
  // Gives the entry its name and stamps, stores it and empties the cache; 1 when stored.
  int UpdateEntry(CDbRecord& record, std::u16string_view name, std::u16string_view created,
                  std::u16string_view modified);

  CItemStore* m_store;  // not owned
  CChildWalk m_walk;
  std::vector<CBstr> m_names;
  std::u16string m_cacheCategory;  // the list the names came from
  size_t m_readIndex = 0;
};
