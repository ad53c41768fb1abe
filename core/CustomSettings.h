// The per-document-type layout: a caption for each labelled place of a rendered document
// and a show flag for each place on the screen and on the printout.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/RegistryKey.h"

inline constexpr const WCHAR* kCustomSettingsKeyPath = u"Software\\VendelSoftware\\Slateway\\CustomSettings";

// Document kinds 0 Invoice, 1 Estimate, 2 Sales Receipt, 3 Payment, 4 Sales Order,
// 5 Credit Memo index every table, flat index = kind + 6 × row.
class CCustomSettings {
 public:
  static constexpr int kKinds = 6;
  static constexpr int kCaptionRows = 39;
  static constexpr int kFlagRows = 83;

  CCustomSettings();
  virtual ~CCustomSettings();
  CCustomSettings(const CCustomSettings&) = delete;
  CCustomSettings& operator=(const CCustomSettings&) = delete;

  // Every caption starts from its default and a stored non-empty text replaces it; every
  // flag is its stored value (any non-zero is 1) or its default. Nothing is written.
  int Load();
  // Writes every named caption (empty ones as empty values) and every flag as 0 or 1, all
  // in one write of the hive: 1 when it was written, else 0 with nothing stored changed.
  int Save();

  const std::u16string& GetCaption(int kind, int row) const;
  void SetCaption(int kind, int row, std::u16string_view text);
  BYTE GetFlag(int kind, int row) const;
  void SetFlag(int kind, int row, BYTE value);
  // The screen row's flag when drawing for the screen, else the printer row's.
  BYTE IsShown(int kind, int screenRow, int printerRow, bool forScreen) const;

  // The registry value names behind a caption or flag; a caption row without a value
  // (17, 18 and 36) has an empty name and is never read or written.
  static std::u16string CaptionValueName(int kind, int row);
  static std::u16string FlagValueName(int kind, int row);
  static const WCHAR* DefaultCaption(int kind, int row);
  static BYTE DefaultFlag(int kind, int row);

 private:
  std::unique_ptr<CRegistryKey> m_key;
  std::array<std::u16string, kKinds * kCaptionRows> m_captions;
  std::array<BYTE, kKinds * kFlagRows> m_flags{};
};

// The program-wide instance the main window creates (not owned).
extern CCustomSettings* g_customSettings;
