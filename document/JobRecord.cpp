#include "document/JobRecord.h"

bool CJobRecord::SetField(int slot, const CBstr& text) {
  if (slot < 0 || slot >= kSlots) return false;
  m_slots[static_cast<size_t>(slot)] = text;
  return true;
}

BSTR CJobRecord::GetField(int slot) const {
  if (slot < 0 || slot >= kSlots) return nullptr;
  return m_slots[static_cast<size_t>(slot)].get();
}
