// The DOM over libxml2: node handles on a shared library document, node lists and
// attribute maps, documents parsed, saved and built, and the reading of a file's root
// element alone. The transformation is in XslTransform.cpp, the libraries' set-up in
// XmlLibraries.cpp.
#include "platform/xml/XmlDom.h"

#include <algorithm>
#include <climits>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlreader.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>

#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/FileHandles.h"
#include "platform/xml/XmlInternal.h"

namespace platform::xml {

namespace {

// ---- Small helpers ------------------------------------------------------------------------

// Takes over a string the library allocated.
std::u16string TakeXml(xmlChar* text) {
  std::u16string s = FromXml(text);
  xmlFree(text);
  return s;
}

std::u16string QualifiedName(xmlNodePtr n) {
  std::u16string name = FromXml(n->name);
  if (n->ns != nullptr && n->ns->prefix != nullptr && (n->type == XML_ELEMENT_NODE || n->type == XML_ATTRIBUTE_NODE))
    name = FromXml(n->ns->prefix) + u":" + name;
  return name;
}

bool IsDocument(xmlNodePtr n) { return n->type == XML_DOCUMENT_NODE || n->type == XML_HTML_DOCUMENT_NODE; }

bool CanHoldChildren(xmlNodePtr n) { return n->type == XML_ELEMENT_NODE || IsDocument(n); }

// A name with a NUL would be checked, and used, only as far as the NUL.
bool IsValidName(const std::string& name) {
  return !name.empty() && name.find('\0') == std::string::npos && xmlValidateName(X(name), 0) == 0;
}

// Text as the library takes it: UTF-8, with each character an XML document cannot hold
// (U+0000, the control characters but tab, line feed and carriage return, U+FFFE, U+FFFF)
// turned into U+FFFD. A NUL would end the text where it stands, and a control character
// would make the saved document unreadable.
std::string XmlText(std::u16string_view text) {
  auto unfit = [](char16_t c) { return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c >= 0xFFFE; };
  if (std::none_of(text.begin(), text.end(), unfit)) return platform::ToUtf8(text);
  std::u16string fit(text);
  std::replace_if(fit.begin(), fit.end(), unfit, u'\uFFFD');
  return platform::ToUtf8(fit);
}

// Links `child` under `parent`, before `before` or at the end. The library's own linking
// calls merge adjacent text nodes and free one of them, which would leave a handle on a
// freed node, so the links are set here.
void LinkChild(xmlNodePtr parent, xmlNodePtr child, xmlNodePtr before) {
  xmlUnlinkNode(child);
  child->parent = parent;
  if (before != nullptr) {
    child->next = before;
    child->prev = before->prev;
    if (before->prev != nullptr)
      before->prev->next = child;
    else
      parent->children = child;
    before->prev = child;
  } else {
    child->next = nullptr;
    child->prev = parent->last;
    if (parent->last != nullptr)
      parent->last->next = child;
    else
      parent->children = child;
    parent->last = child;
  }
}

// Removes the references to entities that were never declared (a document whose DTD lies
// outside it may use them): they stand for nothing that was read, and without the
// declaration a saved copy could not be read again. The parser keeps no more than 256
// levels, so the recursion stays shallow.
void DropUnresolvedReferences(xmlNodePtr parent) {
  for (xmlNodePtr c = parent->children; c != nullptr;) {
    xmlNodePtr next = c->next;
    if (c->type == XML_ENTITY_REF_NODE) {
      xmlUnlinkNode(c);
      xmlFreeNode(c);
    } else if (c->type == XML_ELEMENT_NODE) {
      DropUnresolvedReferences(c);
    }
    c = next;
  }
}

std::string Serialise(xmlDocPtr doc, xmlNodePtr node) {
  xmlBufferPtr buf = xmlBufferCreate();
  if (buf == nullptr) ThrowOutOfMemory();
  std::string out;
  if (node->type == XML_ATTRIBUTE_NODE) {
    xmlChar* value = xmlNodeGetContent(node);
    xmlChar* escaped = xmlEncodeSpecialChars(doc, value ? value : X(""));
    out = std::string(reinterpret_cast<const char*>(node->name)) + "=\"" +
          (escaped ? reinterpret_cast<const char*>(escaped) : "") + "\"";
    xmlFree(escaped);
    xmlFree(value);
  } else if (xmlNodeDump(buf, doc, node, 0, 0) >= 0) {
    out.assign(reinterpret_cast<const char*>(xmlBufferContent(buf)), xmlBufferLength(buf));
  }
  xmlBufferFree(buf);
  return out;
}

}  // namespace
}  // namespace platform::xml

