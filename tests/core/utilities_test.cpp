// Small utilities, the pointer list, the bounded stack and the clipboard text.
//
// Groups: Utilities.Conversions* and Paths* (text pieces); Utilities.Numbers* (number-text
// clean-ups and currency values in both locales); Utilities.Files* (exists, delete,
// replace, ANSI write and read); Utilities.Guid* (identifier layout and sequence);
// PointerList*, BoundedStack*, ClipboardText*.
#include <climits>
#include <filesystem>
#include <cmath>
#include <string>
#include <vector>

#include "core/PointerList.h"
#include "core/RegistryKey.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "platform/locale/Locale.h"
#include "platform/pim/Pim.h"
#include "platform/registry/Registry.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/user/Clipboard.h"

namespace {

class Utilities : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    unsetenv("SLATEWAY_LOCALE");
    RegionalSettings().Reset();
  }
  void TearDown() override {
    RegionalSettings().Reset();
    DeviceTest::TearDown();
  }
  void Use(const char16_t* profile) {
    ASSERT_TRUE(platform::SetLocaleProfile(profile));
    LoadRegionalSettings();
  }
  void ThreeCurrencyDigits() {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, platform::kLocaleKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, u"iCurrDigits", 0, REG_SZ, reinterpret_cast<const BYTE*>(u"3"), 4);
    RegCloseKey(key);
    LoadRegionalSettings();
  }
};

TEST_F(Utilities, ConversionsReadNumbersAsAtoiDoes) {
  struct Row {
    const char16_t* text;
    int value;
  } rows[] = {{u"", 0},          {u"42abc", 42},       {u"  -7", -7}, {u"+8", 8}, {u"x1", 0},
              {u"0000000000000000000123", 0},  // only the first 19 characters count
              {u"99999999999999", INT_MAX}};
  for (const auto& r : rows) EXPECT_EQ(BstrToInt(r.text), r.value) << platform::ToUtf8(r.text);
  EXPECT_EQ(BstrToLong(u"0000000000000000000123"), 123);
  EXPECT_EQ(BstrToLong(u""), 0);
  EXPECT_EQ(BstrToLong(u"-99999999999"), INT32_MIN);
  EXPECT_EQ(LongToBstr(-5).str(), u"-5");
  EXPECT_EQ(CStringToInt(u"12x"), 12);
  // The narrow copy is sized by the conversion: three bytes for each of these letters.
  EXPECT_EQ(CreateAnsiCopy(u"\u65E5\u672C.db"), "\xE6\x97\xA5\xE6\x9C\xAC.db");
}

TEST_F(Utilities, PathsAndTextPieces) {
  EXPECT_EQ(DropLastChar(u"abc").str(), u"ab");
  EXPECT_EQ(DropLastChar(u"").str(), u"");
  struct Sub {
    int start, length;
    const char16_t* expected;
  } subs[] = {{2, 3, u"cde"}, {-1, 2, u"ab"}, {4, 10, u"ef"}, {10, 2, u""}, {2, -1, u""}};
  for (const auto& s : subs) EXPECT_EQ(CopySubstring(u"abcdef", s.start, s.length).str(), s.expected);

  EXPECT_TRUE(IsSubLevelName(u"Cust:Job"));
  EXPECT_FALSE(IsSubLevelName(u"Cust"));
  const WCHAR* full = u"A:B:C";
  EXPECT_EQ(GetLeafName(full, false), full + 4);
  const WCHAR* plain = u"Cust";
  EXPECT_EQ(GetLeafName(plain, false), plain);
  EXPECT_EQ(GetLeafName(plain, true), nullptr);

  EXPECT_EQ(GetFileNameFromPath(u"\\My Documents\\abcde").str(), u"abcde");
  EXPECT_EQ(GetFileNameFromPath(u"noslash").str(), u"noslash");
  EXPECT_EQ(GetFolderFromPath(u"\\a\\b.txt").str(), u"\\a\\");
  EXPECT_EQ(GetFolderFromPath(u"b.txt").str(), u"b.txt");

  EXPECT_EQ(StripDocumentExtension(CBstr(u"Inv 12.QVN")).str(), u"Inv 12");
  EXPECT_EQ(StripDocumentExtension(CBstr(u"Inv 12.qvn")).str(), u"Inv 12.qvn");
  EXPECT_TRUE(StripDocumentExtension(CBstr()).IsNull());
  EXPECT_EQ(TruncateAtText(CBstr(u"Shortcut.lnk"), u".lnk").str(), u"Shortcut");
  EXPECT_EQ(TruncateAtText(CBstr(u"Acme (2)"), u" (").str(), u"Acme");
  EXPECT_EQ(TruncateAtText(CBstr(u"Acme"), u" (").str(), u"Acme");
  EXPECT_TRUE(TruncateAtText(CBstr(), u" (").IsNull());

  struct Sign {
    const char16_t* text;
    const char16_t* expected;
  } signs[] = {{u"%5", u"5"}, {u"$5", u"5"}, {u"5$", u"5$"}, {u"x%", u"x%"}, {u"%5$", u"%5$"}, {u"", u""}};
  for (const auto& s : signs) EXPECT_EQ(StripLeadingSign(s.text, u'$').str(), s.expected) << platform::ToUtf8(s.text);

  CBstr text(u"1,234,567");
  RemoveCharFromText(text, u',');
  EXPECT_EQ(text.str(), u"1234567");

  for (const char16_t* blank : {u"", u" ", u"\t\r\n\v\f "}) EXPECT_TRUE(IsBlankText(blank));
  for (const char16_t* filled : {u"x", u" 0 ", u"\u00A0"}) EXPECT_FALSE(IsBlankText(filled));
  EXPECT_EQ(TrimWhitespace(u" \t a b \r\n"), u"a b");
}

