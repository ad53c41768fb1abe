#include "document/XmlDocument.h"

#include <algorithm>

#include "core/CompanyInfo.h"
#include "core/MessageBoxes.h"
#include "core/TextHelpers.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "document/JobRecord.h"
#include "core/ResourceText.h"
#include "platform/base/Base.h"
#include "platform/base/Format.h"
#include "platform/base/UniqueHandle.h"
#include "platform/kernel/FileHandles.h"
#include "platform/locale/Locale.h"
#include "resources/resource_ids.h"

namespace {

// Texts of the language library shown when a file's bytes or its text find no memory.
constexpr UINT kIdsFileMemory = IDS_OUT_OF_MEMORY;
constexpr UINT kIdsTextMemory = IDS_TEXT_OUT_OF_MEMORY;

// The largest file read as a document. A line takes some half a kilobyte in the file (a
// kilobyte with long descriptions) and its parsed tree many times that in memory: 8 MB
// holds the thousands of lines a document can be given line by line (and saved), while a
// file beyond it could only exhaust the device.
constexpr DWORD kMaxDocumentFileBytes = 8u * 1024 * 1024;

constexpr char16_t kLineTag[] = u"LINEITEM";
constexpr char16_t kKeyAttribute[] = u"ID";

std::u16string CorruptFileText(std::u16string_view path) {
  return u"Failed to load '" + std::u16string(path) + u"'.  This file may be corrupt.";
}

// A record text as the writers take it: absent stays absent.
CBstr Field(const CDbRecord& record, int index) {
  BSTR text = record.GetField(index);
  return text ? CBstr(std::u16string_view(text, SysStringLen(text))) : CBstr();
}

// The service date in the user's date order, as "yyyy-MM-dd"; empty for an empty text
// or one that is no date.
CBstr ServiceDateForDesktop(const CBstr& serviceDate) {
  if (serviceDate.IsEmpty()) return CBstr(u"");
  SYSTEMTIME date{};
  ParseDateText(serviceDate.view(), date);
  WCHAR buffer[32] = {};
  int n = GetDateFormatW(LOCALE_USER_DEFAULT, 0, &date, u"yyyy-MM-dd", buffer, 32);
  return CBstr(std::u16string_view(buffer, n > 0 ? static_cast<size_t>(n - 1) : 0));
}

}  // namespace

CXmlDocument::CXmlDocument(HWND owner) : m_owner(owner) {
  m_data = CreateDomDocument();
  if (m_data) m_stylesheet = CreateDomDocument();
  if (!m_data || !m_stylesheet) ShowMemoryErrorMessage(nullptr);
}

CXmlDocument::~CXmlDocument() = default;

