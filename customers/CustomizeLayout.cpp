#include "customers/CustomizeLayout.h"

#include "core/CustomSettings.h"
#include "core/Preferences.h"
#include "document/SalesDocument.h"
#include "platform/registry/Registry.h"

namespace {

using R = CustomizeRowSpec;
constexpr DWORD kCaptionRow = 0x8000;
constexpr DWORD kRequired = FieldGridRow::kRequired;

constexpr R kHeader[] = {
    {u"Company:", 18, 0, R::kAll, -1, 0, 0},
    {u"Logo:", 18, 0, R::kAll, -1, 4, 0},
    {u"Title:", 0, kCaptionRow | kRequired, R::kAll, 0, 6, 0},
    {u"Date:", 0, kCaptionRow | kRequired, R::kAll, 1, 8, 0},
    {u"Number:", 0, kCaptionRow | kRequired, R::kAll, 2, 10, 0},
};
constexpr R kFields[] = {
    {u"Bill To:", 0, kCaptionRow | kRequired, R::kAll, 3, 12, 0},
    {u"Ship To:", 0, kCaptionRow | kRequired, R::kAll, 4, 14, 0},
    {u"Ship Date:", 0, kCaptionRow | kRequired, R::kAll, 10, 16, 0},
    {u"Ship Via:", 0, kCaptionRow | kRequired, R::kAll, 11, 18, 0},
    {u"Other 1:", 16, kCaptionRow, R::kAll, 32, 69, 1},
    {u"Other 2:", 16, kCaptionRow, R::kAll, 33, 71, 2},
    {u"Other 3:", 16, kCaptionRow, R::kAll, 34, 73, 3},
};
constexpr R kMoreFields[] = {
    {u"P.O. No.:", 0, kCaptionRow | kRequired, R::kNotPayment, 5, 20, 0},
    {u"Check Num:", 0, kCaptionRow | kRequired, R::kReceiptPaymentMemo, 20, 46, 0},
    {u"Terms:", 0, kCaptionRow | kRequired, R::kInvoiceEstimateOrder, 6, 22, 0},
    {u"Due Date:", 0, kCaptionRow | kRequired, R::kNotPaymentOrMemo, 7, 24, 0},
    {u"REP:", 0, kCaptionRow | kRequired, R::kAll, 8, 26, 0},
    {u"Job:", 0, kCaptionRow | kRequired, R::kAll, 12, 30, 0},
    {u"Payment:", 0, kCaptionRow | kRequired, R::kReceiptPaymentMemo, 19, 44, 0},
};
constexpr R kColumns[] = {
    {u"Serviced:", 0, kCaptionRow | kRequired, R::kAll, 23, 51, 0},
    {u"Item:", 0, kCaptionRow | kRequired, R::kAll, 24, 53, 0},
    {u"Desc:", 0, kCaptionRow | kRequired, R::kAll, 25, 55, 0},
    {u"Qty:", 0, kCaptionRow | kRequired, R::kAll, 26, 57, 0},
    {u"Rate:", 0, kCaptionRow | kRequired, R::kAll, 27, 59, 0},
    {u"Amount:", 0, kCaptionRow | kRequired, R::kAll, 28, 61, 0},
};
constexpr R kMoreColumns[] = {
    {u"Tax Code:", 0, kCaptionRow | kRequired, R::kAll, 29, 63, 0},
    {u"Tax Amount:", 0, kCaptionRow | kRequired, R::kAll, 30, 65, 0},
    {u"Custom 1:", 16, 0, R::kAll, 37, 79, 4},
    {u"Custom 2:", 16, 0, R::kAll, 38, 81, 5},
};
constexpr R kFooter[] = {
    {u"Subtotal:", 0, kRequired, R::kAll, 13, 32, 0},
    {u"Total:", 0, kRequired, R::kAll, 15, 36, 0},
    {u"Total Qty:", 0, kRequired, R::kAll, 16, 38, 0},
    {u"Sales Tax:", 0, 0, R::kAll, 14, 34, 0},
    {u"Message:", 18, 0, R::kAll, -1, 40, 0},
    {u"Signature:", 18, 0, R::kAll, -1, 42, 0},
    {u"Notes:", 18, 0, R::kAll, -1, 49, 0},
};
// The gray box shows its caption (the company) but does not edit it.
constexpr R kBackground[] = {
    {u"Gray box:", 18, kRequired, R::kAll, 31, 67, 0},
};

constexpr int kOtherCaptions[] = {32, 33, 34};
constexpr const char16_t* kOtherAttributes[] = {u"OTHER1FIELDNAME", u"OTHER2FIELDNAME", u"OTHER3FIELDNAME"};

}  // namespace

const std::array<CustomizePageSpec, CCustomizeLayout::kPageCount>& CCustomizeLayout::Pages() {
  static const std::array<CustomizePageSpec, kPageCount> pages{{
      {u"Header", kHeader},
      {u"Fields", kFields},
      {u"More Fields", kMoreFields},
      {u"Columns", kColumns},
      {u"More Columns", kMoreColumns},
      {u"Footer", kFooter},
      {u"Background", kBackground},
  }};
  return pages;
}

