#include "customers/ListEntryRows.h"

#include "core/CustomSettings.h"
#include "customers/FormRows.h"
#include "datastore/DbRecord.h"
#include "datastore/ListCache.h"
#include "datastore/NamedList.h"
#include "datastore/TaxCodeList.h"

using customer_screens::AppendRow;
using customer_screens::RowText;

namespace {

constexpr DWORD kInactive = kFlagHidden;
constexpr DWORD kEditableRequired = kFlagEditable | kFlagRequired;  // 80
constexpr DWORD kAmountFlags = 73;                                  // editable number keys
constexpr DWORD kPercentFlags = 77;
constexpr int kTaxCodeLimit = 15;
constexpr int kAccountField = 16;
constexpr int kAgencyField = 17;
constexpr int kCostField = 18;
constexpr int kCustomNameFields[2] = {25, 27};
constexpr int kCustomValueFields[2] = {26, 28};
constexpr int kCustomFlagRows[2][2] = {{79, 80}, {81, 82}};

void Fill(FieldChoiceList& list, int limit, auto first, auto next) {
  list = FieldChoiceList();
  CBstr name;
  CBstr description;
  for (int more = first(name, description); more && list.count < limit && list.count < FieldChoiceList::kCapacity;
       more = next(name, description)) {
    list.first[list.count++] = name;
  }
}

void OneEntry(FieldChoiceList& list, std::u16string_view text) {
  if (list.count == 0) list.first[list.count++] = CBstr(text);
}

// The masks of the last row set by type: description, amount, tax, account, agency.
struct Masks {
  DWORD description = 0, amount = 0, tax = 0, account = 0, agency = kInactive;
};

Masks MasksOf(std::u16string_view type) {
  if (type == u"Subtotal") return {0, kInactive, kInactive, kInactive, kInactive};
  if (type == u"Vendors" || type == u"Customer Types" || type == u"Classes")
    return {kInactive, kInactive, kInactive, kInactive, kInactive};
  if (type == u"Job Types" || type == u"Labels" || type == u"Accounts" || type == u"Payment Methods")
    return {0, kInactive, kInactive, kInactive, kInactive};
  if (type == u"Shipping Methods") return {0, 0, 0, kInactive, kInactive};
  return {};
}

}  // namespace

std::u16string ShortMessageName(std::u16string_view text) {
  if (text.size() < 33) return std::u16string(text);
  return std::u16string(text.substr(0, 28)) + u"...";
}

CListEntryRows::CListEntryRows(CDbRecord& record, std::u16string type, int documentKind, CItemStore* store,
                               const CCustomSettings* settings, std::u16string_view noTaxCode)
    : m_record(record),
      m_type(std::move(type)),
      m_documentKind(documentKind),
      m_store(store),
      m_settings(settings),
      m_noTaxCode(noTaxCode) {
  if (Is(u"Customer Msgs")) m_set = kMessages;
  else if (Is(u"Terms")) m_set = kTerms;
  else if (Is(u"Price Levels")) m_set = kPriceLevels;
  else if (Is(u"Sales Reps")) m_set = kSalesReps;
  else if (Is(u"Sales Tax Item") || Is(u"Sales Tax Group")) m_set = kSalesTax;
  else if (Is(u"Payment")) m_set = kPayment;
}

int CListEntryRows::LabelWidth() const {
  if (Is(u"Terms")) return 84;
  if (Is(u"Discount")) return 94;
  for (const char16_t* narrow : {u"Labels", u"Job Types", u"Accounts", u"Classes", u"Customer Types",
                                 u"Payment Methods", u"Vendors"}) {
    if (Is(narrow)) return 46;
  }
  return 74;
}

