#include "listupdate/UpdateListReader.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "platform/base/Base.h"
#include "platform/kernel/FileHandles.h"
#include "platform/user/MessageBox.h"
#include "resources/resource_ids.h"

const std::array<const char*, 18> kUpdateItemTags = {
    "LISTID", "TYPE",    "NAME",     "FULLNAME", "DESC",  "COST",      "PRICE", "CATLISTID", "CATNAME",
    "TAXCODE", "ACCOUNT", "CREATED", "MODIFIED", "EDITSEQ", "LEVEL", "QTYONHAND", nullptr, "ORDERPT"};

const std::array<UpdateCustomerTag, 58> kUpdateCustomerTags = {{
    {"LISTID", kCustListID},
    {"CREATED", kCustTimeCreated},
    {"MODIFIED", kCustTimeModified},
    {"EDITSEQ", kCustEditSequence},
    {"NAME", kCustName},
    {"FULLNAME", kCustFullName},
    {"SUBLEVEL", kCustSublevel},
    {"COMPANY", kCustCompanyName},
    {"SALUTATION", kCustSalutation},
    {"FIRSTNAME", kCustFirstName},
    {"LASTNAME", kCustLastName},
    {"SUFFIX", kCustExtraName},
    {"PARENTLISTID", kCustParentListID},
    {"PARENTFULLNAME", kCustParentFullName},
    {"A1", kCustBillToAddr1},
    {"A2", kCustBillToAddr2},
    {"A3", kCustBillToAddr3},
    {"A4", kCustBillToAddr4},
    {"STATE", kCustBillToState},
    {"CITY", kCustBillToCity},
    {"ZIP", kCustBillToPostalCode},
    {"SHIPA1", kCustShipToAddr1},
    {"SHIPA2", kCustShipToAddr2},
    {"SHIPA3", kCustShipToAddr3},
    {"SHIPA4", kCustShipToAddr4},
    {"SHIPCITY", kCustShipToCity},
    {"SHIPSTATE", kCustShipToState},
    {"SHIPZIP", kCustShipToPostalCode},
    {"PHONE", kCustPhone},
    {"MOBILEPHONE", kCustMobile},
    {"ALTPHONE", kCustAltPhone},
    {"FAX", kCustFax},
    {"EMAIL", kCustEmail},
    {"CONTACT", kCustContact},
    {"CUSTOMERTYPE", kCustCustomerType},
    {"TERMSNAME", kCustTerms},
    {"SALESREPNAME", kCustSalesRep},
    {"BALANCE", kCustBalance},
    {"TOTALBALANCE", kCustTotalBalance},
    {"SALESTAXCODE", kCustSalesTaxCode},
    {"ITEMSALESTAXNAME", kCustItemSalesTax},
    {"RESALE", kCustResaleNumber},
    {"ACCOUNT", kCustAccountNumber},
    {"CREDITLIMIT", kCustCreditLimit},
    {"CC", kCustCCNum},
    {"CCMO", kCustCCExpMon},
    {"CCYR", kCustCCExpYear},
    {"CCNAME", kCustCCName},
    {"CCADDR", kCustCCAddr},
    {"CCZIP", kCustCCZip},
    {"JOBSTATUS", kCustJobStatus},
    {"JOBSTARTDATE", kCustJobStartDate},
    {"JOBPROJECTEDENDDATE", kCustJobProjectedEndDate},
    {"JOBENDDATE", kCustJobEndDate},
    {"JOBDESC", kCustJobDesc},
    {"JOBTYPE", kCustJobType},
    {"NOTES", kCustNotes},
    {"PRICELEVEL", kCustPriceLevel},
}};

using platform::ToUtf16;
using platform::ToUtf8;

