// CRegistryKey: text reads and their buffer growth, defaults kept on missing and empty
// values, untyped DWORD reads, and a key that cannot be opened.
#include <string>

#include "core/RegistryKey.h"
#include "platform/testing/DeviceFixture.h"

namespace {

class RegistryKey : public platform::testing::DeviceTest {
 protected:
  // A text whose REG_SZ form (with its null) is exactly `bytes` long.
  static std::u16string TextOfBytes(size_t bytes) { return std::u16string(bytes / 2 - 1, u'x'); }
};

TEST_F(RegistryKey, OpensTheProgramRootByDefaultAndCreatesIt) {
  {
    CRegistryKey key;
    ASSERT_TRUE(key.IsOpen());
    EXPECT_TRUE(key.SetDword(u"Version", 5));
  }
  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\Slateway", 0, 0, &raw), ERROR_SUCCESS);
  DWORD v = 0, size = 4;
  EXPECT_EQ(RegQueryValueExW(raw, u"Version", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
  EXPECT_EQ(v, 5u);
  RegCloseKey(raw);
}

TEST_F(RegistryKey, TextBufferGrowsOnlyPast1024BytesAndKeepsItsSize) {
  CRegistryKey key(HKEY_CURRENT_USER, u"Software\\Test");
  ASSERT_TRUE(key.SetString(CBstr(u"Fits"), CBstr(TextOfBytes(1024))));
  ASSERT_TRUE(key.SetString(CBstr(u"Grows"), CBstr(TextOfBytes(1026))));

  // With every buffer allocation failing, a 1024-byte text still reads: no growth needed.
  platform::InjectFault(platform::Fault::Allocation, 0, 100);
  CBstr text(u"default");
  EXPECT_TRUE(key.GetString(CBstr(u"Fits"), text));
  EXPECT_EQ(text.str(), TextOfBytes(1024));

  // 1026 bytes needs growth; when it cannot grow the read fails and the text stays.
  text = CBstr(u"default");
  EXPECT_FALSE(key.GetString(CBstr(u"Grows"), text));
  EXPECT_EQ(text, std::u16string_view(u"default"));
  platform::ClearFaults();

  EXPECT_TRUE(key.GetString(CBstr(u"Grows"), text));
  EXPECT_EQ(text.str(), TextOfBytes(1026));
  EXPECT_EQ(text.Length(), 512u) << "terminated at the end of the grown buffer";

  // The grown buffer stays: the next long read needs no allocation.
  platform::InjectFault(platform::Fault::Allocation, 0, 100);
  text = CBstr(u"default");
  EXPECT_TRUE(key.GetString(CBstr(u"Grows"), text));
  EXPECT_EQ(text.str(), TextOfBytes(1026));
}

TEST_F(RegistryKey, MissingAndEmptyTextsLeaveTheCallersDefault) {
  CRegistryKey key(HKEY_CURRENT_USER, u"Software\\Test");
  CBstr text(u"default");
  EXPECT_FALSE(key.GetString(CBstr(u"Missing"), text));
  EXPECT_EQ(text, std::u16string_view(u"default"));
  CBstr null;
  EXPECT_FALSE(key.GetString(CBstr(u"Missing"), null));
  EXPECT_TRUE(null.IsNull());

  ASSERT_TRUE(key.SetString(CBstr(u"Empty"), CBstr(u"")));
  ASSERT_TRUE(key.SetString(CBstr(u"Null"), CBstr()));
  EXPECT_TRUE(key.GetString(CBstr(u"Empty"), text));
  EXPECT_EQ(text, std::u16string_view(u"default"));
  EXPECT_TRUE(key.GetString(CBstr(u"Null"), null));
  EXPECT_TRUE(null.IsNull());

  // Both are stored as a single null character.
  BYTE bytes[8];
  DWORD count = sizeof bytes;
  ASSERT_TRUE(key.GetBinary(u"Null", bytes, count));
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(bytes[0] | bytes[1], 0);
}

TEST_F(RegistryKey, DwordReadsIgnoreTheTypeButNotTheSize) {
  CRegistryKey key(HKEY_CURRENT_USER, u"Software\\Test");
  ASSERT_TRUE(key.SetString(CBstr(u"A"), CBstr(u"a")));  // 4 bytes: "a" and its null
  ASSERT_TRUE(key.SetString(CBstr(u"Long"), CBstr(u"long text")));
  DWORD v = 77;
  EXPECT_TRUE(key.GetDword(u"A", v));
  EXPECT_EQ(v, 0x61u);
  v = 77;
  EXPECT_FALSE(key.GetDword(u"Long", v));
  EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
  EXPECT_EQ(v, 77u);
  EXPECT_FALSE(key.GetDword(u"Missing", v));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(v, 77u);
}

TEST_F(RegistryKey, BinaryValuesRoundTripAndFailuresZeroTheCount) {
  CRegistryKey key(HKEY_CURRENT_USER, u"Software\\Test");
  const BYTE data[] = {0, 1, 2, 0xFF};
  ASSERT_TRUE(key.SetBinary(u"Bin", data, sizeof data));
  BYTE out[8] = {};
  DWORD count = sizeof out;
  ASSERT_TRUE(key.GetBinary(u"Bin", out, count));
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(out[3], 0xFF);
  count = 2;
  EXPECT_FALSE(key.GetBinary(u"Bin", out, count)) << "too small";
  EXPECT_EQ(count, 0u);
  count = sizeof out;
  EXPECT_FALSE(key.GetBinary(u"Missing", out, count));
  EXPECT_EQ(count, 0u);
}

TEST_F(RegistryKey, AKeyThatCannotBeOpenedAnswersFalseAndWritesNothing) {
  std::u16string tooLong = u"Software\\" + std::u16string(300, u'k');
  {
    CRegistryKey key(HKEY_CURRENT_USER, tooLong.c_str());
    EXPECT_FALSE(key.IsOpen());
    DWORD v = 9;
    EXPECT_FALSE(key.GetDword(u"V", v));
    EXPECT_EQ(v, 9u);
    CBstr text(u"default");
    EXPECT_FALSE(key.GetString(CBstr(u"T"), text));
    EXPECT_EQ(text, std::u16string_view(u"default"));
    EXPECT_FALSE(key.SetDword(u"V", 1));
    EXPECT_FALSE(key.SetString(CBstr(u"T"), CBstr(u"x")));
    EXPECT_FALSE(key.SetBinary(u"B", reinterpret_cast<const BYTE*>("x"), 1));
  }
  DWORD values = 1, subkeys = 1;
  ASSERT_EQ(RegQueryInfoKeyW(HKEY_CURRENT_USER, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 0u) << "nothing lands in the root";
  EXPECT_EQ(subkeys, 0u);
}

}  // namespace
