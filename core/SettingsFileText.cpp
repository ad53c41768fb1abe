#include "core/SettingsFileText.h"

#include <cstdio>
#include <vector>

#include "core/XmlText.h"
#include "platform/base/Base.h"

std::u16string FormatSettingsValue(DWORD type, const BYTE* data, DWORD size, std::u16string* typeLetter) {
  switch (type) {
    case REG_SZ: {
      // The text up to its terminator (or the whole value when it has none).
      std::u16string text;
      for (DWORD i = 0; i + 1 < size; i += 2) {
        char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) break;
        text += c;
      }
      *typeLetter = u"S";
      // Decoded once on import, so texts holding "&amp;" or "<" come back as they were;
      // files of the older form (only "&" and "<br>" escaped) decode the same way.
      return EscapeXmlText(text, false);
    }
    case REG_DWORD: {
      DWORD value = 0;
      for (DWORD i = 0; i < size && i < 4; ++i) value |= static_cast<DWORD>(data[i]) << (8 * i);
      *typeLetter = u"D";
      return platform::ToUtf16(std::to_string(value));
    }
    case REG_BINARY: {
      std::string hex;
      char pair[3];
      for (DWORD i = 0; i < size; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", data[i]);
        hex += pair;
      }
      *typeLetter = u"B";
      return platform::ToUtf16(hex);
    }
    default:
      typeLetter->clear();
      return std::u16string();
  }
}

void ForEachRegistryValue(HKEY key, const RegistryValueVisitor& visit) {
  DWORD maxName = 0, maxData = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return;
  std::vector<WCHAR> name(maxName + 1);
  std::vector<BYTE> data(maxData + 2);
  for (DWORD index = 0;; ++index) {
    DWORD cchName = static_cast<DWORD>(name.size());
    DWORD cbData = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    LONG rc = RegEnumValueW(key, index, name.data(), &cchName, nullptr, &type, data.data(), &cbData);
    if (rc == ERROR_MORE_DATA) {  // changed since the sizes were asked: grow and read again
      name.resize(name.size() * 2 + 256);
      data.resize(data.size() * 2 + 256);
      --index;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    visit(std::u16string(name.data(), cchName), type, data.data(), cbData);
  }
}

void ForEachRegistrySubkey(HKEY key, const std::function<void(const std::u16string& name)>& visit) {
  DWORD maxSub = 0;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxSub, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  std::vector<WCHAR> sub(maxSub + 1);
  for (DWORD index = 0;; ++index) {
    DWORD cch = static_cast<DWORD>(sub.size());
    LONG rc = RegEnumKeyExW(key, index, sub.data(), &cch, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) {
      sub.resize(sub.size() * 2 + 256);
      --index;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    visit(std::u16string(sub.data(), cch));
  }
}
