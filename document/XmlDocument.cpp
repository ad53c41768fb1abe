// The wrapper over the DOM documents: files loaded and saved, the stylesheet and the
// transformation, root attributes, the element writer, the child walk and the searches.
// The document file's blocks are in XmlDocumentBlocks.cpp, its line items in
// XmlDocumentLines.cpp.
#include "document/XmlDocument.h"

#include "core/MessageBoxes.h"
#include "core/ResourceText.h"
#include "platform/base/Base.h"
#include "platform/base/Format.h"
#include "platform/base/UniqueHandle.h"
#include "platform/kernel/FileHandles.h"
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

std::u16string CorruptFileText(std::u16string_view path) {
  return u"Failed to load '" + std::u16string(path) + u"'.  This file may be corrupt.";
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

bool CXmlDocument::SaveNewFile(std::u16string_view path) {
  SetLastError(ERROR_SUCCESS);
  if (!IsUsable()) return false;
  std::string bytes;
  if (m_data->GetXmlBytes(&bytes) != S_OK || bytes.empty()) return false;
  return m_data->saveNew(path) == S_OK;
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
