// Document numbers and file names: one counter per document type in the Preferences key,
// the step rule that raises the last run of digits inside a free-form number, the test
// that skips numbers already in use, and the file a number gives.
//
//   Start<T>Number  the number counting starts from when no last number exists
//   Last<T>Number   the number of the last document of the type saved from the counter
//   <T>NumReset     1 after the user chose a new start; the next counted save clears it
// T is Inv, Est, SR, Pay, SO or CM; a memorized template counts as an invoice.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

class CXmlDocument;
struct DwordPreference;
struct TextPreference;

// The document file extension.
inline constexpr char16_t kDocumentExtension[] = u".QVN";

// The type's numbering preferences: its start number, its last number and the flag that a
// start number was just set (an invoice's for 6 and unknown codes).
const TextPreference& StartNumberPreference(int documentType);
const TextPreference& LastNumberPreference(int documentType);
const DwordPreference& NumberResetPreference(int documentType);
// "0" for estimates, "99" for every other type.
std::u16string_view DefaultStartNumber(int documentType);
// The language-library string ids of the type's file-name prefix and of the question that
// confirms a typed number as the type's new start.
UINT DocumentPrefixStringId(int documentType);
UINT NumberConfirmationStringId(int documentType);

// Raises (or lowers) the last run of decimal digits of the text, after trailing white
// space is trimmed: what precedes and follows the run stays, the run loses its leading
// zeros ("INV-0041" -> "INV-42", "7A" -> "8A"). Runs of any length step exactly
// ("99999999999" -> "100000000000"). Down never goes below 0. A text without a digit gets
// "0" appended.
void StepNumberText(CBstr& number, bool up);
std::u16string StepNumberText(std::u16string_view number, bool up);

// The documents folder + the type's prefix + the number + ".QVN". Characters a file name
// cannot hold (\ / : * ? " < > | and control characters) become "_", and a number longer
// than kMaxNumberInFileName characters is cut there, so the path always names a file in
// the documents folder. Always true.
inline constexpr size_t kMaxNumberInFileName = 64;
bool MakeDocumentFileName(std::u16string_view number, CBstr& path, int documentType);

// True when a document file of the documents folder holds a document of the type whose ID
// is exactly the number. Files that do not load are passed over. `scratch` receives each
// file in turn.
bool IsNumberInDocumentFolder(HWND owner, std::u16string_view number, int documentType, CXmlDocument& scratch);

// True when the number is taken: the file it would be kept in exists, or a document of
// the type in the documents folder carries it.
bool IsDocumentNumberTaken(HWND owner, std::u16string_view number, int documentType);

// The next free number of the type (as IsDocumentNumberTaken tells) and the file path that
// goes with it. Missing start and last values are written back with their defaults; the
// counter itself does not move.
void GetNextDocumentNumber(HWND owner, CBstr& path, CBstr& number, int documentType);

// The counter after a document was saved: nothing unless its number was drawn from the
// counter (or confirmed as the new start) and it holds no "Sample "; then a pending reset
// is cleared, or else Last<T>Number becomes the number.
void UpdateNumberCounterOnSave(int documentType, std::u16string_view number, bool numberFromCounter);

// What the options do when the user sets a new start number: Start<T>Number = the number,
// Last<T>Number = the number stepped down, <T>NumReset = 1.
void SetStartNumber(int documentType, std::u16string_view number);
