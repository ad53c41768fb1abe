// Readers of outside files survive any bytes: a document file or a settings file damaged
// in thousands of reproducible ways either loads or fails with the reader's error, never
// crashes, and a failed settings import writes nothing.
//   DamagedInput.*   truncated files, files that are no XML, a root of another kind, a
//                    huge attribute, reproducible mutations, and the inputs fuzzing found
//                    (kept in regressions/) replayed through every reader and writer
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/Preferences.h"
#include "core/RegistryKey.h"
#include "core/CompanyInfo.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "document/DocumentHeader.h"
#include "document/JobRecord.h"
#include "document/SettingsXml.h"
#include "document/XmlDocument.h"
#include "../core/InstalledDeviceFixture.h"
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
  std::ifstream in(std::filesystem::path(SLATEWAY_DOCUMENT_TEST_DATA) / "golden" / name, std::ios::binary);
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

using DamagedInput = slateway::testing::InstalledDeviceTest;

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

std::u16string CorruptText(std::u16string_view path) {
  return u"Failed to load '" + std::u16string(path) + u"'.  This file may be corrupt.";
}

TEST_F(DamagedInput, EveryTruncationOfADocumentIsRefusedAsCorrupt) {
  const std::string original = ReadSource("invoice.QVN");
  const size_t end = original.rfind("</SALESDOCUMENT>");
  ASSERT_NE(end, std::string::npos);
  for (size_t length = 1; length < end + 16; length += 3) {
    WriteText(u"\\t.QVN", original.substr(0, length));
    CXmlDocument doc(nullptr);
    CBstr error;
    ASSERT_FALSE(doc.LoadFile(u"\\t.QVN", &error)) << "length " << length;
    ASSERT_EQ(error.str(), CorruptText(u"\\t.QVN")) << "length " << length;
  }
  WriteText(u"\\t.QVN", original.substr(0, end + 16));
  CXmlDocument whole(nullptr);
  CBstr error;
  EXPECT_TRUE(whole.LoadFile(u"\\t.QVN", &error)) << "the root's end is all a file needs";
}

TEST_F(DamagedInput, AFileOfAnotherKindLoadsButHasNoBlocks) {
  // The root's name is never looked at: another XML file loads, and every block reader
  // and writer that needs its block then fails without changing anything.
  WriteText(u"\\settings.QVN",
            "<?xml version='1.0'?><VENDELSOFTWARE><SLATEWAY VERSION='9'><SETTINGS><Preferences>"
            "<TOTAL TYPE='S'>1</TOTAL></Preferences></SETTINGS></SLATEWAY></VENDELSOFTWARE>");
  CXmlDocument doc(nullptr);
  CBstr error;
  ASSERT_TRUE(doc.LoadFile(u"\\settings.QVN", &error));
  CBstr total(u"x"), name(u"kept");
  EXPECT_FALSE(doc.ReadTotal(&total));
  EXPECT_FALSE(doc.GetCustomerFullName(&name));
  EXPECT_EQ(name.str(), u"kept");
  CTableCustomer customer;
  CJobRecord job;
  CShipToTexts ship;
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  EXPECT_FALSE(doc.ReadCustomer(&customer, false));
  EXPECT_FALSE(doc.ReadJob(&job));
  EXPECT_FALSE(doc.ReadShipTo(&ship));
  EXPECT_FALSE(doc.ReadCompany(&company));
  EXPECT_FALSE(doc.HasLineItems());
  EXPECT_NE(doc.WriteCustomer(customer, false), 0);
  EXPECT_NE(doc.WriteJob(job), 0);
  EXPECT_NE(doc.WriteTotals(CBstr(u"1"), CBstr(u"1"), CBstr(u"1"), CBstr()), 0);
  // The header rules still give a document to open: an invoice of version 2 (the VERSION
  // of an inner element is not the file's).
  CDocumentFileHeader header = ApplyOlderFileRules(doc, nullptr, true);
  EXPECT_EQ(header.storedType, kInvoice);
  EXPECT_EQ(header.version, 2);
}

TEST_F(DamagedInput, HugeAttributesLoadUpToTheParserLimitAndAreRefusedBeyondIt) {
  const std::string head = "<?xml version=\"1.0\"?><QVN ID=\"1\" NOTES=\"";
  const std::string tail = "\"><CUSTOMER/><JOB/><TOTALS/></QVN>";
  // Two megabytes of notes are a (very long) document.
  WriteText(u"\\big.QVN", head + std::string(2'000'000, 'n') + tail);
  CXmlDocument doc(nullptr);
  CBstr error, notes;
  ASSERT_TRUE(doc.LoadFile(u"\\big.QVN", &error));
  ASSERT_TRUE(doc.GetRootAttribute(u"NOTES", &notes));
  EXPECT_EQ(notes.Length(), 2'000'000u);
  // Beyond what a document can hold the file is refused, not read in part.
  WriteText(u"\\huge.QVN", head + std::string(12'000'000, 'n') + tail);
  CXmlDocument huge(nullptr);
  EXPECT_FALSE(huge.LoadFile(u"\\huge.QVN", &error));
  EXPECT_EQ(error.str(), CorruptText(u"\\huge.QVN"));
  // So is a name of that size.
  WriteText(u"\\name.QVN", "<?xml version=\"1.0\"?><QVN " + std::string(12'000'000, 'A') + "=\"1\"/>");
  EXPECT_FALSE(huge.LoadFile(u"\\name.QVN", &error));
  EXPECT_EQ(error.str(), CorruptText(u"\\name.QVN"));
}

TEST_F(DamagedInput, InputsFoundByFuzzingLoadOrFailCleanly) {
  const std::filesystem::path folder = std::filesystem::path(SLATEWAY_DOCUMENT_TEST_DATA) / "regressions";
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    WriteText(u"\\r.QVN", bytes.str());
    ++replayed;
    CountingBoxes boxes;
    CXmlDocument doc(nullptr);
    CBstr error;
    if (!doc.LoadFile(u"\\r.QVN", &error)) {
      EXPECT_TRUE(error.str() == CorruptText(u"\\r.QVN") || error.str() == u"Unknown");
      continue;
    }
    CDocumentFileHeader header = ApplyOlderFileRules(doc, nullptr, true);
    EXPECT_TRUE(header.openType >= 0 && header.openType <= 5);
    EXPECT_TRUE(header.version >= 2 && header.version <= 4);
    EXPECT_TRUE(header.style >= 0 && header.style <= 4);
    CBstr date;
    EXPECT_TRUE(doc.GetRootAttribute(u"DATE", &date));
    EXPECT_FALSE(date.IsEmpty());
    CTableCustomer customer;
    CContactCustomer contact;
    CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
    CJobRecord job;
    doc.ReadCustomer(&customer, false);
    doc.ReadCustomer(&contact, true);
    doc.ReadCompany(&company);
    doc.ReadJob(&job);
    doc.WriteCustomer(customer, false);
    doc.WriteJob(job);
    ASSERT_TRUE(doc.SaveFile(u"\\r2.QVN"));
    CXmlDocument again(nullptr);
    EXPECT_TRUE(again.LoadFile(u"\\r2.QVN", &error));
  }
  EXPECT_GT(replayed, 0);
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
