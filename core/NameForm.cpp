#include "core/NameForm.h"

#include "core/UiMetrics.h"
#include "resources/resource_ids.h"

namespace {
constexpr int kNameHelpTopic = 18;
constexpr int kCompanyHelpTopic = 17;
constexpr int kNameLabelWidth = 50;
constexpr int kCompanyLabelWidth = 68;
constexpr int kTopBarMetric = 11;
constexpr int kTypeLength = 20;
constexpr int kCompanyLength = 80;
constexpr int kAddressLines = 4;
constexpr int kAddressLength = 255;
constexpr DWORD kRequiredEditable = kFlagRequired | kFlagEditable;

bool ReadsBack(INT_PTR code) {
  return code == CFieldFormModel::kEndAccepted || code == CFieldFormModel::kEndUnchanged;
}
}  // namespace

// ---- CNameForm ---------------------------------------------------------------------------

CNameForm::CNameForm(HINSTANCE resources, HWND parent, const CBstr& title, const CBstr& label, int maxLength,
                     const CBstr& value, DWORD extraFlags, const CBstr& typeText, bool hasTypeRow)
    : m_form(std::make_unique<CFieldForm>(resources, parent, title, hasTypeRow ? 1 : 0,
                                          static_cast<DWORD>(GetUiMetric(kTopBarMetric)), kNameLabelWidth, 0,
                                          nullptr)),
      m_value(value),
      m_type(typeText),
      m_hasTypeRow(hasTypeRow) {
  int row = 0;
  if (hasTypeRow) {
    m_form->AddField(row++, kFieldItemType, kRequiredEditable, CBstr(u"Type:"), m_type, 1, kTypeLength, nullptr);
  }
  m_form->AddField(row, kFieldText, (extraFlags + kFlagRequired) | kFlagEditable, label, m_value, 1, maxLength,
                   nullptr);
}

CNameForm::~CNameForm() = default;

INT_PTR CNameForm::DoModal() {
  INT_PTR code = m_form->DoModal(IDD_FIELD_FORM, kNameHelpTopic, true);
  if (!ReadsBack(code)) return code;
  if (m_hasTypeRow) m_form->GetFieldText(0, m_type);
  m_form->GetFieldText(m_hasTypeRow ? 1 : 0, m_value);
  return code;
}

// ---- CMyCompanyForm ------------------------------------------------------------------------

void AddCompanyRows(CFieldForm& form, const CCompanyInfo& company) {
  // A name nothing stores would be lost at the next start: there the row only shows it.
  DWORD nameFlags = company.StoresUserName() ? kRequiredEditable : 0;
  form.AddField(0, kFieldText, nameFlags, CBstr(u"My Name:"), CBstr(company.GetUserName()), 1, kCompanyLength,
                nullptr);
  form.AddField(1, kFieldText, kFlagEditable, CBstr(u"Company:"), CBstr(company.GetName()), 1, kCompanyLength,
                nullptr);
  const DWORD address = kFlagWide | kFlagEditable;
  form.AddField(2, kFieldMultiLine, address, CBstr(u"Address:"), CBstr(company.GetAddress1()), kAddressLines,
                kAddressLength, nullptr);
  form.AddField(3, kFieldMultiLineRow, address, CBstr(), CBstr(company.GetAddress2()), kAddressLines, kAddressLength,
                nullptr);
  form.AddField(4, kFieldMultiLineRow, address, CBstr(), CBstr(company.GetAddress3()), kAddressLines, kAddressLength,
                nullptr);
  form.AddField(5, kFieldText, kFlagEditable, CBstr(u"Phone:"), CBstr(company.GetPhone()), 1, kCompanyLength,
                nullptr);
  form.AddField(6, kFieldText, kFlagEditable, CBstr(u"E-mail:"), CBstr(company.GetEMail()), 1, kCompanyLength,
                nullptr);
}

void ReadCompanyRows(const CFieldForm& form, CCompanyInfo& company) {
  // Each row alone, without the rows that continue it.
  auto row = [&form](int index) {
    CBstr text;
    form.GetFieldText(index, text);
    return text.str();
  };
  company.SetUserName(row(0));
  company.SetName(row(1));
  company.SetAddress1(row(2));
  company.SetAddress2(row(3));
  company.SetAddress3(row(4));
  company.SetPhone(row(5));
  company.SetEMail(row(6));
}

CMyCompanyForm::CMyCompanyForm(HINSTANCE resources, HWND parent, CCompanyInfo& company)
    : m_company(company),
      m_form(std::make_unique<CFieldForm>(resources, parent, CBstr(u"My Company"), -1, 0, kCompanyLabelWidth, 0,
                                          nullptr)) {
  AddCompanyRows(*m_form, company);
}

CMyCompanyForm::~CMyCompanyForm() = default;

INT_PTR CMyCompanyForm::DoModal() {
  INT_PTR code = m_form->DoModal(IDD_FIELD_FORM, kCompanyHelpTopic, true);
  if (code == CFieldFormModel::kEndAccepted) ReadCompanyRows(*m_form, m_company);
  return code;
}
