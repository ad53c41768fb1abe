// Price levels: a name and a percent that scales the prices of a customer's lines (-10
// lowers them by a tenth). The list keeps its (name, percent) pairs in memory for the
// totals and the pickers; adds and updates through it empty the cache.
#pragma once

#include <string_view>
#include <vector>

#include "datastore/ListEntries.h"
#include "platform/base/Bstr.h"

// The factor a percent text gives: the number read as the user's regional settings read
// amounts, times 0.01 (unreadable text gives 0).
double PriceLevelFactorFromPercent(std::u16string_view percent);

class CPriceLevelList {
 public:
  explicit CPriceLevelList(CItemStore* store);
  virtual ~CPriceLevelList();
  CPriceLevelList(const CPriceLevelList&) = delete;
  CPriceLevelList& operator=(const CPriceLevelList&) = delete;

  void FreeLevels();
  // The stored levels, full rows in the store's order: 1 and the first (next) one, 0 when
  // there is none left.
  int GetFirstRecord(CBstr& name, CBstr& listId, CBstr& created, CBstr& modified,
                     CBstr& editSequence, CBstr& percent);
  int GetNextRecord(CBstr& name, CBstr& listId, CBstr& created, CBstr& modified,
                    CBstr& editSequence, CBstr& percent);
  // 1 when inserted; a name that exists already is refused (0). Empties the cache.
  int AddPriceLevel(std::u16string_view name, std::u16string_view listId,
                    std::u16string_view created, std::u16string_view modified,
                    std::u16string_view editSequence, std::u16string_view percent);
  // Writes the texts into the caller's record and stores it; 1 when stored. A new list id
  // replaces the stored one. Empties the cache.
  int UpdatePriceLevel(CDbRecord& record, std::u16string_view name, std::u16string_view listId,
                       std::u16string_view created, std::u16string_view modified,
                       std::u16string_view editSequence, std::u16string_view percent);

  void LoadLevels();
  // The cached levels (loaded when empty): 1 and the first (next) pair, 0 at the end.
  int GetFirstLevel(CBstr& name, CBstr& percent);
  int GetNextLevel(CBstr& name, CBstr& percent);
  // The percent of the level of that name (exact, case-sensitive) times 0.01; 0 for an
  // empty name or a name that is not in the list.
  double GetLevelFactor(std::u16string_view name);

 private:
  struct Level {
    CBstr name;
    CBstr percent;
  };
  int ReadRecord(std::unique_ptr<CDbRecord> row, CBstr& name, CBstr& listId, CBstr& created,
                 CBstr& modified, CBstr& editSequence, CBstr& percent);

  CItemStore* m_store;  // not owned
  CItemSelectWalk m_select;
  std::vector<Level> m_levels;
  size_t m_readIndex = 0;
};
