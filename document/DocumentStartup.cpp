#include "document/DocumentStartup.h"

#include "document/DocumentStylesheet.h"
#include "document/StylesheetBuilder.h"

void InstallDocumentServices(const CDocumentServiceHooks& hooks) {
  SetStylesheetBuilder([](const CSalesDocument& document) {
    return BuildDocumentStylesheet(document, false, kOwnDocumentType, true);
  });
  SetDocumentLists(hooks.lists);
  SetDocumentRegister(hooks.documentRegister);
  SetDocumentViewFactory(hooks.viewFactory);
}

void RemoveDocumentServices() {
  SetStylesheetBuilder(nullptr);
  SetDocumentLists(nullptr);
  SetDocumentRegister(nullptr);
  SetDocumentViewFactory(nullptr);
}
