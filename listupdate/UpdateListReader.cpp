#include "listupdate/UpdateListReader.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "listupdate/ImportText.h"
#include "platform/base/Base.h"
#include "platform/kernel/FileHandles.h"
#include "platform/base/Format.h"
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
constexpr DWORD kLargestFile = 64u * 1024u * 1024u;

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A version number as the desktop writes it ("4.5", "4.50"), read the same way whatever
// the user's regional settings; anything else is 0.
double VersionNumber(std::u16string_view text) {
  std::string narrow = ToUtf8(text);
  char* end = nullptr;
  double value = std::strtod(narrow.c_str(), &end);
  return end == narrow.c_str() ? 0.0 : value;
}

void ShowCannotOpen(HWND owner, std::u16string_view path) {
  MessageBoxW(owner, CannotOpenText(path).c_str(), kProductName, MB_OK);
}

}  // namespace

// The parser's callbacks, building the reader's element tree.
struct CUpdateListParse {
  CUpdateListReader& reader;
  xmlParserCtxtPtr context = nullptr;
  std::vector<int> open;  // the elements not yet ended
  std::unordered_map<const xmlChar*, int> idOfName;  // the parser interns element names
  bool refused = false;

  int Intern(const xmlChar* local, const xmlChar* prefix) {
    if (!prefix) {
      auto found = idOfName.find(local);
      if (found != idOfName.end()) return found->second;
    }
    std::string name = prefix ? std::string(reinterpret_cast<const char*>(prefix)) + ":" : std::string();
    name += reinterpret_cast<const char*>(local);
    auto [it, added] = reader.m_nameIds.try_emplace(name, static_cast<int>(reader.m_names.size()));
    if (added) {
      reader.m_names.push_back(name);
      reader.m_byName.emplace_back();
    }
    if (!prefix) idOfName.emplace(local, it->second);
    return it->second;
  }

