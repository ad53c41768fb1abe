// The set-up of libxml2 and libxslt, made once for the process (and the error hooks once
// for each thread): nothing outside the program's own bytes is ever read, neither an
// external entity nor a stylesheet's document, file or network, and the libraries write no
// errors of their own.
#include <mutex>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>
#include <libxslt/documents.h>
#include <libxslt/security.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include "platform/xml/XmlInternal.h"

namespace platform::xml {

xsltSecurityPrefsPtr g_securityPrefs = nullptr;
thread_local bool t_securityRefused = false;

void Silent(void*, const char*, ...) {}
void SilentStructured(void*, xmlErrorPtr) {}

namespace {

// Every external entity reads as empty text, whatever it names: no file or network is
// opened, and a document that refers to one still loads (the reference becomes nothing)
// instead of failing as a whole.
xmlParserInputPtr EmptyExternalEntity(const char*, const char*, xmlParserCtxtPtr ctxt) {
  return xmlNewStringInputStream(ctxt, reinterpret_cast<const xmlChar*>(""));
}

xmlDocPtr RefuseStylesheetDocument(const xmlChar*, xmlDictPtr, int, void*, xsltLoadType) { return nullptr; }

// Every file, folder and network access of a stylesheet lands here: refused, and the
// transformation stopped so that the refusal is reported instead of being skipped over.
int RefuseAndStop(xsltSecurityPrefsPtr, xsltTransformContextPtr ctxt, const char*) {
  t_securityRefused = true;
  if (ctxt != nullptr) ctxt->state = XSLT_STATE_STOPPED;
  return 0;
}

}  // namespace

void EnsureLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(EmptyExternalEntity);
    xsltInit();
    xsltSetLoaderFunc(RefuseStylesheetDocument);
    g_securityPrefs = xsltNewSecurityPrefs();
    for (xsltSecurityOption option : {XSLT_SECPREF_READ_FILE, XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                                      XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK})
      xsltSetSecurityPrefs(g_securityPrefs, option, RefuseAndStop);
    xsltSetDefaultSecurityPrefs(g_securityPrefs);
    xsltSetGenericErrorFunc(nullptr, Silent);
    xmlThrDefSetGenericErrorFunc(nullptr, Silent);
    xmlThrDefSetStructuredErrorFunc(nullptr, SilentStructured);
  });
  // The library's error hooks are per thread.
  thread_local bool quiet = false;
  if (!quiet) {
    xmlSetGenericErrorFunc(nullptr, Silent);
    xmlSetStructuredErrorFunc(nullptr, SilentStructured);
    quiet = true;
  }
}

}  // namespace platform::xml
