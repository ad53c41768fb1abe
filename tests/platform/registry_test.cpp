// Registry: value bytes and types, the size protocol, names ignoring case, enumeration
// order, deletion, persistence across a restart, damaged and deep hive files, batches,
// two processes writing one hive, and a lock file that another process cuts short or holds.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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

TEST_F(Registry, ADamagedLineCostsOnlyItselfAndTheFileIsKeptAsideOnce) {
  std::filesystem::create_directories(HiveFile().parent_path());
  const std::string damaged =
      "SLATEWAY REGISTRY HIVE 1\n[Software]\n\"Good\"=dword:00000001\n\"Broken\"=dword:12\n"
      "[Bad\\%G1]\n\"Lost\"=dword:00000002\n[Other]\n\"V\"=sz:\"x\"\n\"V\"=sz:\"again\"\n";
  std::ofstream(HiveFile(), std::ios::binary) << damaged;
  testing::internal::CaptureStderr();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, 0, &key), ERROR_SUCCESS);
  std::string report = testing::internal::GetCapturedStderr();
  EXPECT_NE(report.find("cannot be read in full; 4 damaged lines skipped"), std::string::npos) << report;
  EXPECT_EQ(Read(key, u"Good"), (std::vector<BYTE>{1, 0, 0, 0}));
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Broken", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Other", 0, 0, &key), ERROR_SUCCESS);
  EXPECT_EQ(Read(key, u"V").size(), 4u) << "the first of two same-named values stays";
  RegCloseKey(key);

  std::filesystem::path aside = HiveFile();
  aside += ".damaged";
  std::ifstream kept(aside, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), damaged) << "the damaged file is kept whole";
  Restart();  // the readable part was written back: no second report, no second copy
  testing::internal::CaptureStderr();
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, 0, &key), ERROR_SUCCESS);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  RegCloseKey(key);
  aside += ".1";
  EXPECT_FALSE(std::filesystem::exists(aside));
}

TEST_F(Registry, AFileThatIsNoHiveIsKeptAsideAndReplacedByAnEmptyOne) {
  std::filesystem::create_directories(HiveFile().parent_path());
  std::ofstream(HiveFile(), std::ios::binary) << "Windows Registry Editor Version 5.00\n[Software]\n";
  testing::internal::CaptureStderr();
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, 0, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot be read"), std::string::npos);
  std::filesystem::path aside = HiveFile();
  aside += ".damaged";
  ASSERT_TRUE(std::filesystem::exists(aside));
  key = Create(HKEY_CURRENT_USER, u"Software\\Fresh");  // the program goes on with a new hive
  EXPECT_EQ(SetDword(key, u"V", 1), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_TRUE(std::filesystem::exists(aside)) << "never overwritten";
}

TEST_F(Registry, GarbageOrForeignBytesNeverCrashTheReader) {
  const std::string samples[] = {
      std::string("\0\0\0\xff\xfe", 5),
      "SLATEWAY REGISTRY HIVE 1\n\"v\"=dword:00000001\n",
      "SLATEWAY REGISTRY HIVE 1\n[K]\n\"v\"=hex:0g\n",
      "SLATEWAY REGISTRY HIVE 1\n[K]\n\"v\"=sz:\"unterminated\n",
      "SLATEWAY REGISTRY HIVE 1\n[K]\n\"v\"=hex(99999999999):00\n",
      "SLATEWAY REGISTRY HIVE 1\n[K\\%G1]\n\"v\"=dword:00000001\n",
      "SLATEWAY REGISTRY HIVE 1\n[K]\n@\n\"v\n[\n]\n",
      "Windows Registry Editor Version 5.00\n",
  };
  for (const std::string& sample : samples) {
    std::filesystem::remove_all(HiveFile().parent_path());
    std::filesystem::create_directories(HiveFile().parent_path());
    std::ofstream(HiveFile(), std::ios::binary) << sample;
    platform::ReloadRegistry();
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    DWORD size = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, u"K", 0, 0, &key) == ERROR_SUCCESS) {
      EXPECT_EQ(RegQueryValueExW(key, u"v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND) << sample;
      RegCloseKey(key);
    }
    EXPECT_EQ(RegQueryValueExW(HKEY_CURRENT_USER, u"v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot be read"), std::string::npos) << sample;
  }
}

TEST_F(Registry, AHiveNestedFiftyThousandKeysDeepLoadsAndWritesWithoutCrashing) {
  std::string deep = "[";
  for (int i = 0; i < 50000; ++i) deep += i ? "\\k" : "k";
  std::filesystem::create_directories(HiveFile().parent_path());
  std::ofstream(HiveFile(), std::ios::binary)
      << "SLATEWAY REGISTRY HIVE 1\n[Kept]\n\"V\"=dword:00000001\n" << deep << "]\n\"Deep\"=dword:00000002\n";
  testing::internal::CaptureStderr();
  HKEY key = Create(HKEY_CURRENT_USER, u"Kept");
  EXPECT_NE(testing::internal::GetCapturedStderr().find("2 damaged lines"), std::string::npos);
  EXPECT_EQ(Read(key, u"V"), (std::vector<BYTE>{1, 0, 0, 0}));
  EXPECT_EQ(SetDword(key, u"W", 3), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_LT(std::filesystem::file_size(HiveFile()), 200u) << "the deep chain is not written back";
}

TEST_F(Registry, KeysDeeperThanThirtyTwoLevelsAreRefusedWithAnError) {
  std::u16string path;
  for (int i = 0; i < 50000; ++i) path += i ? u"\\k" : u"k";
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, 0, &key), ERROR_INVALID_PARAMETER);
  HKEY half = Create(HKEY_CURRENT_USER, path.substr(0, 2 * 16 - 1).c_str());  // 16 levels
  EXPECT_EQ(RegCreateKeyExW(half, path.substr(0, 2 * 17 - 1).c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_INVALID_PARAMETER) << "depth counts from the hive's top, not from the open key";
  HKEY deepest = Create(half, path.substr(0, 2 * 16 - 1).c_str());
  EXPECT_EQ(SetDword(deepest, u"V", 1), ERROR_SUCCESS);
  RegCloseKey(deepest);
  RegCloseKey(half);
  Restart();
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.substr(0, 2 * 32 - 1).c_str(), 0, 0, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"k"), ERROR_SUCCESS);
}

