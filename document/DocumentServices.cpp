#include "document/DocumentServices.h"

#include <cstdio>


namespace {

IDocumentLists* g_lists = nullptr;              // not owned
DocumentViewFactory g_viewFactory;
StylesheetBuilder g_stylesheetBuilder;

}  // namespace

bool IsTaxableWithoutList(int documentVersion, std::u16string_view taxCode) {
  if (documentVersion >= 4) return false;
  if (taxCode.size() != 3) return false;
  const char16_t yes[] = u"YES";
  for (size_t i = 0; i < 3; ++i) {
    char16_t c = taxCode[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c != yes[i]) return false;
  }
  return true;
}

void SetDocumentLists(IDocumentLists* lists) { g_lists = lists; }
IDocumentLists* GetDocumentLists() { return g_lists; }

void SetDocumentViewFactory(DocumentViewFactory factory) { g_viewFactory = std::move(factory); }
void SetStylesheetBuilder(StylesheetBuilder builder) { g_stylesheetBuilder = std::move(builder); }

namespace document_services {

std::unique_ptr<IDocumentView> MakeView(HWND parent, CSalesDocument& document) {
  if (!g_viewFactory) return nullptr;
  return g_viewFactory(parent, document);
}

bool BuildStylesheet(const CSalesDocument& document, std::u16string& xsl) {
  if (!g_stylesheetBuilder) {
    static bool told = false;
    if (!told) {
      told = true;
      std::fputs("document: no stylesheet builder; the program's start-up must call InstallDocumentServices\n",
                 stderr);
    }
    return false;
  }
  xsl = g_stylesheetBuilder(document);
  return true;
}

}  // namespace document_services
