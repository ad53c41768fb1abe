// The settings file.
//   SettingsXmlExport.*  the exact text: header, flat depth-first elements, value texts,
//                        escaping; failures (missing key, failed write)
//   SettingsXmlImport.*  round trips of texts, DWORDs and binaries; older files; damaged
//                        files; what is and is not restored
#include <cstring>
#include <string>
#include <vector>

#include "core/CustomSettings.h"
#include "core/Preferences.h"
#include "core/RegistryKey.h"
#include "core/WaitCursor.h"
#include "document/SettingsXml.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/MessageBoxScript.h"

namespace {

using platform::testing::DeviceTest;
using platform::testing::MessageBoxScript;

constexpr char kHeader[] =
    "<?xml version='1.0'?><VENDELSOFTWARE><SLATEWAY VERSION='4' EDITION='STANDARD' COUNTRY='US'><SETTINGS>";
constexpr char kFooter[] = "</SETTINGS></SLATEWAY></VENDELSOFTWARE>";

class SettingsXmlTest : public DeviceTest {
 protected:
  static HKEY Create(const std::u16string& path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
  }
  static void SetText(HKEY key, const WCHAR* name, std::u16string_view text) {
    std::u16string t(text);
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(t.c_str()),
                             static_cast<DWORD>((t.size() + 1) * 2)),
              ERROR_SUCCESS);
  }
  static void SetDword(HKEY key, const WCHAR* name, DWORD v) {
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4), ERROR_SUCCESS);
  }
  static void SetBinary(HKEY key, const WCHAR* name, const std::vector<BYTE>& bytes) {
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
  }
  // The stored value of a key under the root, with its type.
  static std::vector<BYTE> Read(const std::u16string& path, const WCHAR* name, DWORD* type) {
    HKEY key = nullptr;
    std::vector<BYTE> data;
    *type = REG_NONE;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return data;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS) {
      data.resize(size);
      RegQueryValueExW(key, name, nullptr, type, data.data(), &size);
    }
    RegCloseKey(key);
    return data;
  }
  static std::u16string ReadString(const std::u16string& path, const WCHAR* name) {
    DWORD type = 0;
    std::vector<BYTE> data = Read(path, name, &type);
    EXPECT_EQ(type, REG_SZ) << platform::ToUtf8(name);
    std::u16string text(data.size() / 2, u'\0');
    if (!data.empty()) std::memcpy(text.data(), data.data(), text.size() * 2);
    while (!text.empty() && text.back() == 0) text.pop_back();
    return text;
  }
  static std::vector<BYTE> Bytes(size_t n) {
    std::vector<BYTE> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<BYTE>(i * 37 + 1);
    return b;
  }
  static void DeleteSettings() {
    HKEY root = Create(kRootKeyPath);
    RegDeleteKeyW(root, u"Preferences");
    RegDeleteKeyW(root, u"CustomSettings");
    RegCloseKey(root);
  }
  const std::u16string prefs = kPreferencesKeyPath;
  const std::u16string custom = kCustomSettingsKeyPath;
};

using SettingsXmlExport = SettingsXmlTest;
using SettingsXmlImport = SettingsXmlTest;

// ---- Export ----------------------------------------------------------------------------------