using platform::xml::DocState;
using namespace platform::xml;

#define NODE() static_cast<xmlNodePtr>(m_node)

// ---- CXmlDomNode --------------------------------------------------------------------------

HRESULT CXmlDomNode::get_nodeType(DOMNodeType* type) const {
  if (!m_node || !type) return E_POINTER;
  switch (NODE()->type) {
    case XML_ELEMENT_NODE: *type = NODE_ELEMENT; break;
    case XML_ATTRIBUTE_NODE: *type = NODE_ATTRIBUTE; break;
    case XML_TEXT_NODE: *type = NODE_TEXT; break;
    case XML_CDATA_SECTION_NODE: *type = NODE_CDATA_SECTION; break;
    case XML_ENTITY_REF_NODE: *type = NODE_ENTITY_REFERENCE; break;
    case XML_PI_NODE: *type = NODE_PROCESSING_INSTRUCTION; break;
    case XML_COMMENT_NODE: *type = NODE_COMMENT; break;
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE: *type = NODE_DOCUMENT; break;
    case XML_DTD_NODE: *type = NODE_DOCUMENT_TYPE; break;
    default: *type = NODE_INVALID; break;
  }
  return S_OK;
}

HRESULT CXmlDomNode::get_nodeName(CBstr* name) const {
  if (!m_node || !name) return E_POINTER;
  xmlNodePtr n = NODE();
  switch (n->type) {
    case XML_TEXT_NODE: *name = CBstr(u"#text"); break;
    case XML_CDATA_SECTION_NODE: *name = CBstr(u"#cdata-section"); break;
    case XML_COMMENT_NODE: *name = CBstr(u"#comment"); break;
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE: *name = CBstr(u"#document"); break;
    default: *name = CBstr(QualifiedName(n)); break;
  }
  return S_OK;
}

HRESULT CXmlDomNode::get_text(CBstr* text) const {
  if (!m_node || !text) return E_POINTER;
  *text = CBstr(TakeXml(xmlNodeGetContent(NODE())));
  return S_OK;
}

HRESULT CXmlDomNode::put_text(std::u16string_view text) {
  if (!m_node) return E_POINTER;
  xmlNodePtr n = NODE();
  std::string value = XmlText(text);
  switch (n->type) {
    case XML_ELEMENT_NODE: {
      // The old children stay alive (outside the tree) for any handle still on them.
      while (n->children != nullptr) {
        xmlNodePtr c = n->children;
        xmlUnlinkNode(c);
        m_state->detached.insert(c);
      }
      xmlNodePtr t = xmlNewDocText(m_state->doc, X(value));
      if (t == nullptr) platform::ThrowOutOfMemory();
      LinkChild(n, t, nullptr);
      return S_OK;
    }
    case XML_ATTRIBUTE_NODE: {
      // Attribute children are never handed out, so they may be replaced outright.
      xmlNodePtr t = xmlNewDocText(m_state->doc, X(value));
      if (t == nullptr) platform::ThrowOutOfMemory();
      xmlFreeNodeList(n->children);
      n->children = n->last = nullptr;
      LinkChild(n, t, nullptr);
      return S_OK;
    }
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
      xmlNodeSetContent(n, X(value));
      return S_OK;
    default:
      return E_FAIL;
  }
}

HRESULT CXmlDomNode::get_xml(CBstr* xml) const {
  if (!m_node || !xml) return E_POINTER;
  *xml = CBstr(platform::ToUtf16(Serialise(m_state->doc, NODE())));
  return S_OK;
}

