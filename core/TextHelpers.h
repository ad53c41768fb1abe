// Text, number, money and date helpers: the texts the program shows, stores in its
// document files and writes into SQL, and the reading of such texts back.
//
// Money and number texts follow the program-wide regional settings (RegionalSettings.h); dates are shown
// in the user's short date format and stored as "yyyy-MM-dd" or as "yyyy-mm-ddThh:mm:ss"
// time stamps. Out-texts are replaced (the old text freed); returned texts belong to the
// caller. A text that cannot be allocated raises E_OUTOFMEMORY.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/RegionalSettings.h"
#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"
#include "platform/locale/Locale.h"

// ---- Numbers and money ---------------------------------------------------------------------

void LongToText(LONG value, CBstr& out);
// Lower-case hexadecimal with at least two digits ("0a").
void ByteToHexText(UINT value, CBstr& out);
// Hex digits in any case accumulate; other characters are skipped; "" gives 0.
int HexTextToInt(std::u16string_view text);
// The decimals FormatNumberText shows.
enum class NumberDigits {
  Whole,           // none: "%.0f"
  CurrencyDigits,  // as many as the currency format has
  TwoDigits,       // two, whatever the currency format has
};
// Whole: "%.0f"; otherwise the amount in the currency format without its symbol, surplus
// zeros past two decimals trimmed.
CBstr FormatNumberText(double value, NumberDigits digits);
// Reads an amount as typed or shown: symbol and thousands separators dropped, "-" or
// parentheses make it negative, an exponent keeps its own sign ("1e-3"); unreadable text
// and figures beyond 1e13 either way give 0.
double ParseNumberText(std::u16string_view text);
// True when the text is a number beyond 1e13 either way, which ParseNumberText reads as 0.
bool IsNumberTooLarge(std::u16string_view text);
// True when ParseNumberText reads a figure from the text: it has digits and stays within
// 1e13 ("abc", "NaN" and "1e400" are no numbers; the empty text neither).
bool IsNumberText(std::u16string_view text);
// Re-formats a plain amount text in the currency format; the normalised input remains
// when the text is no number.
void FormatCurrencyText(CBstr& text, bool keepSymbol);
// Re-formats an amount or rate field as the user typed it (money or "%").
void NormalizeAmountText(CBstr& text, bool dropTypedSymbol, bool percentByDefault);
// Turns an amount shown in a list back into a plain number text; `negative` is 1 for a
// parenthesised amount. Every digit group survives ("1,234,567.00" -> "1234567.00").
void UnformatMoneyText(std::u16string_view text, CBstr& out, BYTE& negative);
void AppendPercentSign(CBstr& text);
void MaskCardNumber(CBstr& text);
// The last run of decimal digits in the text; 1 when there was one.
int GetTrailingDigits(std::u16string_view text, CBstr& out);
int HasDigit(std::u16string_view text);

// ---- Dates and times -------------------------------------------------------------------------

enum DateOrder { kMonthDayYear = 0, kDayMonthYear = 1, kYearMonthDay = 2 };

void GetTodayDateText(CBstr& out);
void GetTodayDateTexts(CBstr& shortDate, CBstr& storageDate);
void GetFutureDateTexts(CBstr& shortDate, CBstr& storageDate, int days);
// Both texts of the date text plus `days`; both stay as they were when the text is no date.
void AddDaysToDateText(std::u16string_view dateText, int days, CBstr& shortDate,
                       CBstr& storageDate);
void GetCurrentTimeText(CBstr& out);
void GetTimestampText(CBstr& out);
int GetDateOrder();
// Splits a date text ("-", "/" or "." between the parts) into numbers by the date order;
// two-digit years below 51 are 20xx, 51-99 are 19xx. Always 1.
int ParseDateParts(std::u16string_view text, int& month, int& day, int& year, int order);
void ParseDateText(std::u16string_view text, SYSTEMTIME& out);
void FormatDateMonthFirst(std::u16string_view storageDate, CBstr& out);
// Time stamps are always year-month-day, whatever the locale's date order.
void ParseTimestampText(std::u16string_view text, SYSTEMTIME& out);
int CompareDateTexts(std::u16string_view a, std::u16string_view b);
// "Today", "Yesterday", "Last Week", "Last Month" or "All" (both null); other names leave
// both texts unchanged.
void GetDateRange(std::u16string_view rangeName, CBstr& start, CBstr& end);

// ---- Text ---------------------------------------------------------------------------------------

