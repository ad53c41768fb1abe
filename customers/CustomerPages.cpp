#include "customers/CustomerPages.h"

#include <utility>

#include "core/CryptoHelper.h"
#include "customers/FormRows.h"
#include "core/TextHelpers.h"
#include "datastore/CustomerRecord.h"
#include "datastore/ListCache.h"
#include "datastore/NamedList.h"
#include "datastore/PriceLevelList.h"
#include "datastore/SalesTaxList.h"
#include "datastore/TaxCodeList.h"

using customer_screens::AppendRow;
using customer_screens::RowText;

namespace {

constexpr DWORD kEditable = kFlagEditable;
constexpr int kTaxCodeLimit = 10;

struct Row {
  const char16_t* label;
  int field;
};

constexpr Row kAddressRows[] = {{u"Company:", kCustCompanyName}, {u"First:", kCustFirstName},
                                {u"Last:", kCustLastName},       {u"Contact:", kCustContact},
                                {u"Phone:", kCustPhone},         {u"Alt Phone:", kCustAltPhone},
                                {u"E-mail:", kCustEmail}};
constexpr const char16_t* kPlaceLabels[] = {u"Address1:", u"Address2:", u"Address3:", u"Address4:",
                                            u"City:",     u"State:",    u"Zip:",      u"Country:"};
constexpr int kBillToFields[] = {kCustBillToAddr1, kCustBillToAddr2, kCustBillToAddr3,      kCustBillToAddr4,
                                 kCustBillToCity,  kCustBillToState, kCustBillToPostalCode, kCustBillToCountry};
constexpr int kShipToFields[] = {kCustShipToAddr1, kCustShipToAddr2, kCustShipToAddr3,      kCustShipToAddr4,
                                 kCustShipToCity,  kCustShipToState, kCustShipToPostalCode, kCustShipToCountry};

struct ChoiceRow {
  const char16_t* label;
  int field;
  int choices;  // -1: a text row
};
constexpr ChoiceRow kAdditionalRows[] = {
    {u"Customer Type:", kCustCustomerType, CCustomerPages::kCustomerTypes},
    {u"Terms:", kCustTerms, CCustomerPages::kTerms},
    {u"Sales Rep:", kCustSalesRep, CCustomerPages::kSalesReps},
    {u"Tax Item:", kCustItemSalesTax, CCustomerPages::kTaxItems},
    {u"Tax Code:", kCustSalesTaxCode, CCustomerPages::kTaxCodes},
    {u"Resale No:", kCustResaleNumber, -1},
    {u"Price Level:", kCustPriceLevel, CCustomerPages::kPriceLevels}};

constexpr int kCardFields[] = {kCustCCNum, kCustCCExpMon, kCustCCExpYear};
constexpr int kJobDateFields[] = {kCustJobStartDate, kCustJobProjectedEndDate, kCustJobEndDate};
constexpr const char16_t* kJobDateLabels[] = {u"Start date:", u"Approx end:", u"End date:"};
constexpr int kNotesRows = 7;

// Fills a choice list from a first/next walk, up to `limit` names.
template <typename First, typename Next>
void Collect(FieldChoiceList& list, int limit, First first, Next next) {
  list = FieldChoiceList();
  CBstr name;
  for (int more = first(name); more && list.count < limit; more = next(name)) list.first[list.count++] = name;
}

}  // namespace

const char16_t* CCustomerPages::Caption(int page) {
  static constexpr const char16_t* kCaptions[kCustomerPageCount] = {
      u"Address Info", u"Bill To", u"Ship To", u"Additional Info", u"Payment Info", u"Job Info", u"Notes"};
  return page >= 0 && page < kCustomerPageCount ? kCaptions[page] : u"";
}

int CCustomerPages::LabelWidth(int page) {
  static constexpr int kWidths[kCustomerPageCount] = {70, 66, 66, 100, 94, 76, 48};
  return page >= 0 && page < kCustomerPageCount ? kWidths[page] : 70;
}