HRESULT CXmlDomNode::get_parentNode(CXmlDomNode* parent) const {
  if (!m_node || !parent) return E_POINTER;
  xmlNodePtr n = NODE();
  xmlNodePtr p = n->type == XML_ATTRIBUTE_NODE || IsDocument(n) ? nullptr : n->parent;
  *parent = p ? CXmlDomNode(m_state, p) : CXmlDomNode();
  return p ? S_OK : S_FALSE;
}

HRESULT CXmlDomNode::get_firstChild(CXmlDomNode* child) const {
  if (!m_node || !child) return E_POINTER;
  xmlNodePtr c = CanHoldChildren(NODE()) ? NODE()->children : nullptr;
  while (c != nullptr && c->type == XML_DTD_NODE) c = c->next;
  *child = c ? CXmlDomNode(m_state, c) : CXmlDomNode();
  return c ? S_OK : S_FALSE;
}

HRESULT CXmlDomNode::get_nextSibling(CXmlDomNode* sibling) const {
  if (!m_node || !sibling) return E_POINTER;
  xmlNodePtr n = NODE();
  xmlNodePtr s = n->type == XML_ATTRIBUTE_NODE || IsDocument(n) ? nullptr : n->next;
  *sibling = s ? CXmlDomNode(m_state, s) : CXmlDomNode();
  return s ? S_OK : S_FALSE;
}

HRESULT CXmlDomNode::get_childNodes(CXmlDomNodeList* children) const {
  if (!m_node || !children) return E_POINTER;
  *children = CXmlDomNodeList();
  if (!CanHoldChildren(NODE())) return S_OK;
  for (xmlNodePtr c = NODE()->children; c != nullptr; c = c->next)
    if (c->type != XML_DTD_NODE) children->m_nodes.push_back(CXmlDomNode(m_state, c));
  return S_OK;
}

HRESULT CXmlDomNode::get_attributes(CXmlDomNamedNodeMap* attributes) const {
  if (!m_node || !attributes) return E_POINTER;
  *attributes = CXmlDomNamedNodeMap();
  if (NODE()->type != XML_ELEMENT_NODE) return S_FALSE;
  attributes->m_element = *this;
  return S_OK;
}

HRESULT CXmlDomNode::insertBefore(const CXmlDomNode& child, const CXmlDomNode& reference, CXmlDomNode* added) {
  if (!m_node || !child.m_node) return E_POINTER;
  if (child.m_state != m_state || (reference.m_node && reference.m_state != m_state)) return E_INVALIDARG;
  xmlNodePtr parent = NODE();
  auto* c = static_cast<xmlNodePtr>(child.m_node);
  auto* before = static_cast<xmlNodePtr>(reference.m_node);
  if (!CanHoldChildren(parent)) return E_FAIL;
  if (c->type == XML_ATTRIBUTE_NODE || IsDocument(c) || c->type == XML_DTD_NODE) return E_INVALIDARG;
  if (before != nullptr && before->parent != parent) return E_INVALIDARG;
  // A node cannot go below itself.
  for (xmlNodePtr a = parent; a != nullptr; a = a->parent)
    if (a == c) return E_FAIL;
  if (IsDocument(parent)) {
    if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE || c->type == XML_ENTITY_REF_NODE)
      return E_FAIL;
    if (c->type == XML_ELEMENT_NODE) {
      xmlNodePtr root = xmlDocGetRootElement(m_state->doc);
      if (root != nullptr && root != c) return E_FAIL;  // one root element
    }
  }
  if (before == c) {
    if (added) *added = child;
    return S_OK;
  }
  LinkChild(parent, c, before);
  m_state->detached.erase(c);
  if (added) *added = child;
  return S_OK;
}

HRESULT CXmlDomNode::appendChild(const CXmlDomNode& child, CXmlDomNode* added) {
  return insertBefore(child, CXmlDomNode(), added);
}

HRESULT CXmlDomNode::removeChild(const CXmlDomNode& child, CXmlDomNode* removed) {
  if (!m_node || !child.m_node) return E_POINTER;
  auto* c = static_cast<xmlNodePtr>(child.m_node);
  if (child.m_state != m_state || c->type == XML_ATTRIBUTE_NODE || c->parent != NODE()) return E_INVALIDARG;
  xmlUnlinkNode(c);
  m_state->detached.insert(c);
  if (removed) *removed = child;
  return S_OK;
}

