// What a sales document asks of the rest of the program and cannot know itself: the
// lists that decide prices and tax (tax codes, sales taxes, price levels, terms, sales
// reps), the document register's "number in use" question, the page a document is shown
// in and the stylesheet builder. The program's start-up sets them all at once
// (InstallDocumentServices, DocumentStartup.h); a document works without lists, register
// or page (no lists, the folder scan for numbers, no page), but without a stylesheet
// builder every rebuild of its stylesheet fails (CSalesDocument::RebuildStylesheet).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

class CSalesDocument;

// ---- Lists ----------------------------------------------------------------------------------

class IDocumentLists {
 public:
  virtual ~IDocumentLists() = default;
  // Whether a line's tax code makes it taxable in a document of that format version.
  virtual bool IsTaxable(int documentVersion, std::u16string_view taxCode) = 0;
  // The price level's percent as a factor (-10 gives -0.1); 0 for an unknown level.
  virtual double GetLevelFactor(std::u16string_view levelName) = 0;
  // The rate text of the sales tax item or group of that name; false when there is none.
  virtual bool GetSalesTaxRate(std::u16string_view taxName, CBstr& rate) = 0;
  // The standard due days of the term; false when the term is unknown.
  virtual bool GetTermDays(std::u16string_view termName, int& days) = 0;
  // The full name of the sales rep; false when the rep is unknown.
  virtual bool GetRepFullName(std::u16string_view rep, CBstr& fullName) = 0;
};

// The tax rule that needs no list: files before format version 4 carry the answer in the
// line itself ("YES" in any case is taxable). Version 4 and later need the tax-code list;
// without one no code is taxable.
bool IsTaxableWithoutList(int documentVersion, std::u16string_view taxCode);

// The program's lists (not owned); null until the main window sets them.
void SetDocumentLists(IDocumentLists* lists);
IDocumentLists* GetDocumentLists();

// ---- The page ---------------------------------------------------------------------------------

// The page in which a document is shown and edited. A document without one works fully;
// only the in-place updates and the rendering are skipped.
// Where a page shown again puts its scroll bar.
enum class RenderMode {
  ScrollToEnd = 0,
  ScrollToTop = 1,
  KeepPosition = 2,  // or at the position the caller gives
};

class IDocumentView {
 public:
  virtual ~IDocumentView() = default;
  // Shows the text in the page element with the id; false when there is no such element.
  virtual bool SetElementText(std::u16string_view elementId, std::u16string_view text) = 0;
  // Transforms the document with its stylesheet and shows the result, the scroll bar placed
  // as `mode` says (KeepPosition: at `scrollPosition`, or where it was when that is -1).
  virtual void Render(RenderMode mode, int scrollPosition) = 0;
  virtual void SetFitToScreen(bool fit) = 0;
  virtual void SetZoomLevel(int level) = 0;
  // Hides the page while it is being changed (a page that cannot hide ignores it).
  virtual void SetHidden(bool) {}
  // The page follows the document's lines in place, without being shown again: the rows
  // of the line at `position` shown anew from the document (its texts changed), the rows
  // of the new line at `position` put in beside its neighbours, the rows of the removed
  // line with `key` taken out. Each assumes the page showed the document as it was before
  // that one change. False when the page cannot; the caller then shows it all again.
  virtual bool ShowLine(LONG) { return false; }
  virtual bool InsertLine(LONG) { return false; }
  virtual bool RemoveLine(std::u16string_view) { return false; }
  // Scrolls to the end of the page.
  virtual void ScrollToEnd() {}
};

// Builds the page of a document being constructed with a view; set by the program once
// the HTML viewer exists. Without a factory a document is built without page.
using DocumentViewFactory = std::function<std::unique_ptr<IDocumentView>(HWND parent, CSalesDocument& document)>;
void SetDocumentViewFactory(DocumentViewFactory factory);

// Generates the screen stylesheet of a document in its present layout; set by the program.
// Without one, rebuilding the stylesheet fails and leaves the loaded one in place.
using StylesheetBuilder = std::function<std::u16string(const CSalesDocument& document)>;
void SetStylesheetBuilder(StylesheetBuilder builder);

namespace document_services {
std::unique_ptr<IDocumentView> MakeView(HWND parent, CSalesDocument& document);
// False without a builder; the first such failure of the process is also told on stderr,
// naming the start-up call that is missing.
bool BuildStylesheet(const CSalesDocument& document, std::u16string& xsl);
}  // namespace document_services
