#include "reports/ReportOptionsForm.h"

#include "core/Preferences.h"
#include "core/TextHelpers.h"
#include "core/UiMetrics.h"
#include "resources/resource_ids.h"

namespace {
constexpr int kTopBarMetric = 11;
constexpr int kHelpTopic = 19;
constexpr DWORD kPresetFlags = kFlagDateRange | kFlagEditable;
constexpr int kDateLength = 12;
constexpr int kTypeLength = 15;

void Fill(FieldChoiceList& list, std::initializer_list<std::u16string_view> texts) {
  list.count = 0;
  for (std::u16string_view text : texts) list.first[list.count++] = CBstr(text);
}

}  // namespace

CReportOptionsForm::CReportOptionsForm(HINSTANCE resources, HWND parent, bool withDocuments)
    : m_withDocuments(withDocuments) {
  CPreferences prefs;
  m_documentType = CBstr(prefs.Get(pref::kLastReportDocType));
  m_datePreset = CBstr(prefs.Get(pref::kLastReportDates));
  GetDateRange(m_datePreset.view(), m_from, m_to);
  Fill(m_presets, {u"Today", u"Yesterday", u"Last Week", u"Last Month", u"All"});
  Fill(m_documentTypes, {u"Estimates", u"Invoices", u"Sales Orders", u"Sales Receipts", u"All Documents"});
  m_form = std::make_unique<CFieldForm>(resources, parent, CBstr(u"Report Options"), -1,
                                        static_cast<DWORD>(GetUiMetric(kTopBarMetric)), withDocuments ? 80 : 60,
                                        withDocuments ? 150 : 170, nullptr);
  m_form->AddField(0, kFieldChoiceToo, kPresetFlags, CBstr(u"Dates:"), m_datePreset, 1, kDateLength, &m_presets);
  m_form->AddField(1, kFieldDate, kFlagEditable, CBstr(u"From:"), m_from, 1, kDateLength, nullptr);
  m_form->AddField(2, kFieldDate, kFlagEditable, CBstr(u"To:"), m_to, 1, kDateLength, nullptr);
  if (withDocuments) {
    m_form->AddField(3, kFieldChoiceToo, kFlagEditable, CBstr(u"Documents:"), m_documentType, 1, kTypeLength,
                     &m_documentTypes);
  }
}

CReportOptionsForm::~CReportOptionsForm() = default;

INT_PTR CReportOptionsForm::Run() {
  const INT_PTR code = m_form->DoModal(IDD_FIELD_FORM, kHelpTopic, true);
  if (code == CFieldFormModel::kEndCancelled) return code;
  CPreferences prefs;
  m_form->GetFieldText(0, m_datePreset);
  prefs.Set(pref::kLastReportDates, m_datePreset.view());
  m_form->GetFieldText(1, m_from);
  m_form->GetFieldText(2, m_to);
  if (m_withDocuments) {
    m_form->GetFieldText(3, m_documentType);
    prefs.Set(pref::kLastReportDocType, m_documentType.view());
  }
  return code;
}
