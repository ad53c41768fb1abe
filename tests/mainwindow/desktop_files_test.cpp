// The files of the desktop commands: the update file's name, the owner information, the
// templates and the database exchange with its way back.
#include <cstring>
#include <fstream>
#include <sstream>

#include "../document/SalesDocumentFixture.h"
#include "core/CompanyInfo.h"
#include "core/RegistryKey.h"
#include "mainwindow/DesktopFiles.h"
#include "platform/testing/MessageBoxScript.h"

namespace {

class DesktopFilesTest : public sales_test::SalesDocumentTest {
 protected:
  void TearDown() override {
    COwnerInfo::ForgetCache();
    SalesDocumentTest::TearDown();
  }
  std::string Bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(DesktopFilesTest, TheUpdateFileNameIsReadWithinItsByteCount) {
  auto name = [](const std::u16string& units, DWORD bytes) {
    COPYDATASTRUCT copy{53, bytes, const_cast<char16_t*>(units.data())};
    return UpdateFileFromCopyData(copy);
  };
  EXPECT_EQ(name(u"\\Temp\\Lists.xml", 30), u"\\Temp\\Lists.xml");
  EXPECT_EQ(name(std::u16string(u"\\A.xml\0\0", 8), 16), u"\\A.xml");  // trailing nulls
  EXPECT_EQ(name(u"ABCD", 4), u"AB");  // never read past the count
  EXPECT_EQ(name(u"ABCD", 3), std::nullopt);
  EXPECT_EQ(name(std::u16string(u"A\0B", 3), 6), std::nullopt);
  std::u16string longName(MAX_PATH + 1, u'x');
  EXPECT_EQ(name(longName, static_cast<DWORD>(longName.size() * 2)), std::nullopt);
  COPYDATASTRUCT none{53, 0, nullptr};
  EXPECT_EQ(UpdateFileFromCopyData(none), std::nullopt);
}

TEST_F(DesktopFilesTest, OwnerInformationLeavesOutAbsentTextsAndHasNoDeclaration) {
  std::vector<BYTE> record(COwnerInfo::kRecordBytes, 0);
  auto put = [&](COwnerInfo::Field field, std::u16string_view text) {
    std::memcpy(record.data() + field.offset, text.data(), text.size() * 2);
  };
  put(COwnerInfo::kName, u"Ada Field");
  put(COwnerInfo::kCompany, u"Field & Sons");
  put(COwnerInfo::kPhone, u"555-0100");
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, kOwnerKeyPath, 0, nullptr, 0, 0, nullptr, &key, nullptr);
  RegSetValueExW(key, kOwnerValueName, 0, REG_BINARY, record.data(), static_cast<DWORD>(record.size()));
  RegCloseKey(key);
  CRegistryKey(nullptr, kRootKeyPath).SetString(CBstr(u"AppDataPath"), CBstr(u"\\Sync"));
  std::filesystem::create_directories(Linux(u"\\Sync"));

  ASSERT_TRUE(WriteOwnerInfoFile(nullptr));
  std::string xml = ReadText(u"\\Sync\\OwnerInfo.xml");
  EXPECT_EQ(xml.find("<?xml"), std::string::npos);
  EXPECT_NE(xml.find("<OWNERINFO><VERSION>3.0</VERSION><STATUS>Connected</STATUS><NAME>Ada Field</NAME>"
                     "<COMPANY>Field &amp; Sons</COMPANY><PHONE>555-0100</PHONE></OWNERINFO>"),
            std::string::npos)
      << xml;
}

TEST_F(DesktopFilesTest, SixTemplatesComeFromTheCurrentDocument) {
  InstallServices();
  auto document = NewDocument();
  EXPECT_EQ(WriteDocumentTemplates(*document), 6);
  CBstr data;
  ASSERT_TRUE(GetAppDataFolder(data, true));
  for (const char16_t* name : {u"KTWInvoice.XSL", u"KTWEstimate.XSL", u"KTWSalesReceipt.XSL", u"KTWSalesOrder.XSL",
                               u"KTWPayment.XSL", u"KTWCreditMemo.XSL"}) {
    std::string xsl = ReadText(data.str() + u"\\Templates\\" + name);
    EXPECT_EQ(xsl.rfind("<xsl:stylesheet", 0), 0u) << platform::ToUtf8(name);
  }
}

TEST_F(DesktopFilesTest, TheDatabaseIsExchangedAndANewOneThatDoesNotOpenLeavesTheOldInUse) {
  std::filesystem::create_directories(Linux(u"\\Data"));
  CDatabaseFiles files{u"\\Data\\", u"Slateway.db"};
  CItemStore store(nullptr);
  ASSERT_EQ(store.Open(files.Database()), 1);
  // The copy for the desktop is the database's bytes.
  ASSERT_TRUE(CopyDatabaseToUpdateFile(files));
  std::string original = Bytes(Linux(files.Database()));
  EXPECT_EQ(Bytes(Linux(files.Update())), original);

  std::filesystem::copy_file(SLATEWAY_SAMPLE_DB, Linux(files.Update()),
                             std::filesystem::copy_options::overwrite_existing);
  std::string sample = Bytes(SLATEWAY_SAMPLE_DB);
  EXPECT_EQ(ExchangeDatabase(store, files), DatabaseExchange::Replaced);
  EXPECT_TRUE(store.IsOpen());
  EXPECT_EQ(Bytes(Linux(files.Database())), sample);
  EXPECT_EQ(Bytes(Linux(files.Backup())), original);
  EXPECT_FALSE(std::filesystem::exists(Linux(files.Update())));

  WriteText(files.Update(), "not a database at all, just text that came over a broken cable");
  {
    platform::testing::MessageBoxScript boxes;
    boxes.ExpectAny();
    EXPECT_EQ(ExchangeDatabase(store, files), DatabaseExchange::Kept);
  }
  EXPECT_TRUE(store.IsOpen());
  EXPECT_EQ(Bytes(Linux(files.Database())), sample);
  EXPECT_EQ(ReadText(files.Update()).rfind("not a database", 0), 0u);
  store.Close();
}

}  // namespace
