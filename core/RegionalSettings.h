// The program-wide regional settings: the currency symbol, separators and digits that every
// money and number text of the program follows, read from the system's default locale.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Win32Types.h"
#include "platform/locale/Locale.h"

// The currency symbol whole ("\u20AC", "kr", "CHF") and one character for each separator;
// the currency format record points at these texts.
class CRegionalSettings {
 public:
  CRegionalSettings();
  CRegionalSettings(const CRegionalSettings&) = delete;
  CRegionalSettings& operator=(const CRegionalSettings&) = delete;

  std::u16string_view CurrencySymbol() const { return m_symbol; }
  WCHAR DecimalSeparator() const { return m_decimal[0]; }
  WCHAR ThousandSeparator() const { return m_thousand[0]; }
  UINT Grouping() const { return m_grouping; }
  UINT DefaultDigits() const { return m_defaultDigits; }
  // The record handed to GetCurrencyFormatW when exactly two decimals are forced.
  CURRENCYFMTW& CurrencyFormat() { return m_format; }
  const CURRENCYFMTW& CurrencyFormat() const { return m_format; }

  // Fills everything from the system default locale (at start-up and after every change
  // of the device's settings). Items the locale does not answer keep their value.
  void Load();
  // Back to "$", "." and "," with two digits, as before the first Load.
  void Reset();

  // Every currency symbol taken out of an amount.
  void RemoveCurrencySymbol(std::u16string& text) const;
  // Every thousands separator taken out of an amount. Where the separator is a no-break
  // blank, the wide and the narrow one both count: amounts written under either remain
  // amounts.
  void RemoveThousandSeparators(std::u16string& text) const;

 private:
  std::u16string m_symbol = u"$";
  WCHAR m_decimal[2] = {u'.', 0};
  WCHAR m_thousand[2] = {u',', 0};
  UINT m_grouping = 3;
  UINT m_defaultDigits = 2;
  CURRENCYFMTW m_format;
};

// The program's one set; everything but the loader only reads it.
CRegionalSettings& RegionalSettings();
// Fills the program's regional settings from the system default locale; the main window
// calls this at start-up and when the device's settings change.
void LoadRegionalSettings();
