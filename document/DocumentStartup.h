// What the program's start-up calls once, before it builds any document: the document
// library's connections to the rest of the program. Nothing in the library installs them
// on its own (no static initialiser, no first use), so which library a process happens
// to load first never decides how a document is shown.
#pragma once

#include "document/DocumentServices.h"

// The connections only the program can give. Any may be left empty: a document then
// works without lists and without a page.
struct CDocumentServiceHooks {
  IDocumentLists* lists = nullptr;                // not owned; outlives the documents
  DocumentViewFactory viewFactory;
};

// Installs the stylesheet generator as the builder of every document's screen stylesheet
// (screen flavour, links allowed, the document's own type, the on-screen rows), and the
// hooks given, replacing whatever was installed before.
void InstallDocumentServices(const CDocumentServiceHooks& hooks = {});

// Removes the builder and every hook again (the program's end, a test's tear-down).
void RemoveDocumentServices();
