// The XSL transformation: stylesheets read and checked (the instructions of XSLT 1.0 only,
// and no file or network reached), and documents transformed by them into text.
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>

#include <libxslt/imports.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include "platform/base/Base.h"
#include "platform/xml/XmlDom.h"
#include "platform/xml/XmlInternal.h"

namespace platform::xml {

namespace {

void CollectTransformError(void* ctx, const char* msg, ...) {
  auto* text = static_cast<std::string*>(ctx);
  char line[512];
  va_list args;
  va_start(args, msg);
  vsnprintf(line, sizeof line, msg, args);
  va_end(args);
  if (text->size() < 4096) *text += line;
}

// The instructions and declarations of XSLT 1.0. The processor skips others with a
// warning; they are refused instead, so that an instruction meant to write a file
// (xsl:result-document, xsl:document) fails the transformation rather than vanishing.
bool IsKnownXsltElement(const xmlChar* name) {
  static const char* const kNames[] = {
      "apply-imports", "apply-templates", "attribute", "attribute-set", "call-template", "choose",
      "comment", "copy", "copy-of", "decimal-format", "element", "fallback", "for-each", "if",
      "import", "include", "key", "message", "namespace-alias", "number", "otherwise", "output",
      "param", "preserve-space", "processing-instruction", "sort", "strip-space", "stylesheet",
      "template", "text", "transform", "value-of", "variable", "when", "with-param"};
  for (const char* known : kNames)
    if (xmlStrEqual(name, reinterpret_cast<const xmlChar*>(known))) return true;
  return false;
}

// The first XSLT element of the stylesheet that XSLT 1.0 does not know, or null.
xmlNodePtr FindUnknownXsltElement(xmlDocPtr sheet) {
  xmlNodePtr unknown = nullptr;
  ForEachDescendant(reinterpret_cast<xmlNodePtr>(sheet), [&](xmlNodePtr e) {
    if (unknown == nullptr && e->ns != nullptr && xmlStrEqual(e->ns->href, XSLT_NAMESPACE) &&
        !IsKnownXsltElement(e->name))
      unknown = e;
  });
  return unknown;
}

}  // namespace

// A stylesheet read and checked, ready to transform documents with.
struct Sheet {
  xsltStylesheetPtr style = nullptr;
  explicit Sheet(xsltStylesheetPtr s) : style(s) {}
  ~Sheet() { xsltFreeStylesheet(style); }
  Sheet(const Sheet&) = delete;
  Sheet& operator=(const Sheet&) = delete;
};

}  // namespace platform::xml

using namespace platform::xml;

