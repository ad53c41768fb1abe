// The block of texts the item statements read and write: one per ItemsList column except
// nReserved1, numbers carried as decimal texts.
#pragma once

#include "platform/base/Bstr.h"

// Slots in the order the statements use them (not the column order).
enum ItemRowSlot {
  kRowListID = 0,
  kRowListType = 1,
  kRowName = 2,
  kRowFullName = 3,
  kRowSalesDescription = 4,
  kRowSalesAmount = 5,
  kRowTaxable = 6,
  kRowTax2 = 7,
  kRowTimeCreated = 8,
  kRowTimeModified = 9,
  kRowEditSequence = 10,
  kRowUnitOfMeasure = 11,
  kRowPurchaseCost = 12,
  kRowAccount = 13,
  kRowVendor = 14,
  // UseCount; a row read by the child cursor carries its number of children here.
  kRowUseCount = 15,
  kRowStartingQuantity = 16,
  kRowEndingQuantity = 17,
  kRowQuantityOnHand = 18,
  kRowQuantityOnSalesOrder = 19,
  kRowReorderPoint = 20,
  kRowParent = 21,
  kRowObjectPosition = 22,
  kRowObjectType = 23,
  kRowIsOpen = 24,
  kRowReserved1 = 25,
  kRowReserved2 = 26,
  kRowReserved3 = 27,
  // sReserved4: how many of its item a group member adds (empty on every other row, and
  // on members stored before members kept it).
  kRowMemberQuantity = 28,
  kItemRowSlots = 29
};

struct CItemRow {
  CBstr slot[kItemRowSlots];

  CBstr& operator[](int index) { return slot[index]; }
  const CBstr& operator[](int index) const { return slot[index]; }
};