namespace {

// Larger files are refused as the device would refuse to hold them.
constexpr DWORD kLargestFile = 512u * 1024u * 1024u;

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool NameIs(const xmlNode* node, std::string_view name) {
  if (node->type != XML_ELEMENT_NODE || !node->name) return false;
  const char* own = reinterpret_cast<const char*>(node->name);
  return std::strlen(own) == name.size() && std::memcmp(own, name.data(), name.size()) == 0;
}

const xmlNode* FirstChildElement(const xmlNode* element, std::string_view tag) {
  if (!element) return nullptr;
  for (const xmlNode* child = element->children; child; child = child->next)
    if (NameIs(child, tag)) return child;
  return nullptr;
}

// Every text below the node, in document order.
void AppendText(const xmlNode* node, std::string& out) {
  for (const xmlNode* child = node->children; child; child = child->next) {
    if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
      if (child->content) out += reinterpret_cast<const char*>(child->content);
    } else if (child->type == XML_ELEMENT_NODE) {
      AppendText(child, out);
    }
  }
}

std::u16string NodeText(const xmlNode* node) {
  if (!node) return {};
  std::string text;
  AppendText(node, text);
  size_t begin = 0, end = text.size();
  while (begin < end && IsXmlBlank(text[begin])) ++begin;
  while (end > begin && IsXmlBlank(text[end - 1])) --end;
  return ToUtf16(std::string_view(text).substr(begin, end - begin));
}

std::u16string Attribute(const xmlNode* node, const char* name, bool& present) {
  xmlChar* value = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
  present = value != nullptr;
  if (!value) return {};
  std::u16string text = ToUtf16(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return text;
}

// A version number as the desktop writes it ("4.5", "4.50"), read the same way whatever
// the user's regional settings; anything else is 0.
double VersionNumber(std::u16string_view text) {
  std::string narrow = ToUtf8(text);
  char* end = nullptr;
  double value = std::strtod(narrow.c_str(), &end);
  return end == narrow.c_str() ? 0.0 : value;
}

void ShowCannotOpen(HWND owner, std::u16string_view path) {
  std::u16string text = u"Could not open file '" + std::u16string(path) +
                        u"'.  It may be too large or missing. Update has been aborted.";
  MessageBoxW(owner, text.c_str(), kProductName, MB_OK);
}

}  // namespace

std::u16string UpdateListChildText(const _xmlNode* element, std::string_view tag) {
  return NodeText(FirstChildElement(element, tag));
}

CUpdateListReader::CUpdateListReader(void* ownerValue, HWND messageOwner)
    : m_ownerValue(ownerValue), m_messageOwner(messageOwner) {}

CUpdateListReader::~CUpdateListReader() { Recreate(); }

void CUpdateListReader::Recreate() {
  m_parseFailed = false;
  m_records = m_items = m_itemTypes = m_customers = Walk{};
  m_groupLines.clear();
  m_groupLineIndex = 0;
  m_byTag.clear();
  m_indexed = false;
  if (m_doc) xmlFreeDoc(m_doc);
  m_doc = nullptr;
}

int CUpdateListReader::LoadFile(std::u16string_view path) {
  Recreate();
  std::u16string name(path);
  std::vector<char> bytes;
  {
    CFileHandle file(CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
      ShowCannotOpen(m_messageOwner, path);
      return 0;
    }
    DWORD size = GetFileSize(file.get(), nullptr);
    try {
      if (size == INVALID_FILE_SIZE || size > kLargestFile) throw std::bad_alloc();
      bytes.resize(size);
    } catch (const std::bad_alloc&) {
      // The file stays: nothing of it was read, and a later run with more room may take it.
      ShowWarningMessage(m_messageOwner, IDS_UPDATE_FILE_TOO_LARGE);
      return 0;
    }
    DWORD read = 0;
    if (size && !ReadFile(file.get(), bytes.data(), size, &read, nullptr)) read = 0;
    bytes.resize(read);
  }
  DeleteFileW(name.c_str());
  return LoadBytes(bytes.data(), bytes.size());
}