void ReplaceQuoteWithSpace(CBstr& text);
void AppendBackslash(CBstr& path);
void GetTextAfterColon(std::u16string_view text, CBstr& out);
void GetTextBeforeLastColon(std::u16string_view text, CBstr& out);
int ReplaceLineBreaks(CBstr& text);
void TruncateWithEllipsis(std::u16string_view text, CBstr& out);
// `separator` may be null: then ",", "/" or a blank, whichever the text holds first in
// that order of preference. A blank separator means "first last".
int SplitPersonName(std::u16string_view text, CBstr& firstName, CBstr& lastName,
                    LPCWSTR separator);
// The city line "city, state zip" and back. The city is what stands before the comma (a
// line without a comma and without a digit is a city alone); after it the last word is
// the zip from the first word that holds a digit on, and the words before it the state.
// The line written for three such parts splits back into the same parts. Split answers 0.
int SplitCityStateZip(std::u16string_view text, CBstr& city, CBstr& state, CBstr& zip);
std::u16string FormatCityStateZip(std::u16string_view city, std::u16string_view state, std::u16string_view zip);

// Width in pixels of a piece of text; the printing code passes one over its device
// context, tests a fixed-pitch measure.
using TextMeasure = std::function<float(std::u16string_view)>;
TextMeasure FixedPitchMeasure(float characterWidth);
// Takes from `text` the first line that fits `width`, cut after a blank when it can be.
// At least one character is always taken, so a caller's loop ends even when one
// character is wider than the column. 0 when the whole text fitted (and went to `line`).
int SplitTextAtWidth(const TextMeasure& measure, CBstr& text, CBstr& line, float width);
// Reads the first track of a swiped card; 0 when a part is missing or the expiry is short.
int ParseCardTrack(CBstr& track, CBstr& holderName, CBstr& cardNumber, CBstr& expiryMonth,
                   CBstr& expiryYear);

// What a link of a document's page stands for: the code GetHeaderFieldCode gives its id.
// A hold carries the code to the editor in wParam, and the editor's hold menus use it as
// the entry's command id.
enum class HeaderField : int {
  None = 0,  // not a field of the header
  Line = 1,  // a cell of a line item (its id holds a comma)
  BillTo = 2,
  BillFrom = 3,
  Job = 4,
  Logo = 5,
  Number = 6,
  Date = 7,
  DueDate = 8,
  CustomerMessage = 9,
  Tax = 10,
  Terms = 11,
  Signature = 12,
  EraseSignature = 13,  // the signature's hold menu: Erase, no link of its own
  Title = 14,
  ShipTo = 15,
  ShipVia = 16,
  ShipDate = 17,
  PONumber = 18,
  Account = 19,
  Rep = 20,
  PaymentMethod = 21,
  CheckNumber = 22,
  Notes = 23,
  Other1 = 24,
  Other2 = 25,
  Other3 = 26,
  CardExpiry = 28,
  CardNumber = 29,
  PayAmount = 30,
  Class = 31,
};
// The field of a page link id (letter case ignored); Line, with the line key in `name` and
// the character after the comma in `outChar`, for a line cell; None for any other id.
HeaderField GetHeaderFieldCode(CBstr fieldId, WCHAR& outChar, CBstr& name);
void CopyTaxCodeText(CBstr text, CBstr& out);
// "'<label up to its first colon>' is a required field." with the exclamation icon; the
// wait cursor gives way to the arrow while the box shows.
void ShowRequiredFieldMessage(HWND owner, std::u16string_view fieldLabel);
// "'<label>' holds a number too large to use. ..." in a warning box.
void ShowNumberTooLargeMessage(HWND owner, std::u16string_view fieldLabel);
// The format version of a document file from its version attribute: 2 for none or 2 and
// below, 3 or 4 as written; above 4 the user is warned and 4 is used.
int ParseDocumentVersion(HWND owner, CBstr versionText);

// ---- Document kinds ---------------------------------------------------------------------------

enum DocumentKind {
  kInvoice = 0,
  kEstimate = 1,
  kSalesReceipt = 2,
  kPayment = 3,
  kSalesOrder = 4,
  kCreditMemo = 5,
  kMemorized = 6,
  kOtherKind = 7
};
int GetDocumentTypeFromText(CBstr typeWord);
// The kind's name from the language library ("Invoice" for any code not 1-6); returns the
// length of the text.
int GetDocumentTypeName(int kind, CBstr& out);
class CCustomSettings;
// The user's title caption for the kind (kinds 1-5; any other code gives the invoice's),
// from `settings`, or from the program's custom settings when none is given (their
// stored values when the program has none loaded).
CBstr GetCustomDocumentTypeName(int kind, CBstr& out, const CCustomSettings* settings = nullptr);
// The title captions of the six kinds, each followed by "...", for the New menu.
void LoadDocumentTypeMenuTexts(const CCustomSettings& settings, CBstr& invoice, CBstr& estimate,
                               CBstr& salesReceipt, CBstr& payment, CBstr& salesOrder,
                               CBstr& creditMemo);
