// The XML DOM document and the XSL transformation the program uses, over libxml2 and
// libxslt. The classes carry the operation names and result codes of the handheld's DOM
// component (loadXML, selectSingleNode, get_text, ...) without its COM plumbing.
//
// Conventions, as the component has them:
//  - Operations return an HRESULT: S_OK; S_FALSE when the answer is "nothing" (no node
//    matched, no such attribute, a parse error); E_INVALIDARG / E_FAIL when the call
//    itself is wrong (a null node, a node of another document, a cycle).
//  - Out-texts are CBstr: a null CBstr is "absent", distinct from the empty text.
//  - Nodes are handles. A node stays valid as long as any handle to it or to its document
//    exists, even after it was removed from the tree or its document was reloaded; a
//    removed node can be inserted again.
//
// Safety: parsing never touches the network, loads no DTD, expands no external entity and
// validates nothing, whatever the put_* switches say; a stylesheet can read no file,
// write none, create no folder and use no network. Any bytes given to a loader give a
// document or a parse error with its reason and line.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

namespace platform::xml {
struct DocState;
struct Sheet;
}

// Node types as the DOM numbers them.
enum DOMNodeType {
  NODE_INVALID = 0,
  NODE_ELEMENT = 1,
  NODE_ATTRIBUTE = 2,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_ENTITY_REFERENCE = 5,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
  NODE_DOCUMENT_TYPE = 10,
};

class CXmlDomNodeList;
class CXmlDomNamedNodeMap;
class CXslTransform;

// One node of a document (element, attribute, text, comment, the document itself), or
// no node at all (a default-constructed handle, which every operation refuses with
// E_POINTER).
class CXmlDomNode {
 public:
  CXmlDomNode() = default;

  bool IsNull() const { return m_node == nullptr; }
  explicit operator bool() const { return m_node != nullptr; }
  // Two handles on the same node.
  friend bool operator==(const CXmlDomNode& a, const CXmlDomNode& b) { return a.m_node == b.m_node; }

  HRESULT get_nodeType(DOMNodeType* type) const;
  // The element's or attribute's name; "#text", "#cdata-section", "#comment", "#document".
  HRESULT get_nodeName(CBstr* name) const;
  // The text of the node and all its descendants, concatenated; an attribute's value.
  HRESULT get_text(CBstr* text) const;
  // Replaces the node's children with one text node (an element) or sets the value.
  HRESULT put_text(std::u16string_view text);
  // The node serialised as XML text.
  HRESULT get_xml(CBstr* xml) const;

  // S_FALSE and a null node when there is none.
  HRESULT get_parentNode(CXmlDomNode* parent) const;
  HRESULT get_firstChild(CXmlDomNode* child) const;
  HRESULT get_nextSibling(CXmlDomNode* sibling) const;
  HRESULT get_childNodes(CXmlDomNodeList* children) const;
  // Elements only; other nodes answer S_FALSE with an empty map.
  HRESULT get_attributes(CXmlDomNamedNodeMap* attributes) const;

  // Appends `child` as the last child (moving it when it is already in the tree). The
  // node must belong to the same document, must not be an ancestor of this node, and a
  // document takes one element only. `added` (optional) receives the child.
  HRESULT appendChild(const CXmlDomNode& child, CXmlDomNode* added = nullptr);
  // Inserts `child` before `reference`, a child of this node; a null reference appends.
  HRESULT insertBefore(const CXmlDomNode& child, const CXmlDomNode& reference, CXmlDomNode* added = nullptr);
  // Unlinks `child` (a child of this node); the node stays usable through its handles.
  HRESULT removeChild(const CXmlDomNode& child, CXmlDomNode* removed = nullptr);

  // Attributes of an element. getAttribute: S_FALSE and a null text when missing.
  HRESULT getAttribute(std::u16string_view name, CBstr* value) const;
  HRESULT setAttribute(std::u16string_view name, std::u16string_view value);
  // S_FALSE when there was no such attribute.
  HRESULT removeAttribute(std::u16string_view name);

  // Every descendant element of the name in document order ("*" for all); from a
  // document, the root element too. The list is a snapshot.
  HRESULT getElementsByTagName(std::u16string_view tagName, CXmlDomNodeList* list) const;
  // XPath 1.0 with this node as the context. selectSingleNode: the first node in
  // document order, or S_FALSE and a null node. A malformed expression: E_FAIL.
  HRESULT selectSingleNode(std::u16string_view query, CXmlDomNode* node) const;
  HRESULT selectNodes(std::u16string_view query, CXmlDomNodeList* list) const;

 protected:
  friend class CXmlDomDocument;
  friend class CXmlDomNodeList;
  friend class CXmlDomNamedNodeMap;
  friend struct platform::xml::DocState;
  friend class CXslTransform;
  CXmlDomNode(std::shared_ptr<platform::xml::DocState> state, void* node)
      : m_state(std::move(state)), m_node(node) {}

  std::shared_ptr<platform::xml::DocState> m_state;
  void* m_node = nullptr;  // the library's node, owned by m_state
};

// A list of nodes, fixed when it was made, with the DOM's index and cursor access.
class CXmlDomNodeList {
 public:
  HRESULT get_length(LONG* length) const;
  // S_FALSE and a null node for an index outside the list.
  HRESULT get_item(LONG index, CXmlDomNode* node) const;
  // The node at the cursor, then the cursor moves on; S_FALSE and a null node at the end.
  HRESULT nextNode(CXmlDomNode* node);
  HRESULT reset();

 private:
  friend class CXmlDomNode;
  std::vector<CXmlDomNode> m_nodes;
  size_t m_cursor = 0;
};

