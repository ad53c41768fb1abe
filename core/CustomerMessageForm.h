// The choice of the message printed at the foot of a document: a stored customer message
// or a text typed afresh, which then joins the stored messages.
#pragma once

#include <memory>

#include "core/FieldForm.h"

// Where the stored customer messages live (the item store's list in the program).
class CCustomerMessageList {
 public:
  virtual ~CCustomerMessageList() = default;
  // The messages in order: true and the first (next) one, false when none is left.
  virtual bool GetFirst(CBstr& name, CBstr& text, CBstr& listId) = 0;
  virtual bool GetNext(CBstr& name, CBstr& text, CBstr& listId) = 0;
  // Stores a new message; 1 when stored.
  virtual int Add(const CBstr& name, const CBstr& text, const CBstr& listId, const CBstr& created,
                  const CBstr& modified) = 0;
};

class CCustomerMessageForm {
 public:
  static constexpr int kMaxMessages = FieldChoiceList::kCapacity;

  // Offers up to 64 stored messages; an empty `text` starts on the first one's name.
  // The check box (its caption "Use as default message") starts as `checked`.
  CCustomerMessageForm(HINSTANCE resources, HWND parent, const CBstr& text, CCustomerMessageList* messages,
                       bool checked);
  virtual ~CCustomerMessageForm();
  CCustomerMessageForm(const CCustomerMessageForm&) = delete;
  CCustomerMessageForm& operator=(const CCustomerMessageForm&) = delete;

  // The index of the stored message whose text is exactly `text`, or -1.
  int FindMessage(std::u16string_view text) const;
  // The form's end code. Only on 1 (accepted) the message text is read back (with the
  // list id of the stored message it matches) and the texts typed afresh are stored,
  // each named by its first 28 characters and "..." when longer than 32.
  INT_PTR DoModal();

  const CBstr& GetText() const { return m_text; }
  const CBstr& GetListId() const { return m_listId; }
  bool IsChecked() const { return m_form->GetCheckBox(); }
  int StoredCount() const { return m_storedCount; }
  CFieldForm& Form() { return *m_form; }

 private:
  void StoreNewMessages();

  CBstr m_text;
  CBstr m_listId;
  // Declared first so the form, which reads it, goes first.
  std::unique_ptr<FieldChoiceList> m_choices;
  std::unique_ptr<CFieldForm> m_form;
  int m_storedCount = 0;
  CCustomerMessageList* m_messages;  // not owned
};
