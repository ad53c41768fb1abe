// The line items of the document file: the LINEITEM elements, indexed by position and key,
// inserted, written, read and removed, and a single line transformed alone.
#include "core/TextHelpers.h"
#include "datastore/DbRecord.h"
#include "document/XmlDocument.h"
#include "platform/base/Base.h"
#include "platform/locale/Locale.h"

namespace {

constexpr char16_t kLineTag[] = u"LINEITEM";
constexpr char16_t kKeyAttribute[] = u"ID";

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
      {u"TOTAL", record.GetLineTotalText(m_useSalesTax)},
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
