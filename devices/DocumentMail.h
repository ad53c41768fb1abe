// E-mail of the open sales document (as its file or as an HTML page with its pictures) and
// of a report: the e-mail message form with its defaults, the user's entries remembered in
// the Preferences store, and the message sent through a mail session open for the length
// of the operation.
//
// A send that fails shows nothing: the messaging steps write the failure to the debug
// output. The wait cursor is down and the session closed on every way out.
#pragma once

#include <string_view>

#include "platform/base/Win32Types.h"

class CSalesDocument;

// Sends the document file. The document is saved first (zero-quantity lines dropped as a
// save does); a failed save stops here with 0 (the save has warned). 0 when the user left
// To empty, else 1 (also when cancelled or when the send failed).
int EmailDocumentAsQvn(HWND owner, CSalesDocument& document);

// Sends the document as an HTML page of the printout with its signature picture, and its
// logo when the printout shows the logo. Saved and exported first; a failed save or export
// stops with 0 (each has warned). 0 when To was left empty, else 1.
int EmailDocumentAsHtml(HWND owner, CSalesDocument& document);

// Sends a report: its rendered HTML text is written to the documents folder as
// `reportName` + ".htm" and attached. `document` is the one open in the editor (may be
// null): its customer gives the To address and its company the owner's name and second
// address. 0 when the report file could not be written (after "Failed to save Report.") or
// To was left empty, else 1.
int EmailReport(HWND owner, CSalesDocument* document, std::u16string_view reportName, std::u16string_view reportHtml);
