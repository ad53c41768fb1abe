// The root attributes of a document file that a register row shows, read from the root's
// start tag alone: listing a folder of documents builds no document object and parses no
// line items.
#pragma once

#include <string>
#include <string_view>

// Each field is the attribute's text as stored, empty when the attribute is missing.
struct CRegisterRowFields {
  std::u16string version;          // "VERSION"
  std::u16string docType;          // "DOCTYPE"
  std::u16string originalDocType;  // "ORIGINAL_DOCTYPE" (a memorized document's own type)
  std::u16string estimate;         // "ESTIMATE" ("YES" in documents older than DOCTYPE)
  std::u16string number;           // "ID"
  std::u16string date;             // "DATE"
  std::u16string complete;         // "COMPLETE"
  std::u16string wireless;         // "WIRELESS"
  std::u16string payAmount;        // "PAYAMOUNT"
  std::u16string isVoid;           // "VOID"
  std::u16string paid;             // "PAID"
};

// Reads the fields of the document file at a device path. False, the fields emptied, when
// the file cannot be opened or holds no well-formed root start tag.
bool ReadRegisterRowFields(std::u16string_view path, CRegisterRowFields& fields);
