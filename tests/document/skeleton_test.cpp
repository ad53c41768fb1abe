// The new-document skeleton the language library supplies: for every document type the
// concatenated strings load as a document file with the blocks and the format version
// the program relies on.
#include <filesystem>

#include "core/ResourceText.h"
#include "document/XmlDocument.h"
#include "platform/module/Module.h"
#include "platform/testing/DeviceFixture.h"
#include "resources/resource_ids.h"

namespace {

class DocumentSkeleton : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    std::filesystem::create_directories(Linux(u"\\Program Files\\Slateway"));
    std::filesystem::copy_file(SLATEWAY_RESOURCE_LIBRARY, Linux(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL"));
    m_library = LoadLibraryW(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL");
    ASSERT_NE(m_library, nullptr);
    SetResourceInstance(m_library);
  }
  void TearDown() override {
    SetResourceInstance(nullptr);
    if (m_library) FreeLibrary(m_library);
    DeviceTest::TearDown();
  }
  static std::u16string Skeleton(UINT typeString) {
    std::u16string text;
    for (UINT id : {static_cast<UINT>(IDS_SKELETON_DECLARATION), typeString,
                    static_cast<UINT>(IDS_SKELETON_COMPANY_SHIPTO), static_cast<UINT>(IDS_SKELETON_CUSTOMER),
                    static_cast<UINT>(IDS_SKELETON_JOB), static_cast<UINT>(IDS_SKELETON_TOTALS),
                    static_cast<UINT>(IDS_SKELETON_END)})
      text += LoadResText(id);
    return text;
  }
  HMODULE m_library = nullptr;
};

TEST_F(DocumentSkeleton, EveryTypeGivesALoadableVersionFourDocumentWithItsBlocks) {
  const UINT types[] = {IDS_SKELETON_INVOICE, IDS_SKELETON_ESTIMATE, IDS_SKELETON_SALES_RECEIPT,
                        IDS_SKELETON_PAYMENT, IDS_SKELETON_SALES_ORDER, IDS_SKELETON_CREDIT_MEMO};
  for (UINT type : types) {
    SCOPED_TRACE(type);
    std::u16string text = Skeleton(type);
    CXmlDocument doc(nullptr);
    ASSERT_TRUE(doc.LoadXmlText(text)) << platform::ToUtf8(text);
    CBstr version;
    EXPECT_TRUE(doc.GetRootAttribute(u"VERSION", &version));
    EXPECT_EQ(version.str(), u"4");
    for (const char16_t* block : {u"CUSTOMER", u"JOB", u"TOTALS"}) EXPECT_EQ(doc.CountElements(block), 1);
    EXPECT_EQ(doc.WriteTotals(CBstr(u"0.00"), CBstr(u"0.00"), CBstr(u"0.00"), CBstr()), 0);
    EXPECT_TRUE(doc.SetSignatureFile(CBstr(u"KTWSignatureLine.bmp")));
    EXPECT_FALSE(doc.HasLineItems());
    ASSERT_TRUE(CreateDirectoryW(u"\\Docs", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(doc.SaveFile(u"\\Docs\\new.QVN"));
    CXmlDocument back(nullptr);
    CBstr error;
    EXPECT_TRUE(back.LoadFile(u"\\Docs\\new.QVN", &error));
  }
}

}  // namespace
