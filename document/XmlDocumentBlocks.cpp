// The blocks of the document file: the company, ship-to, customer, job and totals elements
// below the root, found or made, written from and read into their records.
#include <algorithm>

#include "core/CompanyInfo.h"
#include "core/TextHelpers.h"
#include "datastore/CustomerRecord.h"
#include "document/JobRecord.h"
#include "document/XmlDocument.h"

namespace {

// The first element of the tag in document order (the root included), or a null node: what
// a list of the tag would give first, found without walking the rest of the document.
CXmlDomNode FirstElementByTag(const CXmlDomNode& root, std::u16string_view tag) {
  CXmlDomNode node = root;
  while (node) {
    DOMNodeType type = NODE_INVALID;
    node.get_nodeType(&type);
    if (type == NODE_ELEMENT) {
      CBstr name;
      node.get_nodeName(&name);
      if (name.view() == tag) return node;
      CXmlDomNode child;
      if (node.get_firstChild(&child) == S_OK) {
        node = child;
        continue;
      }
    }
    // Next in document order: the next sibling of the node or of its nearest ancestor
    // below the root that has one.
    CXmlDomNode next;
    while (node && !(node == root) && node.get_nextSibling(&next) != S_OK) {
      CXmlDomNode parent;
      node.get_parentNode(&parent);
      node = parent;
    }
    if (!node || node == root) break;
    node = next;
  }
  return CXmlDomNode();
}

}  // namespace

bool CXmlDocument::SelectBlock(std::u16string_view tag, bool create) {
  CXmlDomNode root, block;
  if (m_data->get_documentElement(&root) != S_OK) return false;
  block = FirstElementByTag(root, tag);
  if (block) {
    m_current = block;
    return true;
  }
  if (!create) {
    m_current = CXmlDomNode();
    return false;
  }
  if (FAILED(m_data->createElement(tag, &block)) || FAILED(root.appendChild(block))) return false;
  m_current = block;
  return true;
}

bool CXmlDocument::ReadBlockChild(std::u16string_view tag, std::u16string_view child, CBstr* value) {
  if (!SelectBlock(tag, false)) return false;
  *value = GetChildText(m_current, child);
  return true;
}

bool CXmlDocument::WriteBlockChild(std::u16string_view tag, std::u16string_view child, const CBstr& value) {
  if (!SelectBlock(tag, false)) return false;
  return SUCCEEDED(SetChildText(m_current, child, value));
}

std::vector<std::u16string> CXmlDocument::BlockChildNames(std::u16string_view tag) {
  std::vector<std::u16string> names;
  if (!IsUsable() || !SelectBlock(tag, false)) return names;
  CXmlDomNode child;
  for (m_current.get_firstChild(&child); child; child.get_nextSibling(&child)) {
    DOMNodeType type = NODE_INVALID;
    child.get_nodeType(&type);
    if (type != NODE_ELEMENT) continue;
    CBstr name;
    child.get_nodeName(&name);
    names.push_back(name.str());
  }
  return names;
}

void CXmlDocument::DropEmptyBlockChildren(std::u16string_view tag, const std::vector<std::u16string>& keep) {
  if (!IsUsable() || !SelectBlock(tag, false)) return;
  CXmlDomNode block = m_current;
  std::vector<CXmlDomNode> dropped;
  CXmlDomNode child;
  for (block.get_firstChild(&child); child; child.get_nextSibling(&child)) {
    DOMNodeType type = NODE_INVALID;
    CBstr name, text;
    child.get_nodeType(&type);
    child.get_nodeName(&name);
    child.get_text(&text);
    if (type == NODE_ELEMENT && text.IsEmpty() && std::find(keep.begin(), keep.end(), name.view()) == keep.end())
      dropped.push_back(child);
  }
  for (const CXmlDomNode& node : dropped) block.removeChild(node);
}

int CXmlDocument::WriteCompany(std::u16string_view element, const CBstr& userName, const CBstr& name,
                               const CBstr& address1, const CBstr& address2, const CBstr& address3, const CBstr& phone,
                               const CBstr& email, const CBstr& showLogo) {
  if (!IsUsable() || !SelectBlock(element, true)) return 1;
  CXmlDomNode block = m_current;
  SetChildText(block, u"NAME", name);
  if (!userName.IsNull()) SetChildText(block, u"USERNAME", userName);
  SetChildText(block, u"ADDRESS1", address1);
  SetChildText(block, u"ADDRESS2", address2);
  SetChildText(block, u"ADDRESS3", address3);
  SetChildText(block, u"PHONE", phone);
  SetChildText(block, u"EMAIL", email);
  if (!showLogo.IsNull()) SetChildText(block, u"SHOWLOGO", showLogo);
  return 0;
}

