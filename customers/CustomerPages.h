// The rules of the customer dialog apart from its windows: which pages it has, what each
// page's rows show of the customer record, the choice lists, and how the rows go back
// into the record on OK. The card fields are shown masked and stored scrambled; a masked
// text that was not changed leaves the stored value alone.
#pragma once

#include <array>
#include <string>

#include "core/FieldFormModel.h"

class CCustomerRecord;
class CItemStore;

enum CustomerPage {
  kPageAddressInfo = 0,
  kPageBillTo,
  kPageShipTo,
  kPageAdditionalInfo,
  kPagePaymentInfo,
  kPageJobInfo,
  kPageNotes,
  kCustomerPageCount
};

struct CustomerDialogFlags {
  bool job = false;           // the record is a job: a Job Info page, Customer and Job Name first
  bool newJob = false;        // a job is being added: Job Name starts empty and has the focus
  bool newCustomer = false;   // "New Customer" with an editable Customer row
  bool documentCopy = false;  // Additional Info, Payment Info and Notes are read-only
};

class CCustomerPages {
 public:
  // The choice lists the Additional Info and Job Info rows offer.
  enum Choices { kTaxItems, kTerms, kPriceLevels, kCustomerTypes, kJobTypes, kSalesReps, kTaxCodes, kChoiceCount };

  CCustomerPages(CCustomerRecord& record, CustomerDialogFlags flags) : m_record(record), m_flags(flags) {}

  static const char16_t* Caption(int page);
  static int LabelWidth(int page);
  bool HasPage(int page) const { return page != kPageJobInfo || m_flags.job; }
  // The row that has the focus when the page opens.
  int FocusRow(int page) const { return page == kPageAddressInfo && m_flags.newJob ? 1 : 0; }
  const CustomerDialogFlags& Flags() const { return m_flags; }

  // Reads the seven choice lists from the store (null: every list empty).
  void LoadChoices(CItemStore* store);
  const FieldChoiceList& ChoiceList(Choices which) const { return m_choices[which]; }

  // Adds the page's rows to an empty form.
  void Fill(int page, CFieldFormModel& form);
  // Writes the page's rows back into the record.
  void Save(int page, const CFieldFormModel& form);

 private:
  void FillCard(CFieldFormModel& form, int row, int field, int kind, int maxLength, DWORD flags);
  void SaveCard(const CFieldFormModel& form, int row, int field);
  void SaveRow(const CFieldFormModel& form, int row, int field, bool withContinuations = false);

  CCustomerRecord& m_record;
  CustomerDialogFlags m_flags;
  std::array<FieldChoiceList, kChoiceCount> m_choices;
  // The masked card texts as shown, by card row (Card #, Exp Month, Exp Year).
  std::array<std::u16string, 3> m_shownCard;
};
