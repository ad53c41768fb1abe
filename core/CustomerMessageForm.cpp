#include "core/CustomerMessageForm.h"

#include "core/ResourceText.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "resources/resource_ids.h"

namespace {
constexpr int kHelpTopic = 16;
constexpr int kLabelWidth = 44;
constexpr int kRows = 6;
constexpr int kMaxLength = 2048;
}  // namespace

CCustomerMessageForm::CCustomerMessageForm(HINSTANCE resources, HWND parent, const CBstr& text,
                                           CCustomerMessageList* messages, bool checked)
    : m_text(text),
      m_choices(std::make_unique<FieldChoiceList>()),
      m_form(std::make_unique<CFieldForm>(resources, parent, CBstr(u"Customer Message"), -1, 0, kLabelWidth, 0,
                                          nullptr)),
      m_messages(messages) {
  FieldChoiceList& list = *m_choices;
  if (m_messages) {
    CBstr name, message, listId;
    for (bool more = m_messages->GetFirst(name, message, listId); more && list.count < kMaxMessages;
         more = m_messages->GetNext(name, message, listId)) {
      list.first[list.count] = name;
      list.second[list.count] = message;
      list.third[list.count] = listId;
      ++list.count;
    }
  }
  m_storedCount = list.count;
  if (m_text.IsEmpty() && list.count > 0) m_text = list.first[0];
  m_form->AddField(0, kFieldChoiceText, kFlagMultiLineChoice | kFlagEditable | kFlagRequired, CBstr(u"Msg:"), m_text,
                   kRows, kMaxLength, m_choices.get());
  for (int row = 1; row < kRows; ++row) {
    m_form->AddField(row, kFieldChoiceTextRow, kFlagMultiLineChoice | kFlagEditable, CBstr(), CBstr(), kRows,
                     kMaxLength, nullptr);
  }
  m_form->SetCheckBox(checked, LoadResString(IDS_SAVE_AS_DEFAULT_MESSAGE));
}

CCustomerMessageForm::~CCustomerMessageForm() = default;

int CCustomerMessageForm::FindMessage(std::u16string_view text) const {
  for (int i = 0; i < m_storedCount; ++i) {
    if (m_choices->second[i].view() == text) return i;
  }
  return -1;
}

INT_PTR CCustomerMessageForm::DoModal() {
  INT_PTR code = m_form->DoModal(IDD_FIELD_FORM, kHelpTopic, true);
  if (code == CFieldFormModel::kEndAccepted) {
    m_form->GetFieldText(0, m_text, FieldRows::Joined);
    int stored = FindMessage(m_text.view());
    if (stored >= 0) m_listId = m_choices->third[stored];
    StoreNewMessages();
  }
  // The typed texts were either stored or given up: the next run starts from the store.
  *m_choices = FieldChoiceList();
  m_storedCount = 0;
  return code;
}

void CCustomerMessageForm::StoreNewMessages() {
  FieldChoiceList& list = *m_choices;
  for (int i = 0; i < list.count; ++i) {
    if (!list.isNew[i] || !m_messages) continue;
    CBstr name;
    TruncateWithEllipsis(list.second[i].view(), name);
    if (list.third[i].IsEmpty()) list.third[i] = NewGuidString();
    CBstr stamp;
    GetTimestampText(stamp);
    m_messages->Add(name, list.second[i], list.third[i], stamp, stamp);
  }
}
