// Registry: value bytes and types, the size protocol, names ignoring case, enumeration
// order, deletion, persistence across a restart, and damaged hive files.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/testing/DeviceFixture.h"

namespace {

class Registry : public platform::testing::DeviceTest {
 protected:
  HKEY Create(HKEY root, const WCHAR* path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, 0, nullptr, &key, &disposition), ERROR_SUCCESS);
    return key;
  }
  static LONG SetText(HKEY key, const WCHAR* name, std::u16string_view text) {
    std::u16string t(text);
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(t.c_str()),
                          static_cast<DWORD>((t.size() + 1) * 2));
  }
  static LONG SetDword(HKEY key, const WCHAR* name, DWORD v) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
  }
  static std::vector<BYTE> Read(HKEY key, const WCHAR* name, DWORD* type = nullptr) {
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, name, nullptr, type, nullptr, &size), ERROR_SUCCESS);
    std::vector<BYTE> data(size);
    EXPECT_EQ(RegQueryValueExW(key, name, nullptr, type, data.data(), &size), ERROR_SUCCESS);
    return data;
  }
  std::filesystem::path HiveFile() const { return Root() / "Windows" / "Registry" / "HKEY_CURRENT_USER.reg"; }
};

TEST_F(Registry, CreateReportsWhetherTheKeyIsNewAndBuildsIntermediateKeys) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"A\\B\\C", 0, nullptr, 0, 0, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"a\\b\\c", 0, nullptr, 0, 0, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"A\\B", 0, 0, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"A\\Missing", 0, 0, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"A", 0, 0, &key), ERROR_FILE_NOT_FOUND) << "hives are separate";
}