TEST_F(Utilities, NumbersTrimZerosByTheLocaleSeparator) {
  struct Row {
    const char16_t* profile;
    const char16_t* text;
    const char16_t* expected;
  } rows[] = {{u"en-US", u"1.500", u"1.5"}, {u"en-US", u"2.00", u"2"},   {u"en-US", u"100", u"100"},
              {u"en-US", u"0", u"0"},       {u"en-US", u"10.050", u"10.05"}, {u"de-DE", u"1,500", u"1,5"},
              {u"de-DE", u"2,00", u"2"},    {u"de-DE", u"1.500", u"1.500"}, {u"en-US", u"(2.50)", u"(2.5)"},
              {u"en-US", u"(1.00)", u"(1)"}, {u"de-DE", u"-1,50", u"-1,5"}};
  for (const auto& r : rows) {
    Use(r.profile);
    CBstr text(r.text);
    TrimTrailingZeros(text);
    EXPECT_EQ(text.str(), r.expected) << platform::ToUtf8(r.text);
  }
  Use(u"en-US");
  CBstr four(u"1.2500");
  TrimZerosKeepTwoDecimals(four);
  EXPECT_EQ(four.str(), u"1.2500");  // two currency digits: nothing to trim
  ThreeCurrencyDigits();
  TrimZerosKeepTwoDecimals(four);
  EXPECT_EQ(four.str(), u"1.25");
  CBstr two(u"1.2000");
  TrimZerosKeepTwoDecimals(two);
  EXPECT_EQ(two.str(), u"1.20");
}

TEST_F(Utilities, NumbersCurrencyValuesRoundToCents) {
  struct Row {
    const char16_t* profile;
    double value;
    std::u16string expected;
  } rows[] = {
      {u"en-US", 1234.567, u"$1,234.57"},
      {u"en-US", -5.5, u"($5.50)"},
      {u"en-US", 1.005, u"$1.01"},  // the decimal 1.005, not its binary 1.00499...
      {u"en-US", 1234567.891, u"$1,234,567.89"},
      {u"en-US", 98765432109.87, u"$98,765,432,109.87"},
      {u"de-DE", 98765432109.87, u"98.765.432.109,87 \u20AC"},
      {u"de-DE", 1234.567, u"1.234,57 \u20AC"},
      {u"de-DE", -5.5, u"-5,50 \u20AC"},
  };
  for (const auto& r : rows) {
    Use(r.profile);
    CBstr out;
    FormatCurrencyValue(r.value, out, false);
    EXPECT_EQ(out.str(), r.expected) << r.value;
    FormatCurrencyValue(r.value, out, true);
    EXPECT_EQ(out.str(), r.expected) << r.value;
  }
  // Half a cent rounds away from zero, as a line figure shows it.
  EXPECT_DOUBLE_EQ(RoundMoney(0.125), 0.13);
  EXPECT_DOUBLE_EQ(RoundMoney(-0.125), -0.13);
  CBstr out(u"kept");
  FormatCurrencyValue(std::nan(""), out, false);
  EXPECT_EQ(out.str(), u"kept");
  Use(u"en-US");
  ThreeCurrencyDigits();
  FormatCurrencyValue(2.5, out, true);
  EXPECT_EQ(out.str(), u"$2.50");
  EXPECT_EQ(RegionalSettings().CurrencyFormat().NumDigits, 3u);  // put back after the call
  FormatCurrencyValue(2.5, out, false);
  EXPECT_EQ(out.str(), u"$2.500");
}