void CListEntryRows::LoadChoices(RowSet set) {
  for (FieldChoiceList& list : m_choices) list = FieldChoiceList();
  m_choices[kTypeEntry].first[m_choices[kTypeEntry].count++] = CBstr(m_type);
  const bool accounts = set == kSalesTax || set == kPayment || set == kOther;
  if (m_store) {
    if (set == kOther) {
      CTaxCodeList codes(m_store);
      Fill(m_choices[kTaxCodes], kTaxCodeLimit, [&](CBstr& n, CBstr&) { return codes.GetFirstTaxCode(n, false); },
           [&](CBstr& n, CBstr&) { return codes.GetNextTaxCode(n, false); });
    }
    if (accounts) {
      std::unique_ptr<CNamedList> list = CNamedList::ConstructAccounts(m_store);
      // A payment deposits into bank accounts only.
      auto keep = [&](CBstr& name, CBstr& description, int more) {
        while (more && set == kPayment && description.view() != u"Bank") more = list->GetNextEntry(name, description);
        return more;
      };
      Fill(m_choices[kAccounts], 200, [&](CBstr& n, CBstr& d) { return keep(n, d, list->GetFirstEntry(n, d)); },
           [&](CBstr& n, CBstr& d) { return keep(n, d, list->GetNextEntry(n, d)); });
    }
    if (set == kSalesTax || set == kOther) {
      CVendorsList vendors(m_store);
      Fill(m_choices[kVendors], 64, [&](CBstr& n, CBstr& d) { return vendors.GetFirstEntry(n, d); },
           [&](CBstr& n, CBstr& d) { return vendors.GetNextEntry(n, d); });
    }
    if (set == kPayment) {
      CPaymentMethodsList methods(m_store);
      Fill(m_choices[kPaymentMethods], 15, [&](CBstr& n, CBstr& d) { return methods.GetFirstEntry(n, d); },
           [&](CBstr& n, CBstr& d) { return methods.GetNextEntry(n, d); });
    }
  }
  OneEntry(m_choices[kTaxCodes], m_noTaxCode);
  OneEntry(m_choices[kVendors], u"Unnamed");
  OneEntry(m_choices[kPaymentMethods], u"Unnamed");
  if (set == kPayment) {
    FieldChoiceList& deposit = m_choices[kAccounts];
    if (deposit.count < FieldChoiceList::kCapacity) deposit.first[deposit.count++] = CBstr(u"Undeposited Funds");
  } else {
    OneEntry(m_choices[kAccounts], u"Unnamed");
  }
}

void CListEntryRows::AddDescription(CFieldFormModel& form, DWORD mask) {
  AppendRow(form, kFieldMultiLine, 0x140 | mask, u"Desc:", m_record.FieldView(kFieldSalesDescription), 3, 2048);
  for (int i = 0; i < 2; ++i) AppendRow(form, kFieldMultiLineRow, kFlagEditable | mask, u"", u"", 3, 2048);
}

void CListEntryRows::AddCustomFields(CFieldFormModel& form) {
  std::u16string names[2];
  if (m_store) {
    CListCache cache(m_store);
    CBstr name;
    if (cache.GetFirstItemFieldName(name)) {
      names[0] = name.str();
      if (cache.GetNextItemFieldName(name)) names[1] = name.str();
    }
  }
  for (int i = 0; i < 2; ++i) {
    m_customRows[i] = -1;
    m_customNames[i] = names[i];
    const bool flagged = m_settings && (m_settings->GetFlag(m_documentKind, kCustomFlagRows[i][0]) ||
                                        m_settings->GetFlag(m_documentKind, kCustomFlagRows[i][1]));
    if (!flagged || names[i].empty()) continue;
    m_customRows[i] = form.FieldCount();
    AppendRow(form, kFieldText, kFlagEditable, names[i] + u":", m_record.FieldView(kCustomValueFields[i]), 1, 25);
  }
}

