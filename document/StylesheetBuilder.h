// The stylesheet of a sales document's page: an XSL stylesheet over the document file,
// concatenated from fragments of the language library (string-table texts and HTML
// resources) chosen by the document's type, layout style and view flags, by the Customize
// settings (which fields and columns show, their captions) and by the flavour wanted:
// the live screen page with tappable links, or the plain page for files and printing.
//
// The generator sees the document only through CStylesheetSource, so the document object
// fills one in and calls BuildStylesheetText; nothing here reads the document's XML.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"

class CCustomSettings;

// What the generator needs to know of a document.
struct CStylesheetSource {
  int type = 0;                  // the document's own type, 0-5
  int styleCode = 4;             // line table layout 0-4
  bool showLineTo = true;        // the line table is shown at all
  bool showLinks = true;         // the screen page carries links
  bool useDescriptions = false;  // fixed layouts show descriptions instead of item names
  bool useSalesTax = true;
  bool businessAddress = true;   // the customer's business address, else the home address
  int version = 4;               // the document file's format version
  // The program-wide address option is on and customers come from the program's own
  // table: the bill-to block shows the customer's address lines as they stand.
  bool tableAddressBlock = false;
  // The customer's texts that choose among the bill-to layouts of the plain page.
  std::u16string customerCompany;
  std::u16string customerPerson;
  bool customerHasAddress = false;
  const CCustomSettings* settings = nullptr;  // required
};

// The type argument that stands for the document's own type.
inline constexpr int kOwnDocumentType = 7;

// The whole stylesheet. noLinks: the file flavour, every fragment in its plain variant;
// otherwise links are used when the source's showLinks is on. type: 0-5, or
// kOwnDocumentType. screenRows: a field shows when its on-screen Customize row is set,
// else when its on-printer row is set. Captions are escaped for XML before they enter.
std::u16string BuildStylesheetText(const CStylesheetSource& source, bool noLinks, int type, bool screenRows);

// The HTML resource `id` (type 23) of the language library as wide text; empty when the
// resource is missing.
std::u16string LoadHtmlResource(UINT id);

// The per-type stylesheet templates of the desktop companion: the file flavour with
// screen rows for types 0-5, written as "KTWInvoice.XSL", "KTWEstimate.XSL",
// "KTWSalesReceipt.XSL", "KTWSalesOrder.XSL", "KTWPayment.XSL" and "KTWCreditMemo.XSL"
// into `folder` (which ends in "\"). True when all six were written.
bool WriteStylesheetTemplates(const CStylesheetSource& source, std::u16string_view folder);

// The file name of the default CSV export stylesheet the installer places in the
// templates folder.
inline constexpr char16_t kCsvExportStylesheetName[] = u"CSV_Export.xsl";