void CCustomerPages::LoadChoices(CItemStore* store) {
  for (FieldChoiceList& list : m_choices) list = FieldChoiceList();
  constexpr int kLimit = FieldChoiceList::kCapacity;
  if (store) {
    CTaxCodeList codes(store);
    Collect(m_choices[kTaxCodes], kTaxCodeLimit, [&](CBstr& n) { return codes.GetFirstTaxCode(n, false); },
            [&](CBstr& n) { return codes.GetNextTaxCode(n, false); });
    CSalesTaxList taxes(store);
    CBstr rate, vendor, listId;
    Collect(m_choices[kTaxItems], kLimit, [&](CBstr& n) { return taxes.GetFirstSalesTax(n, rate, vendor, listId); },
            [&](CBstr& n) { return taxes.GetNextSalesTax(n, rate, vendor, listId); });
    CListCache cache(store);
    Collect(m_choices[kTerms], kLimit, [&](CBstr& n) { return cache.GetFirstTermName(n); },
            [&](CBstr& n) { return cache.GetNextName(n); });
    Collect(m_choices[kJobTypes], kLimit, [&](CBstr& n) { return cache.GetFirstJobTypeName(n); },
            [&](CBstr& n) { return cache.GetNextName(n); });
    CSalesRepsList reps(store);
    Collect(m_choices[kSalesReps], kLimit, [&](CBstr& n) { return reps.GetFirstName(n); },
            [&](CBstr& n) { return reps.GetNextName(n); });
    CCustomerTypesList types(store);
    Collect(m_choices[kCustomerTypes], kLimit, [&](CBstr& n) { return types.GetFirstName(n); },
            [&](CBstr& n) { return types.GetNextName(n); });
    CPriceLevelList levels(store);
    CBstr percent;
    Collect(m_choices[kPriceLevels], kLimit, [&](CBstr& n) { return levels.GetFirstLevel(n, percent); },
            [&](CBstr& n) { return levels.GetNextLevel(n, percent); });
  }
  if (m_choices[kTaxCodes].count == 0) m_choices[kTaxCodes].first[m_choices[kTaxCodes].count++] = CBstr(u"TAX");
}

void CCustomerPages::Fill(int page, CFieldFormModel& form) {
  const CCustomerRecord& r = m_record;
  const DWORD lockable = m_flags.documentCopy ? 0 : kEditable;  // the pages a document copy keeps
  switch (page) {
    case kPageAddressInfo:
      if (m_flags.job) {
        std::u16string_view parent = r.FieldView(kCustParentFullName);
        AppendRow(form, kFieldText, kFlagRequired, u"Customer:", parent.empty() ? r.FieldView(kCustName) : parent, 1,
                  40);
        AppendRow(form, kFieldText, kFlagRequired | kEditable, u"Job Name:",
            m_flags.newJob ? std::u16string_view() : r.FieldView(kCustName), 1, 40);
      } else {
        AppendRow(form, kFieldText, m_flags.newCustomer ? kFlagRequired | kEditable : kFlagRequired, u"Customer:",
            r.FieldView(kCustName), 1, 40);
        AppendRow(form, kFieldText, 0x2049, u"Balance:", r.FieldView(kCustTotalBalance), 1, 40);
      }
      for (const Row& row : kAddressRows)
        AppendRow(form, kFieldText, kEditable, row.label, r.FieldView(row.field), 1, 40);
      return;
    case kPageBillTo:
    case kPageShipTo: {
      const int* fields = page == kPageBillTo ? kBillToFields : kShipToFields;
      for (int i = 0; i < 8; ++i)
        AppendRow(form, kFieldText, kEditable, kPlaceLabels[i], r.FieldView(fields[i]), 1, 40);
      return;
    }
    case kPageAdditionalInfo:
      for (const ChoiceRow& row : kAdditionalRows) {
        FieldChoiceList* choices = row.choices < 0 ? nullptr : &m_choices[static_cast<size_t>(row.choices)];
        AppendRow(form, choices ? kFieldChoiceToo : kFieldText, lockable, row.label, r.FieldView(row.field), 1, 40,
                  choices);
      }
      return;
    case kPagePaymentInfo:
      AppendRow(form, kFieldText, lockable, u"Account:", r.FieldView(kCustAccountNumber), 1, 40);
      AppendRow(form, kFieldText, lockable | 0x2009, u"Credit Limit:", r.FieldView(kCustCreditLimit), 1, 40);
      FillCard(form, 0, kCustCCNum, kFieldText, 40, lockable);
      FillCard(form, 1, kCustCCExpMon, kFieldMonth, 8, lockable);
      FillCard(form, 2, kCustCCExpYear, kFieldYear, 4, lockable);
      AppendRow(form, kFieldText, lockable, u"Name on Card:", r.FieldView(kCustCCName), 1, 40);
      AppendRow(form, kFieldText, lockable, u"Card Addr:", r.FieldView(kCustCCAddr), 1, 40);
      AppendRow(form, kFieldText, lockable, u"Card Zip:", r.FieldView(kCustCCZip), 1, 40);
      return;
    case kPageJobInfo:
      AppendRow(form, kFieldChoiceToo, kEditable, u"Type:", r.FieldView(kCustJobType), 1, 40, &m_choices[kJobTypes]);
      AppendRow(form, kFieldJobStatus, kEditable, u"Status:", r.FieldView(kCustJobStatus), 1, 40);
      for (int i = 0; i < 3; ++i)
        AppendRow(form, kFieldDate, kEditable, kJobDateLabels[i], r.FieldView(kJobDateFields[i]), 1, 25);
      AppendRow(form, kFieldMultiLine, kEditable, u"Description:", r.FieldView(kCustJobDesc), 3, 512);
      for (int i = 0; i < 2; ++i) AppendRow(form, kFieldMultiLineRow, kEditable, u"", u"", 3, 0);
      return;
    case kPageNotes: {
      const DWORD flags = m_flags.documentCopy ? 0x5002 : 0x5042;
      AppendRow(form, kFieldMultiLine, flags, u"Notes:", r.FieldView(kCustNotes), kNotesRows, 0);
      for (int i = 1; i < kNotesRows; ++i) AppendRow(form, kFieldMultiLineRow, flags, u"", u"", kNotesRows, 0);
      return;
    }
    default:
      return;
  }
}

