// A plain list of names with an optional description, kept as one category of the item
// tree: accounts, classes, customer types, payment methods, sales reps, shipping methods
// and vendors. Besides the category each list knows the element names under which it
// travels in an update list and the text shown while it is imported.
//
// The object keeps an in-memory copy of its (name, description) pairs in name order for
// the pickers. AddEntry and UpdateEntry of the same object empty it; a write through
// another object or straight to the store does not (the main window reloads every list
// after such writes). Out-texts are replaced by copies the caller owns; records returned
// belong to the caller.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datastore/ListEntries.h"
#include "platform/base/Bstr.h"

class CNamedList {
 public:
  CNamedList(CItemStore* store, std::u16string_view category, std::u16string_view recordElement,
             std::u16string_view listElement, std::u16string_view progressText);
  virtual ~CNamedList();
  CNamedList(const CNamedList&) = delete;
  CNamedList& operator=(const CNamedList&) = delete;

  // The accounts list over `store`, for code that needs one of its own for a while.
  static std::unique_ptr<CNamedList> ConstructAccounts(CItemStore* store);

  const std::u16string& Category() const { return m_category; }
  const std::u16string& RecordElement() const { return m_recordElement; }
  const std::u16string& ListElement() const { return m_listElement; }
  const std::u16string& ProgressText() const { return m_progressText; }

  // The entry of that name, read in full; null when there is none.
  std::unique_ptr<CDbRecord> FindByName(std::u16string_view name);
  // The category's entry with that list id; null when there is none.
  std::unique_ptr<CDbRecord> GetByListID(std::u16string_view listId);
  // Adds an entry; 1 when it was inserted, 0 when the store refused it (a duplicate name
  // with `checkDuplicates`, silently; a database failure, with the store's error box).
  // An empty list id gives the entry a new one. Empties the cache.
  int AddEntry(std::u16string_view name, std::u16string_view listId, std::u16string_view created,
               std::u16string_view modified, std::u16string_view description,
               bool checkDuplicates);
  // Writes ListType, name, description and both time stamps into the caller's record and
  // stores it; 1 when the store wrote it, 0 otherwise. Empties the cache.
  int UpdateEntry(CDbRecord& record, std::u16string_view name, std::u16string_view created,
                  std::u16string_view modified, std::u16string_view description);

  // The entries straight from the store, in name order: 1 and the first (or next) entry,
  // 0 when there is none left.
  int GetFirstRecord(CBstr& name, CBstr& description);
  int GetNextRecord(CBstr& name, CBstr& description);

  void FreeEntries();
  void LoadEntries();
  // The cached entries, loading them when the cache is empty: 1 and the first (next) pair,
  // 0 when the list is empty or the walk has reached its end (the out-texts then keep
  // their values).
  int GetFirstEntry(CBstr& name, CBstr& description);
  int GetNextEntry(CBstr& name, CBstr& description);
  int GetFirstName(CBstr& name);
  int GetNextName(CBstr& name);

 private:
  struct Entry {
    CBstr name;
    CBstr description;
  };

  CItemStore* m_store;  // not owned
  CChildWalk m_walk;
  std::u16string m_category;
  std::u16string m_recordElement;
  std::u16string m_listElement;
  std::u16string m_progressText;
  std::vector<Entry> m_entries;
  size_t m_readIndex = 0;
};

// The seven lists; each only names its category and texts.
class CAccountsList : public CNamedList {
 public:
  explicit CAccountsList(CItemStore* store);
};
class CClassesList : public CNamedList {
 public:
  explicit CClassesList(CItemStore* store);
};
class CCustomerTypesList : public CNamedList {
 public:
  explicit CCustomerTypesList(CItemStore* store);
};
class CPaymentMethodsList : public CNamedList {
 public:
  explicit CPaymentMethodsList(CItemStore* store);
};
class CSalesRepsList : public CNamedList {
 public:
  explicit CSalesRepsList(CItemStore* store);
};
class CShippingMethodsList : public CNamedList {
 public:
  explicit CShippingMethodsList(CItemStore* store);
};
class CVendorsList : public CNamedList {
 public:
  explicit CVendorsList(CItemStore* store);
};