std::unique_ptr<CXmlDomDocument> CXmlDocument::CreateDomDocument() {
  try {
    auto doc = std::make_unique<CXmlDomDocument>();
    doc->put_async(false);
    doc->put_validateOnParse(false);
    doc->put_resolveExternals(false);
    return doc;
  } catch (const platform::HResultError&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// ---- Files ----------------------------------------------------------------------------------

bool CXmlDocument::LoadFile(std::u16string_view path, CBstr* error) {
  CBstr unused;
  if (!error) error = &unused;
  *error = CBstr(u"Unknown");
  if (!IsUsable()) return false;
  std::u16string p(path);
  CFileHandle file(CreateFileW(p.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD size = GetFileSize(file.get(), nullptr);
  if (size == INVALID_FILE_SIZE) return false;
  if (size > kMaxDocumentFileBytes) {
    *error = CBstr(DocumentTooLargeText(path));
    return false;
  }
  CLocalMemory bytes = CLocalMemory::Allocate(static_cast<SIZE_T>(size) + 1);
  if (!bytes) {
    file.reset();
    *error = CBstr(LoadResText(kIdsFileMemory));
    return false;
  }
  DWORD read = 0;
  BOOL ok = ReadFile(file.get(), bytes.as<char>(), size, &read, nullptr);
  // Parsing needs the bytes only, not the file: it is closed before the work starts.
  file.reset();
  if (!ok || read == 0) return false;
  CLocalMemory wide = CLocalMemory::Allocate((static_cast<SIZE_T>(read) + 1) * sizeof(WCHAR));
  if (!wide) {
    *error = CBstr(LoadResText(kIdsTextMemory));
    return false;
  }
  int chars = MultiByteToWideChar(CP_ACP, 0, bytes.as<char>(), static_cast<int>(read), wide.as<WCHAR>(),
                                  static_cast<int>(read));
  std::u16string_view text(wide.as<WCHAR>(), static_cast<size_t>(chars > 0 ? chars : 0));
  // The text decides whether this is an XML file at all; the bytes are parsed so that an
  // encoding the file declares is honoured.
  bool loaded = text.find(u"<?xml") != std::u16string_view::npos &&
                m_data->loadBytes(std::string_view(bytes.as<char>(), read)) == S_OK;
  LinesChanged();
  m_current = CXmlDomNode();
  if (!loaded) {
    *error = CBstr(CorruptFileText(p));
    return false;
  }
  *error = CBstr();
  return true;
}

std::u16string CXmlDocument::UnreadableFileText(std::u16string_view path) {
  const std::u16string p(path);
  const std::u16string named = u"The file '" + p + u"'";
  const DWORD attributes = GetFileAttributesW(p.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return named + u" could not be found.";
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return named + u" is a folder, not a document.";
  CFileHandle file(CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) {
    if (GetLastError() == ERROR_NOT_SUPPORTED)
      return named + u" is not an ordinary file (a pipe, a device or a link to one) and cannot be a document.";
    return named + u" could not be opened.";
  }
  if (GetFileSize(file.get(), nullptr) == 0) return named + u" is empty.";
  return named + u" could not be read.";
}

std::u16string CXmlDocument::DocumentTooLargeText(std::u16string_view path) {
  const std::u16string format = LoadResText(IDS_FILE_TOO_LARGE);
  // Without the language library the refusal still names the file.
  if (format.empty()) return CorruptFileText(path);
  return platform::FormatWide(format, {std::u16string(path), kMaxDocumentFileBytes >> 20});
}

bool CXmlDocument::LoadXmlText(std::u16string_view text) {
  if (!IsUsable() || text.find(u"<?xml") == std::u16string_view::npos) return false;
  LinesChanged();
  m_current = CXmlDomNode();
  try {
    return m_data->loadXML(text) == S_OK;
  } catch (const platform::HResultError&) {
    return false;
  }
}

bool CXmlDocument::SaveFile(std::u16string_view path) {
  if (!IsUsable()) return false;
  std::string bytes;
  if (m_data->GetXmlBytes(&bytes) != S_OK || bytes.empty()) return false;
  return m_data->save(path) == S_OK;
}

HRESULT CXmlDocument::LoadStylesheet(std::u16string_view xsl) {
  if (!IsUsable()) return E_FAIL;
  m_transform.reset();
  return m_stylesheet->loadXML(xsl);
}

bool CXmlDocument::StylesheetMayRead(std::u16string_view name) const {
  std::string xsl;
  if (!m_stylesheet || m_stylesheet->GetXmlBytes(&xsl) != S_OK) return false;
  if (xsl.find(platform::ToUtf8(name)) != std::string::npos) return true;
  // Attributes reached without their name: copies, the attribute axis, "@*" or "@p:*".
  if (xsl.find("copy") != std::string::npos || xsl.find("attribute::") != std::string::npos) return true;
  for (size_t at = xsl.find('@'); at != std::string::npos; at = xsl.find('@', at + 1)) {
    size_t next = xsl.find_first_not_of(" \t\r\n", at + 1);
    const size_t colon = next == std::string::npos ? next : xsl.find_first_not_of(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-.", next);
    if (colon != std::string::npos && xsl[colon] == ':') next = colon + 1;
    if (next < xsl.size() && xsl[next] == '*') return true;
  }
  return false;
}

const CXslTransform& CXmlDocument::Stylesheet() {
  if (!m_transform) {
    m_transform = std::make_unique<CXslTransform>();
    m_transform->Load(*m_stylesheet);
  }
  return *m_transform;
}

HRESULT CXmlDocument::Transform(CBstr* html) {
  if (!IsUsable()) return E_FAIL;
  return m_data->transformNode(Stylesheet(), html);
}

// ---- Root attributes -------------------------------------------------------------------------

bool CXmlDocument::GetRootAttribute(std::u16string_view name, CBstr* value) {
  *value = CBstr(u"");
  CXmlDomNode root;
  if (!IsUsable() || m_data->get_documentElement(&root) != S_OK) return false;
  CBstr read;
  if (root.getAttribute(name, &read) != S_OK) return false;
  *value = std::move(read);
  return true;
}

bool CXmlDocument::SetRootAttribute(std::u16string_view name, const CBstr& value) {
  CXmlDomNode root;
  if (!IsUsable() || m_data->get_documentElement(&root) != S_OK) return false;
  return root.setAttribute(name, value.view()) == S_OK;
}

bool CXmlDocument::RemoveRootAttribute(std::u16string_view name) {
  CXmlDomNode root;
  if (!IsUsable() || m_data->get_documentElement(&root) != S_OK) return false;
  return SUCCEEDED(root.removeAttribute(name));
}

// ---- Element writer ----------------------------------------------------------------------------

HRESULT CXmlDocument::BeginElement(CBstr name) {
  if (!IsUsable()) return E_FAIL;
  CXmlDomNode element;
  HRESULT hr = m_data->createElement(name.view(), &element);
  if (SUCCEEDED(hr)) hr = m_current ? m_current.appendChild(element) : m_data->appendChild(element);
  if (SUCCEEDED(hr)) m_current = element;
  return hr;
}

HRESULT CXmlDocument::AddTextElement(CBstr name, const CBstr& text) {
  if (!IsUsable() || !m_current || text.IsNull()) return S_FALSE;
  return AppendChildWithText(m_current, name.view(), text);
}

HRESULT CXmlDocument::EndElement(CBstr) {
  if (!m_current) return S_FALSE;
  CXmlDomNode parent;
  m_current.get_parentNode(&parent);
  m_current = parent;
  return S_OK;
}

// ---- Child walk ----------------------------------------------------------------------------------

void CXmlDocument::ReadChildAt(CBstr* name, CBstr* text, CBstr* attribute) {
  CXmlDomNode child;
  m_list.get_item(m_cursor, &child);
  child.get_nodeName(name);
  child.get_text(text);
  *attribute = CBstr();
  DOMNodeType type = NODE_INVALID;
  child.get_nodeType(&type);
  if (type == NODE_ELEMENT) child.getAttribute(m_attributeName.view(), attribute);
}

bool CXmlDocument::FindFirstChild(std::u16string_view tag, std::u16string_view attributeName, CBstr* name,
                                  CBstr* text, CBstr* attribute) {
  *name = CBstr();
  *text = CBstr();
  *attribute = CBstr();
  if (!IsUsable()) return false;
  CXmlDomNodeList elements;
  CXmlDomNode element;
  m_data->getElementsByTagName(tag, &elements);
  if (elements.get_item(0, &element) != S_OK) return false;
  CXmlDomNodeList children;
  element.get_childNodes(&children);
  LONG count = 0;
  children.get_length(&count);
  if (count == 0) return false;
  m_list = children;
  m_count = count;
  m_cursor = 0;
  m_attributeName = CBstr(attributeName);
  ReadChildAt(name, text, attribute);
  return true;
}

bool CXmlDocument::FindNextChild(CBstr* name, CBstr* text, CBstr* attribute) {
  if (m_cursor + 1 >= m_count) {
    m_list = CXmlDomNodeList();
    m_count = 0;
    m_cursor = 0;
    return false;
  }
  ++m_cursor;
  ReadChildAt(name, text, attribute);
  return true;
}

// ---- Searches --------------------------------------------------------------------------------------

LONG CXmlDocument::CountElements(std::u16string_view tag) {
  if (!IsUsable()) return 0;
  m_data->getElementsByTagName(tag, &m_list);
  m_list.get_length(&m_count);
  return m_count;
}

int CXmlDocument::SelectElement(std::u16string_view tag, LONG index) {
  CountElements(tag);
  if (m_list.get_item(index, &m_current) != S_OK) return 1;
  return 0;
}

int CXmlDocument::SelectElementAt(std::u16string_view tag, LONG index, std::u16string_view attributeName,
                                  CBstr* value) {
  CountElements(tag);
  return GetItemAttribute(index, attributeName, value);
}

int CXmlDocument::GetItemAttribute(LONG index, std::u16string_view attributeName, CBstr* value) {
  if (m_list.get_item(index, &m_current) != S_OK) return 1;
  return m_current.getAttribute(attributeName, value) == S_OK ? 0 : 1;
}

CBstr CXmlDocument::GetChildText(const CXmlDomNode& node, std::u16string_view childName) {
  CXmlDomNode child;
  for (node.get_firstChild(&child); child; child.get_nextSibling(&child)) {
    CBstr name;
    DOMNodeType type = NODE_INVALID;
    child.get_nodeType(&type);
    child.get_nodeName(&name);
    if (type == NODE_ELEMENT && name.view() == childName) {
      CBstr text;
      child.get_text(&text);
      return text;
    }
  }
  return CBstr(u"");
}

bool CXmlDocument::GetNodeAttribute(const CXmlDomNode& node, std::u16string_view name, CBstr* value) {
  return node.getAttribute(name, value) == S_OK;
}

HRESULT CXmlDocument::SetChildText(const CXmlDomNode& node, std::u16string_view childName, const CBstr& value) {
  if (!node) return E_POINTER;
  CXmlDomNode child;
  for (node.get_firstChild(&child); child; child.get_nextSibling(&child)) {
    CBstr name;
    DOMNodeType type = NODE_INVALID;
    child.get_nodeType(&type);
    child.get_nodeName(&name);
    if (type == NODE_ELEMENT && name.view() == childName) return child.put_text(value.view());
  }
  if (value.IsNull()) return S_FALSE;
  return AppendChildWithText(node, childName, value);
}

HRESULT CXmlDocument::AppendChildWithText(const CXmlDomNode& parent, std::u16string_view name, const CBstr& value) {
  if (!IsUsable() || !parent) return E_POINTER;
  CXmlDomNode element, text;
  HRESULT hr = m_data->createElement(name, &element);
  if (SUCCEEDED(hr)) hr = m_data->createTextNode(value.view(), &text);
  if (SUCCEEDED(hr)) hr = element.appendChild(text);
  CXmlDomNode target = parent;
  if (SUCCEEDED(hr)) hr = target.appendChild(element);
  return hr;
}

// ---- Blocks -------------------------------------------------------------------------------------------

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

// ---- Line items -------------------------------------------------------------------------------------

namespace {

// A line's key; absent and empty keys are the same key, every other character counts.
std::u16string KeyOf(const CXmlDomNode& line) {
  CBstr id;
  line.getAttribute(kKeyAttribute, &id);
  return id.str();
}

}  // namespace

bool CXmlDocument::FetchLines() {
  if (!IsUsable()) return false;
  CXmlDomNode root;
  m_data->get_documentElement(&root);
  if (!m_linesIndexed || !(root == m_indexRoot)) IndexLines(root);
  return true;
}

// Lines are found by tag anywhere in the document, as a file of another writer may hold
// them; the first line of each key is the one a key names.
void CXmlDocument::IndexLines(const CXmlDomNode& root) {
  m_lines.clear();
  m_lineKeys.clear();
  m_indexRoot = root;
  m_linesIndexed = true;
  ++m_lineVersion;
  CXmlDomNodeList list;
  m_data->getElementsByTagName(kLineTag, &list);
  CXmlDomNode line;
  for (LONG i = 0; list.get_item(i, &line) == S_OK; ++i) {
    m_lines.push_back(line);
    KeyedLine& keyed = m_lineKeys[KeyOf(line)];
    if (keyed.count++ == 0) keyed.line = line;
  }
}

// Searched from the end: most changes are made to the last lines.
LONG CXmlDocument::PositionOf(const CXmlDomNode& line) const {
  for (size_t i = m_lines.size(); i-- > 0;)
    if (m_lines[i] == line) return static_cast<LONG>(i);
  return -1;
}

LONG CXmlDocument::FindLineIndex(const CBstr& key) {
  auto it = m_lineKeys.find(std::u16string(key.view()));
  if (it == m_lineKeys.end()) return -1;
  m_current = it->second.line;
  return PositionOf(it->second.line);
}

void CXmlDocument::IndexInsertedLine(LONG position, const CXmlDomNode& line, const std::u16string& key) {
  m_lines.insert(m_lines.begin() + position, line);
  KeyedLine& keyed = m_lineKeys[key];
  // A key carried twice names the line that comes first.
  if (keyed.count++ == 0 || position < PositionOf(keyed.line)) keyed.line = line;
  ++m_lineVersion;
}

void CXmlDocument::IndexRemovedLine(LONG position, const std::u16string& key) {
  const CXmlDomNode line = m_lines[static_cast<size_t>(position)];
  m_lines.erase(m_lines.begin() + position);
  auto it = m_lineKeys.find(key);
  if (it != m_lineKeys.end() && --it->second.count == 0) {
    m_lineKeys.erase(it);
  } else if (it != m_lineKeys.end() && it->second.line == line) {
    for (const CXmlDomNode& other : m_lines)
      if (KeyOf(other) == key) {
        it->second.line = other;
        break;
      }
  }
  ++m_lineVersion;
}

LONG CXmlDocument::GetLineCount() { return FetchLines() ? static_cast<LONG>(m_lines.size()) : 0; }

LONG CXmlDocument::GetLinePosition(const CBstr& key) {
  if (key.IsNull() || !FetchLines()) return -1;
  return FindLineIndex(key);
}

bool CXmlDocument::GetLineKeyAt(LONG index, CBstr* key) {
  if (!FetchLines() || index < 0 || static_cast<size_t>(index) >= m_lines.size()) return false;
  *key = CBstr(KeyOf(m_lines[static_cast<size_t>(index)]));
  return true;
}

bool CXmlDocument::HasLineItem(const CBstr& key) { return GetLinePosition(key) >= 0; }

bool CXmlDocument::IsLineKeyTaken(const CBstr& key) { return HasLineItem(key); }

bool CXmlDocument::FindLineItem(const CBstr& key) {
  bool found = HasLineItem(key);
  m_list = CXmlDomNodeList();
  m_count = 0;
  return found;
}

bool CXmlDocument::HasLineItems() { return GetLineCount() > 0; }

bool CXmlDocument::RemoveLineItem(const CBstr& key, LONG* position) {
  const LONG at = GetLinePosition(key);
  if (at < 0) return false;
  CXmlDomNode line = m_lines[static_cast<size_t>(at)], parent;
  if (line.get_parentNode(&parent) != S_OK || parent.removeChild(line) != S_OK) return false;
  m_current = CXmlDomNode();
  IndexRemovedLine(at, std::u16string(key.view()));
  if (position) *position = at;
  return true;
}

bool CXmlDocument::GetNextLineKey(CBstr key, CBstr* next) {
  const LONG at = GetLinePosition(key);
  if (at < 0 || !GetLineKeyAt(at + 1, next)) return false;
  return true;
}

void CXmlDocument::ReadLine(const CXmlDomNode& line, CLineItemTexts* out) {
  CBstr id;
  line.getAttribute(kKeyAttribute, &id);
  out->key = id.IsNull() ? CBstr(u"") : std::move(id);
  // One walk over the children (a line has some twenty): the first child of each name
  // gives its text, a missing one reads as empty.
  struct Slot {
    std::u16string_view name;
    CBstr* text;
    bool found;
  };
  Slot slots[] = {{u"CODE", &out->code, false},
                  {u"TYPE", &out->type, false},
                  {u"QUANTITY", &out->quantity, false},
                  {u"NAME", &out->name, false},
                  {u"DESCRIPTION", &out->description, false},
                  {u"PRICE", &out->price, false},
                  {u"COST", &out->cost, false},
                  {u"PRICELEVEL", &out->priceLevel, false},
                  {u"UNITOFMEASURE", &out->unitOfMeasure, false},
                  {u"TOTAL", &out->total, false},
                  {u"TAXABLE", &out->taxable, false},
                  {u"TAX2", &out->tax2, false},
                  {u"SERVICED", &out->serviceDate, false},
                  {u"TAX_AMOUNT", &out->taxAmount, false},
                  {u"CUSTOM_1_NAME", &out->customName1, false},
                  {u"CUSTOM_1_VALUE", &out->customValue1, false},
                  {u"CUSTOM_2_NAME", &out->customName2, false},
                  {u"CUSTOM_2_VALUE", &out->customValue2, false}};
  CXmlDomNode child;
  for (line.get_firstChild(&child); child; child.get_nextSibling(&child)) {
    DOMNodeType type = NODE_INVALID;
    child.get_nodeType(&type);
    if (type != NODE_ELEMENT) continue;
    CBstr name;
    child.get_nodeName(&name);
    for (Slot& slot : slots) {
      if (slot.found || slot.name != name.view()) continue;
      child.get_text(slot.text);
      slot.found = true;
      break;
    }
  }
  for (Slot& slot : slots)
    if (!slot.found) *slot.text = CBstr(u"");
}

bool CXmlDocument::ReadLineItemAt(LONG index, CLineItemTexts* line, bool) {
  if (!FetchLines() || index < 0 || static_cast<size_t>(index) >= m_lines.size()) return false;
  ReadLine(m_lines[static_cast<size_t>(index)], line);
  return true;
}

bool CXmlDocument::ReadFirstLineItem(CLineItemTexts* line) {
  m_lineCursor = 0;
  return ReadLineItemAt(0, line);
}

bool CXmlDocument::ReadNextLineItem(CLineItemTexts* line) {
  if (!FetchLines() || static_cast<size_t>(m_lineCursor) >= m_lines.size()) return false;
  ++m_lineCursor;
  return ReadLineItemAt(m_lineCursor, line);
}

HRESULT CXmlDocument::InsertLineItem(const CBstr& beforeKey, const CDbRecord& record, LONG* position) {
  if (!FetchLines()) return E_FAIL;
  CXmlDomNode before;
  LONG at = static_cast<LONG>(m_lines.size());
  if (const LONG found = GetLinePosition(beforeKey); found >= 0) {
    before = m_current;
    at = found;
  }
  CXmlDomNode root, line;
  HRESULT hr = m_data->get_documentElement(&root);
  if (hr != S_OK) return E_FAIL;
  hr = m_data->createElement(kLineTag, &line);
  if (SUCCEEDED(hr)) hr = root.insertBefore(line, before);
  if (FAILED(hr)) return hr;
  CBstr key = Field(record, 13);
  line.setAttribute(kKeyAttribute, key.view());
  IndexInsertedLine(at, line, key.str());
  if (position) *position = at;
  CBstr description = Field(record, 6);
  if (description.IsEmpty()) description = Field(record, 3);
  CBstr serviceDate = Field(record, 19);
  // Every child from TYPE to QBSERVICED is written, empty or not.
  const std::pair<const char16_t*, CBstr> children[] = {
      {u"TYPE", Field(record, 1)},
      {u"ACCOUNT", Field(record, 16)},
      {u"VENDOR", Field(record, 17)},
      {u"CATNAME", Field(record, 5)},
      {u"NUMBER", Field(record, 0)},
      {u"QUANTITY", Field(record, 10)},
      {u"NAME", Field(record, 3)},
      {u"DESCRIPTION", description},
      {u"PRICE", Field(record, 11)},
      {u"COST", Field(record, 18)},
      {u"PRICELEVEL", Field(record, 21)},
      {u"TOTAL", record.GetLineTotalText()},
      {u"TAXABLE", Field(record, 8)},
      {u"UNITOFMEASURE", Field(record, 2)},
      {u"TAX_AMOUNT", Field(record, 22)},
      {u"SERVICED", serviceDate},
      {u"QBSERVICED", ServiceDateForDesktop(serviceDate)},
  };
  for (const auto& [name, value] : children)
    if (FAILED(hr = AppendChildWithText(line, name, value))) return hr;
  const std::pair<const char16_t*, int> customs[] = {
      {u"CUSTOM_1_NAME", 25}, {u"CUSTOM_1_VALUE", 26}, {u"CUSTOM_2_NAME", 27}, {u"CUSTOM_2_VALUE", 28}};
  for (const auto& [name, index] : customs) {
    CBstr value = Field(record, index);
    if (!value.IsEmpty() && FAILED(hr = AppendChildWithText(line, name, value))) return hr;
  }
  m_current = line;
  return S_OK;
}

namespace {
CBstr EmptyAsNull(CBstr text) { return text.IsEmpty() ? CBstr() : text; }
}  // namespace

HRESULT CXmlDocument::UpdateLineItem(const CDbRecord& record) {
  if (!FetchLines()) return E_FAIL;
  if (FindLineIndex(Field(record, 13)) < 0) return S_OK;
  ++m_lineVersion;
  CXmlDomNode line = m_current;
  CBstr serviceDate = Field(record, 19);
  const std::pair<const char16_t*, CBstr> children[] = {
      {u"TYPE", Field(record, 1)},
      {u"NUMBER", Field(record, 0)},
      {u"CATNAME", Field(record, 5)},
      {u"QUANTITY", Field(record, 10)},
      {u"NAME", Field(record, 3)},
      {u"DESCRIPTION", Field(record, 6)},
      {u"PRICE", Field(record, 11)},
      {u"COST", Field(record, 18)},
      {u"PRICELEVEL", Field(record, 21)},
      {u"UNITOFMEASURE", Field(record, 2)},
      {u"TYPE", Field(record, 1)},
      {u"TAXABLE", Field(record, 8)},
      {u"TAX_AMOUNT", Field(record, 22)},
      {u"SERVICED", serviceDate},
      {u"QBSERVICED", serviceDate.IsNull() ? CBstr() : ServiceDateForDesktop(serviceDate)},
      // As on insertion, an empty custom text adds no child (an existing one is emptied),
      // so that rewriting a line with what it holds leaves it as it was.
      {u"CUSTOM_1_VALUE", EmptyAsNull(Field(record, 26))},
      {u"CUSTOM_1_NAME", EmptyAsNull(Field(record, 25))},
      {u"CUSTOM_2_VALUE", EmptyAsNull(Field(record, 28))},
      {u"CUSTOM_2_NAME", EmptyAsNull(Field(record, 27))},
  };
  for (const auto& [name, value] : children) SetChildText(line, name, value);
  return S_OK;
}

bool CXmlDocument::UpdateLineItemAt(LONG index, const CLineItemTexts& v, bool) {
  if (!FetchLines() || index < 0 || static_cast<size_t>(index) >= m_lines.size()) return false;
  ++m_lineVersion;
  CXmlDomNode line = m_lines[static_cast<size_t>(index)];
  m_current = line;
  auto set = [&](const char16_t* name, const CBstr& value) {
    if (!value.IsNull()) SetChildText(line, name, value);
  };
  set(u"TYPE", v.type);
  set(u"QUANTITY", v.quantity);
  set(u"TOTAL", v.total);
  set(u"NAME", v.name);
  set(u"DESCRIPTION", v.description);
  set(u"PRICE", v.price);
  set(u"COST", v.cost);
  set(u"PRICELEVEL", v.priceLevel);
  set(u"UNITOFMEASURE", v.unitOfMeasure);
  set(u"TAXABLE", v.taxable);
  if (!v.serviceDate.IsNull()) {
    SetChildText(line, u"SERVICED", v.serviceDate);
    SetChildText(line, u"QBSERVICED", ServiceDateForDesktop(v.serviceDate));
  }
  set(u"TAX_AMOUNT", v.taxAmount);
  if (!v.customName1.IsNull()) {
    SetChildText(line, u"CUSTOM_1_NAME", v.customName1);
    SetChildText(line, u"CUSTOM_1_VALUE", v.customValue1);
  }
  if (!v.customName2.IsNull()) {
    SetChildText(line, u"CUSTOM_2_NAME", v.customName2);
    SetChildText(line, u"CUSTOM_2_VALUE", v.customValue2);
  }
  return true;
}

bool CXmlDocument::ReadLineItem(const CBstr& key, CDbRecord* record) {
  if (!HasLineItem(key)) return false;
  CXmlDomNode line = m_current;
  CBstr id;
  line.getAttribute(kKeyAttribute, &id);
  record->SetField(13, id.IsNull() ? CBstr(u"") : id);
  const std::pair<const char16_t*, int> fields[] = {
      {u"TYPE", 1},           {u"QUANTITY", 10},      {u"NAME", 3},           {u"CATNAME", 5},
      {u"DESCRIPTION", 6},    {u"PRICE", 11},         {u"COST", 18},          {u"PRICELEVEL", 21},
      {u"TOTAL", 12},         {u"NUMBER", 0},         {u"TAXABLE", 8},        {u"TAX_AMOUNT", 22},
      {u"UNITOFMEASURE", 2},  {u"SERVICED", 19},      {u"CUSTOM_1_NAME", 25}, {u"CUSTOM_1_VALUE", 26},
      {u"CUSTOM_2_NAME", 27}, {u"CUSTOM_2_VALUE", 28},
  };
  for (const auto& [name, index] : fields) record->SetField(index, GetChildText(line, name));
  return true;
}

CBstr CXmlDocument::ChooseLineKey(const CBstr& recordKey) {
  LONG fresh = GetLineCount() + 1;
  if (!recordKey.IsEmpty() && !IsLineKeyTaken(recordKey)) return recordKey;
  while (IsLineKeyTaken(CBstr(platform::ToUtf16(std::to_string(fresh))))) ++fresh;
  return CBstr(platform::ToUtf16(std::to_string(fresh)));
}

namespace {

// The root's start tag with its attributes, as XML text.
std::u16string StartTagOf(const CXmlDomNode& element) {
  CBstr name;
  element.get_nodeName(&name);
  std::u16string text = u"<" + name.str();
  CXmlDomNamedNodeMap attributes;
  element.get_attributes(&attributes);
  CXmlDomNode attribute;
  for (LONG i = 0; attributes.get_item(i, &attribute) == S_OK; ++i) {
    CBstr attributeName, value;
    attribute.get_nodeName(&attributeName);
    attribute.get_text(&value);
    text += u" " + attributeName.str() + u"=\"" + EscapeXmlText(value.view(), true) + u"\"";
  }
  return text + u">";
}

}  // namespace

HRESULT CXmlDocument::TransformLine(LONG index, CBstr* html) {
  CXmlDomNode root;
  if (!FetchLines() || index < 0 || static_cast<size_t>(index) >= m_lines.size() ||
      m_data->get_documentElement(&root) != S_OK)
    return E_FAIL;
  CBstr line, rootName;
  m_lines[static_cast<size_t>(index)].get_xml(&line);
  root.get_nodeName(&rootName);
  CXmlDomDocument alone;
  if (alone.loadXML(StartTagOf(root) + line.str() + u"</" + rootName.str() + u">") != S_OK) return E_FAIL;
  return alone.transformNode(Stylesheet(), html);
}
