#include "datastore/CustomerFields.h"

int CustomerFieldOfColumn(int column) {
  if (column <= 10) return column;              // ListID .. Salutation
  if (column <= 43) return column + 1;          // FirstName .. CreditLimit (after field 11)
  if (column <= 54) return column + 7;          // SalesRep .. PriceLevel (after the card fields)
  return column - 10;                           // CCNum .. CCZip
}
