// Readers of outside files survive any bytes: a document file or a settings file damaged
// in thousands of reproducible ways either loads or fails with the reader's error, never
// crashes, and a failed settings import writes nothing.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/Preferences.h"
#include "core/RegistryKey.h"
#include "datastore/DbRecord.h"
#include "document/SettingsXml.h"
#include "document/XmlDocument.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/user/MessageBox.h"

namespace {

// A small fixed-seed generator, so every failure can be replayed.
class Mutator {
 public:
  explicit Mutator(unsigned seed) : m_state(seed) {}
  unsigned Next(unsigned bound) {
    m_state = m_state * 1103515245u + 12345u;
    return bound ? (m_state >> 8) % bound : 0;
  }
  std::string Mutate(std::string s) {
    static const std::string kPieces[] = {"<", ">", "&", "\"", "'", std::string(1, '\0'), "\xff", "\xc3",
                                          "]]>", "<!--", "&#0;", "&#x110000;", "<?xml", "<!DOCTYPE x [",
                                          "<LINEITEM ID=\"1\">", "</LINEITEM>", "&lt;br&gt;", "TYPE='B'>zz"};
    int edits = 1 + static_cast<int>(Next(4));
    for (int e = 0; e < edits && !s.empty(); ++e) {
      size_t at = Next(static_cast<unsigned>(s.size()));
      switch (Next(5)) {
        case 0: s[at] = static_cast<char>(Next(256)); break;
        case 1: s.erase(at, 1 + Next(40)); break;
        case 2: s.insert(at, kPieces[Next(std::size(kPieces))]); break;
        case 3: s.insert(at, s.substr(Next(static_cast<unsigned>(s.size())), Next(60))); break;
        case 4: s.resize(at); break;
      }
    }
    return s;
  }

 private:
  unsigned m_state;
};

std::string ReadSource(const char* name) {
  std::ifstream in(std::filesystem::path(__FILE__).parent_path() / "golden" / name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Counts the boxes shown and answers each with OK.
class CountingBoxes final : public platform::MessageBoxHandler {
 public:
  CountingBoxes() : m_previous(platform::SetMessageBoxHandler(this)) {}
  ~CountingBoxes() override { platform::SetMessageBoxHandler(m_previous); }
  int OnMessageBox(const platform::MessageBoxRecord&) override {
    ++shown;
    return IDOK;
  }
  int shown = 0;

 private:
  platform::MessageBoxHandler* m_previous;
};

using DamagedInput = platform::testing::DeviceTest;

TEST_F(DamagedInput, DocumentFilesLoadOrFailCleanly) {
  const std::string original = ReadSource("invoice.QVN");
  ASSERT_FALSE(original.empty());
  const std::u16string corrupt = u"Failed to load '\\d.QVN'.  This file may be corrupt.";
  Mutator m(20260310);
  int loaded = 0;
  for (int round = 0; round < 1500; ++round) {
    std::string bytes = m.Mutate(original);
    WriteText(u"\\d.QVN", bytes);
    CXmlDocument doc(nullptr);
    CBstr error;
    if (!doc.LoadFile(u"\\d.QVN", &error)) {
      ASSERT_TRUE(error.str() == corrupt || error.str() == u"Unknown") << "round " << round;
      continue;
    }
    ++loaded;
    ASSERT_TRUE(error.IsNull());
    // Every reader and writer works on whatever tree came out.
    CBstr a, b, c, d;
    CShipToTexts ship;
    CLineItemTexts line;
    CDbRecord record;
    doc.GetRootAttribute(u"ID", &a);
    doc.ReadShipTo(&ship);
    doc.ReadTotals(&a, &b, &c, &d);
    doc.GetCustomerFullName(&a);
    for (bool ok = doc.ReadFirstLineItem(&line); ok; ok = doc.ReadNextLineItem(&line)) doc.ReadLineItem(line.key, &record);
    doc.GetNextLineKey(CBstr(u"1"), &a);
    doc.WriteCompany(u"COMPANY", CBstr(), CBstr(u"n"), CBstr(), CBstr(), CBstr(), CBstr(), CBstr(), CBstr());
    doc.UpdateLineItemAt(0, line);
    doc.InsertLineItem(CBstr(u"2"), record);
    doc.RemoveLineItem(CBstr(u"1"));
    ASSERT_TRUE(doc.SaveFile(u"\\d2.QVN"));
    CXmlDocument again(nullptr);
    ASSERT_TRUE(again.LoadFile(u"\\d2.QVN", &error)) << "round " << round << ": what was saved loads again";
  }
  EXPECT_GT(loaded, 0);
  EXPECT_LT(loaded, 1500);
}

TEST_F(DamagedInput, SettingsFilesImportOrFailWithoutWriting) {
  const std::string original =
      "<?xml version='1.0'?><VENDELSOFTWARE><SLATEWAY VERSION='4' EDITION='STANDARD' COUNTRY='US'><SETTINGS>"
      "<CustomSettings><Title0 TYPE='S'>Invoice &amp; more&lt;br&gt;</Title0><Flag TYPE='D'>4294967295</Flag>"
      "</CustomSettings><Preferences><ReaderPwd TYPE='B'>00ff10ab</ReaderPwd><Name TYPE='S'>x</Name></Preferences>"
      "</SETTINGS></SLATEWAY></VENDELSOFTWARE>";
  Mutator m(7);
  auto valueCount = [](const WCHAR* path) {
    HKEY k = nullptr;
    DWORD values = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &k) == ERROR_SUCCESS) {
      RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr);
      RegCloseKey(k);
    }
    return values;
  };
  for (int round = 0; round < 400; ++round) {
    WriteText(u"\\s.oat", m.Mutate(original));
    CountingBoxes boxes;
    CRegistryKey key(HKEY_CURRENT_USER, u"Software\\Test\\Restored");
    CSettingsXml importer(nullptr, &key);
    int count = -1;
    DWORD before = valueCount(u"Software\\Test\\Restored") + valueCount(kPreferencesKeyPath);
    bool ok = importer.Import(CBstr(u"\\s.oat"), &count);
    if (ok) {
      ASSERT_GE(count, 0);
      ASSERT_EQ(boxes.shown, 0);
    } else {
      ASSERT_EQ(count, 0);
      ASSERT_EQ(boxes.shown, 1) << "round " << round;
      ASSERT_EQ(valueCount(u"Software\\Test\\Restored") + valueCount(kPreferencesKeyPath), before);
    }
  }
}

}  // namespace
