// CPreferences: defaults written back, the shared use-counted key, cached flags.
#include <map>

#include "core/Preferences.h"
#include "platform/testing/DeviceFixture.h"

namespace {

class Preferences : public platform::testing::DeviceTest {
 protected:
  // Every value of the Preferences key, by name, as DWORDs (texts give their size).
  std::map<std::u16string, DWORD> Values() {
    std::map<std::u16string, DWORD> out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPreferencesKeyPath, 0, 0, &key) != ERROR_SUCCESS) return out;
    WCHAR name[256];
    for (DWORD i = 0;; ++i) {
      DWORD cch = 256, type = 0, data = 0, size = 4;
      LONG rc = RegEnumValueW(key, i, name, &cch, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      out[std::u16string(name, cch)] = type == REG_DWORD ? data : size;
    }
    RegCloseKey(key);
    return out;
  }
};

TEST_F(Preferences, AFreshStoreWritesExactlyTheSevenLoadedFlagsWithTheirDefaults) {
  CPreferences prefs;
  std::map<std::u16string, DWORD> expected = {
      {u"UseOutlook", 0}, {u"DisplayBalances", 0}, {u"DisplayCustomerCC", 1}, {u"RO_SIGNED", 0},
      {u"Encryption", 0}, {u"Continuous", 0},      {u"QtyPrompt", 0}};
  EXPECT_EQ(Values(), expected) << "DisplayProductCosts stays absent until it is set";
  EXPECT_TRUE(CPreferences::DisplayCustomerCC());
  EXPECT_FALSE(CPreferences::UseOutlook());
  EXPECT_FALSE(CPreferences::DisplayProductCosts());
}

TEST_F(Preferences, ReadsWriteAMissingDefaultBackButNeverOverwriteAStoredValue) {
  CPreferences prefs;
  EXPECT_EQ(prefs.GetDword(u"PrinterID", 5), 5u);
  EXPECT_EQ(Values()[u"PrinterID"], 5u) << "the default was written back";
  ASSERT_TRUE(prefs.SetDword(u"PrinterID", 3));
  EXPECT_EQ(prefs.GetDword(u"PrinterID", 5), 3u);

  // A value that exists but is not readable as a DWORD keeps its contents.
  ASSERT_TRUE(prefs.SetString(u"Mixed", u"a long text"));
  EXPECT_EQ(prefs.GetDword(u"Mixed", 9), 9u);
  std::u16string text;
  EXPECT_TRUE(prefs.GetString(u"Mixed", text));
  EXPECT_EQ(text, u"a long text");
}

TEST_F(Preferences, QueryDwordCreatesNothing) {
  CPreferences prefs;
  size_t before = Values().size();
  DWORD v = 42;
  EXPECT_FALSE(prefs.QueryDword(u"Nowhere", v));
  EXPECT_EQ(v, 42u);
  EXPECT_EQ(Values().size(), before);
}

TEST_F(Preferences, AMissingTextWithAnEmptyDefaultIsStoredEmptyThenReadsBackAsPresent) {
  CPreferences prefs;
  std::u16string text;
  EXPECT_FALSE(prefs.GetString(u"LastTerms", text));
  EXPECT_EQ(Values()[u"LastTerms"], 2u) << "an empty REG_SZ: one null character";
  EXPECT_TRUE(prefs.GetString(u"LastTerms", text));
  EXPECT_EQ(text, u"");

  std::u16string withDefault = u"Net 30";
  EXPECT_TRUE(prefs.GetString(u"LastTerms", withDefault));
  EXPECT_EQ(withDefault, u"Net 30") << "a stored empty text keeps the caller's default";
  ASSERT_TRUE(prefs.SetString(u"LastTerms", u"Due on receipt"));
  EXPECT_TRUE(prefs.GetString(u"LastTerms", withDefault));
  EXPECT_EQ(withDefault, u"Due on receipt");
}

TEST_F(Preferences, TheSharedKeyLivesAsLongAsAnyInstance) {
  {
    CPreferences first;
    EXPECT_EQ(platform::OpenRegistryKeyCount(), 1);
    {
      CPreferences second;
      EXPECT_EQ(platform::OpenRegistryKeyCount(), 1) << "one key shared by all instances";
    }
    EXPECT_EQ(platform::OpenRegistryKeyCount(), 1);
    EXPECT_TRUE(first.SetDword(u"StillOpen", 1));
  }
  EXPECT_EQ(platform::OpenRegistryKeyCount(), 0);
  CPreferences again;  // reopens the key
  EXPECT_EQ(again.GetDword(u"StillOpen", 0), 1u);
}

TEST_F(Preferences, CachedFlagsFollowTheirSettersAndReloadOnConstruction) {
  CPreferences prefs;
  ASSERT_TRUE(prefs.SetUseOutlook(true));
  EXPECT_TRUE(CPreferences::UseOutlook());
  ASSERT_TRUE(prefs.SetDisplayProductCosts(true));
  EXPECT_TRUE(CPreferences::DisplayProductCosts());
  EXPECT_EQ(Values()[u"DisplayProductCosts"], 1u);

  // Writing a flag's value directly leaves the cache stale until the next construction.
  ASSERT_TRUE(prefs.SetDword(u"UseOutlook", 0));
  ASSERT_TRUE(prefs.SetDword(u"QtyPrompt", 7));
  EXPECT_TRUE(CPreferences::UseOutlook());
  EXPECT_FALSE(CPreferences::QtyPrompt());
  CPreferences refresh;
  EXPECT_FALSE(CPreferences::UseOutlook());
  EXPECT_TRUE(CPreferences::QtyPrompt()) << "any non-zero value is true";
}

TEST_F(Preferences, BinaryValuesAndUnreadableOnes) {
  CPreferences prefs;
  const BYTE pwd[] = {9, 8, 7};
  ASSERT_TRUE(prefs.SetBinary(u"ReaderPwd", pwd, 3));
  BYTE out[80];
  DWORD count = sizeof out;
  ASSERT_TRUE(prefs.GetBinary(u"ReaderPwd", out, count));
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(out[2], 7);
  count = sizeof out;
  EXPECT_FALSE(prefs.GetBinary(u"Missing", out, count));
  EXPECT_EQ(count, 0u);
}

TEST_F(Preferences, ValuesSurviveARestartOfTheDevice) {
  {
    CPreferences prefs;
    prefs.SetString(u"InvoicePath", u"\\My Documents\\Slateway");
  }
  Restart();
  CPreferences prefs;
  std::u16string path = u"unused default";
  EXPECT_TRUE(prefs.GetString(u"InvoicePath", path));
  EXPECT_EQ(path, u"\\My Documents\\Slateway");
}

}  // namespace
