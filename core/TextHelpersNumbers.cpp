// Number and money texts: whole numbers and hex digits, amounts in the currency format of
// the regional settings and read back as typed or shown, percentages, masked card numbers,
// and the digits a text ends with.
#include "core/TextHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/TextHelpersInternal.h"
#include "core/Utilities.h"
#include "platform/base/Base.h"

using text_helpers::Contains;

namespace {

void ReplaceAll(std::u16string& text, WCHAR from, WCHAR to) {
  for (auto& c : text)
    if (c == from) c = to;
}

std::u16string Printf(const char* format, double value) {
  char buffer[400];  // "%f" of the largest double needs 317 characters
  std::snprintf(buffer, sizeof buffer, format, value);
  return platform::ToUtf16(buffer);
}

// The largest amount, price, rate or quantity read. No document holds a figure near it,
// cents are still exact below it, and a product of two such figures stays far inside a
// double, so no line amount or total can overflow.
constexpr double kMaxNumberRead = 1e13;

// Sets aside the exponent of the number in the text ("e-5" of "1.5e-5"), whose sign is
// its own and not the amount's; "" when there is none.
std::u16string TakeExponent(std::u16string& text) {
  auto digit = [&](size_t i) { return i < text.size() && text[i] >= u'0' && text[i] <= u'9'; };
  for (size_t i = 1; i < text.size(); ++i) {
    if ((text[i] != u'e' && text[i] != u'E') || !(digit(i - 1) || text[i - 1] == u'.')) continue;
    size_t end = i + 1;
    if (end < text.size() && (text[end] == u'-' || text[end] == u'+')) ++end;
    if (!digit(end)) return {};
    while (digit(end)) ++end;
    std::u16string exponent = text.substr(i, end - i);
    text.erase(i, end - i);
    return exponent;
  }
  return {};
}

// The decimal number at the start of the text (wcstod without its "inf", "nan" and hex
// forms, which no amount field means) with `exponent` (from TakeExponent); 0 when there is
// none or when it lies beyond kMaxNumberRead either way.
double ReadDouble(std::u16string_view s, std::u16string_view exponent, bool* beyond) {
  size_t i = 0;
  while (i < s.size() && IsBlankChar(s[i])) ++i;
  std::string number;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) number.push_back(static_cast<char>(s[i++]));
  bool digits = false;
  while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
    number.push_back(static_cast<char>(s[i++]));
    digits = true;
  }
  if (i < s.size() && s[i] == u'.') {
    number.push_back('.');
    ++i;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
      number.push_back(static_cast<char>(s[i++]));
      digits = true;
    }
  }
  if (!digits) return 0;
  for (char16_t c : exponent) number.push_back(static_cast<char>(c));
  double v = std::strtod(number.c_str(), nullptr);
  const bool read = std::isfinite(v) && std::fabs(v) <= kMaxNumberRead;
  if (beyond) *beyond = !read;
  return read ? v : 0;
}

// Step 4 of reading an amount: "-" signs and parentheses make a single leading "-".
std::u16string ApplySignRules(std::u16string text) {
  text = TrimWhitespace(text);
  if (Contains(text, u'-')) {
    ReplaceAll(text, u'-', u' ');
    text = u"-" + TrimWhitespace(text);
  }
  if (Contains(text, u'(')) {
    ReplaceAll(text, u'(', u' ');
    ReplaceAll(text, u')', u' ');
    text = u"-" + TrimWhitespace(text);
  }
  return text;
}

// GetCurrencyFormatW into a buffer of the size the call asks for.
bool CurrencyFormat(std::u16string_view value, const CURRENCYFMTW* format, std::u16string& out) {
  std::u16string input(value);
  int needed = GetCurrencyFormatW(0, 0, input.c_str(), format, nullptr, 0);
  if (needed <= 0) return false;
  std::u16string buffer(static_cast<size_t>(needed), u'\0');
  int written = GetCurrencyFormatW(0, 0, input.c_str(), format, buffer.data(), needed);
  if (written <= 0) return false;
  buffer.resize(static_cast<size_t>(written - 1));
  out = std::move(buffer);
  return true;
}

// True when a formatted figure shows no digit but zeros ("-0" of -0.4 rounded): a sign
// there has no amount to go with it.
bool ShowsZero(std::u16string_view formatted) {
  return std::none_of(formatted.begin(), formatted.end(), [](char16_t c) { return c >= u'1' && c <= u'9'; });
}

}  // namespace

void LongToText(LONG value, CBstr& out) { out = CBstr(platform::ToUtf16(std::to_string(value))); }

void ByteToHexText(UINT value, CBstr& out) {
  static const char16_t kHex[] = u"0123456789abcdef";
  std::u16string s;
  do {
    s.insert(s.begin(), kHex[value & 0xF]);
    value >>= 4;
  } while (value);
  if (s.size() == 1) s.insert(s.begin(), u'0');
  out = CBstr(s);
}

int HexTextToInt(std::u16string_view text) {
  unsigned value = 0;
  for (WCHAR c : text) {
    c = platform::UpperCase(c);
    if (c >= u'0' && c <= u'9') value = value * 16 + static_cast<unsigned>(c - u'0');
    else if (c >= u'A' && c <= u'F') value = value * 16 + static_cast<unsigned>(c - u'A' + 10);
  }
  return static_cast<int>(value);
}

