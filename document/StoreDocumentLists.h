// The document's list questions answered by the program's list objects over the item
// store: tax codes, sales tax items and groups, price levels, terms and sales reps. The
// main window hands its named lists to one instance of this class at start-up, which it
// then sets with SetDocumentLists.
#pragma once

#include "document/DocumentServices.h"

class CListCache;
class CNamedList;
class CPriceLevelList;
class CSalesTaxList;
class CStoreLists;
class CTaxCodeList;

class CStoreDocumentLists final : public IDocumentLists {
 public:
  // None of the lists is owned; any may be null, and its questions are then answered as
  // without a list (nothing taxable from version 4 on, no rate, no level, no term, no rep).
  CStoreDocumentLists(CTaxCodeList* taxCodes, CSalesTaxList* salesTaxes, CPriceLevelList* priceLevels,
                      CListCache* terms, CNamedList* salesReps);
  // The same over the lists one keeper holds (not owned; it must outlive this object).
  explicit CStoreDocumentLists(CStoreLists& lists);

  bool IsTaxable(int documentVersion, std::u16string_view taxCode) override;
  double GetLevelFactor(std::u16string_view levelName) override;
  bool GetSalesTaxRate(std::u16string_view taxName, CBstr& rate) override;
  // The term's due days read as a whole number; a term without due days has 0.
  bool GetTermDays(std::u16string_view termName, int& days) override;
  // The rep entry's description, which holds the full name.
  bool GetRepFullName(std::u16string_view rep, CBstr& fullName) override;

 private:
  CTaxCodeList* m_taxCodes;        // not owned
  CSalesTaxList* m_salesTaxes;     // not owned
  CPriceLevelList* m_priceLevels;  // not owned
  CListCache* m_terms;             // not owned
  CNamedList* m_salesReps;         // not owned
};
