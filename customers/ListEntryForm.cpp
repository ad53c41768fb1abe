#include "customers/ListEntryForm.h"

#include "resources/resource_ids.h"

namespace {
constexpr int kHelpTopic = 15;
}

CListEntryForm::CListEntryForm(HINSTANCE resources, HWND parent, CItemStore* store, CDbRecord& record,
                               std::u16string type, int documentKind)
    : m_rows(record, std::move(type), documentKind, store, &m_settings) {
  m_settings.Load();
  m_form = std::make_unique<CFieldForm>(resources, parent, CBstr(u"Item"), -1, 0, m_rows.LabelWidth(), 0, nullptr);
  m_rows.Build(m_form->Model());
}

INT_PTR CListEntryForm::Run() {
  const INT_PTR end = m_form->DoModal(IDD_FIELD_FORM, kHelpTopic, true);
  if (end == CFieldFormModel::kEndAccepted) m_rows.WriteBack(m_form->Model());
  return end;
}