bool CXmlDocument::ReadCompany(CCompanyInfo* company) {
  if (!IsUsable() || !SelectBlock(u"COMPANY", false)) return false;
  CXmlDomNode b = m_current;
  company->SetName(GetChildText(b, u"NAME").view());
  company->SetUserName(GetChildText(b, u"USERNAME").view());
  company->SetAddress1(GetChildText(b, u"ADDRESS1").view());
  company->SetAddress2(GetChildText(b, u"ADDRESS2").view());
  company->SetAddress3(GetChildText(b, u"ADDRESS3").view());
  company->SetPhone(GetChildText(b, u"PHONE").view());
  company->SetEMail(GetChildText(b, u"EMAIL").view());
  company->SetShowLogo(GetChildText(b, u"SHOWLOGO").view());
  return true;
}

bool CXmlDocument::SetCompanyGraphic(const CBstr& fileName) { return WriteBlockChild(u"COMPANY", u"GRAPHIC", fileName); }

bool CXmlDocument::ReadCompanyGraphic(CBstr* fileName) { return ReadBlockChild(u"COMPANY", u"GRAPHIC", fileName); }

int CXmlDocument::WriteShipTo(const CShipToTexts& s) {
  if (!IsUsable() || !SelectBlock(u"SHIPTO", true)) return 1;
  CXmlDomNode block = m_current;
  SetChildText(block, u"NAME", s.name);
  SetChildText(block, u"ADDRESS1", s.address1);
  SetChildText(block, u"ADDRESS2", s.address2);
  if (!s.address3.IsNull()) SetChildText(block, u"ADDRESS3", s.address3);
  SetChildText(block, u"CITY", s.city);
  SetChildText(block, u"STATE", s.state);
  SetChildText(block, u"ZIP", s.zip);
  SetChildText(block, u"COUNTRY", s.country);
  if (!s.phone.IsNull()) SetChildText(block, u"PHONE", s.phone);
  if (!s.email.IsNull()) SetChildText(block, u"EMAIL", s.email);
  return 0;
}

bool CXmlDocument::ReadShipTo(CShipToTexts* s) {
  if (!IsUsable() || !SelectBlock(u"SHIPTO", false)) return false;
  CXmlDomNode b = m_current;
  s->name = GetChildText(b, u"NAME");
  s->address1 = GetChildText(b, u"ADDRESS1");
  s->address2 = GetChildText(b, u"ADDRESS2");
  s->address3 = GetChildText(b, u"ADDRESS3");
  s->city = GetChildText(b, u"CITY");
  s->state = GetChildText(b, u"STATE");
  s->zip = GetChildText(b, u"ZIP");
  s->country = GetChildText(b, u"COUNTRY");
  s->phone = GetChildText(b, u"PHONE");
  s->email = GetChildText(b, u"EMAIL");
  return true;
}

