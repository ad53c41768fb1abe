// Small utilities used across the program.
#include "core/Utilities.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "core/Decimal.h"
#include "core/MessageBoxes.h"
#include "core/RegionalSettings.h"
#include "core/RegistryKey.h"
#include "platform/base/Base.h"
#include "platform/base/Guid.h"
#include "platform/base/UniqueHandle.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/FileHandles.h"
#include "platform/locale/Locale.h"
#include "resources/resource_ids.h"

namespace {

// atoi/atol rules over UTF-16 with the result held inside [lo, hi].
long long ReadLeadingInteger(std::u16string_view s, long long lo, long long hi) {
  size_t i = 0;
  while (i < s.size() && IsBlankChar(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
  long long v = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
    v = v * 10 + (s[i] - u'0');
    if (v > hi + 1) v = hi + 1;  // stays above any limit, never overflows
  }
  if (negative) v = -v;
  return std::clamp(v, lo, hi);
}

std::u16string Printf(const char* format, double value) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, format, value);
  return platform::ToUtf16(buffer);
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  path += u"\\";
  path += name;
  return path;
}

}  // namespace

// ---- Conversions and text pieces -------------------------------------------------------

int BstrToInt(std::u16string_view text) {
  if (text.empty()) return 0;
  return static_cast<int>(ReadLeadingInteger(text.substr(0, std::min<size_t>(text.size(), 19)), INT_MIN, INT_MAX));
}

LONG BstrToLong(std::u16string_view text) {
  if (text.empty()) return 0;
  return static_cast<LONG>(ReadLeadingInteger(text, INT32_MIN, INT32_MAX));
}

CBstr LongToBstr(LONG value) { return CBstr(platform::ToUtf16(std::to_string(value))); }

int CStringToInt(const std::u16string& text) { return static_cast<int>(ReadLeadingInteger(text, INT_MIN, INT_MAX)); }

std::string CreateAnsiCopy(std::u16string_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

CBstr DropLastChar(std::u16string_view text) {
  return CBstr(text.empty() ? text : text.substr(0, text.size() - 1));
}

CBstr CopySubstring(std::u16string_view text, int start, int length) {
  const size_t s = std::min<size_t>(static_cast<size_t>(std::max(start, 0)), text.size());
  const size_t n = std::min<size_t>(static_cast<size_t>(std::max(length, 0)), text.size() - s);
  return CBstr(text.substr(s, n));
}

bool IsSubLevelName(std::u16string_view text) { return text.find(u':') != std::u16string_view::npos; }

LPCWSTR GetLeafName(LPCWSTR fullName, bool nullWhenNone) {
  if (!fullName) return nullptr;
  std::u16string_view s(fullName);
  size_t pos = s.rfind(u':');
  if (pos == std::u16string_view::npos) return nullWhenNone ? nullptr : fullName;
  return fullName + pos + 1;
}

CBstr GetFileNameFromPath(std::u16string_view path) {
  size_t pos = path.rfind(u'\\');
  return CBstr(pos == std::u16string_view::npos ? path : path.substr(pos + 1));
}

CBstr GetDeviceFileName(std::u16string_view path) {
  const std::u16string wanted(path);
  WIN32_FIND_DATAW found;
  CFindHandle search(wanted.find_first_of(u"*?") == std::u16string::npos ? FindFirstFileW(wanted.c_str(), &found)
                                                                            : INVALID_HANDLE_VALUE);
  if (!search) return GetFileNameFromPath(path);
  return CBstr(std::u16string_view(found.cFileName));
}

CBstr GetFolderFromPath(std::u16string_view path) {
  size_t pos = path.rfind(u'\\');
  return CBstr(pos == std::u16string_view::npos ? path : path.substr(0, pos + 1));
}

CBstr StripDocumentExtension(const CBstr& fileName) {
  if (fileName.IsNull()) return CBstr();
  std::u16string_view s = fileName.view();
  if (s.find(u".QVN") != std::u16string_view::npos && s.size() >= 4) return CBstr(s.substr(0, s.size() - 4));
  return CBstr(s);
}

CBstr TruncateAtText(const CBstr& text, std::u16string_view marker) {
  if (text.IsNull()) return CBstr();
  std::u16string_view s = text.view();
  size_t pos = s.find(marker);
  return CBstr(pos == std::u16string_view::npos ? s : s.substr(0, pos));
}

CBstr StripLeadingSign(std::u16string_view text, WCHAR sign) {
  size_t pos = text.find(sign);
  if ((pos == 0) || (pos == std::u16string_view::npos && !text.empty() && text[0] == u'%'))
    return CBstr(text.substr(1));
  return CBstr(text);
}

void RemoveCharFromText(std::u16string& text, WCHAR c) { std::erase(text, c); }

void RemoveCharFromText(CBstr& text, WCHAR c) {
  if (text.view().find(c) == std::u16string_view::npos) return;
  std::u16string s = text.str();
  RemoveCharFromText(s, c);
  text = CBstr(s);
}

void TrimTrailingZeros(CBstr& text) {
  std::u16string s = text.str();
  const size_t point = s.find(RegionalSettings().DecimalSeparator());
  if (point == std::u16string::npos) return;
  // A negative figure may close with its sign ("(2.50)"): the decimals end before it.
  size_t end = s.find_first_not_of(u"0123456789", point + 1);
  if (end == std::u16string::npos) end = s.size();
  size_t cut = end;
  while (cut > point + 1 && s[cut - 1] == u'0') --cut;
  if (cut == point + 1) cut = point;
  s.erase(cut, end - cut);
  text = CBstr(s);
}

void TrimZerosKeepTwoDecimals(std::u16string& s) {
  const CRegionalSettings& rs = RegionalSettings();
  if (rs.CurrencyFormat().NumDigits < 3) return;
  size_t sep = s.rfind(rs.DecimalSeparator());
  if (sep == std::u16string::npos) return;
  while (!s.empty() && s.back() == u'0' && s.size() - sep - 1 > 2) s.pop_back();
}

void TrimZerosKeepTwoDecimals(CBstr& text) {
  std::u16string s = text.str();
  TrimZerosKeepTwoDecimals(s);
  text = CBstr(s);
}

double RoundMoney(double value) {
  if (!std::isfinite(value)) return value;  // no amount: nothing to round
  return CDecimal::FromDouble(value).Cents().ToDouble();
}

void FormatCurrencyValue(double value, CBstr& out, bool twoDigits) {
  const double rounded = RoundMoney(value);
  std::u16string plain = Printf("%f", rounded);
  CRegionalSettings& rs = RegionalSettings();
  CURRENCYFMTW* format = nullptr;
  const UINT savedDigits = rs.CurrencyFormat().NumDigits;
  if (twoDigits) {
    rs.CurrencyFormat().NumDigits = 2;
    format = &rs.CurrencyFormat();
  }
  // The buffer is sized by the call, so no amount is too long to show.
  std::u16string text;
  const int needed = GetCurrencyFormatW(LOCALE_USER_DEFAULT, 0, plain.c_str(), format, nullptr, 0);
  int n = 0;
  if (needed > 0) {
    text.assign(static_cast<size_t>(needed), u'\0');
    n = GetCurrencyFormatW(LOCALE_USER_DEFAULT, 0, plain.c_str(), format, text.data(), needed);
  }
  rs.CurrencyFormat().NumDigits = savedDigits;
  if (n > 0) out = CBstr(std::u16string_view(text.data(), static_cast<size_t>(n - 1)));
}

CBstr FormatShortDate(const SYSTEMTIME& date) {
  WCHAR buffer[256];
  int n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &date, nullptr, buffer, 256);
  return CBstr(n > 0 ? std::u16string_view(buffer, static_cast<size_t>(n - 1)) : std::u16string_view(u""));
}