// The attributes of an element.
class CXmlDomNamedNodeMap {
 public:
  // S_FALSE and a null node when missing.
  HRESULT getNamedItem(std::u16string_view name, CXmlDomNode* node) const;
  HRESULT get_length(LONG* length) const;
  HRESULT get_item(LONG index, CXmlDomNode* node) const;

 private:
  friend class CXmlDomNode;
  CXmlDomNode m_element;
};

// Where the last load failed: the library's error number, its reason, and the line and
// column (1-based) it was found at. errorCode 0 after a successful load.
struct CXmlDomParseError {
  LONG errorCode = 0;
  std::u16string reason;
  LONG line = 0;
  LONG linepos = 0;
};

// A document: a node that also loads, saves, makes new nodes and transforms.
class CXmlDomDocument : public CXmlDomNode {
 public:
  // An empty document (no root element).
  CXmlDomDocument();

  // The component's switches. Loads are always synchronous and never validate or resolve
  // externals; the switches are kept for the callers that set them. preserveWhiteSpace
  // (off by default) keeps whitespace-only text between elements on load.
  HRESULT put_async(bool value);
  HRESULT put_validateOnParse(bool value);
  HRESULT put_resolveExternals(bool value);
  HRESULT put_preserveWhiteSpace(bool value);

  // Parses a text (its encoding declaration is ignored: the text is already decoded).
  // S_OK when it was accepted; S_FALSE on a parse error, the document then being empty
  // and get_parseError telling why.
  HRESULT loadXML(std::u16string_view text);
  // Parses bytes; the encoding comes from a byte-order mark or the declaration, else
  // UTF-8. Results as loadXML.
  HRESULT loadBytes(std::string_view bytes);
  // Reads a device file and parses it as loadBytes. A file that cannot be read: S_FALSE
  // with the system error in the parse error.
  HRESULT load(std::u16string_view devicePath);
  // Writes get_xml as UTF-8 through a temporary file renamed over the target. E_FAIL
  // (the old file untouched) when the write fails.
  HRESULT save(std::u16string_view devicePath) const;
  // The same for a file that must not exist: HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), and the
  // file that is there untouched, when one does (WriteNewFileAtomic).
  HRESULT saveNew(std::u16string_view devicePath) const;
  // The whole document as text, from the declaration on (empty for an empty document).
  HRESULT get_xml(CBstr* xml) const;
  // The same as UTF-8 bytes, the form save writes.
  HRESULT GetXmlBytes(std::string* bytes) const;
  const CXmlDomParseError& get_parseError() const { return m_parseError; }

  // S_FALSE and a null node when the document has no root element.
  HRESULT get_documentElement(CXmlDomNode* root) const;
  // New nodes belong to this document and stand outside the tree until inserted. A name
  // that is not a valid XML name gives E_INVALIDARG.
  HRESULT createElement(std::u16string_view tagName, CXmlDomNode* element);
  HRESULT createTextNode(std::u16string_view text, CXmlDomNode* node);

  // This document transformed by the XSL stylesheet held in `stylesheet`, as text (HTML,
  // text or XML as the stylesheet's output method says; any output encoding the
  // stylesheet names is replaced by UTF-8). E_FAIL when the stylesheet is not one, or the
  // transformation fails or tries to reach a file or the network; the reason is in
  // GetTransformError.
  HRESULT transformNode(const CXmlDomDocument& stylesheet, CBstr* result) const;
  // The same with a stylesheet read beforehand (see CXslTransform).
  HRESULT transformNode(const CXslTransform& stylesheet, CBstr* result) const;
  const std::u16string& GetTransformError() const { return m_transformError; }

 private:
  HRESULT Parse(std::string_view bytes, bool ignoreDeclaredEncoding);
  // This document transformed by `sheet` (null: not a stylesheet, for `sheetError`); the
  // caller holds the transform lock.
  HRESULT Transform(const platform::xml::Sheet* sheet, const std::u16string& sheetError, CBstr* result) const;

  bool m_preserveWhiteSpace = false;
  CXmlDomParseError m_parseError;
  mutable std::u16string m_transformError;
};

// A stylesheet read once to transform many documents with: a transformNode given the
// stylesheet document reads it anew each time. Holds the stylesheet as it stood when read;
// later changes to that document are not seen until it is read again.
class CXslTransform {
 public:
  CXslTransform();
  ~CXslTransform();
  CXslTransform(const CXslTransform&) = delete;
  CXslTransform& operator=(const CXslTransform&) = delete;

  // Reads the stylesheet held in `stylesheet`: S_OK, or E_FAIL with the reason in
  // GetError when it is not one (the reason transformNode would give).
  HRESULT Load(const CXmlDomDocument& stylesheet);
  bool IsLoaded() const { return m_sheet != nullptr; }
  const std::u16string& GetError() const { return m_error; }

 private:
  friend class CXmlDomDocument;
  std::unique_ptr<platform::xml::Sheet> m_sheet;
  std::u16string m_error;
};

// The name and attributes of a document file's root element, read from the start of the
// file up to the root's start tag and no further: for callers that list many files and
// need only what the root carries (the file is not checked beyond that tag).
struct CXmlRootElement {
  std::u16string name;
  std::vector<std::pair<std::u16string, std::u16string>> attributes;  // in document order
};
// S_OK with `root` filled; S_FALSE (root emptied) when the file cannot be opened or its
// bytes do not reach a well-formed root start tag. The same safety as the DOM's loaders.
HRESULT ReadXmlRootElement(std::u16string_view devicePath, CXmlRootElement* root);