TEST_F(Registry, ABatchIsWrittenOnceWhenItEndsAndNotAtAllWhenTheWriteFails) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Settings");
  ASSERT_EQ(SetDword(key, u"Kept", 1), ERROR_SUCCESS);
  std::ifstream before(HiveFile(), std::ios::binary);
  const std::string old(std::istreambuf_iterator<char>(before), {});
  for (platform::Fault fault : {platform::Fault::FileWrite, platform::Fault::FileRename}) {
    platform::CRegistryBatch batch;
    {
      platform::CRegistryBatch inner;  // nested batches end with the outermost
      for (char16_t c = u'a'; c <= u'z'; ++c)
        ASSERT_EQ(SetDword(key, (u"V" + std::u16string(1, c) + u"x").c_str(), c), ERROR_SUCCESS);
      ASSERT_EQ(SetDword(key, u"Kept", 2), ERROR_SUCCESS);
    }
    std::ifstream during(HiveFile(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(during), {}), old) << "a crash now leaves the old file";
    platform::InjectFault(fault);
    EXPECT_EQ(batch.End(), static_cast<LONG>(ERROR_CANTWRITE));
    std::ifstream after(HiveFile(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), old);
    EXPECT_EQ(Read(key, u"Kept"), (std::vector<BYTE>{1, 0, 0, 0})) << "memory drops the batch too";
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Vax", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    platform::ClearFaults();
  }
  {
    platform::CRegistryBatch batch;
    ASSERT_EQ(SetDword(key, u"Kept", 3), ERROR_SUCCESS);
    platform::InjectFault(platform::Fault::FileRename, 1);  // only a second write would fail
    EXPECT_EQ(batch.End(), ERROR_SUCCESS);
  }
  RegCloseKey(key);
  Restart();
  key = Create(HKEY_CURRENT_USER, u"Settings");
  EXPECT_EQ(Read(key, u"Kept"), (std::vector<BYTE>{3, 0, 0, 0}));
  RegCloseKey(key);
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

// Runs `work` in a forked child once `go` is readable; returns the child's id. The
// child reports failure through its exit status.
template <class Work>
pid_t Child(int go, Work work) {
  pid_t pid = fork();
  if (pid == 0) {
    char c;
    bool ok = read(go, &c, 1) == 1 && work();
    _exit(ok ? 0 : 1);
  }
  return pid;
}

