// Small utilities used across the program: conversions between text forms, path pieces,
// number-text clean-ups, files, the program's one open file search and record identifiers.
//
// Texts returned as CBstr are new and owned by the caller. Nothing here throws except when
// a text cannot be allocated (platform::HResultError with E_OUTOFMEMORY).
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"
#include "platform/kernel/Files.h"

// ---- Conversions and text pieces -------------------------------------------------------

// 0 for a null or empty text; otherwise the number at the start of the first 19
// characters, read as atoi does (leading blanks, a sign, digits). Out-of-range values are
// held at the int limits.
int BstrToInt(std::u16string_view text);
// 0 for a null or empty text; otherwise the number at the start of the whole text.
LONG BstrToLong(std::u16string_view text);
CBstr LongToBstr(LONG value);
int CStringToInt(const std::u16string& text);
// A narrow copy in the device's ANSI code page, sized by the conversion (UTF-8 may need
// three bytes for one UTF-16 unit).
std::string CreateAnsiCopy(std::u16string_view text);

// The text without its last character (callers shorten a text until it fits a column).
CBstr DropLastChar(std::u16string_view text);
// `length` characters from `start`; negative values count as 0; both are clamped.
CBstr CopySubstring(std::u16string_view text, int start, int length);
// True when the text is the full name of a sub-level ("Customer:Job").
bool IsSubLevelName(std::u16string_view text);
// The part after the last ":"; without one the text itself, or null with the flag.
LPCWSTR GetLeafName(LPCWSTR fullName, bool nullWhenNone);
// The part after the last "\"; a copy of the path when it has none.
CBstr GetFileNameFromPath(std::u16string_view path);
// The name of the file the path leads to as the device spells it (names are found
// ignoring case, so "INVOICE7.QVN" may lead to "Invoice7.QVN"); the path's last part when
// there is no such file.
CBstr GetDeviceFileName(std::u16string_view path);
// The part up to and including the last "\"; a copy when there is none.
CBstr GetFolderFromPath(std::u16string_view path);
// Without its last four characters when the name contains ".QVN" (case matters), else a
// copy; null for null.
CBstr StripDocumentExtension(const CBstr& fileName);
// The part before the first occurrence of the marker, or a copy; null for null.
CBstr TruncateAtText(const CBstr& text, std::u16string_view marker);
// Drops the first character when the first occurrence of `sign` is at the start, or, when
// the sign does not occur at all, when the text starts with "%"; otherwise a copy.
CBstr StripLeadingSign(std::u16string_view text, WCHAR sign);
// Removes every occurrence of the character.
void RemoveCharFromText(CBstr& text, WCHAR c);
void RemoveCharFromText(std::u16string& text, WCHAR c);
// Removes trailing "0"s and then one trailing decimal separator of the program's regional
// settings ("1.500" -> "1.5", "2.00" -> "2", "(2.50)" -> "(2.5)"). Texts without that
// separator stay as they are, so "100" is never cut to "1".
void TrimTrailingZeros(CBstr& text);
// Only when the program's currency format uses 3 or more decimals: removes trailing "0"s
// while more than 2 characters follow the last decimal separator ("1.2500" -> "1.25").
void TrimZerosKeepTwoDecimals(CBstr& text);
void TrimZerosKeepTwoDecimals(std::u16string& text);
// Money rounded to cents, half away from zero, on the decimal the value was read from
// (CDecimal::FromDouble): 0.125 gives 0.13 and -0.125 gives -0.13, as a line figure shows.
double RoundMoney(double value);
// Rounds to cents (RoundMoney) and formats the amount in the user's
// currency format; with `twoDigits` the program's currency format with exactly two
// decimals. `out` is replaced only when the formatting succeeds.
void FormatCurrencyValue(double value, CBstr& out, bool twoDigits);
// The date in the user's short date format; empty for a date that is no calendar date.
CBstr FormatShortDate(const SYSTEMTIME& date);
// -1, 0, 1 comparing as file times; 0 when either is no valid date.
int CompareSystemTimes(const SYSTEMTIME& a, const SYSTEMTIME& b);
// True for a blank, tab, line break, vertical tab or form feed.
bool IsBlankChar(WCHAR c);
// True when the text is empty or holds nothing but IsBlankChar characters.
bool IsBlankText(std::u16string_view text);
// Leading and trailing IsBlankChar characters removed.
std::u16string TrimWhitespace(std::u16string_view text);

// ---- Files -------------------------------------------------------------------------------

// True when the file opens for reading (shared read).
bool FileExists(std::u16string_view path);
BOOL DeleteFileInFolder(std::u16string_view folder, std::u16string_view name);
// Moves folder\source onto folder\target in one step, replacing the target.
BOOL ReplaceFileInFolder(std::u16string_view folder, std::u16string_view source,
                         std::u16string_view target);
// Writes the text in the ANSI code page (every byte of the conversion) through a
// temporary file renamed over the target; false when anything fails, the old file whole.
bool WriteAnsiTextFile(std::u16string_view text, std::u16string_view path);
// Reads the whole file from the ANSI code page into `out`; 0 when the file cannot be
// opened, cannot be read or is empty (out unchanged), 1 otherwise. When memory runs out
// the user is told (the out-of-memory warning) and 0 is returned; the file is closed on
// every path.
int ReadTextFile(HWND owner, std::u16string_view path, CBstr& out);
// Continues the program's one open file search; at its end closes it and returns false.
bool FindNextSearchFile(WIN32_FIND_DATAW& findData);
// Makes `search` the program's one open file search, closing the one before.
void SetProgramFileSearch(HANDLE search);

// Stores the local time now as a file time in the root values "DBModFileTimeLow" and
// "DBModFileTimeHigh"; false when either cannot be written.
bool StampDatabaseModTime();
// Registers the contacts server: loads "pimstore.dll" and calls its DllRegisterServer.
// E_FAIL when the library or the export is missing; otherwise the server's result.
HRESULT RegisterPimStore();

// ---- Record identifiers ---------------------------------------------------------------

// A new identifier as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
CBstr NewGuidString();
// An identifier from the current time (see the layout in Utilities.cpp); 0, or E_FAIL
// when the time cannot be converted.
HRESULT CreateTimeGuid(GUID& guid);
