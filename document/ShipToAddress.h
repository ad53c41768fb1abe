// A snapshot of a document's ship-to block: the ten texts the "Ship To" form edits and
// document printing prints, read when the snapshot is made and written back on request.
#pragma once

#include "document/XmlDocument.h"

class CShipToAddress {
 public:
  // Reads the SHIPTO block of `document` (not owned; it must outlive the snapshot). A
  // missing block leaves every text empty.
  CShipToAddress(void* ownerContext, CXmlDocument* document);
  virtual ~CShipToAddress() = default;
  CShipToAddress(const CShipToAddress&) = delete;
  CShipToAddress& operator=(const CShipToAddress&) = delete;

  const CShipToTexts& GetTexts() const { return m_texts; }
  // A null text empties the value.
  void SetPhone(LPCWSTR text) { m_texts.phone = CBstr(text ? text : u""); }
  void SetEMail(LPCWSTR text) { m_texts.email = CBstr(text ? text : u""); }
  // The name and address lines the "Ship To" form edits; a null text empties the value.
  void SetName(LPCWSTR text) { m_texts.name = CBstr(text ? text : u""); }
  void SetAddress1(LPCWSTR text) { m_texts.address1 = CBstr(text ? text : u""); }
  void SetAddress2(LPCWSTR text) { m_texts.address2 = CBstr(text ? text : u""); }
  void SetAddress3(LPCWSTR text) { m_texts.address3 = CBstr(text ? text : u""); }
  // Writes the ten texts back into the document; 1.
  int WriteToDocument();

 private:
  CShipToTexts m_texts;
  void* m_ownerContext;  // not owned
  CXmlDocument* m_document;  // not owned
};