namespace {

// The customer block's children in their written order, with their record fields. The
// key child comes first and is named by the customer's kind.
const std::pair<const char16_t*, int> kCustomerChildren[] = {
    {u"FIRSTNAME", kCustFirstName},
    {u"LASTNAME", kCustLastName},
    {u"CONTACT", kCustContact},
    {u"NAME", kCustName},
    {u"SALUTATION", kCustSalutation},
    {u"SUFFIX", kCustExtraName},
    {u"COMPANYNAME", kCustCompanyName},
    {u"FULLNAME", kCustFullName},
    {u"PARENTFULLNAME", kCustParentFullName},
    {u"ADDRESS1", kCustBillToAddr1},
    {u"ADDRESS2", kCustBillToAddr2},
    {u"ADDRESS3", kCustBillToAddr3},
    {u"ADDRESS4", kCustBillToAddr4},
    {u"CITY", kCustBillToCity},
    {u"STATE", kCustBillToState},
    {u"ZIP", kCustBillToPostalCode},
    {u"COUNTRY", kCustBillToCountry},
    {u"PHONE", kCustPhone},
    {u"ALTPHONE", kCustAltPhone},
    {u"FAX", kCustFax},
    {u"SALESTAXNAME", kCustSalesTaxCode},
    {u"PRICELEVEL", kCustPriceLevel},
    {u"EMAIL", kCustEmail},
};

// Children read the same way for both kinds (the names and the two written-only children
// are handled apart).
const std::pair<const char16_t*, int> kCustomerCommonReads[] = {
    {u"SALUTATION", kCustSalutation},    {u"SUFFIX", kCustExtraName},          {u"PARENTFULLNAME", kCustParentFullName},
    {u"ADDRESS1", kCustBillToAddr1},     {u"ADDRESS2", kCustBillToAddr2},      {u"ADDRESS3", kCustBillToAddr3},
    {u"ADDRESS4", kCustBillToAddr4},     {u"CITY", kCustBillToCity},           {u"STATE", kCustBillToState},
    {u"ZIP", kCustBillToPostalCode},     {u"PHONE", kCustPhone},               {u"ALTPHONE", kCustAltPhone},
    {u"FAX", kCustFax},                  {u"SALESTAXNAME", kCustSalesTaxCode}, {u"PRICELEVEL", kCustPriceLevel},
    {u"EMAIL", kCustEmail},
};

// Children only other writers and older versions put in; read when the block has them.
const std::pair<const char16_t*, int> kCustomerAccountReads[] = {
    {u"TERMSNAME", kCustTerms},       {u"ACCOUNT", kCustAccountNumber},    {u"BALANCE", kCustBalance},
    {u"TOTALBALANCE", kCustTotalBalance}, {u"RESALE", kCustResaleNumber}, {u"CREDITLIMIT", kCustCreditLimit},
    {u"CC", kCustCCNum},              {u"CCMO", kCustCCExpMon},            {u"CCYR", kCustCCExpYear},
    {u"CCNAME", kCustCCName},         {u"CCADDR", kCustCCAddr},            {u"CCZIP", kCustCCZip},
    {u"CUSTOMERTYPE", kCustCustomerType}, {u"NOTES", kCustNotes},         {u"SUBLEVEL", kCustSublevel},
    {u"PARENTLISTID", kCustParentListID},
};

CBstr CustomerText(const CCustomerRecord& customer, int index) {
  BSTR text = customer.GetField(index);
  return text ? CBstr(std::u16string_view(text, SysStringLen(text))) : CBstr();
}

// The first child element of the name, or a null node.
CXmlDomNode FindChildElement(const CXmlDomNode& node, std::u16string_view name) {
  CXmlDomNode child;
  for (node.get_firstChild(&child); child; child.get_nextSibling(&child)) {
    DOMNodeType type = NODE_INVALID;
    CBstr childName;
    child.get_nodeType(&type);
    child.get_nodeName(&childName);
    if (type == NODE_ELEMENT && childName.view() == name) return child;
  }
  return CXmlDomNode();
}

}  // namespace

int CXmlDocument::WriteCustomer(const CCustomerRecord& customer, bool contacts) {
  if (!IsUsable() || !SelectBlock(u"CUSTOMER", false)) return 1;
  CXmlDomNode block = m_current;
  SetChildText(block, contacts ? u"OID" : u"LISTID", CustomerText(customer, kCustListID));
  for (const auto& [name, field] : kCustomerChildren) SetChildText(block, name, CustomerText(customer, field));
  return 0;
}

bool CXmlDocument::ReadCustomer(CCustomerRecord* customer, bool contacts) {
  if (!IsUsable() || !SelectBlock(u"CUSTOMER", false)) return false;
  CXmlDomNode block = m_current;
  customer->SetField(kCustListID, GetChildText(block, contacts ? u"OID" : u"LISTID").view());
  CBstr firstName = GetChildText(block, u"FIRSTNAME");
  CBstr lastName = GetChildText(block, u"LASTNAME");
  CBstr companyName = GetChildText(block, u"COMPANYNAME");
  if (!contacts) {
    customer->SetField(kCustName, GetChildText(block, u"NAME").view());
    customer->SetField(kCustFullName, GetChildText(block, u"FULLNAME").view());
    customer->SetField(kCustCompanyName, companyName.view());
  } else {
    CBstr splitFirst, splitLast;
    SplitPersonName(GetChildText(block, u"FULLNAME").view(), splitFirst, splitLast, u",");
    if (!splitFirst.IsEmpty() && !splitLast.IsEmpty()) {
      firstName = std::move(splitFirst);
      lastName = std::move(splitLast);
      customer->SetField(kCustCompanyName, companyName.view());
    } else if (!companyName.IsEmpty()) {
      customer->SetField(kCustCompanyName, companyName.view());
    }
  }
  customer->SetField(kCustFirstName, firstName.view());
  customer->SetField(kCustLastName, lastName.view());
  for (const auto& [name, field] : kCustomerCommonReads) customer->SetField(field, GetChildText(block, name).view());
  for (const auto& [name, field] : kCustomerAccountReads) {
    CXmlDomNode child = FindChildElement(block, name);
    if (!child) continue;
    CBstr text;
    child.get_text(&text);
    customer->SetField(field, text.view());
  }
  return true;
}

bool CXmlDocument::GetCustomerFullName(CBstr* text) {
  return IsUsable() && ReadBlockChild(u"CUSTOMER", u"FULLNAME", text);
}

