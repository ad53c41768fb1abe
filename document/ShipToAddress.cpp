#include "document/ShipToAddress.h"

CShipToAddress::CShipToAddress(void* ownerContext, CXmlDocument* document)
    : m_ownerContext(ownerContext), m_document(document) {
  m_texts = CShipToTexts{u"", u"", u"", u"", u"", u"", u"", u"", u"", u""};
  if (m_document) m_document->ReadShipTo(&m_texts);
}

int CShipToAddress::WriteToDocument() {
  if (m_document) m_document->WriteShipTo(m_texts);
  return 1;
}
