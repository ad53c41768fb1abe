// Tax codes: a name, a description and whether lines of that code are taxable ("yes" or
// "no"). The list keeps every code of the database in memory in name order, for the
// taxable test of the totals and for the pickers; adds and updates through it empty the
// table, and the next read loads it again.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "datastore/ListEntries.h"
#include "platform/base/Bstr.h"

// The stored taxable text for a taxable argument: "yes" when it is "true" in any letter
// case, "no" for anything else.
CBstr TaxableFlagText(std::u16string_view taxable);

class CTaxCodeList {
 public:
  explicit CTaxCodeList(CItemStore* store);
  ~CTaxCodeList();
  CTaxCodeList(const CTaxCodeList&) = delete;
  CTaxCodeList& operator=(const CTaxCodeList&) = delete;

  // Empties the table.
  void ClearCodes();
  std::unique_ptr<CDbRecord> FindTaxCode(std::u16string_view name);
  std::unique_ptr<CDbRecord> GetTaxCodeByListID(std::u16string_view listId);
  // The stored codes in name order, each read in full: true and the first (next) one,
  // false when there is none left.
  bool GetFirstRecord(CBstr& name, CBstr& description, CBstr& taxable);
  bool GetNextRecord(CBstr& name, CBstr& description, CBstr& taxable);
  // 1 when inserted; with `skipDuplicateCheck` clear a name that exists already is
  // refused (0). `taxable` "true" in any case is stored as "yes", anything else as "no".
  int AddTaxCode(std::u16string_view name, std::u16string_view description,
                 std::u16string_view listId, std::u16string_view taxable,
                 std::u16string_view created, std::u16string_view modified,
                 bool skipDuplicateCheck);
  // Writes the texts into the caller's record (the same taxable rule) and stores it;
  // 1 when stored. A new list id replaces the stored one.
  int UpdateTaxCode(CDbRecord& record, std::u16string_view name, std::u16string_view description,
                    std::u16string_view listId, std::u16string_view taxable,
                    std::u16string_view created, std::u16string_view modified);

  void LoadCodes();
  // The table's codes (loaded when empty): 1 and the first (next) name, 0 at the end. With
  // `withDescription` the name is followed by " - " and the description.
  int GetFirstTaxCode(CBstr& name, bool withDescription);
  int GetNextTaxCode(CBstr& name, bool withDescription);
  // Whether a line with that tax code is taxed. Documents of version 4 and later look the
  // code up (exact, case-sensitive): taxable when its stored text is "yes" or "true"; an
  // unknown code is not. Older documents carry the answer in the line: "yes" in any case.
  bool IsTaxable(int documentVersion, std::u16string_view code);

  // How many codes the table holds.
  size_t GetCount() const { return m_codes.size(); }

 private:
  struct Code {
    CBstr name;
    CBstr description;
    CBstr taxable;
  };
  bool ReadWalkEntry(std::unique_ptr<CDbRecord> child, CBstr& name, CBstr& description,
                     CBstr& taxable);
  int CopyName(size_t index, CBstr& name, bool withDescription);

  CItemStore* m_store;  // not owned
  CChildWalk m_walk;
  std::vector<Code> m_codes;
  size_t m_readIndex = 0;
};
