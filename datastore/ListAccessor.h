// Customer messages (texts printed at the foot of a document) and labels (the user's
// field labels with their texts), read and written straight on the item tree with no
// cache. Each entry keeps its short name as Name and its text as the description.
//
// One first/next walk serves both lists: a GetFirst of either starts it over. Records
// returned belong to the caller; out-texts are replaced by copies.
#pragma once

#include <memory>
#include <string_view>

#include "datastore/ListEntries.h"
#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

class CListAccessor {
 public:
  explicit CListAccessor(CItemStore* store);
  ~CListAccessor();
  CListAccessor(const CListAccessor&) = delete;
  CListAccessor& operator=(const CListAccessor&) = delete;

  // ---- Customer messages ("Customer Msgs")
  std::unique_ptr<CDbRecord> FindCustomerMsg(std::u16string_view name);
  std::unique_ptr<CDbRecord> GetCustomerMsgByListID(std::u16string_view listId);
  // 1 when inserted. With `skipDuplicateCheck` a second message of the same name is
  // accepted. An empty list id gives the entry a new one.
  int AddCustomerMsg(std::u16string_view name, std::u16string_view text, std::u16string_view listId,
                     std::u16string_view created, std::u16string_view modified,
                     bool skipDuplicateCheck);
  // Rewrites the message's texts and stores it: 1 when stored, 0 otherwise (also for a
  // null record).
  int UpdateCustomerMsg(CDbRecord* record, std::u16string_view name, std::u16string_view text,
                        std::u16string_view listId, std::u16string_view created,
                        std::u16string_view modified);
  // The messages in name order, each read in full: true and the first (next) one, false
  // when there is none left.
  bool GetFirstCustomerMsg(CBstr& name, CBstr& text, CBstr& listId);
  bool GetNextCustomerMsg(CBstr& name, CBstr& text, CBstr& listId);

  // ---- Labels ("Labels")
  std::unique_ptr<CDbRecord> FindLabel(std::u16string_view name);
  std::unique_ptr<CDbRecord> GetLabelByListID(std::u16string_view listId);
  int AddLabel(std::u16string_view name, std::u16string_view text, std::u16string_view listId,
               std::u16string_view created, std::u16string_view modified, bool skipDuplicateCheck);
  // Sets the ListType and each given text (a null one keeps the record's), then stores
  // the record: 1 when stored, 0 otherwise (also for a null record).
  int UpdateLabel(CDbRecord* record, LPCWSTR name, LPCWSTR text, LPCWSTR listId, LPCWSTR created,
                  LPCWSTR modified);
  bool GetFirstLabel(CBstr& name, CBstr& text, CBstr& listId);
  bool GetNextLabel(CBstr& name, CBstr& text, CBstr& listId);

 private:
  int AddEntry(std::u16string_view category, std::u16string_view name, std::u16string_view text,
               std::u16string_view listId, std::u16string_view created,
               std::u16string_view modified, bool skipDuplicateCheck);
  bool ReadWalkEntry(std::unique_ptr<CDbRecord> child, CBstr& name, CBstr& text, CBstr& listId);

  CItemStore* m_store;  // not owned
  CChildWalk m_walk;
};