  static CUpdateListParse& Of(void* context) {
    return *static_cast<CUpdateListParse*>(static_cast<xmlParserCtxtPtr>(context)->_private);
  }
  static void StartElement(void* ctx, const xmlChar* local, const xmlChar* prefix, const xmlChar*, int,
                           const xmlChar**, int attributeCount, int, const xmlChar** attributes) {
    CUpdateListParse& p = Of(ctx);
    auto& nodes = p.reader.m_nodes;
    int index = static_cast<int>(nodes.size());
    CUpdateListReader::Node node;
    node.name = p.Intern(local, prefix);
    node.parent = p.open.empty() ? -1 : p.open.back();
    if (node.parent >= 0) {
      CUpdateListReader::Node& parent = nodes[node.parent];
      if (parent.lastChild >= 0) nodes[parent.lastChild].next = index;
      else parent.firstChild = index;
      parent.lastChild = index;
    }
    p.reader.m_byName[node.name].push_back(index);
    nodes.push_back(node);
    for (int a = 0; a < attributeCount; ++a) {
      const xmlChar** attribute = attributes + 5 * a;  // name, prefix, URI, value, value end
      const char* value = reinterpret_cast<const char*>(attribute[3]);
      p.reader.m_attributes[index].emplace_back(p.Intern(attribute[0], attribute[1]),
                                                std::string(value, reinterpret_cast<const char*>(attribute[4])));
    }
    p.open.push_back(index);
  }
  static void EndElement(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
    CUpdateListParse& p = Of(ctx);
    if (!p.open.empty()) p.open.pop_back();
  }
  static void Characters(void* ctx, const xmlChar* text, int length) {
    CUpdateListParse& p = Of(ctx);
    if (p.open.empty()) return;
    CUpdateListReader::Node& node = p.reader.m_nodes[p.open.back()];
    std::string& texts = p.reader.m_texts;
    if (node.textLength > 0 && node.textBegin + node.textLength != texts.size()) {
      // Text resumed after a child element: the node's text moves to the end, so that it
      // stays in one piece.
      std::string own(p.reader.OwnText(p.open.back()));
      node.textBegin = texts.size();
      texts += own;
    } else if (node.textLength == 0) {
      node.textBegin = texts.size();
    }
    texts.append(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
    node.textLength += static_cast<size_t>(length);
  }
  // The companion never writes a DTD; one in a file can only serve to expand entities.
  static void Subset(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
    CUpdateListParse& p = Of(ctx);
    p.refused = true;
    xmlStopParser(p.context);
  }
};

CUpdateListReader::CUpdateListReader(HWND messageOwner) : m_messageOwner(messageOwner) {}

CUpdateListReader::~CUpdateListReader() = default;

void CUpdateListReader::Recreate() {
  m_records = m_items = m_itemTypes = m_customers = Walk{};
  m_groupLines.clear();
  m_groupLineIndex = 0;
  m_nodes.clear();
  m_texts.clear();
  m_names.clear();
  m_nameIds.clear();
  m_byName.clear();
  m_attributes.clear();
  m_parseFailed = false;
}

int CUpdateListReader::LoadFile(std::u16string_view path) {
  Recreate();
  m_loadedFile.reset();
  std::u16string name(path);
  std::u16string units;  // read straight into place: the file is UTF-16LE
  {
    CFileHandle file(CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
      ShowCannotOpen(m_messageOwner, path);
      return 0;
    }
    DWORD size = GetFileSize(file.get(), nullptr);
    if (size != INVALID_FILE_SIZE && size > kLargestFile) {
      // Too large is no want of memory: closing programs would not help.
      const std::u16string text = platform::FormatWide(
          u"The update list %s is too large to be read (%u MB; an update list may hold at most %u MB).  "
          u"It was kept as it was: send a smaller list from the desktop.",
          {name, static_cast<unsigned>(size / (1024 * 1024)), static_cast<unsigned>(kLargestFile / (1024 * 1024))});
      MessageBoxW(m_messageOwner, text.c_str(), kProductName, MB_OK | MB_ICONEXCLAMATION);
      return 0;
    }
    try {
      if (size == INVALID_FILE_SIZE) throw std::bad_alloc();
      units.resize((size + 1) / 2);
    } catch (const std::bad_alloc&) {
      // The file stays: nothing of it was read, and a later run with more room may take it.
      ShowWarningMessage(m_messageOwner, IDS_UPDATE_FILE_TOO_LARGE);
      return 0;
    }
    DWORD read = 0;
    CUpdateFileStamp stamp{name, size, {}};
    if ((!size || ReadFile(file.get(), units.data(), size, &read, nullptr)) &&
        GetFileTime(file.get(), nullptr, nullptr, &stamp.written))
      m_loadedFile = std::move(stamp);
    units.resize(read / 2);  // an odd last byte is half a character
  }
  if constexpr (std::endian::native == std::endian::big)
    for (char16_t& c : units) c = static_cast<char16_t>((c >> 8) | (c << 8));
  return LoadUnits(units);
}

int CUpdateListReader::LoadBytes(const void* data, size_t size) {
  std::u16string units(size / 2, u'\0');  // an odd last byte is half a character
  const auto* octets = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(octets[2 * i] | (octets[2 * i + 1] << 8));
  return LoadUnits(units);
}

int CUpdateListReader::LoadUnits(std::u16string_view units) {
  Recreate();
  m_parseFailed = true;
  if (!units.empty() && units.front() == 0xFEFF) units.remove_prefix(1);
  const size_t size = units.size() * sizeof(char16_t);
  if (size == 0 || size > kLargestFile) return 0;
  // The parser gets UTF-8, converted here in one pass: its own decoder costs more. Half a
  // surrogate pair makes the file no text.
  // Room for the longest form; the memory beyond what is written is never touched.
  std::unique_ptr<char[]> utf8(new char[units.size() * 3]);
  const size_t utf8Size = platform::WriteUtf8Strict(units, utf8.get());
  if (utf8Size == SIZE_MAX) return 0;
  // Sized for the sample files' elements of about twenty characters.
  m_nodes.reserve(size / 40);
  m_texts.reserve(size / 4);
  xmlParserCtxtPtr context = xmlCreateMemoryParserCtxt(utf8.get(), static_cast<int>(utf8Size));
  if (!context) return 0;
  CUpdateListParse parse{*this, context, {}, {}, false};
  xmlSAXHandler handler{};
  handler.initialized = XML_SAX2_MAGIC;
  handler.startElementNs = &CUpdateListParse::StartElement;
  handler.endElementNs = &CUpdateListParse::EndElement;
  handler.characters = &CUpdateListParse::Characters;
  handler.cdataBlock = &CUpdateListParse::Characters;
  handler.internalSubset = &CUpdateListParse::Subset;
  handler.externalSubset = &CUpdateListParse::Subset;
  *context->sax = handler;
  context->_private = &parse;
  // The text is UTF-8 now, whatever the declaration says.
  xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_IGNORE_ENC | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  int result = xmlParseDocument(context);
  bool good = result == 0 && context->wellFormed && !parse.refused && !m_nodes.empty();
  xmlFreeParserCtxt(context);
  if (!good) {
    Recreate();
    m_parseFailed = true;
    return 0;
  }
  FindRecordNames();
  return 1;
}

void CUpdateListReader::FindRecordNames() {
  for (size_t slot = 0; slot < kUpdateItemTags.size(); ++slot)
    m_itemTagIds[slot] = kUpdateItemTags[slot] ? NameId(kUpdateItemTags[slot]) : -1;
  m_groupItemsId = NameId("GROUPITEMS");
  m_customId = NameId("CUSTOM");
  m_fieldOfName.assign(m_names.size(), -1);
  for (const UpdateCustomerTag& tag : kUpdateCustomerTags) {
    int id = NameId(tag.tag);
    if (id >= 0) m_fieldOfName[id] = tag.field;
  }
}

int CUpdateListReader::NameId(std::string_view name) const {
  auto found = m_nameIds.find(std::string(name));
  return found == m_nameIds.end() ? -1 : found->second;
}

const std::vector<int>& CUpdateListReader::Elements(std::u16string_view tag) const {
  static const std::vector<int> kNone;
  int id = NameId(ToUtf8(tag));
  return id < 0 ? kNone : m_byName[id];
}

int CUpdateListReader::FirstChild(int node, std::string_view tag) const {
  if (node < 0) return -1;
  int id = NameId(tag);
  if (id < 0) return -1;
  for (int child = m_nodes[node].firstChild; child >= 0; child = m_nodes[child].next)
    if (m_nodes[child].name == id) return child;
  return -1;
}

void CUpdateListReader::AppendText(int node, std::string& out) const {
  out += OwnText(node);
  for (int child = m_nodes[node].firstChild; child >= 0; child = m_nodes[child].next) AppendText(child, out);
}

std::u16string CUpdateListReader::Text(int node) const {
  if (node < 0) return {};
  std::string all;
  std::string_view text = OwnText(node);
  if (m_nodes[node].firstChild >= 0) {
    AppendText(node, all);
    text = all;
  }
  while (!text.empty() && IsXmlBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsXmlBlank(text.back())) text.remove_suffix(1);
  return ToUtf16(text);
}

std::u16string CUpdateListReader::Attribute(int node, std::string_view name, bool& present) const {
  present = false;
  auto found = m_attributes.find(node);
  int id = NameId(name);
  if (found == m_attributes.end() || id < 0) return {};
  for (const auto& [attribute, value] : found->second) {
    if (attribute != id) continue;
    present = true;
    return ToUtf16(value);
  }
  return {};
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
  return walk.Current() >= 0;
}

int CUpdateListReader::FirstRecord(std::u16string_view tag) { return Start(m_records, tag) ? 1 : 0; }

int CUpdateListReader::NextRecord() {
  if (m_records.Current() < 0) return 0;
  ++m_records.index;
  return m_records.Current() >= 0 ? 1 : 0;
}

std::u16string CUpdateListReader::RecordText(std::string_view tag) const {
  return ChildText(m_records.Current(), tag);
}

void CUpdateListReader::ReadItem(int element, UpdateItemRecord& record) {
  for (auto& slot : record.text) slot.clear();
  // One pass over the children: each slot takes the first child of its name.
  unsigned filled = 0;
  int groupItems = -1, custom = -1;
  for (int child = m_nodes[element].firstChild; child >= 0; child = m_nodes[child].next) {
    int name = m_nodes[child].name;
    if (name == m_groupItemsId && groupItems < 0) groupItems = child;
    if (name == m_customId && custom < 0) custom = child;
    for (size_t slot = 0; slot < m_itemTagIds.size(); ++slot) {
      if (m_itemTagIds[slot] != name || (filled & (1u << slot))) continue;
      filled |= 1u << slot;
      record[static_cast<int>(slot)] = Text(child);
      break;
    }
  }
  m_groupLines.clear();
  m_groupLineIndex = 0;
  const std::u16string& type = record[kUpdType];
  if (groupItems >= 0 && (type == u"Group" || type == u"Sales Tax Group"))
    for (int line = m_nodes[groupItems].firstChild; line >= 0; line = m_nodes[line].next) m_groupLines.push_back(line);
  int field = custom >= 0 ? m_nodes[custom].firstChild : -1;
  for (int n = 0; field >= 0 && n < 2; field = m_nodes[field].next, ++n) {
    record[kUpdCustom1Name + 2 * n] = ChildText(field, "NAME");
    record[kUpdCustom1Value + 2 * n] = ChildText(field, "VALUE");
  }
}

int CUpdateListReader::FirstItemOfTag(std::u16string_view tag, UpdateItemRecord& record) {
  if (!Start(m_items, tag)) return 0;
  ReadItem(m_items.Current(), record);
  return 1;
}

int CUpdateListReader::NextItem(UpdateItemRecord& record) {
  if (m_items.Current() < 0) return 0;
  ++m_items.index;
  if (m_items.Current() < 0) return 0;
  ReadItem(m_items.Current(), record);
  return 1;
}

int CUpdateListReader::ReadGroupLine(std::u16string& listId, std::u16string& fullName, std::u16string& quantity) {
  if (m_groupLineIndex >= m_groupLines.size()) {
    m_groupLines.clear();
    m_groupLineIndex = 0;
    return 0;
  }
  int line = m_groupLines[m_groupLineIndex];
  listId = ChildText(line, "LISTID");
  fullName = ChildText(line, "FULLNAME");
  quantity = ChildText(line, "QUANTITY");
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
  int element = m_itemTypes.Current();
  if (element < 0) return 0;
  name = Text(element);
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
  if (m_itemTypes.Current() < 0) return 0;
  ++m_itemTypes.index;
  return ReadItemType(name, lineItems, order);
}

std::unique_ptr<CCustomerRecord> CUpdateListReader::ReadCustomer() {
  int element = m_customers.Current();
  if (element < 0) return nullptr;
  std::unique_ptr<CCustomerRecord> record;
  // Blank: every field the file names is set below.
  if (CPreferences::UseOutlook())
    record = std::make_unique<CContactCustomer>(CCustomerRecord::BlankTag{});
  else
    record = std::make_unique<CTableCustomer>(CCustomerRecord::BlankTag{});
  // The first child of a name counts.
  std::array<bool, kCustomerFieldCount> seen{};
  for (int child = m_nodes[element].firstChild; child >= 0; child = m_nodes[child].next) {
    int field = m_fieldOfName[m_nodes[child].name];
    if (field < 0 || seen[field]) continue;
    seen[field] = true;
    record->SetField(field, Text(child));
  }
  // A field without its element reads as empty.
  for (const UpdateCustomerTag& tag : kUpdateCustomerTags)
    if (!seen[tag.field]) record->SetField(tag.field, u"");
  return record;
}

std::unique_ptr<CCustomerRecord> CUpdateListReader::FirstCustomer() {
  Start(m_customers, u"CUSTOMER");
  return ReadCustomer();
}

std::unique_ptr<CCustomerRecord> CUpdateListReader::NextCustomer() {
  if (m_customers.Current() < 0) return nullptr;
  ++m_customers.index;
  return ReadCustomer();
}

bool CUpdateListReader::GetOption(std::string_view name, bool def) {
  const auto& options = Elements(u"OPTIONS");
  if (options.empty()) return def;
  int child = FirstChild(options.front(), name);
  if (child < 0) return def;
  return platform::EqualsIgnoreCase(Text(child), u"YES");
}
