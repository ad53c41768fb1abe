// The header of a document file as readers take it: the type, format version and style
// read from the root, with the rules that let files of older versions and other writers
// open (type words with blanks, the old ESTIMATE flag, missing VERSION, STYLE, DATE and
// logo size). The document opener and the register scan both read through these.
#pragma once

#include "core/TextHelpers.h"
#include "platform/base/Win32Types.h"

class CXmlDocument;

// The format version a new document has; files without VERSION are version 2.
inline constexpr int kCurrentDocumentVersion = 4;
inline constexpr int kOldestDocumentVersion = 2;
// The line-table style of a file without STYLE (or with one out of 0-4).
inline constexpr int kDefaultDocumentStyle = 4;
// Logo size in pixels given to a file without LOGOWIDTH.
inline constexpr char16_t kDefaultLogoSize[] = u"32";

struct CDocumentFileHeader {
  int storedType = kInvoice;    // DOCTYPE: 0-6 (6 a memorized template)
  int openType = kInvoice;      // 0-5: the stored type, or a template's ORIGINAL_DOCTYPE
  int version = kOldestDocumentVersion;  // 2-4
  int style = kDefaultDocumentStyle;     // 0-4
};

// The DOCTYPE word of a type code; a code outside 0-6 gives "INVOICE".
const char16_t* DocumentTypeWord(int type);

// DOCTYPE, upper-cased ("SALES RECEIPT", "SALES ORDER" and "CREDIT MEMO" with a blank are
// accepted). A missing or unknown word makes the file an estimate when ESTIMATE is "YES",
// else an invoice; with `writeMissing` that type's word is then written into DOCTYPE.
// 0-6.
int ReadDocumentType(CXmlDocument& doc, bool writeMissing);
// ORIGINAL_DOCTYPE of a memorized template: 0-5. A missing or unknown word, or one naming
// a template again, gives an invoice.
int ReadOriginalDocumentType(CXmlDocument& doc);
// VERSION read by ParseDocumentVersion: 2 for none or 2 and below, 3 or 4 as written;
// above 4 the user is warned (owner of the box: `owner`) and 4 is used.
int ReadDocumentVersion(CXmlDocument& doc, HWND owner);
// STYLE as a number 0-4; missing, empty or out of range gives 4.
int ReadDocumentStyle(CXmlDocument& doc);
// A missing or empty DATE becomes today (DATE and DATEQB) and the due date today plus the
// terms' days of TERMDAYS (DUEDATE and DUEDATEQB); a missing or empty LOGOWIDTH sets
// LOGOWIDTH and LOGOHEIGHT to "32". True when anything was written.
bool FillMissingHeaderFields(CXmlDocument& doc);

// Every rule in the order the opener applies them: type (the missing DOCTYPE written),
// version, style, a template's original type (with `openTemplateAsOriginal` its DOCTYPE
// is rewritten to that type's word, so the document opens as a new one of that type),
// then the missing header fields.
CDocumentFileHeader ApplyOlderFileRules(CXmlDocument& doc, HWND owner, bool openTemplateAsOriginal);
