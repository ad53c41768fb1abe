#include "core/RegionalSettings.h"

#include <algorithm>
#include <string>
#include <string_view>

CRegionalSettings::CRegionalSettings() { Reset(); }

void CRegionalSettings::Reset() {
  m_symbol.assign(1, u'$');
  m_decimal[0] = u'.';
  m_thousand[0] = u',';
  m_grouping = 3;
  m_defaultDigits = 2;
  m_format.NumDigits = 2;
  m_format.LeadingZero = 1;
  m_format.Grouping = m_grouping;
  m_format.lpDecimalSep = m_decimal;
  m_format.lpThousandSep = m_thousand;
  m_format.NegativeOrder = 0;
  m_format.PositiveOrder = 0;
  m_format.lpCurrencySymbol = m_symbol.data();
}

void CRegionalSettings::RemoveCurrencySymbol(std::u16string& text) const {
  if (m_symbol.empty()) return;
  for (size_t at = text.find(m_symbol); at != std::u16string::npos; at = text.find(m_symbol, at))
    text.erase(at, m_symbol.size());
}

void CRegionalSettings::RemoveThousandSeparators(std::u16string& text) const {
  const WCHAR separator = m_thousand[0];
  const bool noBreakBlank = separator == u'\u00A0' || separator == u'\u202F';
  std::erase_if(text, [&](char16_t c) {
    return c == separator || (noBreakBlank && (c == u'\u00A0' || c == u'\u202F'));
  });
}

namespace {

// One locale item read whole (a buffer of the size the call asks for, so no item is ever
// cut or refused for length).
bool ReadLocaleText(LCTYPE type, std::u16string& out) {
  int needed = GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, type, nullptr, 0);
  if (needed <= 0) return false;
  std::u16string buffer(static_cast<size_t>(needed), u'\0');
  int n = GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, type, buffer.data(), needed);
  if (n <= 0) return false;
  buffer.resize(static_cast<size_t>(n - 1));
  out = std::move(buffer);
  return true;
}

void ReadFirstChar(LCTYPE type, WCHAR* target) {
  std::u16string text;
  if (ReadLocaleText(type, text) && !text.empty()) target[0] = text[0];
}

// The whole text: a symbol of several letters ("kr", "CHF") cut to its first would be
// shown wrongly and would take every such letter out of the amounts it reads.
void ReadWhole(LCTYPE type, std::u16string& target) {
  std::u16string text;
  if (ReadLocaleText(type, text) && !text.empty()) target = std::move(text);
}

// The number at the start of a locale item, read as atoi reads it ("3;0" gives 3); a
// negative or missing number gives 0, a huge one stops growing.
UINT LeadingNumber(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    if (text[i] == u'-') return 0;
    ++i;
  }
  UINT value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    value = std::min<UINT>(value * 10 + static_cast<UINT>(text[i] - u'0'), 0x7FFFFFFF / 10);
  return value;
}

void ReadNumber(LCTYPE type, UINT& target) {
  std::u16string text;
  if (ReadLocaleText(type, text)) target = LeadingNumber(text);
}

}  // namespace

void CRegionalSettings::Load() {
  ReadWhole(LOCALE_SCURRENCY, m_symbol);
  ReadFirstChar(LOCALE_SMONDECIMALSEP, m_decimal);
  ReadFirstChar(LOCALE_SMONTHOUSANDSEP, m_thousand);
  ReadNumber(LOCALE_SMONGROUPING, m_grouping);
  ReadNumber(LOCALE_IDIGITS, m_defaultDigits);
  ReadNumber(LOCALE_ICURRDIGITS, m_format.NumDigits);
  m_format.LeadingZero = 1;
  m_format.Grouping = m_grouping;
  ReadNumber(LOCALE_INEGCURR, m_format.NegativeOrder);
  ReadNumber(LOCALE_ICURRENCY, m_format.PositiveOrder);
  m_format.lpDecimalSep = m_decimal;
  m_format.lpThousandSep = m_thousand;
  m_format.lpCurrencySymbol = m_symbol.data();
}

CRegionalSettings& RegionalSettings() {
  static CRegionalSettings settings;
  return settings;
}

void LoadRegionalSettings() { RegionalSettings().Load(); }
