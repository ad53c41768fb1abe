// The operations on a sales document as a whole: build a new document of a type, open a
// file, save, save under another name, memorize as a template, convert an estimate or a
// sales order into an invoice, void, and set the customer, company and signature. Each
// leaves the XML content, the document's cached values and its stylesheet consistent.
//
// They act on a CSalesDocument through its public operations, so they can live beside
// the object; each takes the document as its first argument.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

class CCompanyInfo;
class CCustomerRecord;
class CSalesDocument;

// The document tells its owner window (CSalesDocument::GetOwner) with private messages,
// the document in lParam: 1139 posted when an opened file was renumbered (wParam 1), 1140
// sent after a save that made a new file, 1142 sent after a save over its file.

// The XML text a new document of the type starts from: the language library's skeleton
// strings 40054, the type's root (invoice for any type without one of its own), 40081,
// 40082, 40088, 40089, 40059.
std::u16string BuildSkeleton(int type);

// A new document of the type: version 4, the skeleton, style, the next free number and its
// file, today's dates, a fresh job, the company, the last tax, logo, terms, rep, shipping
// method and customer message the user chose, the custom field captions, the screen
// stylesheet and the default notes. Not modified afterwards.
void InitNew(CSalesDocument& document, int styleCode, int type);

// Opens a document file (see the older-file rules in DocumentHeader.h). A memorized
// template opens as a new document of the type it was memorized from, with a fresh number
// and today's date, and without its signature. A file without a number gets the next
// free one; the file it came from is removed only once the document is saved under the
// new number. A file that does not load is offered to be moved to the deleted documents;
// false then.
bool Open(CSalesDocument& document, std::u16string_view path);

// Writes the document to its file. A new document whose file appeared meanwhile asks
// (OK/Cancel) and then takes the next free number. With REMOVEZEROQTY "true" and not
// `keepZeroQuantities`, lines of quantity "0" (labels aside) are removed first. On
// success the counter moves, the document is no longer new nor modified, and message
// 1140 (a new file) or 1142 (over its file) goes out; on failure the warning names the
// path and the document stays as it was (new, modified). True when written.
bool Save(CSalesDocument& document, bool keepZeroQuantities = false);

// type 6: memorizes the document as a template at `path` and leaves the open document,
// its type and its file unchanged (saved again). Any other type: saves the document, then
// makes `path` its file and saves it there. True when every save succeeded; memorizing
// stops at a failed template save.
bool SaveAs(CSalesDocument& document, std::u16string_view path, int type);

// An estimate or sales order becomes a new invoice with the next free invoice number, its
// own file and today's date (a modified document is saved first and stays modified). True
// when DOCTYPE was written.
bool ConvertToInvoice(CSalesDocument& document);

// Voids an invoice or sales receipt after the user agrees: VOID "YES", every price zero,
// totals again. Other types: nothing, not even the question. Always true.
bool Void(CSalesDocument& document);

// The customer block and ship-to from the record, its terms, tax code, job, price level,
// rep and sales tax, then the totals again (warning 40647 when the lines keep prices of
// another price level).
void SetCustomer(CSalesDocument& document, const CCustomerRecord& customer);
// The company block from the record, and the stylesheet again.
void SetCompany(CSalesDocument& document, const CCompanyInfo& company);
// The document's customer record read again from the customer block.
void LoadCustomer(CSalesDocument& document);

// Sets (non-empty strokes) or removes the signature: CUSTOMER/SIGNATURE, the signature
// picture "KTWSignature.bmp" of the image folder (or the empty line), SIGNED with the
// date and time when `stamp`; the signature part switched on for the type when it was
// off; the stylesheet again when `rebuild`. Unless `quiet`, the document is modified and,
// under the read-only-when-signed option, saved. False when the picture or that save
// failed.
bool SetSignature(CSalesDocument& document, std::u16string_view strokes, bool rebuild, bool stamp, bool quiet);
