// The rules of the list entry form apart from its windows: the rows one entry of a named
// list or one item shows, chosen by its type text (the list's name or the item's type),
// their choice lists, and how the rows go back into the record. The item entry dialog's
// Details tab uses the same rules.
#pragma once

#include <array>
#include <string>

#include "core/FieldFormModel.h"

class CCustomSettings;
class CDbRecord;
class CItemStore;

class CListEntryRows {
 public:
  // The text the tax code choices offer when there are none: "E" on the form, "Tax" on
  // the item entry dialog.
  CListEntryRows(CDbRecord& record, std::u16string type, int documentKind, CItemStore* store,
                 const CCustomSettings* settings, std::u16string_view noTaxCode = u"E");

  // The label column's width for the type.
  int LabelWidth() const;
  // Adds the type's rows to an empty form.
  void Build(CFieldFormModel& form);
  // Writes the rows back into the record (after the form was accepted).
  void WriteBack(const CFieldFormModel& form) const;

  const std::u16string& Type() const { return m_type; }

 private:
  enum Choices { kTaxCodes, kAccounts, kVendors, kPaymentMethods, kTypeEntry, kChoiceCount };
  enum RowSet { kMessages, kTerms, kPriceLevels, kSalesReps, kSalesTax, kPayment, kOther };

  void LoadChoices(RowSet set);
  void AddDescription(CFieldFormModel& form, DWORD mask);
  void AddCustomFields(CFieldFormModel& form);
  bool Is(std::u16string_view type) const { return m_type == type; }

  CDbRecord& m_record;
  std::u16string m_type;
  int m_documentKind;
  CItemStore* m_store;                // not owned; null: empty choice lists
  const CCustomSettings* m_settings;  // not owned; null: no custom item fields
  std::u16string m_noTaxCode;
  RowSet m_set = kOther;
  std::array<FieldChoiceList, kChoiceCount> m_choices;
  // Rows of the last set that move with the type (-1: not shown).
  int m_costRow = -1;
  int m_taxRow = -1;
  int m_accountRow = -1;
  int m_agencyRow = -1;
  int m_customRows[2] = {-1, -1};
  std::u16string m_customNames[2];
};

// Customer Msgs entries are named by their text: 33 characters or more become the first
// 28 and "...".
std::u16string ShortMessageName(std::u16string_view text);
