#include "platform/base/Guid.h"

#include <cctype>
#include <cstdio>
#include <random>

#include "platform/base/Base.h"

HRESULT CoCreateGuid(GUID* guid) {
  if (!guid) return E_INVALIDARG;
  static thread_local std::mt19937_64 engine{std::random_device{}()};
  std::uint64_t a = engine();
  std::uint64_t b = engine();
  guid->Data1 = static_cast<DWORD>(a);
  guid->Data2 = static_cast<WORD>(a >> 32);
  guid->Data3 = static_cast<WORD>(((a >> 48) & 0x0FFF) | 0x4000);  // version 4
  for (int i = 0; i < 8; ++i) guid->Data4[i] = static_cast<BYTE>(b >> (8 * i));
  guid->Data4[0] = static_cast<BYTE>((guid->Data4[0] & 0x3F) | 0x80);  // variant 1
  return S_OK;
}

int StringFromGUID2(const GUID& guid, LPOLESTR text, int cchMax) {
  constexpr int kChars = 39;
  if (!text || cchMax < kChars) return 0;
  char buf[kChars + 1];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                guid.Data4[6], guid.Data4[7]);
  for (int i = 0; i < kChars; ++i) text[i] = static_cast<WCHAR>(buf[i]);
  return kChars;
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
  if (!text || !clsid) return E_INVALIDARG;
  std::string s = platform::ToUtf8(text);
  if (s.size() != 38 || s.front() != '{' || s.back() != '}') return E_INVALIDARG;
  static const int kDashes[] = {9, 14, 19, 24};
  unsigned v[11];
  for (size_t i = 1; i < 37; ++i) {
    bool dash = false;
    for (int d : kDashes) dash |= (static_cast<int>(i) == d);
    if (dash ? s[i] != '-' : !std::isxdigit(static_cast<unsigned char>(s[i]))) return E_INVALIDARG;
  }
  if (std::sscanf(s.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &v[0], &v[1], &v[2], &v[3],
                  &v[4], &v[5], &v[6], &v[7], &v[8], &v[9], &v[10]) != 11)
    return E_INVALIDARG;
  clsid->Data1 = v[0];
  clsid->Data2 = static_cast<WORD>(v[1]);
  clsid->Data3 = static_cast<WORD>(v[2]);
  for (int i = 0; i < 8; ++i) clsid->Data4[i] = static_cast<BYTE>(v[3 + i]);
  return S_OK;
}

namespace platform {
std::u16string GuidToString(const GUID& guid) {
  WCHAR buf[39];
  StringFromGUID2(guid, buf, 39);
  return std::u16string(buf, 38);
}
}  // namespace platform