TEST_F(Utilities, DatesShortTextsAndComparison) {
  SYSTEMTIME d{};
  d.wYear = 2026;
  d.wMonth = 12;
  d.wDay = 31;
  EXPECT_EQ(FormatShortDate(d).str(), u"12/31/2026");
  Use(u"de-DE");
  EXPECT_EQ(FormatShortDate(d).str(), u"31.12.2026");
  SYSTEMTIME later = d;
  later.wSecond = 1;
  SYSTEMTIME invalid{};
  EXPECT_EQ(CompareSystemTimes(d, later), -1);
  EXPECT_EQ(CompareSystemTimes(later, d), 1);
  EXPECT_EQ(CompareSystemTimes(d, d), 0);
  EXPECT_EQ(CompareSystemTimes(invalid, d), 0);
  EXPECT_EQ(FormatShortDate(invalid).str(), u"");
}

TEST_F(Utilities, FilesExistDeleteAndReplaceInOneStep) {
  EXPECT_FALSE(FileExists(u"\\My Documents\\none.txt"));
  WriteText(u"\\My Documents\\a.db", "new");
  WriteText(u"\\My Documents\\b.db", "old");
  EXPECT_TRUE(FileExists(u"\\My Documents\\A.DB"));
  EXPECT_TRUE(ReplaceFileInFolder(u"\\My Documents", u"a.db", u"b.db"));
  EXPECT_EQ(ReadText(u"\\My Documents\\b.db"), "new");
  EXPECT_FALSE(FileExists(u"\\My Documents\\a.db"));
  // A missing source changes nothing.
  EXPECT_FALSE(ReplaceFileInFolder(u"\\My Documents", u"a.db", u"b.db"));
  EXPECT_EQ(ReadText(u"\\My Documents\\b.db"), "new");
  EXPECT_TRUE(DeleteFileInFolder(u"\\My Documents", u"b.db"));
  EXPECT_FALSE(FileExists(u"\\My Documents\\b.db"));
  EXPECT_FALSE(DeleteFileInFolder(u"\\My Documents", u"b.db"));
}

TEST_F(Utilities, FilesAnsiTextRoundTripsAndFailuresAreReported) {
  ASSERT_TRUE(CreateDirectoryW(u"\\Temp", nullptr));
  EXPECT_TRUE(WriteAnsiTextFile(u"Z\u00FCrich \u20AC5", u"\\Temp\\out.txt"));
  EXPECT_EQ(ReadText(u"\\Temp\\out.txt"), "Z\xC3\xBCrich \xE2\x82\xAC" "5");  // every byte written
  CBstr text(u"unchanged");
  EXPECT_EQ(ReadTextFile(nullptr, u"\\Temp\\out.txt", text), 1);
  EXPECT_EQ(text.str(), u"Z\u00FCrich \u20AC5");

  platform::InjectFault(platform::Fault::FileWrite);
  EXPECT_FALSE(WriteAnsiTextFile(u"other", u"\\Temp\\out.txt"));
  EXPECT_EQ(ReadText(u"\\Temp\\out.txt"), "Z\xC3\xBCrich \xE2\x82\xAC" "5");  // the old file is whole

  WriteText(u"\\Temp\\empty.txt", "");
  CBstr kept(u"kept");
  EXPECT_EQ(ReadTextFile(nullptr, u"\\Temp\\empty.txt", kept), 0);
  EXPECT_EQ(ReadTextFile(nullptr, u"\\Temp\\missing.txt", kept), 0);
  EXPECT_EQ(kept.str(), u"kept");
}

TEST_F(Utilities, DatabaseModTimeIsTheLocalTimeAsAFileTime) {
  ASSERT_TRUE(StampDatabaseModTime());
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&now, &ft));
  CRegistryKey key;
  DWORD low = 0, high = 0;
  ASSERT_TRUE(key.GetDword(u"DBModFileTimeLow", low));
  ASSERT_TRUE(key.GetDword(u"DBModFileTimeHigh", high));
  EXPECT_EQ(low, ft.dwLowDateTime);
  EXPECT_EQ(high, ft.dwHighDateTime);
}

