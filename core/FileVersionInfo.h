// The version resource of a program module; the program reads its own version with it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Win32Types.h"
#include "platform/version/Version.h"

class CFileVersionInfo {
 public:
  // No version data: GetString answers empty texts.
  CFileVersionInfo() = default;
  virtual ~CFileVersionInfo() = default;

  // Reads the version block of a loaded module (null: the program itself). True when the
  // fixed information carries the signature 0xFEEF04BD. A module that is not loaded, or
  // has no block, leaves no version data and answers false.
  bool Load(LPCWSTR moduleName);
  // The same for a module file given by its file name.
  bool LoadFile(LPCWSTR fileName);

  // The text "\StringFileInfo\<language><code page>\<name>" of the loaded block; empty
  // when there is no version data or no such value.
  std::u16string GetString(std::u16string_view name) const;

  const VS_FIXEDFILEINFO& GetFixedInfo() const { return m_fixed; }
  WORD GetLanguage() const { return m_language; }
  WORD GetCodePage() const { return m_codePage; }

  // The table a module without a translation list answers from: US English, Western
  // European code page.
  static constexpr WORD kDefaultLanguage = 0x0409;
  static constexpr WORD kDefaultCodePage = 1252;

 private:
  // Code page 1252, no fixed information, no data.
  void Reset();

  VS_FIXEDFILEINFO m_fixed;
  std::vector<BYTE> m_data;
  WORD m_language = kDefaultLanguage;
  WORD m_codePage = kDefaultCodePage;
};
