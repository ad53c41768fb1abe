// The customer messages of the item store, as the customer message form reads and adds
// them.
#pragma once

#include "core/CustomerMessageForm.h"
#include "datastore/ListAccessor.h"

class CStoredCustomerMessages : public CCustomerMessageList {
 public:
  explicit CStoredCustomerMessages(CItemStore* store) : m_lists(store) {}

  bool GetFirst(CBstr& name, CBstr& text, CBstr& listId) override {
    return m_lists.GetFirstCustomerMsg(name, text, listId);
  }
  bool GetNext(CBstr& name, CBstr& text, CBstr& listId) override {
    return m_lists.GetNextCustomerMsg(name, text, listId);
  }
  int Add(const CBstr& name, const CBstr& text, const CBstr& listId, const CBstr& created,
          const CBstr& modified) override {
    return m_lists.AddCustomerMsg(name.view(), text.view(), listId.view(), created.view(), modified.view(), false);
  }

 private:
  CListAccessor m_lists;
};