HRESULT CXmlDomNode::getAttribute(std::u16string_view name, CBstr* value) const {
  if (!m_node || !value) return E_POINTER;
  *value = CBstr();
  if (NODE()->type != XML_ELEMENT_NODE) return E_FAIL;
  CXmlDomNode attr;
  CXmlDomNamedNodeMap map;
  get_attributes(&map);
  if (map.getNamedItem(name, &attr) != S_OK) return S_FALSE;
  return attr.get_text(value);
}

HRESULT CXmlDomNode::setAttribute(std::u16string_view name, std::u16string_view value) {
  if (!m_node) return E_POINTER;
  if (NODE()->type != XML_ELEMENT_NODE) return E_FAIL;
  std::string n = platform::ToUtf8(name);
  if (!IsValidName(n)) return E_INVALIDARG;
  CXmlDomNode attr;
  CXmlDomNamedNodeMap map;
  get_attributes(&map);
  if (map.getNamedItem(name, &attr) == S_OK) return attr.put_text(value);
  // xmlSetProp stores the value as text (no entity parsing).
  if (xmlSetProp(NODE(), X(n), X(XmlText(value))) == nullptr) platform::ThrowOutOfMemory();
  return S_OK;
}

HRESULT CXmlDomNode::removeAttribute(std::u16string_view name) {
  if (!m_node) return E_POINTER;
  CXmlDomNode attr;
  CXmlDomNamedNodeMap map;
  if (get_attributes(&map) != S_OK || map.getNamedItem(name, &attr) != S_OK) return S_FALSE;
  auto* a = static_cast<xmlNodePtr>(attr.m_node);
  xmlUnlinkNode(a);
  m_state->detached.insert(a);
  return S_OK;
}

HRESULT CXmlDomNode::getElementsByTagName(std::u16string_view tagName, CXmlDomNodeList* list) const {
  if (!m_node || !list) return E_POINTER;
  *list = CXmlDomNodeList();
  if (!CanHoldChildren(NODE())) return S_OK;
  bool all = tagName == u"*";
  // Names compare in the library's own UTF-8, without a copy per element; a name that no
  // UTF-8 text spells (an unpaired surrogate) matches no element.
  std::string tag;
  if (!platform::ToUtf8Strict(tagName, tag) && !all) return S_OK;
  auto named = [&tag](xmlNodePtr e) {
    std::string_view name(reinterpret_cast<const char*>(e->name));
    if (e->ns == nullptr || e->ns->prefix == nullptr) return tag == name;
    std::string_view prefix(reinterpret_cast<const char*>(e->ns->prefix));
    return tag.size() == prefix.size() + 1 + name.size() && tag.starts_with(prefix) && tag[prefix.size()] == ':' &&
           tag.ends_with(name);
  };
  ForEachDescendant(NODE(), [&](xmlNodePtr e) {
    if (all || named(e)) list->m_nodes.push_back(CXmlDomNode(m_state, e));
  });
  return S_OK;
}

HRESULT CXmlDomNode::selectNodes(std::u16string_view query, CXmlDomNodeList* list) const {
  if (!m_node || !list) return E_POINTER;
  *list = CXmlDomNodeList();
  EnsureLibraries();
  std::string expr = platform::ToUtf8(query);
  if (expr.empty() || expr.find('\0') != std::string::npos) return E_FAIL;
  xmlXPathContextPtr x = xmlXPathNewContext(m_state->doc);
  if (x == nullptr) platform::ThrowOutOfMemory();
  x->node = NODE();
  x->error = SilentStructured;
  xmlXPathObjectPtr r = xmlXPathEvalExpression(X(expr), x);
  HRESULT hr = S_OK;
  if (r == nullptr || r->type != XPATH_NODESET) {
    hr = E_FAIL;
  } else if (r->nodesetval != nullptr) {
    for (int i = 0; i < r->nodesetval->nodeNr; ++i) {
      xmlNodePtr n = r->nodesetval->nodeTab[i];
      // Namespace entries of a node set are not nodes of the tree.
      if (n == nullptr || n->type == XML_NAMESPACE_DECL) continue;
      list->m_nodes.push_back(CXmlDomNode(m_state, n));
    }
  }
  xmlXPathFreeObject(r);
  xmlXPathFreeContext(x);
  return hr;
}

