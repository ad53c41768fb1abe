// The page stylesheet of an open sales document, and its exports as an HTML page (with
// its pictures) and as comma-separated text.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

class CSalesDocument;
struct CStylesheetSource;

// What the generator needs of the document: its type, layout, view flags, version,
// customer texts and custom settings.
CStylesheetSource MakeStylesheetSource(const CSalesDocument& document);

// The document's stylesheet (see BuildStylesheetText): noLinks for the file flavour,
// type 0-5 or kOwnDocumentType, screenRows for the on-screen Customize rows.
std::u16string BuildDocumentStylesheet(const CSalesDocument& document, bool noLinks, int type, bool screenRows);

// The program-wide option under which a customer of the program's own table shows its
// address lines as they stand in the bill-to block (off until the program sets it).
void SetBillToAddressLinesOption(bool on);

// "SIGNATURE_" + the 32 hexadecimal digits of a new identifier + ".BMP": a name no other
// export uses.
CBstr MakeSignatureFileName();

// Writes the document as an HTML page at `path` (the plain page of the given rows) and
// copies its pictures beside it: the logo (when the document names one and the file
// exists) and the signature (drawn afresh under a unique name when the document is signed
// and the signature shows, else the empty signature line). `logoPath` and
// `signaturePath` (may be null) receive the paths of the copies made. True only when the
// page and every picture it refers to were written; each failure is told by its warning,
// and a failed export by the box of string 40226 at the end. Afterwards the document
// holds the screen stylesheet again.
bool ExportHtml(CSalesDocument& document, HWND owner, std::u16string_view path, CBstr* logoPath, CBstr* signaturePath,
                bool screenRows);

// Writes the document as comma-separated text at `path`, through the user's stylesheet
// "CSV_Export.xsl" of the templates folder. True when written; a missing stylesheet, a
// failed or empty transformation and a failed write are told by their boxes. Afterwards
// the document holds the screen stylesheet again.
bool ExportCsv(CSalesDocument& document, HWND owner, std::u16string_view path);