namespace {

// The XSLT library's error hook is process-wide and points at the caller's own text, so
// one stylesheet is read or applied at a time.
std::mutex& TransformMutex() {
  static std::mutex transformMutex;
  return transformMutex;
}

// The stylesheet held in `doc` read as one (the caller holds the transform lock); null
// with the reason in `error` when it is not one.
std::unique_ptr<platform::xml::Sheet> ReadSheet(xmlDocPtr doc, std::u16string& error) {
  error.clear();
  if (xmlDocGetRootElement(doc) == nullptr) {
    error = u"The document or the stylesheet is empty.";
    return nullptr;
  }
  std::string errors;
  xsltSetGenericErrorFunc(&errors, CollectTransformError);
  // The stylesheet takes over the document it is built from: it works on a copy so the
  // caller's nodes stay as they are.
  xmlDocPtr sheetCopy = xmlCopyDoc(doc, 1);
  if (sheetCopy == nullptr) platform::ThrowOutOfMemory();
  std::unique_ptr<platform::xml::Sheet> sheet;
  t_securityRefused = false;
  if (xmlNodePtr unknown = FindUnknownXsltElement(sheetCopy)) {
    error = u"The stylesheet uses the unknown instruction xsl:" + FromXml(unknown->name) + u".";
    xmlFreeDoc(sheetCopy);
  } else if (xsltStylesheetPtr style = xsltParseStylesheetDoc(sheetCopy);
             style == nullptr || style->errors != 0 || t_securityRefused) {
    if (style == nullptr) xmlFreeDoc(sheetCopy);
    xsltFreeStylesheet(style);
    if (t_securityRefused) errors += "The stylesheet tried to reach a file or the network.";
    error = TrimLine(platform::ToUtf16(errors.empty() ? "The stylesheet is not valid." : errors));
  } else {
    // The text goes back as UTF-16, so the serialiser must produce UTF-8.
    if (style->encoding != nullptr) xmlFree(style->encoding);
    style->encoding = xmlStrdup(X("UTF-8"));
    sheet = std::make_unique<platform::xml::Sheet>(style);
  }
  xsltSetGenericErrorFunc(nullptr, Silent);
  return sheet;
}

// `doc` transformed by `style` (the caller holds the transform lock); the reason of a
// failure in `error`.
// Whether the stylesheet, or one it imports, strips white space from the source.
bool StripsSpace(xsltStylesheetPtr style) {
  for (xsltStylesheetPtr s = style; s; s = xsltNextImport(s))
    if (s->stripSpaces != nullptr || s->stripAll) return true;
  return false;
}

HRESULT ApplySheet(xsltStylesheetPtr style, xmlDocPtr doc, CBstr* result, std::u16string& error) {
  std::string errors;
  xsltSetGenericErrorFunc(&errors, CollectTransformError);
  t_securityRefused = false;
  HRESULT hr = E_FAIL;
  // Stripping white space changes the source: a stylesheet that strips works on a copy.
  // Others read the document itself, which a long document is spared copying.
  xmlDocPtr copy = nullptr;
  if (StripsSpace(style) && (copy = xmlCopyDoc(doc, 1)) == nullptr) platform::ThrowOutOfMemory();
  xmlDocPtr source = copy ? copy : doc;
  xsltTransformContextPtr ctxt = xsltNewTransformContext(style, source);
  if (ctxt == nullptr) platform::ThrowOutOfMemory();
  xsltSetCtxtSecurityPrefs(g_securityPrefs, ctxt);
  xsltSetTransformErrorFunc(ctxt, &errors, CollectTransformError);
  ctxt->maxTemplateDepth = 1000;
  xmlDocPtr out = xsltApplyStylesheetUser(style, source, nullptr, nullptr, nullptr, ctxt);
  if (out != nullptr && ctxt->state == XSLT_STATE_OK && !t_securityRefused) {
    xmlChar* text = nullptr;
    int length = 0;
    if (xsltSaveResultToString(&text, &length, out, style) == 0) {
      // The result's tree goes before its text is widened: a long document's page is large.
      xmlFreeDoc(out);
      out = nullptr;
      *result = CBstr(platform::ToUtf16(
          std::string_view(text ? reinterpret_cast<const char*>(text) : "", static_cast<size_t>(length))));
      hr = S_OK;
    }
    xmlFree(text);
  } else if (t_securityRefused) {
    errors += "The stylesheet tried to reach a file or the network.";
  }
  if (out != nullptr) xmlFreeDoc(out);
  xsltFreeTransformContext(ctxt);
  if (copy) xmlFreeDoc(copy);
  xsltSetGenericErrorFunc(nullptr, Silent);
  if (FAILED(hr)) error = TrimLine(platform::ToUtf16(errors.empty() ? "The transformation failed." : errors));
  return hr;
}

}  // namespace

HRESULT CXmlDomDocument::transformNode(const CXmlDomDocument& stylesheet, CBstr* result) const {
  if (!result) return E_POINTER;
  std::lock_guard lock(TransformMutex());
  EnsureLibraries();
  std::u16string error;
  const std::unique_ptr<platform::xml::Sheet> sheet = ReadSheet(stylesheet.m_state->doc, error);
  return Transform(sheet.get(), error, result);
}

HRESULT CXmlDomDocument::transformNode(const CXslTransform& stylesheet, CBstr* result) const {
  if (!result) return E_POINTER;
  std::lock_guard lock(TransformMutex());
  return Transform(stylesheet.m_sheet.get(), stylesheet.m_error, result);
}

HRESULT CXmlDomDocument::Transform(const platform::xml::Sheet* sheet, const std::u16string& sheetError,
                                   CBstr* result) const {
  *result = CBstr();
  m_transformError.clear();
  if (xmlDocGetRootElement(m_state->doc) == nullptr || (!sheet && sheetError.empty())) {
    m_transformError = u"The document or the stylesheet is empty.";
    return E_FAIL;
  }
  if (!sheet) {
    m_transformError = sheetError;
    return E_FAIL;
  }
  return ApplySheet(sheet->style, m_state->doc, result, m_transformError);
}

CXslTransform::CXslTransform() = default;
CXslTransform::~CXslTransform() = default;

HRESULT CXslTransform::Load(const CXmlDomDocument& stylesheet) {
  std::lock_guard lock(TransformMutex());
  EnsureLibraries();
  m_sheet = ReadSheet(stylesheet.m_state->doc, m_error);
  return m_sheet ? S_OK : E_FAIL;
}