TEST_F(Registry, ValuesKeepTheirBytesExactlyAndReadsDoNoTypeCheck) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Test");
  const BYTE odd[] = {0x41, 0x00, 0x42};  // a REG_SZ of an odd byte count, no terminator
  ASSERT_EQ(RegSetValueExW(key, u"Odd", 0, REG_SZ, odd, 3), ERROR_SUCCESS);
  const BYTE embedded[] = {0x41, 0, 0, 0, 0x42, 0, 0, 0};  // "A\0B\0"
  ASSERT_EQ(RegSetValueExW(key, u"Embedded", 0, REG_SZ, embedded, 8), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, u"Empty", u""), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"NoBytes", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, u"Short", u"a"), ERROR_SUCCESS);

  Restart();  // what was written must come back byte for byte from the file
  RegCloseKey(key);
  key = Create(HKEY_CURRENT_USER, u"Software\\Test");
  DWORD type = 0;
  EXPECT_EQ(Read(key, u"Odd", &type), std::vector<BYTE>(odd, odd + 3));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(Read(key, u"Embedded"), std::vector<BYTE>(embedded, embedded + 8));
  EXPECT_EQ(Read(key, u"Empty"), (std::vector<BYTE>{0, 0}));
  EXPECT_TRUE(Read(key, u"NoBytes").empty());

  // A 4-byte read of a 4-byte text works whatever the type says.
  DWORD v = 0xFFFFFFFF, size = 4;
  EXPECT_EQ(RegQueryValueExW(key, u"Short", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
  EXPECT_EQ(v, 0x00000061u);
  RegCloseKey(key);
}

TEST_F(Registry, TooSmallBufferGivesMoreDataWithTheSizeNeeded) {
  HKEY key = Create(HKEY_CURRENT_USER, u"K");
  ASSERT_EQ(SetText(key, u"Text", u"hello"), ERROR_SUCCESS);
  BYTE buf[4];
  DWORD size = sizeof buf, type = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, &type, buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, nullptr, buf, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, u"Text", nullptr, nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
  RegCloseKey(key);
}

TEST_F(Registry, NamesIgnoreCaseAndKeepTheCaseTheyWereCreatedWith) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\MixedCase");
  ASSERT_EQ(SetDword(key, u"LastInvNumber", 7), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, u"LASTINVNUMBER", 8), ERROR_SUCCESS);  // the same value
  WCHAR name[64];
  DWORD cch = 64;
  ASSERT_EQ(RegEnumValueW(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name, cch), u"LastInvNumber");
  cch = 64;
  EXPECT_EQ(RegEnumValueW(key, 1, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  DWORD v = 0, size = 4;
  EXPECT_EQ(RegQueryValueExW(key, u"lastinvnumber", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(v, 8u);
  RegCloseKey(key);
  HKEY other = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"SOFTWARE\\mixedcase", 0, 0, &other), ERROR_SUCCESS);
  RegCloseKey(other);
}

TEST_F(Registry, SubkeysEnumerateAlphabeticallyIgnoringCaseAndValuesInCreationOrder) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Order");
  for (const WCHAR* sub : {u"preferences", u"CustomSettings", u"Zeta", u"alpha"}) RegCloseKey(Create(key, sub));
  for (const WCHAR* value : {u"Zulu", u"alpha", u"Mike"}) SetDword(key, value, 1);

  std::vector<std::u16string> subkeys, values;
  WCHAR name[64];
  DWORD cch = 64;
  for (DWORD i = 0; cch = 64, RegEnumKeyExW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i)
    subkeys.emplace_back(name, cch);
  for (DWORD i = 0; cch = 64, RegEnumValueW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i)
    values.emplace_back(name, cch);
  EXPECT_EQ(subkeys, (std::vector<std::u16string>{u"alpha", u"CustomSettings", u"preferences", u"Zeta"}));
  EXPECT_EQ(values, (std::vector<std::u16string>{u"Zulu", u"alpha", u"Mike"}));

  cch = 3;  // "alpha" needs 6 characters with its null
  EXPECT_EQ(RegEnumKeyExW(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  DWORD subCount = 0, valueCount = 0;
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subCount, nullptr, nullptr, &valueCount, nullptr,
                             nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subCount, 4u);
  EXPECT_EQ(valueCount, 3u);
  RegCloseKey(key);
}

TEST_F(Registry, DeletingAKeyTakesItsSubtreeAndLeavesOpenHandlesDeleted) {
  HKEY parent = Create(HKEY_CURRENT_USER, u"Parent");
  HKEY child = Create(parent, u"Child\\Grandchild");
  SetDword(child, u"V", 1);
  ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Parent\\Child"), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(child, u"V", 2), static_cast<LONG>(ERROR_KEY_DELETED));
  HKEY probe = nullptr;
  EXPECT_EQ(RegOpenKeyExW(parent, u"Child", 0, 0, &probe), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(parent, u"Child"), ERROR_FILE_NOT_FOUND);
  SetDword(parent, u"Gone", 1);
  EXPECT_EQ(RegDeleteValueW(parent, u"GONE"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(parent, u"Gone"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(child);
  RegCloseKey(parent);
  EXPECT_EQ(RegCloseKey(parent), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, EverythingSurvivesARestartIncludingUnusualTexts) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\Slateway");
  const std::u16string odd = u"line1\nline2 \"quoted\" back\\slash \x00e9\x20ac \U0001F600 %25 [x]";
  ASSERT_EQ(SetText(key, u"Text \"name\" with = and ]", odd), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, u"Big", 0xFFFFFFFF), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, nullptr, u"default"), ERROR_SUCCESS);
  RegCloseKey(Create(key, u"Empty%Key]"));
  const BYTE lone[] = {0x00, 0xD8, 0x00, 0x00};  // an unpaired surrogate survives as bytes
  ASSERT_EQ(RegSetValueExW(key, u"Lone", 0, REG_SZ, lone, 4), ERROR_SUCCESS);
  RegCloseKey(key);

  Restart();
  key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"software\\vendelsoftware\\slateway", 0, 0, &key), ERROR_SUCCESS);
  std::vector<BYTE> text = Read(key, u"text \"NAME\" with = and ]");
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size() / 2 - 1), odd);
  std::vector<BYTE> big = Read(key, u"Big");
  EXPECT_EQ(big, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Read(key, u"").size(), 16u);
  EXPECT_EQ(Read(key, u"Lone"), std::vector<BYTE>(lone, lone + 4));
  HKEY empty = nullptr;
  EXPECT_EQ(RegOpenKeyExW(key, u"Empty%Key]", 0, 0, &empty), ERROR_SUCCESS);
  RegCloseKey(empty);
  RegCloseKey(key);
}

