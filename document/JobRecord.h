// The job a sales document is for: 17 text slots mirroring the document's JOB block.
//   0 name, 1 description, 2 type, 3 status, 4 start date, 5 (a second date, not stored),
//   6 projected end date, 7 end date, 8-10 address lines, 11 (not stored), 12 city,
//   13 state, 14 zip, 15 list id, 16 notes.
#pragma once

#include <array>

#include "platform/base/Bstr.h"

class CJobRecord {
 public:
  static constexpr int kSlots = 17;

  CJobRecord() = default;
  virtual ~CJobRecord() = default;
  CJobRecord(const CJobRecord&) = delete;
  CJobRecord& operator=(const CJobRecord&) = delete;

  // Stores a copy of the text (null makes the slot absent); false for a slot outside 0-16.
  bool SetField(int slot, const CBstr& text);
  // The slot's own text (not a copy); null when absent or outside 0-16.
  BSTR GetField(int slot) const;

 private:
  std::array<CBstr, kSlots> m_slots;  // all absent when built
};