DWORD CCustomizeLayout::RowFlags(const CustomizeRowSpec& row, int docType) {
  bool applies = true;
  switch (row.applies) {
    case R::kAll: break;
    case R::kNotPayment: applies = docType != kDocPayment; break;
    case R::kReceiptPaymentMemo:
      applies = docType == kDocSalesReceipt || docType == kDocPayment || docType == kDocCreditMemo;
      break;
    case R::kInvoiceEstimateOrder:
      applies = docType == kDocInvoice || docType == kDocEstimate || docType == kDocSalesOrder;
      break;
    case R::kNotPaymentOrMemo: applies = docType != kDocPayment && docType != kDocCreditMemo; break;
  }
  return row.flags | (applies ? FieldGridRow::kApplies : 0);
}

int CCustomizeLayout::FirstPage(DWORD stored) { return stored < kPageCount ? static_cast<int>(stored) : 0; }

const char16_t* CCustomizeLayout::Title(int docType) {
  switch (docType) {
    case kDocEstimate: return u"Customize Estimate";
    case kDocSalesReceipt: return u"Customize Sales Receipt";
    case kDocPayment: return u"Customize Payment";
    case kDocSalesOrder: return u"Customize Sales Order";
    case kDocCreditMemo: return u"Customize Credit Memo";
    default: return u"Customize Invoice";
  }
}

CCustomizeLayout::CCustomizeLayout(CCustomSettings& settings, CSalesDocument* document, int docType,
                                   std::vector<std::u16string> customerFields, std::vector<std::u16string> itemFields)
    : m_settings(settings),
      m_document(document),
      m_docType(docType),
      m_customerFields(std::move(customerFields)),
      m_itemFields(std::move(itemFields)) {}

std::vector<std::u16string> CCustomizeLayout::Choices(const CustomizeRowSpec& row, const std::u16string& caption) const {
  std::vector<std::u16string> choices{caption};
  const std::vector<std::u16string>& names = row.choice >= 4 ? m_itemFields : m_customerFields;
  size_t n = static_cast<size_t>(row.choice >= 4 ? row.choice - 4 : row.choice - 1);
  if (row.choice > 0 && n < names.size() && names[n] != caption) choices.push_back(names[n]);
  return choices;
}

void CCustomizeLayout::FillPage(int page, CFieldGridModel& model) const {
  const CustomizePageSpec& spec = Pages().at(static_cast<size_t>(page));
  for (size_t i = 0; i < spec.rows.size(); ++i) {
    const CustomizeRowSpec& row = spec.rows[i];
    std::u16string caption;
    if (row.captionRow >= 0) caption = m_settings.GetCaption(m_docType, row.captionRow);
    std::vector<std::u16string> choices;
    if (row.kind == FieldGridRow::kTextOrList) choices = Choices(row, caption);
    int maxLength = choices.empty() ? 60 : 80;
    model.AddRow(static_cast<int>(i), row.kind, RowFlags(row, m_docType), row.label,
                 row.captionRow >= 0 ? &caption : nullptr, 1, maxLength,
                 m_settings.GetFlag(m_docType, row.screenRow), m_settings.GetFlag(m_docType, row.screenRow + 1),
                 std::move(choices));
  }
}

bool CCustomizeLayout::Apply(const std::array<const CFieldGridModel*, kPageCount>& pages) {
  platform::CRegistryBatch batch;
  CPreferences preferences;
  for (int page = 0; page < kPageCount; ++page) {
    const CustomizePageSpec& spec = Pages()[static_cast<size_t>(page)];
    for (size_t i = 0; i < spec.rows.size(); ++i) {
      const CustomizeRowSpec& row = spec.rows[i];
      BYTE onScreen = 0;
      BYTE onPrinter = 0;
      std::u16string caption;
      if (!pages[static_cast<size_t>(page)]->GetRow(static_cast<int>(i), onScreen, onPrinter, caption)) continue;
      m_settings.SetFlag(m_docType, row.screenRow, onScreen);
      m_settings.SetFlag(m_docType, row.screenRow + 1, onPrinter);
      if (row.captionRow < 0 || row.kind == FieldGridRow::kNoCaption) continue;
      m_settings.SetCaption(m_docType, row.captionRow, caption);
      for (int other = 0; other < 3; ++other) {
        if (row.captionRow == kOtherCaptions[other] && m_document)
          m_document->SetAttribute(kOtherAttributes[other], CBstr(caption));
      }
      // The Sales Tax caption only labels the tax line: the tax the user chose (TAXNAME,
      // "LastTaxName") names a sales tax item, and a caption put there would name none.
    }
    if (page == kColumnsPage &&
        (pages[static_cast<size_t>(page)]->IsChanged() || (m_document && m_document->GetStyle() != kCustomStyle))) {
      preferences.Set(pref::kInvoiceStyle, kCustomStyle);
      if (m_document) {
        m_document->SetStyle(kCustomStyle);
        m_document->RebuildStylesheet();
      }
    }
  }
  int saved = m_settings.Save();
  return batch.End() == ERROR_SUCCESS && saved != 0;
}