void CCustomerPages::FillCard(CFieldFormModel& form, int row, int field, int kind, int maxLength, DWORD flags) {
  static constexpr const char16_t* kLabels[] = {u"Card #:", u"Exp Month:", u"Exp Year:"};
  std::u16string clear(m_record.FieldView(field));
  ScrambleText(clear);
  CBstr shown(clear);
  MaskCardNumber(shown);
  m_shownCard[static_cast<size_t>(row)] = shown.str();
  AppendRow(form, kind, flags, kLabels[row], shown.view(), 1, maxLength);
}

void CCustomerPages::SaveRow(const CFieldFormModel& form, int row, int field, bool withContinuations) {
  std::u16string text = RowText(form, row, withContinuations);
  if (text != m_record.FieldView(field)) m_record.SetField(field, text);
}

void CCustomerPages::SaveCard(const CFieldFormModel& form, int row, int field) {
  std::u16string text = RowText(form, 2 + row);
  if (text == m_shownCard[static_cast<size_t>(row)]) return;
  ScrambleText(text);
  m_record.SetField(field, text);
}

void CCustomerPages::Save(int page, const CFieldFormModel& form) {
  switch (page) {
    case kPageAddressInfo:
      if (m_flags.job) {
        if (m_record.FieldView(kCustParentFullName).empty()) SaveRow(form, 0, kCustParentFullName);
        SaveRow(form, 1, kCustName);
        m_record.SetField(kCustFullName,
                          std::u16string(m_record.FieldView(kCustParentFullName)) + u":" +
                              std::u16string(m_record.FieldView(kCustName)));
      } else {
        std::u16string name = RowText(form, 0);
        if (name != m_record.FieldView(kCustName)) {
          m_record.SetField(kCustName, name);
          m_record.SetField(kCustFullName, name);
        }
        SaveRow(form, 1, kCustTotalBalance);
      }
      for (int i = 0; i < 7; ++i) SaveRow(form, 2 + i, kAddressRows[i].field);
      return;
    case kPageBillTo:
    case kPageShipTo: {
      const int* fields = page == kPageBillTo ? kBillToFields : kShipToFields;
      for (int i = 0; i < 8; ++i) SaveRow(form, i, fields[i]);
      if (page == kPageBillTo && m_record.FieldView(kCustBillToAddr1).empty())
        m_record.SetField(kCustBillToAddr1, std::u16string(m_record.FieldView(kCustName)));
      return;
    }
    case kPageAdditionalInfo:
      for (int i = 0; i < 7; ++i) SaveRow(form, i, kAdditionalRows[i].field);
      return;
    case kPagePaymentInfo:
      SaveRow(form, 0, kCustAccountNumber);
      SaveRow(form, 1, kCustCreditLimit);
      for (int i = 0; i < 3; ++i) SaveCard(form, i, kCardFields[i]);
      SaveRow(form, 5, kCustCCName);
      SaveRow(form, 6, kCustCCAddr);
      SaveRow(form, 7, kCustCCZip);
      return;
    case kPageJobInfo:
      SaveRow(form, 0, kCustJobType);
      SaveRow(form, 1, kCustJobStatus);
      for (int i = 0; i < 3; ++i) SaveRow(form, 2 + i, kJobDateFields[i]);
      SaveRow(form, 5, kCustJobDesc, true);
      return;
    case kPageNotes:
      SaveRow(form, 0, kCustNotes, true);
      return;
    default:
      return;
  }
}