HRESULT CXmlDomNode::selectSingleNode(std::u16string_view query, CXmlDomNode* node) const {
  if (!m_node || !node) return E_POINTER;
  *node = CXmlDomNode();
  CXmlDomNodeList list;
  HRESULT hr = selectNodes(query, &list);
  if (FAILED(hr)) return hr;
  return list.get_item(0, node);
}

// ---- CXmlDomNodeList and CXmlDomNamedNodeMap ----------------------------------------------

HRESULT CXmlDomNodeList::get_length(LONG* length) const {
  if (!length) return E_POINTER;
  *length = static_cast<LONG>(m_nodes.size());
  return S_OK;
}

HRESULT CXmlDomNodeList::get_item(LONG index, CXmlDomNode* node) const {
  if (!node) return E_POINTER;
  if (index < 0 || static_cast<size_t>(index) >= m_nodes.size()) {
    *node = CXmlDomNode();
    return S_FALSE;
  }
  *node = m_nodes[static_cast<size_t>(index)];
  return S_OK;
}

HRESULT CXmlDomNodeList::nextNode(CXmlDomNode* node) {
  if (!node) return E_POINTER;
  if (m_cursor >= m_nodes.size()) {
    *node = CXmlDomNode();
    return S_FALSE;
  }
  *node = m_nodes[m_cursor++];
  return S_OK;
}

HRESULT CXmlDomNodeList::reset() {
  m_cursor = 0;
  return S_OK;
}