void CListEntryRows::Build(CFieldFormModel& form) {
  LoadChoices(m_set);
  m_costRow = m_taxRow = m_accountRow = m_agencyRow = -1;
  m_customRows[0] = m_customRows[1] = -1;
  if (m_type.empty()) {
    AppendRow(form, kFieldItemType, kEditableRequired, u"Type:", m_type, 1, 20);
  } else {
    AppendRow(form, kFieldChoiceToo, kEditableRequired, u"Type:", m_type, 1, 20, &m_choices[kTypeEntry]);
  }
  const CDbRecord& r = m_record;
  auto name = [&](const char16_t* label, int maxLength) {
    AppendRow(form, kFieldText, kEditableRequired, label, r.FieldView(kFieldName), 1, maxLength);
  };
  switch (m_set) {
    case kMessages:
      AppendRow(form, kFieldMultiLine, 336, u"Message:", r.FieldView(kFieldSalesDescription), 6, 2048);
      for (int i = 0; i < 5; ++i) AppendRow(form, kFieldMultiLineRow, kFlagEditable, u"", u"", 6, 2048);
      return;
    case kTerms:
      name(u"Name:", 40);
      AppendRow(form, kFieldText, 72, u"Days till due:", r.FieldView(kFieldSalesAmount), 1, 10);
      return;
    case kPriceLevels:
      name(u"Name:", 40);
      AppendRow(form, kFieldText, kPercentFlags, u"Percentage:", r.FieldView(kFieldSalesAmount), 1, 10);
      return;
    case kSalesReps:
      name(u"Initials:", 5);
      AppendRow(form, kFieldText, kEditableRequired, u"Name:", r.FieldView(kFieldSalesDescription), 1, 31);
      return;
    case kSalesTax:
      name(u"Name:", 40);
      AddDescription(form, 0);
      AppendRow(form, kFieldText, kPercentFlags | kFlagMoney, u"Amount:", r.FieldView(kFieldSalesAmount), 1, 10);
      AppendRow(form, kFieldYesNo, 112, u"Taxable:", r.FieldView(kFieldTaxable), 1, 10);
      AppendRow(form, kFieldChoiceToo, kEditableRequired | kInactive, u"Account:", r.FieldView(kAccountField), 1, 60,
          &m_choices[kAccounts]);
      AppendRow(form, kFieldChoiceToo, kEditableRequired, u"Agency:", r.FieldView(kAgencyField), 1, 60,
          &m_choices[kVendors]);
      return;
    case kPayment:
      name(u"Name:", 40);
      AddDescription(form, 0);
      AppendRow(form, kFieldText, kAmountFlags, u"Amount:", r.FieldView(kFieldSalesAmount), 1, 10);
      AppendRow(form, kFieldChoiceToo, kFlagEditable, u"Method:", r.FieldView(kAgencyField), 1, 60,
          &m_choices[kPaymentMethods]);
      AppendRow(form, kFieldChoiceToo, kFlagEditable, u"Deposit:", r.FieldView(kAccountField), 1, 60,
          &m_choices[kAccounts]);
      return;
    case kOther:
      break;
  }
  const Masks masks = MasksOf(m_type);
  name(u"Name:", 40);
  AddDescription(form, masks.description);
  const DWORD amountFlags = kAmountFlags | masks.amount | (Is(u"Discount") ? DWORD{kFlagMoney} : DWORD{0});
  const char16_t* priceLabel = Is(u"Discount") ? u"Discount($/%):" : Is(u"Service") ? u"Rate:" : u"Sales price:";
  AppendRow(form, kFieldText, amountFlags, priceLabel, r.FieldView(kFieldSalesAmount), 1, 10);
  if (Is(u"Inventory Part") || Is(u"Non-inventory Part") || Is(u"Other Charge")) {
    m_costRow = form.FieldCount();
    AppendRow(form, kFieldText, amountFlags, u"Cost:", r.FieldView(kCostField), 1, 10);
  }
  m_taxRow = form.FieldCount();
  AppendRow(form, kFieldChoiceToo, kEditableRequired | masks.tax, u"Tax Code:", r.FieldView(kFieldTaxable), 1, 10,
      &m_choices[kTaxCodes]);
  m_accountRow = form.FieldCount();
  AppendRow(form, kFieldChoiceToo, kFlagEditable | masks.account, u"Account:", r.FieldView(kAccountField), 1, 60,
      &m_choices[kAccounts]);
  AddCustomFields(form);
  m_agencyRow = form.FieldCount();
  AppendRow(form, kFieldChoiceToo, kEditableRequired | masks.agency, u"Agency:", r.FieldView(kAgencyField), 1, 60,
      &m_choices[kVendors]);
}

void CListEntryRows::WriteBack(const CFieldFormModel& form) const {
  CDbRecord& r = m_record;
  r.SetField(kFieldListType, RowText(form, 0));
  switch (m_set) {
    case kMessages: {
      std::u16string message = RowText(form, 1, true);
      r.SetField(kFieldSalesDescription, message);
      r.SetField(kFieldName, ShortMessageName(message));
      return;
    }
    case kTerms:
    case kPriceLevels:
      r.SetField(kFieldName, RowText(form, 1));
      r.SetField(kFieldSalesAmount, RowText(form, 2));
      return;
    case kSalesReps:
      r.SetField(kFieldName, RowText(form, 1));
      r.SetField(kFieldSalesDescription, RowText(form, 2));
      return;
    case kSalesTax:
      r.SetField(kFieldName, RowText(form, 1));
      r.SetField(kFieldSalesDescription, RowText(form, 2, true));
      r.SetField(kFieldSalesAmount, RowText(form, 5));
      r.SetField(kAgencyField, RowText(form, 8));
      return;
    case kPayment:
      r.SetField(kFieldName, RowText(form, 1));
      r.SetField(kFieldSalesDescription, RowText(form, 2, true));
      r.SetField(kFieldSalesAmount, RowText(form, 5));
      r.SetField(kAgencyField, RowText(form, 6));
      r.SetField(kAccountField, RowText(form, 7));
      return;
    case kOther:
      break;
  }
  r.SetField(kFieldName, RowText(form, 1));
  r.SetField(kFieldSalesDescription, RowText(form, 2, true));
  r.SetField(kFieldSalesAmount, RowText(form, 5));
  if (m_costRow >= 0) r.SetField(kCostField, RowText(form, m_costRow));
  r.SetField(kFieldTaxable, RowText(form, m_taxRow));
  r.SetField(kAccountField, RowText(form, m_accountRow));
  for (int i = 0; i < 2; ++i) {
    if (m_customRows[i] < 0) continue;
    r.SetField(kCustomValueFields[i], RowText(form, m_customRows[i]));
    r.SetField(kCustomNameFields[i], m_customNames[i]);
  }
}
