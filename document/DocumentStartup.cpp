#include "document/DocumentStartup.h"

#include "document/DocumentStylesheet.h"
#include "document/StylesheetBuilder.h"

void InstallDocumentServices(const CDocumentServiceHooks& hooks) {
  SetStylesheetBuilder([](const CSalesDocument& document) {
    return BuildDocumentStylesheet(document, false, kOwnDocumentType, true);
  });
  SetDocumentLists(hooks.lists);
  SetDocumentViewFactory(hooks.viewFactory);
}

void RemoveDocumentServices() {
  SetStylesheetBuilder(nullptr);
  SetDocumentLists(nullptr);
  SetDocumentViewFactory(nullptr);
}
