// The program-wide regional settings: the currency symbol, separators and digits that every
// money and number text of the program follows, read from the system's default locale.
#pragma once

#include "platform/base/Win32Types.h"
#include "platform/locale/Locale.h"

// One character each for the currency symbol and the separators, as the program keeps
// them; the currency format record points at these characters.
class CRegionalSettings {
 public:
  CRegionalSettings();
  CRegionalSettings(const CRegionalSettings&) = delete;
  CRegionalSettings& operator=(const CRegionalSettings&) = delete;

  WCHAR CurrencySymbol() const { return m_symbol[0]; }
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

 private:
  WCHAR m_symbol[2] = {u'$', 0};
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
