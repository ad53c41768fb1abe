#include "document/RegisterRowFields.h"

#include "platform/xml/XmlDom.h"

bool ReadRegisterRowFields(std::u16string_view path, CRegisterRowFields& fields) {
  fields = CRegisterRowFields();
  CXmlRootElement root;
  if (ReadXmlRootElement(path, &root) != S_OK) return false;
  static const struct {
    const char16_t* name;
    std::u16string CRegisterRowFields::*field;
  } kAttributes[] = {
      {u"VERSION", &CRegisterRowFields::version},   {u"DOCTYPE", &CRegisterRowFields::docType},
      {u"ORIGINAL_DOCTYPE", &CRegisterRowFields::originalDocType},
      {u"ESTIMATE", &CRegisterRowFields::estimate}, {u"ID", &CRegisterRowFields::number},
      {u"DATE", &CRegisterRowFields::date},         {u"COMPLETE", &CRegisterRowFields::complete},
      {u"WIRELESS", &CRegisterRowFields::wireless}, {u"PAYAMOUNT", &CRegisterRowFields::payAmount},
      {u"VOID", &CRegisterRowFields::isVoid},       {u"PAID", &CRegisterRowFields::paid},
  };
  for (const auto& [name, value] : root.attributes) {
    for (const auto& attribute : kAttributes) {
      if (name == attribute.name) fields.*attribute.field = value;
    }
  }
  return true;
}