TEST_F(Utilities, RegisterPimStoreNeedsTheLibraryAndMakesTheStore) {
  EXPECT_EQ(RegisterPimStore(), E_FAIL);  // no pimstore.dll on the device yet
  std::filesystem::create_directories(Linux(u"\\Windows"));
  std::filesystem::copy_file(SLATEWAY_PIMSTORE_LIBRARY, Linux(u"\\Windows\\pimstore.dll.so"));
  EXPECT_EQ(RegisterPimStore(), S_OK);
  EXPECT_TRUE(std::filesystem::exists(Linux(u"\\Windows\\Contacts.db")));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, kPocketOutlookProgId, 0, 0, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(platform::LoadedModuleCount(), 0);
}

TEST_F(Utilities, GuidLayoutFromTheTimeAndTheSequence) {
  GUID a, b;
  ASSERT_EQ(CreateTimeGuid(a), S_OK);
  ASSERT_EQ(CreateTimeGuid(b), S_OK);
  SYSTEMTIME utc;
  GetSystemTime(&utc);
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&utc, &ft));
  const ULONGLONG t = platform::FileTimeToUInt64(ft);
  EXPECT_EQ(a.Data1, static_cast<DWORD>(t));
  EXPECT_EQ(a.Data2, static_cast<WORD>(t >> 32));
  EXPECT_EQ(a.Data3, static_cast<WORD>(((t >> 48) & 0xFFF0) | 2));
  const WORD seqA = static_cast<WORD>(a.Data4[0] | (a.Data4[1] << 8));
  const WORD seqB = static_cast<WORD>(b.Data4[0] | (b.Data4[1] << 8));
  EXPECT_EQ(static_cast<WORD>(seqA + 1), seqB);
  for (int i = 2; i < 8; ++i) EXPECT_EQ(a.Data4[i], b.Data4[i]);  // the node is made once

  // The clock stands still: two texts in the same tick differ in the sequence number.
  std::u16string x = NewGuidString().str(), y = NewGuidString().str();
  ASSERT_EQ(x.size(), 38u);
  EXPECT_EQ(x.front(), u'{');
  EXPECT_EQ(x.back(), u'}');
  EXPECT_EQ(x.substr(0, 19), y.substr(0, 19));
  EXPECT_NE(x.substr(20, 4), y.substr(20, 4));
  for (WCHAR c : x) EXPECT_FALSE(c >= u'a' && c <= u'z');
}

// ---- Pointer list and bounded stack ----------------------------------------------------------

struct Tracked {
  Tracked(int id, std::vector<int>& log) : id(id), log(log) {}
  ~Tracked() { log.push_back(id); }
  int id;
  std::vector<int>& log;
};

using PointerList = platform::testing::DeviceTest;

TEST_F(PointerList, GrowsByFiftyAndWalksBothWays) {
  CPointerList list(50);
  std::vector<int> values(120);
  for (int i = 0; i < 50; ++i) ASSERT_EQ(list.Add(&values[i]), 1);
  EXPECT_EQ(list.GetCapacity(), 50);
  ASSERT_EQ(list.Add(&values[50]), 1);
  EXPECT_EQ(list.GetCapacity(), 100);
  EXPECT_EQ(list.GetCount(), 51);
  EXPECT_EQ(list.GetCursor(), 50);

  EXPECT_EQ(list.GetNext(), nullptr);  // past the end
  EXPECT_EQ(list.GetFirst(), &values[0]);
  EXPECT_EQ(list.GetPrev(), nullptr);  // at the start
  EXPECT_EQ(list.GetNext(), &values[1]);
  EXPECT_EQ(list.GetLast(), &values[50]);
  EXPECT_EQ(list.GetPrev(), &values[49]);

  CPointerList empty(0);
  EXPECT_EQ(empty.GetFirst(), nullptr);
  EXPECT_EQ(empty.GetLast(), nullptr);
  EXPECT_EQ(empty.Add(&values[0]), 1);
  EXPECT_EQ(empty.GetCapacity(), 50);
}