int CompareSystemTimes(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  FILETIME fa, fb;
  if (!SystemTimeToFileTime(&a, &fa) || !SystemTimeToFileTime(&b, &fb)) return 0;
  LONG r = CompareFileTime(&fa, &fb);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

bool IsBlankChar(WCHAR c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

bool IsBlankText(std::u16string_view text) {
  for (WCHAR c : text)
    if (!IsBlankChar(c)) return false;
  return true;
}

std::u16string TrimWhitespace(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlankChar(text[b])) ++b;
  while (e > b && IsBlankChar(text[e - 1])) --e;
  return std::u16string(text.substr(b, e - b));
}

// ---- Files -------------------------------------------------------------------------------

bool FileExists(std::u16string_view path) {
  std::u16string p(path);
  CFileHandle file(CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  return file.IsValid();
}

BOOL DeleteFileInFolder(std::u16string_view folder, std::u16string_view name) {
  return DeleteFileW(JoinPath(folder, name).c_str());
}

BOOL ReplaceFileInFolder(std::u16string_view folder, std::u16string_view source, std::u16string_view target) {
  // A rename over the target replaces it in one step: the target is never missing, and
  // a failed move leaves both files as they were.
  const std::filesystem::path from = platform::MapDevicePath(JoinPath(folder, source));
  const std::filesystem::path to = platform::MapDevicePath(JoinPath(folder, target));
  std::error_code ec;
  if (!std::filesystem::is_regular_file(from, ec)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::filesystem::rename(from, to, ec);
  if (ec) {
    SetLastError(platform::ErrorFromErrno(ec.value()));
    return FALSE;
  }
  return TRUE;
}

bool WriteAnsiTextFile(std::u16string_view text, std::u16string_view path) {
  std::string bytes = CreateAnsiCopy(text);
  std::u16string p(path);
  return platform::WriteDeviceFileAtomic(p.c_str(), bytes.data(), static_cast<DWORD>(bytes.size())) != FALSE;
}

int ReadTextFile(HWND owner, std::u16string_view path, CBstr& out) {
  std::u16string p(path);
  CFileHandle file(CreateFileW(p.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return 0;
  DWORD size = GetFileSize(file.get(), nullptr);
  if (size == 0 || size == INVALID_FILE_SIZE) return 0;
  // The file's bytes go to local memory, as every large buffer of the program does, so
  // a shortage shows as a failed allocation here rather than deep in a conversion.
  CLocalMemory block = CLocalMemory::Allocate(size);
  if (block) {
    try {
      DWORD read = 0;
      if (!ReadFile(file.get(), block.get(), size, &read, nullptr) || read == 0) return 0;
      out = CBstr(platform::ToUtf16(std::string_view(block.as<const char>(), read)));
      return 1;
    } catch (const std::bad_alloc&) {
    } catch (const platform::HResultError& e) {
      if (e.Code() != E_OUTOFMEMORY) throw;
    }
  }
  // The file is closed before the user is told.
  file.reset();
  ShowWarningMessage(owner, IDS_OUT_OF_MEMORY);
  return 0;
}

namespace {
std::mutex g_searchLock;
HANDLE g_search = INVALID_HANDLE_VALUE;
}  // namespace

void SetProgramFileSearch(HANDLE search) {
  std::lock_guard guard(g_searchLock);
  if (g_search != INVALID_HANDLE_VALUE) FindClose(g_search);
  g_search = search;
}

bool FindNextSearchFile(WIN32_FIND_DATAW& findData) {
  std::lock_guard guard(g_searchLock);
  if (g_search == INVALID_HANDLE_VALUE) return false;
  if (FindNextFileW(g_search, &findData)) return true;
  FindClose(g_search);
  g_search = INVALID_HANDLE_VALUE;
  return false;
}

bool StampDatabaseModTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME ft;
  if (!SystemTimeToFileTime(&now, &ft)) return false;
  CRegistryKey key;
  const bool low = key.SetDword(u"DBModFileTimeLow", ft.dwLowDateTime);
  const bool high = key.SetDword(u"DBModFileTimeHigh", ft.dwHighDateTime);
  return low && high;
}

HRESULT RegisterPimStore() {
  HMODULE library = LoadLibraryW(u"pimstore.dll");
  if (!library) return E_FAIL;
  using RegisterServer = HRESULT (*)();
  auto registerServer = reinterpret_cast<RegisterServer>(GetProcAddress(library, "DllRegisterServer"));
  HRESULT hr = registerServer ? registerServer() : E_FAIL;
  FreeLibrary(library);
  return hr;
}

// ---- Record identifiers ---------------------------------------------------------------

namespace {
std::mutex g_guidLock;
WORD g_sequence = 0;
WORD g_node[3] = {0, 0, 0};
bool g_nodeMade = false;
}  // namespace

// Layout, from the current UTC time as a 64-bit file time T: Data1 = T bits 0-31,
// Data2 = bits 32-47, Data3 = bits 48-63 with the low four bits replaced by 2; then a
// 16-bit sequence number (random start, one up for each identifier) and three 16-bit
// node words made once per run; every word little-endian.
HRESULT CreateTimeGuid(GUID& guid) {
  SYSTEMTIME now;
  GetSystemTime(&now);
  FILETIME ft;
  if (!SystemTimeToFileTime(&now, &ft)) return E_FAIL;
  const ULONGLONG t = platform::FileTimeToUInt64(ft);
  std::lock_guard guard(g_guidLock);
  if (g_sequence == 0) g_sequence = static_cast<WORD>(Random());
  const WORD sequence = ++g_sequence;
  // Made once per run (a first word that happens to be 0 is kept too, so the node
  // never changes between identifiers).
  if (!g_nodeMade) {
    g_nodeMade = true;
    g_node[0] = static_cast<WORD>(GetTickCount() * Random());
    g_node[1] = static_cast<WORD>(Random());
    g_node[2] = static_cast<WORD>(Random());
  }
  guid.Data1 = static_cast<DWORD>(t & 0xFFFFFFFFu);
  guid.Data2 = static_cast<WORD>((t >> 32) & 0xFFFF);
  guid.Data3 = static_cast<WORD>((((t >> 48) & 0xFFFF) & 0xFFF0) | 2);
  guid.Data4[0] = static_cast<BYTE>(sequence & 0xFF);
  guid.Data4[1] = static_cast<BYTE>(sequence >> 8);
  for (int i = 0; i < 3; ++i) {
    guid.Data4[2 + 2 * i] = static_cast<BYTE>(g_node[i] & 0xFF);
    guid.Data4[3 + 2 * i] = static_cast<BYTE>(g_node[i] >> 8);
  }
  return S_OK;
}

CBstr NewGuidString() {
  GUID guid;
  if (FAILED(CreateTimeGuid(guid))) CoCreateGuid(&guid);
  WCHAR text[40];
  int n = StringFromGUID2(guid, text, 40);
  return CBstr(n > 0 ? std::u16string_view(text, static_cast<size_t>(n - 1)) : std::u16string_view(u""));
}
