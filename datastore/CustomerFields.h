// One customer as 62 texts: the CustomerList columns in their order, with one extra name
// text at index 11 and the six card fields kept after CreditLimit.
#pragma once

#include "platform/base/Bstr.h"

enum CustomerField {
  kCustListID = 0,
  kCustTimeCreated,
  kCustTimeModified,
  kCustEditSequence,
  kCustName,
  kCustFullName,
  kCustSublevel,
  kCustParentListID,
  kCustParentFullName,
  kCustCompanyName,
  kCustSalutation,
  kCustExtraName,  // 11: a further name text with no column
  kCustFirstName,
  kCustMiddleName,
  kCustLastName,
  kCustBillToAddr1,
  kCustBillToAddr2,
  kCustBillToAddr3,
  kCustBillToAddr4,
  kCustBillToCity,
  kCustBillToState,
  kCustBillToPostalCode,
  kCustBillToCountry,
  kCustShipToAddr1,
  kCustShipToAddr2,
  kCustShipToAddr3,
  kCustShipToAddr4,
  kCustShipToCity,
  kCustShipToState,
  kCustShipToPostalCode,
  kCustShipToCountry,
  kCustPhone,
  kCustMobile,
  kCustAltPhone,
  kCustFax,
  kCustEmail,
  kCustContact,
  kCustAltContact,
  kCustCustomerType,
  kCustTerms,
  kCustSalesTaxCode,
  kCustItemSalesTax,
  kCustResaleNumber,
  kCustAccountNumber,
  kCustCreditLimit,
  kCustCCNum,  // 45-50: card fields, opaque (stored scrambled by their owners)
  kCustCCExpMon,
  kCustCCExpYear,
  kCustCCName,
  kCustCCAddr,
  kCustCCZip,
  kCustSalesRep,  // 51
  kCustBalance,
  kCustTotalBalance,
  kCustJobStatus,
  kCustJobStartDate,
  kCustJobProjectedEndDate,
  kCustJobEndDate,
  kCustJobDesc,
  kCustJobType,
  kCustNotes,
  kCustPriceLevel,  // 61
  kCustomerFieldCount
};

// Number of CustomerList columns.
constexpr int kCustomerColumnCount = 61;

// The field that holds CustomerList column `column` (0-60, the order of SELECT *).
int CustomerFieldOfColumn(int column);

// The 62 texts; each may be null, which counts as empty.
class CCustomerFields {
 public:
  CBstr& operator[](int index) { return m_field[index]; }
  const CBstr& operator[](int index) const { return m_field[index]; }

 private:
  CBstr m_field[kCustomerFieldCount];
};
