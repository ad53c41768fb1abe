// Documents without settings of their own share one copy of the stored settings; the
// register's reader of a document file's root attributes.
//
// Groups:
//   SharedSettings*  documents share the copy, see a change made through it, and a
//                    later document sees a change saved through another copy
//   RegisterRow*     root attributes read from a file; unreadable files give nothing
#include "core/CustomSettings.h"
#include "core/RegistryKey.h"
#include "document/RegisterRowFields.h"
#include "document/SalesDocument.h"
#include "../core/InstalledDeviceFixture.h"

namespace {

using platform::testing::DeviceTest;

class SharedSettingsTest : public slateway::testing::InstalledDeviceTest {
 protected:
  // Stores the invoice title as another copy's Save would (one value, not all of them).
  static void StoreTitle(std::u16string_view title) {
    CRegistryKey key(HKEY_CURRENT_USER, kCustomSettingsKeyPath);
    ASSERT_TRUE(key.SetString(CBstr(CCustomSettings::CaptionValueName(0, 0)), CBstr(title)));
  }
};

TEST_F(SharedSettingsTest, SharedSettingsAreOneCopyAndAChangeIsSeen) {
  StoreTitle(u"Bill");
  CSalesDocument first(nullptr, nullptr, 4, false, nullptr);
  CSalesDocument second(nullptr, nullptr, 4, false, nullptr);
  EXPECT_EQ(&first.GetCustomSettings(), &second.GetCustomSettings());
  EXPECT_EQ(first.GetCustomSettings().GetCaption(0, 0), u"Bill");

  first.GetCustomSettings().SetFlag(1, kRowTaxOnScreen, 0);
  EXPECT_EQ(second.GetCustomSettings().GetFlag(1, kRowTaxOnScreen), 0);

  // Saved through another copy: the next document reads it, and so do the open ones.
  StoreTitle(u"Statement");
  CSalesDocument third(nullptr, nullptr, 4, false, nullptr);
  EXPECT_EQ(third.GetCustomSettings().GetCaption(0, 0), u"Statement");
  EXPECT_EQ(first.GetCustomSettings().GetCaption(0, 0), u"Statement");

  // Settings given by the caller stay the document's own.
  CCustomSettings own;
  own.SetCaption(0, 0, u"Own");
  CSalesDocument fourth(nullptr, nullptr, 4, false, &own);
  EXPECT_EQ(fourth.GetCustomSettings().GetCaption(0, 0), u"Own");
  EXPECT_EQ(third.GetCustomSettings().GetCaption(0, 0), u"Statement");
}

class RegisterRowTest : public DeviceTest {};

TEST_F(RegisterRowTest, RegisterRowReadsTheRootAttributesOnly) {
  WriteText(u"\\My Documents\\INV1.QVN",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"MEMORIZED\" "
            "ORIGINAL_DOCTYPE=\"PAYMENT\" ID=\"A&amp;B \xC3\xA9\" DATE=\"3/10/2026\" COMPLETE=\"yes\" WIRELESS=\"NO\" "
            "PAYAMOUNT=\"12.50\" VOID=\"YES\" PAID=\"NO\" ESTIMATE=\"YES\"><CUSTOMER ID=\"other\"/>"
            "<TOTALS><TOTAL>9</TOTAL></TOTALS></SALESDOCUMENT>");
  CRegisterRowFields fields;
  ASSERT_TRUE(ReadRegisterRowFields(u"\\My Documents\\INV1.QVN", fields));
  EXPECT_EQ(fields.version, u"4");
  EXPECT_EQ(fields.docType, u"MEMORIZED");
  EXPECT_EQ(fields.originalDocType, u"PAYMENT");
  EXPECT_EQ(fields.number, u"A&B \u00E9");
  EXPECT_EQ(fields.date, u"3/10/2026");
  EXPECT_EQ(fields.complete, u"yes");
  EXPECT_EQ(fields.wireless, u"NO");
  EXPECT_EQ(fields.payAmount, u"12.50");
  EXPECT_EQ(fields.isVoid, u"YES");
  EXPECT_EQ(fields.paid, u"NO");
  EXPECT_EQ(fields.estimate, u"YES");

  // A missing attribute is empty; unreadable files give false and empty fields.
  WriteText(u"\\My Documents\\INV2.QVN", "<?xml version=\"1.0\"?><SALESDOCUMENT ID=\"7\"/>");
  ASSERT_TRUE(ReadRegisterRowFields(u"\\My Documents\\INV2.QVN", fields));
  EXPECT_EQ(fields.number, u"7");
  EXPECT_EQ(fields.docType, u"");
  WriteText(u"\\My Documents\\BAD.QVN", std::string("\0\xFF<SALES", 8));
  WriteText(u"\\My Documents\\CUT.QVN", "<?xml version=\"1.0\"?><SALESDOCUMENT ID=\"7");
  for (const char16_t* path : {u"\\My Documents\\BAD.QVN", u"\\My Documents\\CUT.QVN", u"\\My Documents\\NONE.QVN"}) {
    EXPECT_FALSE(ReadRegisterRowFields(path, fields)) << platform::ToUtf8(path);
    EXPECT_EQ(fields.number, u"");
  }
}

}  // namespace