bool CXmlDocument::GetCustomerCompanyName(CBstr* text) {
  return IsUsable() && ReadBlockChild(u"CUSTOMER", u"COMPANYNAME", text);
}

bool CXmlDocument::GetCustomerLastFirstName(CBstr* firstName, CBstr* lastName) {
  if (!IsUsable() || !SelectBlock(u"CUSTOMER", false)) return false;
  *firstName = GetChildText(m_current, u"FIRSTNAME");
  *lastName = GetChildText(m_current, u"LASTNAME");
  return true;
}

bool CXmlDocument::SetSignature(const CBstr& strokes) {
  return IsUsable() && WriteBlockChild(u"CUSTOMER", u"SIGNATURE", strokes.IsNull() ? CBstr(u"") : strokes);
}

bool CXmlDocument::ReadSignature(CBstr* strokes) { return IsUsable() && ReadBlockChild(u"CUSTOMER", u"SIGNATURE", strokes); }

bool CXmlDocument::SetSignatureFile(const CBstr& fileName) {
  return IsUsable() && WriteBlockChild(u"CUSTOMER", u"SIGNATURE_FILE", fileName);
}

bool CXmlDocument::ReadSignatureFile(CBstr* fileName) {
  return IsUsable() && ReadBlockChild(u"CUSTOMER", u"SIGNATURE_FILE", fileName);
}

namespace {
const std::pair<const char16_t*, int> kJobChildren[] = {
    {u"LISTID", 15},  {u"NAME", 0},   {u"DESC", 1},    {u"TYPE", 2},       {u"ADDRESS1", 8},
    {u"ADDRESS2", 9}, {u"ADDRESS3", 10}, {u"CITY", 12}, {u"STATE", 13},     {u"ZIP", 14},
    {u"STATUS", 3},   {u"STARTDATE", 4}, {u"PROJECTEDENDDATE", 6}, {u"ENDDATE", 7}, {u"NOTES", 16},
};
}  // namespace

int CXmlDocument::WriteJob(const CJobRecord& job) {
  if (!IsUsable() || !SelectBlock(u"JOB", false)) return 1;
  CXmlDomNode block = m_current;
  for (const auto& [name, slot] : kJobChildren) {
    BSTR text = job.GetField(slot);
    SetChildText(block, name, text ? CBstr(std::u16string_view(text, SysStringLen(text))) : CBstr());
  }
  return 0;
}

bool CXmlDocument::ReadJob(CJobRecord* job) {
  if (!IsUsable() || !SelectBlock(u"JOB", false)) return false;
  CXmlDomNode block = m_current;
  for (const auto& [name, slot] : kJobChildren) job->SetField(slot, GetChildText(block, name));
  return true;
}

int CXmlDocument::WriteTotals(const CBstr& subtotal, const CBstr& tax, const CBstr& total, const CBstr& totalQuantity) {
  if (!IsUsable() || !SelectBlock(u"TOTALS", false)) return 1;
  CXmlDomNode block = m_current;
  SetChildText(block, u"SUBTOTAL", subtotal);
  SetChildText(block, u"TAX", tax);
  SetChildText(block, u"TOTAL", total);
  if (!totalQuantity.IsNull()) SetChildText(block, u"TOTALQTY", totalQuantity);
  return 0;
}

bool CXmlDocument::ReadTotals(CBstr* subtotal, CBstr* tax, CBstr* total, CBstr* totalQuantity) {
  *total = CBstr(u"");
  if (!IsUsable() || !SelectBlock(u"TOTALS", false)) return false;
  *subtotal = GetChildText(m_current, u"SUBTOTAL");
  *tax = GetChildText(m_current, u"TAX");
  *total = GetChildText(m_current, u"TOTAL");
  *totalQuantity = GetChildText(m_current, u"TOTALQTY");
  return true;
}

bool CXmlDocument::ReadTotal(CBstr* total) {
  *total = CBstr(u"");
  return IsUsable() && ReadBlockChild(u"TOTALS", u"TOTAL", total);
}

std::optional<double> CXmlDocument::ReadTotalFigure(bool* recomputed) {
  *recomputed = false;
  CBstr subtotal, tax, total, quantity;
  ReadTotals(&subtotal, &tax, &total, &quantity);
  if (total.IsEmpty() || IsNumberText(total.view())) return ParseNumberText(total.view());
  // The total is always the subtotal and the tax together.
  if (!IsNumberText(subtotal.view()) || !(tax.IsEmpty() || IsNumberText(tax.view()))) return std::nullopt;
  *recomputed = true;
  return ParseNumberText(subtotal.view()) + ParseNumberText(tax.view());
}
