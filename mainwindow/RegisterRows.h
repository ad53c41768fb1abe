// The rows of the document register: what one document file gives a row, which show kind
// shows it, and the six orders the rows are sorted in. No window is involved, so every
// rule here can be checked on plain files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Win32Types.h"

class CCustomerSource;
class CCustomSettings;
class CXmlDocument;

// Marks a row carries, drawn at the end of the amount column.
inline constexpr int kRowMarkSigned = 4;
inline constexpr int kRowMarkVoid = 8;
inline constexpr int kRowMarkPaid = 16;

// One register row, read from one document file.
struct CRegisterRow {
  std::u16string fileName;  // as the device spells it, without ".QVN"; compared ignoring case
  std::u16string date;      // "DATE", today's short date when empty
  std::u16string number;    // "ID"
  std::u16string name;      // the customer's display name
  std::u16string complete;  // "COMPLETE" ("yes" marks a complete document)
  std::u16string wireless;  // "WIRELESS"
  std::u16string amount;    // the total (a payment's "PAYAMOUNT"), currency symbol removed
  int type = 0;             // document type code 0-6
  int sourceType = 0;       // a memorized document's own type
  int marks = 0;            // kRowMark* flags
};

// ---- Show kinds --------------------------------------------------------------------------

enum class RegisterFolder { Documents, Memorized, Uploaded, Deleted };

inline constexpr int kShowKinds = 13;
inline constexpr int kShowAllDocuments = 2;
inline constexpr int kShowMemorized = 9;
inline constexpr int kShowDeleted = 12;

struct CShowKind {
  RegisterFolder folder;
  COLORREF band;          // the colour of every other row
  const char16_t* docType;  // the one DOCTYPE shown, or null
};
// The kind's table entry; kinds outside 0-12 read as "All Documents".
const CShowKind& GetShowKind(int showKind);
// The device folder the kind reads, ending in "\".
std::u16string GetShowKindFolder(int showKind);
// Whether a document of the upper-cased DOCTYPE and completion text is a row of the kind.
bool IsShownInKind(int showKind, std::u16string_view docTypeUpper, std::u16string_view complete);

// ---- Reading a file ------------------------------------------------------------------------

// The options every load reads once (each written with its default when missing).
struct CRegisterOptions {
  bool lastCommaFirst = false;       // "LastCommaFirst"
  bool useBusinessAddress = true;    // "UseBusAddress"
  bool viewByCompany = true;         // "ViewInvRegByCompany"
  bool readOnlySigned = false;       // "RO_SIGNED"
  static CRegisterOptions Read();
};

enum class RowReadResult { Row, Filtered, Unreadable };

// The desktop's jobs update, applied to every document a load shows: an invoice or an
// estimate (or a document whose type word is missing or unknown) takes the kind its job
// names, the company logo is written when the type shows one, and a customer the source
// does not know is added with the document's job. Other document types keep their type.
struct CJobsUpdate {
  CCustomerSource* source = nullptr;         // not owned; without one no customer is added
  const CCustomSettings* settings = nullptr;  // not owned; without them no logo is written
  bool contacts = false;                      // the customers are the device's contacts
};

// Loads the document file at `path` (a device path) into `xml` and builds its row for the
// show kind; with `jobs` the file is brought up to date first and saved. Unreadable:
// `error` holds the loader's text and `row` is untouched.
RowReadResult ReadRegisterRow(CXmlDocument& xml, std::u16string_view path, int showKind,
                              const CRegisterOptions& options, CRegisterRow& row, std::u16string& error,
                              const CJobsUpdate* jobs = nullptr);
// ReadRegisterRow in two steps: the row's texts as the file holds them (the date as stored,
// the amount not yet shaped), which asks nothing of the settings or the locale and so may
// run on any thread when there are no `jobs`; then what the user's settings make of them.
RowReadResult ReadRegisterRowTexts(CXmlDocument& xml, std::u16string_view path, int showKind,
                                   const CRegisterOptions& options, CRegisterRow& row, std::u16string& error,
                                   const CJobsUpdate* jobs = nullptr);
void FinishRegisterRow(CRegisterRow& row);

// The amount as a row shows it: "0.00" ("0,00" with a comma decimal separator) for an
// empty text, every currency symbol removed.
std::u16string RegisterAmountText(std::u16string_view amount);
// What a row shows for an amount that is no figure ("abc", "NaN", "1e400") and cannot be
// worked out again from the document's subtotal and tax.
inline constexpr char16_t kRegisterNoFigure[] = u"?";
// "Inv1000.QVN" -> "Inv1000": the file name without its extension, in its own letter
// case, for that name reaches the file system again (a delete, a copy, a report).
std::u16string RegisterFileName(std::u16string_view fileName);

// ---- Sorting ------------------------------------------------------------------------------

enum RegisterSortKind {
  kSortCustomer = 0,
  kSortBalance = 1,
  kSortDate = 2,
  kSortNumber = 3,
  kSortType = 4,
  kSortComplete = 5
};

// <0, 0 or >0 for two rows in the ascending order of the kind. The date and number orders
// are not total (an unreadable date equals every date; numbers with digits compare by
// their last digit run, others as text), so sorting never relies on them being so.
int CompareRegisterRows(const CRegisterRow& a, const CRegisterRow& b, int sortKind);
// Compares the last digit runs of two texts by value, however long the runs are.
int CompareDigitRuns(std::u16string_view a, std::u16string_view b);

// Sorts the rows in place, stable (equal rows keep their order), descending when
// `ascending` is false. A merge sort: whatever the comparisons answer, it ends and never
// reaches outside the vector.
void SortRegisterRows(std::vector<const CRegisterRow*>& rows, int sortKind, bool ascending);
