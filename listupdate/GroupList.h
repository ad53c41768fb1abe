// The groups of the item list: a group is a node of ListType "Group" under "Group", and its
// members are copies of items stored under the group's name.
#pragma once

#include <string_view>

class CDbRecord;
class CItemStore;

class CGroupList {
 public:
  explicit CGroupList(CItemStore* store) : m_store(store) {}

  // Removes every member stored under the group's name.
  void DeleteMembers(std::u16string_view groupName);
  // Writes the name, stamps and edit sequence into the group's record and stores it.
  // Always 0.
  int UpdateGroup(CDbRecord& record, std::u16string_view name, std::u16string_view created,
                  std::u16string_view modified, std::u16string_view editSequence);
  // A new group under "Group"; the store's result (1 when inserted).
  int AddGroup(std::u16string_view name, std::u16string_view listId, std::u16string_view created,
               std::u16string_view modified, std::u16string_view editSequence, bool checkDuplicates);

 private:
  CItemStore* m_store;  // not owned
};

// A transaction around one import step: begun at construction, committed when the scope
// ends normally (an abort keeps whole records already written) and rolled back when it
// ends by an exception.
class CImportTransaction {
 public:
  explicit CImportTransaction(CItemStore& store);
  ~CImportTransaction();
  CImportTransaction(const CImportTransaction&) = delete;
  CImportTransaction& operator=(const CImportTransaction&) = delete;
  // Undoes the work since construction now; the destructor then does nothing.
  void Rollback();
  // Commits the work now (the outermost transaction makes it durable); false, with the
  // work undone, when the commit fails or the transaction never began. The destructor
  // then does nothing.
  bool Commit();

 private:
  CItemStore& m_store;
  bool m_open;
  int m_exceptions;
};