CBstr FormatNumberText(double value, NumberDigits digits) {
  if (digits == NumberDigits::Whole) {
    // The currency format below shows a negative figure that rounds to zero as zero; the
    // whole number does the same.
    std::u16string whole = Printf("%.0f", value);
    return CBstr(value <= 0 && std::signbit(value) && ShowsZero(whole) ? u"0" : whole);
  }
  CRegionalSettings& rs = RegionalSettings();
  std::u16string plain = Printf("%f", value);
  std::u16string text;
  bool ok;
  if (digits == NumberDigits::TwoDigits) {
    rs.CurrencyFormat().NumDigits = 2;
    ok = CurrencyFormat(plain, &rs.CurrencyFormat(), text);
    rs.CurrencyFormat().NumDigits = rs.DefaultDigits();
  } else {
    ok = CurrencyFormat(plain, nullptr, text);
  }
  if (!ok) text = plain;  // "inf" or "nan": no amount to format
  rs.RemoveCurrencySymbol(text);
  // A symbol that stood apart ("1,50 €") leaves its blank behind.
  text = TrimWhitespace(text);
  TrimZerosKeepTwoDecimals(text);
  return CBstr(text);
}

// ParseNumberText; `beyond` (may be null) tells a number that lies beyond the limit.
double ParseNumber(std::u16string_view input, bool* beyond) {
  if (beyond) *beyond = false;
  if (input.empty()) return 0;
  const CRegionalSettings& rs = RegionalSettings();
  std::u16string text(input);
  rs.RemoveCurrencySymbol(text);
  rs.RemoveThousandSeparators(text);
  if (Contains(text, u'%')) text.pop_back();
  if (rs.DecimalSeparator() == u',') ReplaceAll(text, u',', u'.');
  const std::u16string exponent = TakeExponent(text);
  return ReadDouble(ApplySignRules(std::move(text)), exponent, beyond);
}

double ParseNumberText(std::u16string_view input) { return ParseNumber(input, nullptr); }

bool IsNumberTooLarge(std::u16string_view text) {
  bool beyond = false;
  ParseNumber(text, &beyond);
  return beyond;
}

bool IsNumberText(std::u16string_view text) {
  bool beyond = false;
  ParseNumber(text, &beyond);
  return !beyond && std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

void FormatCurrencyText(CBstr& textInOut, bool keepSymbol) {
  const CRegionalSettings& rs = RegionalSettings();
  std::u16string text = textInOut.str();
  rs.RemoveThousandSeparators(text);
  if (rs.DecimalSeparator() == u',') ReplaceAll(text, u',', u'.');
  text = ApplySignRules(std::move(text));
  std::u16string formatted;
  if (CurrencyFormat(text, nullptr, formatted)) {
    if (!keepSymbol) {
      rs.RemoveCurrencySymbol(formatted);
      RemoveCharFromText(formatted, u' ');
    }
    TrimZerosKeepTwoDecimals(formatted);
    text = std::move(formatted);
  }
  textInOut = CBstr(text);
}

void NormalizeAmountText(CBstr& textInOut, bool dropTypedSymbol, bool percentByDefault) {
  if (textInOut.IsEmpty()) return;
  const std::u16string symbol(RegionalSettings().CurrencySymbol());
  std::u16string text = textInOut.str();
  if (dropTypedSymbol) {
    size_t pos = text.find(symbol);
    if (pos != std::u16string::npos) text.erase(pos, symbol.size());
  }
  CBstr number = FormatNumberText(ParseNumberText(text), NumberDigits::CurrencyDigits);
  if (text.find(symbol) != std::u16string::npos || (!percentByDefault && !Contains(text, u'%'))) {
    textInOut = CBstr(symbol + number.str());
  } else {
    textInOut = CBstr(number.str() + u"%");
  }
}

void UnformatMoneyText(std::u16string_view input, CBstr& out, BYTE& negative) {
  const CRegionalSettings& rs = RegionalSettings();
  std::u16string text(input);
  negative = 0;
  if (!text.empty() && text[0] == u'(') {
    negative = 1;
    text.erase(0, 1);
    if (Contains(text, u')')) text.pop_back();
  }
  if (text.starts_with(rs.CurrencySymbol())) text.erase(0, rs.CurrencySymbol().size());
  const WCHAR group = rs.ThousandSeparator();
  size_t first = text.find(group);
  if (first != std::u16string::npos) {
    // The amount ends at the first blank after its digit groups; every group is kept.
    size_t blank = text.find(u' ', first);
    if (blank != std::u16string::npos) text.resize(blank);
    RemoveCharFromText(text, group);
  }
  out = CBstr(text);
}

void AppendPercentSign(CBstr& text) {
  if (text.IsEmpty() || Contains(text.view(), u'%')) return;
  text = CBstr(text.str() + u"%");
}

void MaskCardNumber(CBstr& text) {
  std::u16string s = text.str();
  if (s.empty()) return;
  const size_t keep = s.size() >= 9 ? 4 : 0;
  for (size_t i = 0; i + keep < s.size(); ++i) s[i] = u'x';
  text = CBstr(s);
}

int GetTrailingDigits(std::u16string_view text, CBstr& out) {
  size_t end = text.size();
  while (end > 0 && !(text[end - 1] >= u'0' && text[end - 1] <= u'9')) --end;
  size_t start = end;
  while (start > 0 && text[start - 1] >= u'0' && text[start - 1] <= u'9') --start;
  if (start == end) return 0;
  out = CBstr(text.substr(start, end - start));
  return 1;
}

int HasDigit(std::u16string_view text) {
  for (WCHAR c : text)
    if (c >= u'0' && c <= u'9') return 1;
  return 0;
}