int CUpdateListReader::LoadBytes(const void* data, size_t size) {
  Recreate();
  m_parseFailed = true;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    bytes += 2;
    size -= 2;
  }
  size &= ~static_cast<size_t>(1);  // an odd last byte is half a character
  if (size == 0 || size > kLargestFile) return 0;
  xmlDoc* doc = xmlReadMemory(reinterpret_cast<const char*>(bytes), static_cast<int>(size), nullptr, "UTF-16LE",
                              XML_PARSE_NONET | XML_PARSE_IGNORE_ENC | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!doc) return 0;
  // The companion never writes a DTD; one in a file can only serve to expand entities.
  if (doc->intSubset || doc->extSubset || !xmlDocGetRootElement(doc)) {
    xmlFreeDoc(doc);
    return 0;
  }
  m_doc = doc;
  m_parseFailed = false;
  return 1;
}

void CUpdateListReader::BuildIndex() {
  m_indexed = true;
  if (!m_doc) return;
  // Document order, without recursion: the walk climbs back through the parents.
  xmlNode* node = xmlDocGetRootElement(m_doc);
  while (node) {
    if (node->type == XML_ELEMENT_NODE) {
      m_byTag[reinterpret_cast<const char*>(node->name)].push_back(node);
      if (node->children) {
        node = node->children;
        continue;
      }
    }
    while (node && !node->next) {
      node = node->parent;
      if (node && node->type == XML_DOCUMENT_NODE) node = nullptr;
    }
    if (node) node = node->next;
  }
}

const std::vector<_xmlNode*>& CUpdateListReader::Elements(std::u16string_view tag) {
  static const std::vector<_xmlNode*> kNone;
  if (!m_indexed) BuildIndex();
  auto found = m_byTag.find(ToUtf8(tag));
  return found == m_byTag.end() ? kNone : found->second;
}

int CUpdateListReader::CheckVersion(std::u16string_view programVersion) {
  for (const char16_t* tag : {u"VENDELSOFTWARE", u"VENDELINVOICE", u"DATABASE"})
    if (Elements(tag).empty()) return kVersionUnknown;
  bool present = false;
  double file = VersionNumber(Attribute(Elements(u"DATABASE").front(), "Version", present));
  double program = VersionNumber(programVersion);
  if (file > program) return kVersionNewer;
  if (file < program) return kVersionOlder;
  return kVersionSame;
}

int CUpdateListReader::CountElements(std::u16string_view tag) { return static_cast<int>(Elements(tag).size()); }

int CUpdateListReader::SelectList(std::u16string_view tag) { return Elements(tag).empty() ? 0 : 1; }

bool CUpdateListReader::Start(Walk& walk, std::u16string_view tag) {
  walk.list = &Elements(tag);
  walk.index = 0;
  return walk.Current() != nullptr;
}

int CUpdateListReader::FirstRecord(std::u16string_view tag) { return Start(m_records, tag) ? 1 : 0; }

int CUpdateListReader::NextRecord() {
  if (!m_records.Current()) return 0;
  ++m_records.index;
  return m_records.Current() ? 1 : 0;
}

std::u16string CUpdateListReader::RecordText(std::string_view tag) const {
  return UpdateListChildText(m_records.Current(), tag);
}

void CUpdateListReader::ReadItem(_xmlNode* element, UpdateItemRecord& record) {
  for (auto& slot : record.text) slot.clear();
  for (size_t slot = 0; slot < kUpdateItemTags.size(); ++slot)
    if (kUpdateItemTags[slot]) record[static_cast<int>(slot)] = UpdateListChildText(element, kUpdateItemTags[slot]);
  m_groupLines.clear();
  m_groupLineIndex = 0;
  const std::u16string& type = record[kUpdType];
  if (type == u"Group" || type == u"Sales Tax Group") {
    if (const xmlNode* lines = FirstChildElement(element, "GROUPITEMS"))
      for (xmlNode* line = lines->children; line; line = line->next)
        if (line->type == XML_ELEMENT_NODE) m_groupLines.push_back(line);
  }
  int custom = 0;
  if (const xmlNode* fields = FirstChildElement(element, "CUSTOM")) {
    for (const xmlNode* field = fields->children; field && custom < 2; field = field->next) {
      if (field->type != XML_ELEMENT_NODE) continue;
      record[kUpdCustom1Name + 2 * custom] = UpdateListChildText(field, "NAME");
      record[kUpdCustom1Value + 2 * custom] = UpdateListChildText(field, "VALUE");
      ++custom;
    }
  }
}

