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
  // Each replaces one text; a null text empties it. The "Ship To" form writes every row
  // back, the name and address lines as much as the phone and e-mail.
  void SetName(LPCWSTR text) { Set(m_texts.name, text); }
  void SetAddress1(LPCWSTR text) { Set(m_texts.address1, text); }
  void SetAddress2(LPCWSTR text) { Set(m_texts.address2, text); }
  void SetAddress3(LPCWSTR text) { Set(m_texts.address3, text); }
  void SetCity(LPCWSTR text) { Set(m_texts.city, text); }
  void SetState(LPCWSTR text) { Set(m_texts.state, text); }
  void SetZip(LPCWSTR text) { Set(m_texts.zip, text); }
  void SetCountry(LPCWSTR text) { Set(m_texts.country, text); }
  void SetPhone(LPCWSTR text) { Set(m_texts.phone, text); }
  void SetEMail(LPCWSTR text) { Set(m_texts.email, text); }
  // Writes the ten texts back into the document; 1.
  int WriteToDocument();

 private:
  static void Set(CBstr& field, LPCWSTR text) { field = CBstr(text ? text : u""); }

  CShipToTexts m_texts;
  void* m_ownerContext;  // not owned
  CXmlDocument* m_document;  // not owned
};
