#include "core/EmailMessageForm.h"

#include <string>
#include <vector>

#include "resources/resource_ids.h"

namespace {
constexpr int kLabelWidth = 68;
constexpr int kHelpTopic = 17;
constexpr int kToLines = 2;
constexpr int kToLength = 80;
constexpr int kShortLength = 40;
constexpr int kMessageLines = CEmailMessageForm::kAttached - CEmailMessageForm::kMessage;
constexpr int kMessageLength = 255;

// The message's lines over its rows, one each; lines beyond the last row stay in it.
std::vector<std::u16string> MessageRows(std::u16string_view message) {
  std::vector<std::u16string> rows(1);
  for (size_t at = 0; at < message.size(); ++at) {
    char16_t c = message[at];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && at + 1 < message.size() && message[at + 1] == u'\n') ++at;
      if (rows.size() < static_cast<size_t>(kMessageLines)) rows.emplace_back();
      else rows.back() += u"\r\n";
      continue;
    }
    rows.back() += c;
  }
  rows.resize(kMessageLines);
  return rows;
}
}  // namespace

CEmailMessageForm::CEmailMessageForm(HINSTANCE resources, HWND parent, const CBstr& firstTo, const CBstr& cc,
                                     const CBstr& bcc, const CBstr& secondTo, const CBstr& subject,
                                     const CBstr& message, const CBstr& attached)
    : m_form(std::make_unique<CFieldForm>(resources, parent, CBstr(u"eMail Message"), -1, 0, kLabelWidth, 0, nullptr)),
      m_firstTo(firstTo),
      m_secondTo(secondTo),
      m_cc(cc),
      m_bcc(bcc),
      m_subject(subject),
      m_message(message),
      m_attached(attached) {
  BuildToChoices();
  AddRows();
}

CEmailMessageForm::~CEmailMessageForm() = default;

void CEmailMessageForm::BuildToChoices() {
  m_toChoices = FieldChoiceList();
  m_to = CBstr();
  for (const CBstr* address : {&m_firstTo, &m_secondTo}) {
    if (address->IsEmpty()) continue;
    int at = m_toChoices.count++;
    m_toChoices.first[at] = *address;
    m_toChoices.second[at] = *address;
    m_to = *address;
  }
}

void CEmailMessageForm::AddRows() {
  CFieldForm& form = *m_form;
  const DWORD editable = kFlagEditable;
  form.AddField(kTo, kFieldChoiceText, kFlagMultiLineChoice | kFlagRequired | kFlagEditable, CBstr(u"To:"), m_to,
                kToLines, kToLength, &m_toChoices);
  form.AddField(kCc, kFieldText, editable, CBstr(u"CC:"), m_cc, 1, kShortLength, nullptr);
  form.AddField(kBcc, kFieldText, editable, CBstr(u"BCC:"), m_bcc, 1, kShortLength, nullptr);
  form.AddField(kSubject, kFieldText, editable, CBstr(u"Subject:"), m_subject, 1, kShortLength, nullptr);
  std::vector<std::u16string> lines = MessageRows(m_message.view());
  form.AddField(kMessage, kFieldMultiLine, editable, CBstr(u"Message:"), CBstr(lines[0]), kMessageLines,
                kMessageLength, nullptr);
  for (int row = kMessage + 1; row < kAttached; ++row) {
    form.AddField(row, kFieldMultiLineRow, editable, CBstr(), CBstr(lines[row - kMessage]), kMessageLines,
                  kMessageLength, nullptr);
  }
  form.AddField(kAttached, kFieldText, 0, CBstr(u"Attached:"), m_attached, 1, 0, nullptr);
}

INT_PTR CEmailMessageForm::DoModal() {
  INT_PTR code = m_form->DoModal(IDD_FIELD_FORM, kHelpTopic, true);
  if (code != CFieldFormModel::kEndAccepted && code != CFieldFormModel::kEndUnchanged) return code;
  m_form->GetFieldText(kTo, m_to);
  m_form->GetFieldText(kCc, m_cc);
  m_form->GetFieldText(kBcc, m_bcc);
  m_form->GetFieldText(kSubject, m_subject);
  // The lines the user broke stay apart: joined without a break, two paragraphs would
  // run into one word.
  m_form->GetFieldText(kMessage, m_message, FieldRows::JoinedOnLines);
  return code;
}