int CUpdateListReader::FirstItemOfTag(std::u16string_view tag, UpdateItemRecord& record) {
  if (!Start(m_items, tag)) return 0;
  ReadItem(m_items.Current(), record);
  return 1;
}

int CUpdateListReader::NextItem(UpdateItemRecord& record) {
  if (!m_items.Current()) return 0;
  ++m_items.index;
  if (!m_items.Current()) return 0;
  ReadItem(m_items.Current(), record);
  return 1;
}

int CUpdateListReader::ReadGroupLine(std::u16string& listId, std::u16string& fullName, std::u16string& quantity) {
  if (m_groupLineIndex >= m_groupLines.size()) {
    m_groupLines.clear();
    m_groupLineIndex = 0;
    return 0;
  }
  const xmlNode* line = m_groupLines[m_groupLineIndex];
  listId = UpdateListChildText(line, "LISTID");
  fullName = UpdateListChildText(line, "FULLNAME");
  quantity = UpdateListChildText(line, "QUANTITY");
  return 1;
}

int CUpdateListReader::FirstGroupLine(std::u16string& listId, std::u16string& fullName, std::u16string& quantity) {
  m_groupLineIndex = 0;
  return ReadGroupLine(listId, fullName, quantity);
}

int CUpdateListReader::NextGroupLine(std::u16string& listId, std::u16string& fullName, std::u16string& quantity) {
  ++m_groupLineIndex;
  return ReadGroupLine(listId, fullName, quantity);
}

int CUpdateListReader::ReadItemType(std::u16string& name, bool& lineItems, int& order) {
  const xmlNode* element = m_itemTypes.Current();
  if (!element) return 0;
  name = NodeText(element);
  if (name.empty()) return 0;
  bool hasLineItems = false, hasOrder = false;
  lineItems = Attribute(element, "LINEITEMS", hasLineItems) == u"true";
  order = std::atoi(ToUtf8(Attribute(element, "ORDER", hasOrder)).c_str());
  return hasLineItems || hasOrder ? 1 : 0;
}

int CUpdateListReader::FirstItemType(std::u16string& name, bool& lineItems, int& order) {
  Start(m_itemTypes, u"ITEMTYPE");
  return ReadItemType(name, lineItems, order);
}

int CUpdateListReader::NextItemType(std::u16string& name, bool& lineItems, int& order) {
  if (!m_itemTypes.Current()) return 0;
  ++m_itemTypes.index;
  return ReadItemType(name, lineItems, order);
}

std::unique_ptr<CCustomerRecord> CUpdateListReader::ReadCustomer() {
  const xmlNode* element = m_customers.Current();
  if (!element) return nullptr;
  std::unique_ptr<CCustomerRecord> record;
  if (CPreferences::UseOutlook())
    record = std::make_unique<CContactCustomer>();
  else
    record = std::make_unique<CTableCustomer>();
  for (const UpdateCustomerTag& field : kUpdateCustomerTags)
    record->SetField(field.field, UpdateListChildText(element, field.tag));
  return record;
}

std::unique_ptr<CCustomerRecord> CUpdateListReader::FirstCustomer() {
  Start(m_customers, u"CUSTOMER");
  return ReadCustomer();
}

std::unique_ptr<CCustomerRecord> CUpdateListReader::NextCustomer() {
  if (!m_customers.Current()) return nullptr;
  ++m_customers.index;
  return ReadCustomer();
}

bool CUpdateListReader::GetOption(std::string_view name, bool def) {
  const auto& options = Elements(u"OPTIONS");
  if (options.empty()) return def;
  const xmlNode* child = FirstChildElement(options.front(), name);
  if (!child) return def;
  std::u16string text = NodeText(child);
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text == u"YES";
}