HRESULT CXmlDomNamedNodeMap::getNamedItem(std::u16string_view name, CXmlDomNode* node) const {
  if (!node) return E_POINTER;
  *node = CXmlDomNode();
  if (!m_element.m_node) return S_FALSE;
  for (xmlAttrPtr a = static_cast<xmlNodePtr>(m_element.m_node)->properties; a != nullptr; a = a->next) {
    if (QualifiedName(reinterpret_cast<xmlNodePtr>(a)) == name) {
      *node = CXmlDomNode(m_element.m_state, a);
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT CXmlDomNamedNodeMap::get_length(LONG* length) const {
  if (!length) return E_POINTER;
  *length = 0;
  if (!m_element.m_node) return S_OK;
  for (xmlAttrPtr a = static_cast<xmlNodePtr>(m_element.m_node)->properties; a != nullptr; a = a->next) ++*length;
  return S_OK;
}

HRESULT CXmlDomNamedNodeMap::get_item(LONG index, CXmlDomNode* node) const {
  if (!node) return E_POINTER;
  *node = CXmlDomNode();
  if (!m_element.m_node || index < 0) return S_FALSE;
  for (xmlAttrPtr a = static_cast<xmlNodePtr>(m_element.m_node)->properties; a != nullptr; a = a->next) {
    if (index-- == 0) {
      *node = CXmlDomNode(m_element.m_state, a);
      return S_OK;
    }
  }
  return S_FALSE;
}

// ---- CXmlDomDocument --------------------------------------------------------------------------

namespace {
std::shared_ptr<DocState> NewEmptyState() {
  EnsureLibraries();
  xmlDocPtr doc = xmlNewDoc(X("1.0"));
  if (doc == nullptr) platform::ThrowOutOfMemory();
  return std::make_shared<DocState>(doc);
}
}  // namespace

CXmlDomDocument::CXmlDomDocument() {
  m_state = NewEmptyState();
  m_node = m_state->doc;
}

HRESULT CXmlDomDocument::put_async(bool) { return S_OK; }
HRESULT CXmlDomDocument::put_validateOnParse(bool) { return S_OK; }
HRESULT CXmlDomDocument::put_resolveExternals(bool) { return S_OK; }
HRESULT CXmlDomDocument::put_preserveWhiteSpace(bool value) {
  m_preserveWhiteSpace = value;
  return S_OK;
}

HRESULT CXmlDomDocument::Parse(std::string_view bytes, bool ignoreDeclaredEncoding) {
  EnsureLibraries();
  m_parseError = CXmlDomParseError();
  if (bytes.size() > static_cast<size_t>(INT_MAX)) {
    m_state = NewEmptyState();
    m_node = m_state->doc;
    m_parseError = {XML_ERR_NO_MEMORY, u"The document is too large.", 0, 0};
    return S_FALSE;
  }
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (ctxt == nullptr) platform::ThrowOutOfMemory();
  // Entities the document declares itself are replaced by their text, so the tree holds
  // what a reader sees and a save writes that text; a reference that outlived its
  // declaration would make the saved file unreadable. External entities read as empty
  // text (the entity loader), no DTD is loaded, nothing is validated, and the library's
  // limits on sizes and on entity amplification stay on (no XML_PARSE_HUGE).
  int options = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  if (!m_preserveWhiteSpace) options |= XML_PARSE_NOBLANKS;
  if (ignoreDeclaredEncoding) options |= XML_PARSE_IGNORE_ENC;
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                    ignoreDeclaredEncoding ? "UTF-8" : nullptr, options);
  if (doc == nullptr || !ctxt->wellFormed || xmlDocGetRootElement(doc) == nullptr) {
    xmlErrorPtr err = xmlCtxtGetLastError(ctxt);
    if (err != nullptr && err->code != 0) {
      m_parseError.errorCode = err->code;
      m_parseError.reason = TrimLine(platform::ToUtf16(err->message ? err->message : "XML parse error"));
      m_parseError.line = err->line;
      m_parseError.linepos = err->int2;
    } else {
      m_parseError = {XML_ERR_DOCUMENT_EMPTY, u"The document has no root element.", 1, 1};
    }
    if (doc != nullptr) xmlFreeDoc(doc);
    xmlFreeParserCtxt(ctxt);
    m_state = NewEmptyState();
    m_node = m_state->doc;
    return S_FALSE;
  }
  xmlFreeParserCtxt(ctxt);
  DropUnresolvedReferences(reinterpret_cast<xmlNodePtr>(doc));
  m_state = std::make_shared<DocState>(doc);
  m_node = doc;
  return S_OK;
}

HRESULT CXmlDomDocument::loadXML(std::u16string_view text) { return Parse(platform::ToUtf8(text), true); }

HRESULT CXmlDomDocument::loadBytes(std::string_view bytes) { return Parse(bytes, false); }

HRESULT CXmlDomDocument::load(std::u16string_view devicePath) {
  std::u16string path(devicePath);
  CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  auto fail = [&](DWORD error, std::u16string reason) {
    m_state = NewEmptyState();
    m_node = m_state->doc;
    m_parseError = {static_cast<LONG>(HRESULT_FROM_WIN32(error)), std::move(reason), 0, 0};
    return S_FALSE;
  };
  if (!file) return fail(GetLastError(), u"The file cannot be opened.");
  std::string bytes;
  DWORD size = GetFileSize(file.get(), nullptr);
  bool ok = size != INVALID_FILE_SIZE;
  if (ok) {
    bytes.resize(size);
    DWORD read = 0;
    ok = size == 0 || (ReadFile(file.get(), bytes.data(), size, &read, nullptr) && read == size);
  }
  DWORD error = GetLastError();
  file.reset();
  if (!ok) return fail(error, u"The file cannot be read.");
  return loadBytes(bytes);
}

HRESULT CXmlDomDocument::GetXmlBytes(std::string* bytes) const {
  if (!bytes) return E_POINTER;
  bytes->clear();
  if (m_state->doc->children == nullptr) return S_OK;
  xmlChar* mem = nullptr;
  int size = 0;
  xmlDocDumpMemoryEnc(m_state->doc, &mem, &size, "UTF-8");
  if (mem == nullptr) platform::ThrowOutOfMemory();
  bytes->assign(reinterpret_cast<const char*>(mem), static_cast<size_t>(size));
  xmlFree(mem);
  return S_OK;
}

HRESULT CXmlDomDocument::get_xml(CBstr* xml) const {
  if (!xml) return E_POINTER;
  std::string bytes;
  GetXmlBytes(&bytes);
  *xml = CBstr(platform::ToUtf16(bytes));
  return S_OK;
}

HRESULT CXmlDomDocument::save(std::u16string_view devicePath) const {
  std::string bytes;
  GetXmlBytes(&bytes);
  return platform::WriteFileAtomic(platform::MapDevicePath(devicePath), bytes) ? S_OK : E_FAIL;
}

HRESULT CXmlDomDocument::saveNew(std::u16string_view devicePath) const {
  std::string bytes;
  GetXmlBytes(&bytes);
  if (platform::WriteNewFileAtomic(platform::MapDevicePath(devicePath), bytes)) return S_OK;
  return GetLastError() == ERROR_FILE_EXISTS ? HRESULT_FROM_WIN32(ERROR_FILE_EXISTS) : E_FAIL;
}

HRESULT CXmlDomDocument::get_documentElement(CXmlDomNode* root) const {
  if (!root) return E_POINTER;
  xmlNodePtr r = xmlDocGetRootElement(m_state->doc);
  *root = r ? CXmlDomNode(m_state, r) : CXmlDomNode();
  return r ? S_OK : S_FALSE;
}

HRESULT CXmlDomDocument::createElement(std::u16string_view tagName, CXmlDomNode* element) {
  if (!element) return E_POINTER;
  *element = CXmlDomNode();
  std::string name = platform::ToUtf8(tagName);
  if (!IsValidName(name)) return E_INVALIDARG;
  xmlNodePtr n = xmlNewDocNode(m_state->doc, nullptr, X(name), nullptr);
  if (n == nullptr) platform::ThrowOutOfMemory();
  m_state->detached.insert(n);
  *element = CXmlDomNode(m_state, n);
  return S_OK;
}

HRESULT CXmlDomDocument::createTextNode(std::u16string_view text, CXmlDomNode* node) {
  if (!node) return E_POINTER;
  xmlNodePtr n = xmlNewDocText(m_state->doc, X(XmlText(text)));
  if (n == nullptr) platform::ThrowOutOfMemory();
  m_state->detached.insert(n);
  *node = CXmlDomNode(m_state, n);
  return S_OK;
}

// ---- The root element of a file ------------------------------------------------------------

namespace {

int ReadFromHandle(void* context, char* buffer, int length) {
  DWORD read = 0;
  if (!ReadFile(static_cast<HANDLE>(context), buffer, static_cast<DWORD>(length), &read, nullptr)) return -1;
  return static_cast<int>(read);
}

int CloseNothing(void*) { return 0; }  // the caller closes the handle

std::u16string ReaderText(const xmlChar* text) {
  return text ? platform::ToUtf16(reinterpret_cast<const char*>(text)) : std::u16string();
}

}  // namespace

HRESULT ReadXmlRootElement(std::u16string_view devicePath, CXmlRootElement* root) {
  if (!root) return E_POINTER;
  *root = CXmlRootElement();
  EnsureLibraries();
  std::u16string path(devicePath);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return S_FALSE;
  // The reader pulls the file in small pieces, so a long document is read only as far as
  // its root's start tag.
  xmlTextReaderPtr reader = xmlReaderForIO(ReadFromHandle, CloseNothing, file, nullptr, nullptr,
                                           XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  HRESULT hr = S_FALSE;
  if (reader) {
    int rc;
    while ((rc = xmlTextReaderRead(reader)) == 1 && xmlTextReaderNodeType(reader) != XML_READER_TYPE_ELEMENT) {
    }
    if (rc == 1) {
      root->name = ReaderText(xmlTextReaderConstName(reader));
      while (xmlTextReaderMoveToNextAttribute(reader) == 1)
        root->attributes.emplace_back(ReaderText(xmlTextReaderConstName(reader)),
                                      ReaderText(xmlTextReaderConstValue(reader)));
      hr = S_OK;
    }
    xmlFreeTextReader(reader);
  }
  CloseHandle(file);
  if (hr != S_OK) *root = CXmlRootElement();
  return hr;
}