TEST_F(SettingsXmlExport, WritesTheExactOneLineFormat) {
  HKEY root = Create(kRootKeyPath);
  SetText(root, u"ProgramPath", u"\\Program Files\\Slateway");  // the root's own values stay out
  HKEY p = Create(prefs);
  SetText(p, u"Company", u"Smith & Sons <br> \"Ltd\" <b>");
  SetDword(p, u"Big", 4294967295u);
  SetBinary(p, u"Pwd", {0x00, 0x0f, 0xab});
  SetBinary(p, u"Empty", {});
  ASSERT_EQ(RegSetValueExW(p, u"Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(u"a\0\0"), 6), ERROR_SUCCESS);
  HKEY nested = Create(prefs + u"\\Inner");
  SetDword(nested, u"N", 7);
  HKEY c = Create(custom);
  SetText(c, u"Title0", u"");
  for (HKEY k : {root, p, nested, c}) RegCloseKey(k);

  CSettingsXml settings(nullptr, nullptr);
  ASSERT_TRUE(settings.Export(CBstr(u"\\Slateway.oat")));
  EXPECT_EQ(ReadText(u"\\Slateway.oat"),
            std::string(kHeader) +
                "<CustomSettings><Title0 TYPE='S'></Title0></CustomSettings>"
                "<Preferences><Company TYPE='S'>Smith &amp; Sons &lt;br&gt; \"Ltd\" &lt;b&gt;</Company>"
                "<Big TYPE='D'>4294967295</Big><Pwd TYPE='B'>000fab</Pwd><Empty TYPE='B'></Empty>"
                "<Multi TYPE=''></Multi></Preferences>"
                "<Inner><N TYPE='D'>7</N></Inner>" +
                kFooter);
  EXPECT_EQ(GetWaitCursorCount(), 0);
}

TEST_F(SettingsXmlExport, MissingKeyGivesHeaderAndFooterAndFailure) {
  CSettingsXml settings(nullptr, nullptr);
  EXPECT_FALSE(settings.ExportKey(u"HKEY_CURRENT_USER", u"Software\\Nobody", u"\\a.oat"));
  EXPECT_EQ(ReadText(u"\\a.oat"), std::string(kHeader) + kFooter);
  EXPECT_FALSE(settings.ExportKey(u"HKEY_NOWHERE", kRootKeyPath, u"\\b.oat"));
  RegCloseKey(Create(kRootKeyPath));
  EXPECT_FALSE(settings.Export(CBstr(u"\\c.oat"))) << "a key without subkeys writes nothing worth restoring";
}

TEST_F(SettingsXmlExport, FailedWriteIsReportedAndKeepsTheOldFile) {
  HKEY p = Create(prefs);
  SetDword(p, u"A", 1);
  RegCloseKey(p);
  WriteText(u"\\Slateway.oat", "old backup");
  CSettingsXml settings(nullptr, nullptr);
  platform::InjectFault(platform::Fault::FileRename);
  EXPECT_FALSE(settings.Export(CBstr(u"\\Slateway.oat")));
  EXPECT_EQ(ReadText(u"\\Slateway.oat"), "old backup");
  platform::InjectFault(platform::Fault::FileWrite);
  EXPECT_FALSE(settings.Export(CBstr(u"\\Slateway.oat")));
  EXPECT_EQ(ReadText(u"\\Slateway.oat"), "old backup");
  EXPECT_FALSE(settings.Export(CBstr(u"\\No Folder\\Slateway.oat")));
  EXPECT_TRUE(settings.Export(CBstr(u"\\Slateway.oat")));
  EXPECT_EQ(GetWaitCursorCount(), 0);
}

// ---- Import ------------------------------------------------------------------------------------

TEST_F(SettingsXmlImport, RoundTripRestoresEveryValueExactly) {
  const std::u16string texts[] = {u"Smith & Sons", u"line one<br>line two", u"&amp; stays &amp;",
                                  u"&lt;br&gt; literally", u"a < b > c", u"caf\u00e9 \u20ac", u""};
  const DWORD dwords[] = {0, 1, 2147483647u, 2147483648u, 4294967295u};
  const size_t binaries[] = {0, 1, 80, 100};
  HKEY p = Create(prefs);
  HKEY c = Create(custom);
  for (size_t i = 0; i < std::size(texts); ++i) {
    std::u16string name = u"T" + platform::ToUtf16(std::to_string(i));
    SetText(p, name.c_str(), texts[i]);
    SetText(c, name.c_str(), texts[i]);
  }
  for (size_t i = 0; i < std::size(dwords); ++i) {
    std::u16string name = u"D" + platform::ToUtf16(std::to_string(i));
    SetDword(p, name.c_str(), dwords[i]);
    SetDword(c, name.c_str(), dwords[i]);
  }
  for (size_t n : binaries) {
    std::u16string name = u"B" + platform::ToUtf16(std::to_string(n));
    SetBinary(p, name.c_str(), Bytes(n));
    SetBinary(c, name.c_str(), Bytes(n));
  }
  RegCloseKey(p);
  RegCloseKey(c);
  CSettingsXml exporter(nullptr, nullptr);
  ASSERT_TRUE(exporter.Export(CBstr(u"\\Slateway.oat")));

  DeleteSettings();
  int count = -1;
  {
    CRegistryKey key(HKEY_CURRENT_USER, kCustomSettingsKeyPath);
    CSettingsXml importer(nullptr, &key);
    ASSERT_TRUE(importer.Import(CBstr(u"\\Slateway.oat"), &count));
  }
  const int perSection = static_cast<int>(std::size(texts) + std::size(dwords) + std::size(binaries));
  EXPECT_EQ(count, 2 * perSection);
  EXPECT_EQ(GetWaitCursorCount(), 0);
  for (const std::u16string& path : {prefs, custom}) {
    SCOPED_TRACE(platform::ToUtf8(path));
    for (size_t i = 0; i < std::size(texts); ++i) {
      std::u16string name = u"T" + platform::ToUtf16(std::to_string(i));
      EXPECT_EQ(ReadString(path, name.c_str()), texts[i]);
    }
    for (size_t i = 0; i < std::size(dwords); ++i) {
      std::u16string name = u"D" + platform::ToUtf16(std::to_string(i));
      DWORD type = 0;
      std::vector<BYTE> data = Read(path, name.c_str(), &type);
      ASSERT_EQ(data.size(), 4u);
      DWORD v;
      std::memcpy(&v, data.data(), 4);
      EXPECT_EQ(type, REG_DWORD);
      EXPECT_EQ(v, dwords[i]);
    }
    for (size_t n : binaries) {
      std::u16string name = u"B" + platform::ToUtf16(std::to_string(n));
      DWORD type = 0;
      EXPECT_EQ(Read(path, name.c_str(), &type), Bytes(n)) << n << " bytes";
      EXPECT_EQ(type, REG_BINARY);
    }
  }
}

TEST_F(SettingsXmlImport, OlderFilesReadTheSame) {
  // Written the old way: only "&" and "<br>" escaped, single quotes, an empty TYPE.
  WriteText(u"\\old.oat", std::string(kHeader) +
                              "<Preferences><Notes TYPE='S'>a &amp; b&lt;br&gt;c</Notes><Lit TYPE='S'>&amp;amp;</Lit>"
                              "<N TYPE='D'>4294967295</N><Neg TYPE='D'>-2</Neg><Junk TYPE='D'>12abc</Junk>"
                              "<Odd TYPE='B'>a1:b2-c</Odd><None TYPE=''></None><Other TYPE='X'>1</Other></Preferences>"
                              "<Root TYPE='S'>ignored</Root><Misc><Z TYPE='S'>ignored</Z></Misc>" +
                              kFooter);
  CSettingsXml importer(nullptr, nullptr);
  int count = 0;
  ASSERT_TRUE(importer.Import(CBstr(u"\\old.oat"), &count));
  EXPECT_EQ(count, 8);
  EXPECT_EQ(ReadString(prefs, u"Notes"), u"a & b<br>c");
  EXPECT_EQ(ReadString(prefs, u"Lit"), u"&amp;") << "decoded once";
  CPreferences store;
  DWORD v = 0;
  EXPECT_TRUE(store.QueryDword(u"N", v));
  EXPECT_EQ(v, 4294967295u);
  EXPECT_TRUE(store.QueryDword(u"Neg", v));
  EXPECT_EQ(v, 0xFFFFFFFEu);
  EXPECT_TRUE(store.QueryDword(u"Junk", v));
  EXPECT_EQ(v, 12u);
  DWORD type = 0;
  EXPECT_EQ(Read(prefs, u"Odd", &type), (std::vector<BYTE>{0xa1, 0xb2, 0x0c})) << "non-hex skipped, odd digit kept";
  EXPECT_TRUE(Read(prefs, u"None", &type).empty());
  EXPECT_EQ(type, REG_NONE) << "an empty TYPE writes nothing";
  Read(prefs, u"Other", &type);
  EXPECT_EQ(type, REG_NONE);
  Read(kRootKeyPath, u"Root", &type);
  EXPECT_EQ(type, REG_NONE);
  Read(kRootKeyPath + std::u16string(u"\\Misc"), u"Z", &type);
  EXPECT_EQ(type, REG_NONE);
}

TEST_F(SettingsXmlImport, AnImportThatCannotBeStoredReportsItAndChangesNothing) {
  HKEY p = Create(prefs);
  SetText(p, u"Owner", u"before");
  RegCloseKey(p);
  WriteText(u"\\in.oat", std::string(kHeader) + "<Preferences><Owner TYPE='S'>after</Owner><N TYPE='D'>7</N></Preferences>" +
                             kFooter);
  CSettingsXml importer(nullptr, nullptr);
  int count = -1;
  platform::InjectFault(platform::Fault::FileRename);
  EXPECT_FALSE(importer.Import(CBstr(u"\\in.oat"), &count));
  EXPECT_EQ(count, 0);
  EXPECT_EQ(ReadString(prefs, u"Owner"), u"before");
  DWORD type = 0;
  EXPECT_TRUE(Read(prefs, u"N", &type).empty());
}

TEST_F(SettingsXmlImport, FileWithNeitherSectionSucceedsWithNothing) {
  WriteText(u"\\none.oat", std::string(kHeader) + "<Other><A TYPE='S'>x</A></Other>" + kFooter);
  CSettingsXml importer(nullptr, nullptr);
  int count = -1;
  EXPECT_TRUE(importer.Import(CBstr(u"\\none.oat"), &count));
  EXPECT_EQ(count, 0);
}

TEST_F(SettingsXmlImport, DamagedFilesShowTheErrorAndWriteNothing) {
  struct Case {
    const char* what;
    std::string bytes;
    bool refused;
  };
  const Case cases[] = {
      {"truncated", std::string(kHeader) + "<Preferences><A TYPE='S'>x</A>", true},
      {"not XML", "Slateway settings\n", true},
      {"no declaration", "<VENDELSOFTWARE><Preferences><A TYPE='S'>x</A></Preferences></VENDELSOFTWARE>", true},
      {"entity", "<?xml version='1.0'?><!DOCTYPE S [<!ENTITY e SYSTEM 'file:///etc/hostname'>]>"
                 "<S><Preferences><A TYPE='S'>&e;</A></Preferences></S>",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteText(u"\\bad.oat", c.bytes);
    MessageBoxScript boxes;
    if (c.refused) boxes.ExpectAny();
    CSettingsXml importer(nullptr, nullptr);
    int count = -1;
    bool ok = importer.Import(CBstr(u"\\bad.oat"), &count);
    DWORD type = 0;
    EXPECT_EQ(ok, !c.refused);
    if (!ok) {
      ASSERT_EQ(boxes.Shown().size(), 1u);
      EXPECT_EQ(boxes.Shown()[0].text, u"Failed to load '\\bad.oat'.  This file may be corrupt.");
      EXPECT_EQ(boxes.Shown()[0].caption, u"Slateway");
      EXPECT_EQ(count, 0);
      Read(prefs, u"A", &type);
      EXPECT_EQ(type, REG_NONE);
    } else {
      // The external entity is neither fetched nor expanded.
      EXPECT_EQ(ReadString(prefs, u"A"), u"");
    }
    EXPECT_EQ(GetWaitCursorCount(), 0);
  }
  MessageBoxScript boxes;
  boxes.Expect(u"Unknown").Caption(u"Slateway");
  CSettingsXml importer(nullptr, nullptr);
  EXPECT_FALSE(importer.Import(CBstr(u"\\missing.oat"), nullptr));
}

}  // namespace