TEST_F(Registry, NamesWithUnpairedSurrogatesSurviveARestartApart) {
  // Two names that differ only in an unpaired surrogate must not read back as one:
  // that would make the hive look damaged and lose every value in it.
  const std::u16string high = u"Name\xD800", low = u"Name\xDC00", subkey = u"Key\xDBFF";
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\Slateway");
  ASSERT_EQ(SetDword(key, high.c_str(), 1), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, low.c_str(), 2), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, u"Plain", 3), ERROR_SUCCESS);
  RegCloseKey(Create(key, subkey.c_str()));
  RegCloseKey(Create(key, u"Key\xDBFE"));
  RegCloseKey(key);

  Restart();
  key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\VendelSoftware\\Slateway", 0, 0, &key), ERROR_SUCCESS);
  EXPECT_EQ(Read(key, high.c_str()), (std::vector<BYTE>{1, 0, 0, 0}));
  EXPECT_EQ(Read(key, low.c_str()), (std::vector<BYTE>{2, 0, 0, 0}));
  EXPECT_EQ(Read(key, u"Plain"), (std::vector<BYTE>{3, 0, 0, 0}));
  HKEY sub = nullptr;
  EXPECT_EQ(RegOpenKeyExW(key, subkey.c_str(), 0, 0, &sub), ERROR_SUCCESS);
  RegCloseKey(sub);
  RegCloseKey(key);
}

TEST_F(Registry, ADamagedHiveIsKeptAsideReportedAndReplacedByAnEmptyOne) {
  std::filesystem::create_directories(HiveFile().parent_path());
  {
    std::ofstream out(HiveFile(), std::ios::binary);
    out << "SLATEWAY REGISTRY HIVE 1\n[Software]\n\"Broken\"=dword:12\n";
  }
  testing::internal::CaptureStderr();
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, 0, &key), ERROR_FILE_NOT_FOUND);
  std::string report = testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("cannot be read"), std::string::npos);

  std::filesystem::path aside = HiveFile();
  aside += ".damaged";
  ASSERT_TRUE(std::filesystem::exists(aside)) << "the damaged file is kept for inspection";
  std::ifstream kept(aside);
  std::string first;
  std::getline(kept, first);
  EXPECT_EQ(first, "SLATEWAY REGISTRY HIVE 1");

  key = Create(HKEY_CURRENT_USER, u"Software\\Fresh");  // the program goes on with a new hive
  EXPECT_EQ(SetDword(key, u"V", 1), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_TRUE(std::filesystem::exists(aside)) << "never overwritten";
}

TEST_F(Registry, GarbageOrForeignBytesNeverCrashTheReader) {
  const std::string samples[] = {
      std::string("\0\0\0\xff\xfe", 5),
      "SLATEWAY REGISTRY HIVE 1\n\"value before any key\"=dword:00000001\n",
      "SLATEWAY REGISTRY HIVE 1\n[K]\n\"v\"=hex:0g\n",
      "SLATEWAY REGISTRY HIVE 1\n[K]\n\"v\"=sz:\"unterminated\n",
      "SLATEWAY REGISTRY HIVE 1\n[K]\n\"v\"=hex(99999999999):00\n",
      "SLATEWAY REGISTRY HIVE 1\n[K\\%G1]\n",
      "Windows Registry Editor Version 5.00\n",
  };
  for (const std::string& sample : samples) {
    std::filesystem::remove_all(HiveFile().parent_path());
    std::filesystem::create_directories(HiveFile().parent_path());
    std::ofstream(HiveFile(), std::ios::binary) << sample;
    platform::ReloadRegistry();
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"K", 0, 0, &key), ERROR_FILE_NOT_FOUND) << sample;
    testing::internal::GetCapturedStderr();
  }
}

TEST_F(Registry, AFailedWriteIsReportedAndLeavesMemoryAndFileAsTheyWere) {
  HKEY key = Create(HKEY_CURRENT_USER, u"K");
  ASSERT_EQ(SetDword(key, u"Kept", 1), ERROR_SUCCESS);
  platform::InjectFault(platform::Fault::FileRename);
  EXPECT_EQ(SetDword(key, u"Lost", 2), static_cast<LONG>(ERROR_CANTWRITE));
  DWORD v = 0, size = 4;
  EXPECT_EQ(RegQueryValueExW(key, u"Lost", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, u"Kept", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(Registry, AChangeMadeByAnotherProcessIsSeen) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Shared");
  ASSERT_EQ(SetDword(key, u"V", 1), ERROR_SUCCESS);
  // Another process rewrites the hive file (by rename, as this registry does).
  std::filesystem::path tmp = HiveFile();
  tmp += ".other";
  std::ofstream(tmp, std::ios::binary) << "SLATEWAY REGISTRY HIVE 1\n[Shared]\n\"V\"=dword:00000002\n";
  std::filesystem::rename(tmp, HiveFile());
  DWORD v = 0, size = 4;
  EXPECT_EQ(RegQueryValueExW(key, u"V", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
  EXPECT_EQ(v, 2u);
  RegCloseKey(key);
}

}  // namespace