TEST_F(PointerList, AddAfterAWalkAppendsInsteadOfOverwriting) {
  CPointerList list(4);
  int a = 1, b = 2, c = 3, d = 4;
  list.Add(&a);
  list.Add(&b);
  list.Add(&c);
  list.GetFirst();
  ASSERT_EQ(list.Add(&d), 1);
  EXPECT_EQ(list.GetCount(), 4);
  EXPECT_EQ(list.GetAt(1), &b);  // still there
  EXPECT_EQ(list.GetAt(3), &d);
  EXPECT_EQ(list.GetCursor(), 3);
}

TEST_F(PointerList, DeleteAllDeletesLastToFirstAndRemoveAllDeletesNothing) {
  std::vector<int> log;
  {
    CTypedPointerList<Tracked> list(2);
    for (int i = 1; i <= 3; ++i) list.Add(std::make_unique<Tracked>(i, log).release());
    list.DeleteAll();
    EXPECT_EQ(log, (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCursor(), -1);
    EXPECT_EQ(list.GetFirst(), nullptr);

    Tracked kept(9, log);
    list.Add(&kept);
    list.RemoveAll();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(log.size(), 3u);
  }
  EXPECT_EQ(log.back(), 9);  // only by its own scope
}

TEST_F(PointerList, AFailedGrowthChangesNothing) {
  CPointerList list(1);
  int a = 1, b = 2;
  ASSERT_EQ(list.Add(&a), 1);
  platform::InjectFault(platform::Fault::Allocation);
  EXPECT_EQ(list.Add(&b), 0);
  EXPECT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetCapacity(), 1);
  EXPECT_EQ(list.GetLast(), &a);
  EXPECT_EQ(list.Add(&b), 1);
}

using BoundedStack = platform::testing::DeviceTest;

TEST_F(BoundedStack, AFullStackDropsItsOldestEntry) {
  CBoundedStack<int> stack(10);
  std::vector<int> values(11);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(stack.Push(&values[i]), nullptr);
  EXPECT_EQ(stack.Push(&values[10]), &values[0]);
  EXPECT_EQ(stack.GetCount(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(stack.GetAt(i), &values[i + 1]);
  EXPECT_EQ(stack.Top(), &values[10]);
  EXPECT_EQ(stack.Pop(), &values[10]);
  EXPECT_EQ(stack.GetCount(), 9);

  CBoundedStack<int> single(1);
  EXPECT_EQ(single.Push(&values[0]), nullptr);
  EXPECT_EQ(single.Push(&values[1]), &values[0]);
  EXPECT_EQ(single.Pop(), &values[1]);
  EXPECT_EQ(single.Pop(), nullptr);
}

// ---- Clipboard text ------------------------------------------------------------------------

class ClipboardText : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    platform::ResetClipboard();
  }
  void TearDown() override {
    platform::ResetClipboard();
    DeviceTest::TearDown();
  }
};

TEST_F(ClipboardText, NoTextGivesZeroAndLeavesTheClipboardClosed) {
  WCHAR buffer[16] = {u'x', 0};
  EXPECT_EQ(GetClipboardText(buffer, 16, nullptr), 0);
  EXPECT_TRUE(OpenClipboard(nullptr));  // it was closed
  EXPECT_TRUE(CloseClipboard());
}

TEST_F(ClipboardText, StoredTextReadsBackCutToTheBuffer) {
  ASSERT_EQ(SetClipboardText(u"Item \u00E9 42", nullptr), 1);
  WCHAR buffer[32];
  ASSERT_EQ(GetClipboardText(buffer, 32, nullptr), 1);
  EXPECT_EQ(std::u16string(buffer), u"Item \u00E9 42");
  WCHAR small[5];
  ASSERT_EQ(GetClipboardText(small, 5, nullptr), 1);
  EXPECT_EQ(std::u16string(small), u"Item");
  ASSERT_EQ(SetClipboardText(u"", nullptr), 1);
  ASSERT_EQ(GetClipboardText(buffer, 32, nullptr), 1);
  EXPECT_EQ(std::u16string(buffer), u"");

  // While another window holds the clipboard open, nothing is stored.
  ASSERT_TRUE(OpenClipboard(reinterpret_cast<HWND>(0x99)));
  EXPECT_EQ(SetClipboardText(u"later", nullptr), 0);
  EXPECT_TRUE(CloseClipboard());
  platform::InjectFault(platform::Fault::Allocation);
  EXPECT_EQ(SetClipboardText(u"no memory", nullptr), 0);
  EXPECT_TRUE(OpenClipboard(nullptr));  // closed again after the failure
  EXPECT_TRUE(CloseClipboard());
}

}  // namespace