bool ExitedCleanly(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(Registry, TwoProcessesWritingOneHiveAtOnceLoseNothing) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Shared");
  ASSERT_EQ(SetDword(key, u"Before", 1), ERROR_SUCCESS);
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  auto writer = [key](char16_t prefix) {
    return [key, prefix] {
      for (DWORD i = 0; i < 300; ++i) {
        std::u16string name = prefix + platform::ToUtf16(std::to_string(i));
        if (SetDword(key, name.c_str(), i) != ERROR_SUCCESS) return false;
      }
      return true;
    };
  };
  pid_t first = Child(pipeFds[0], writer(u'a'));
  pid_t second = Child(pipeFds[0], writer(u'b'));
  ASSERT_EQ(write(pipeFds[1], "gg", 2), 2);  // both start together
  EXPECT_TRUE(ExitedCleanly(first));
  EXPECT_TRUE(ExitedCleanly(second));
  close(pipeFds[0]);
  close(pipeFds[1]);

  DWORD values = 0;  // seen without a restart: the other processes' saves are noticed
  ASSERT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 601u);
  EXPECT_EQ(Read(key, u"b299"), (std::vector<BYTE>{43, 1, 0, 0}));
  RegCloseKey(key);
}

TEST_F(Registry, AnotherProcesssBatchedSaveIsSeenWholeAfterItEnds) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Shared");
  ASSERT_EQ(SetDword(key, u"V", 1), ERROR_SUCCESS);
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  pid_t other = Child(pipeFds[0], [key] {
    platform::CRegistryBatch batch;
    return SetDword(key, u"V", 2) == ERROR_SUCCESS && SetDword(key, u"W", 3) == ERROR_SUCCESS &&
           batch.End() == ERROR_SUCCESS;
  });
  EXPECT_EQ(Read(key, u"V"), (std::vector<BYTE>{1, 0, 0, 0}));
  ASSERT_EQ(write(pipeFds[1], "g", 1), 1);
  ASSERT_TRUE(ExitedCleanly(other));
  close(pipeFds[0]);
  close(pipeFds[1]);
  EXPECT_EQ(Read(key, u"V"), (std::vector<BYTE>{2, 0, 0, 0}));
  EXPECT_EQ(Read(key, u"W"), (std::vector<BYTE>{3, 0, 0, 0}));
  RegCloseKey(key);
}

}  // namespace

TEST_F(Registry, ALockFileCutShortNeitherKillsTheProgramNorHidesAnotherProcesssSave) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Shared");
  ASSERT_EQ(SetDword(key, u"V", 1), ERROR_SUCCESS);
  std::filesystem::path lock = HiveFile();
  lock += ".lock";
  ASSERT_EQ(::truncate(lock.c_str(), 0), 0);
  EXPECT_EQ(Read(key, u"V"), (std::vector<BYTE>{1, 0, 0, 0}));
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  pid_t other = Child(pipeFds[0], [key] { return SetDword(key, u"V", 2) == ERROR_SUCCESS; });
  ASSERT_EQ(write(pipeFds[1], "g", 1), 1);
  ASSERT_TRUE(ExitedCleanly(other));
  close(pipeFds[0]);
  close(pipeFds[1]);
  EXPECT_EQ(Read(key, u"V"), (std::vector<BYTE>{2, 0, 0, 0}));
  EXPECT_EQ(std::filesystem::file_size(lock), 8u);
  RegCloseKey(key);
}

TEST_F(Registry, ALockHeldElsewhereFailsChangesPromptlyInsteadOfStallingThem) {
  HKEY key = Create(HKEY_CURRENT_USER, u"K");
  ASSERT_EQ(SetDword(key, u"V", 1), ERROR_SUCCESS);
  std::filesystem::path lock = HiveFile();
  lock += ".lock";
  int held = ::open(lock.c_str(), O_RDWR);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  auto timed = [&](DWORD v) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SetDword(key, u"V", v), static_cast<LONG>(ERROR_CANTWRITE));
    return std::chrono::steady_clock::now() - start;
  };
  const auto waited = timed(2);
  EXPECT_LT(waited, std::chrono::minutes(1));  // waits a moment, never for good
  // Then no more while it is held: the first waited out its patience, the next one fails
  // without waiting, in a sliver of that time however slow the machine.
  EXPECT_LT(timed(3), waited / 4);
  EXPECT_EQ(Read(key, u"V"), (std::vector<BYTE>{1, 0, 0, 0}));  // reads never wait
  ::close(held);
  EXPECT_EQ(SetDword(key, u"V", 4), ERROR_SUCCESS);
  EXPECT_EQ(Read(key, u"V"), (std::vector<BYTE>{4, 0, 0, 0}));
  RegCloseKey(key);
}
