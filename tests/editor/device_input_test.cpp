// What a scan and a swipe put into the open document, without the editor's window.
//   DeviceInput.Scanned*  a code names an item (by name or description, of the types the
//                         items list shows): a line of one, undone as one step; the
//                         quantity prompt hands the item to the form; an unknown code is
//                         told and adds nothing
//   DeviceInput.Card*     a swipe's number and expiry reach the payment's card fields
//   DeviceInput.CodeWritten*  a person's scan through the Socket library and its driver
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../document/SalesDocumentFixture.h"
#include "core/Preferences.h"
#include "devices/InputDevice.h"
#include "editor/DeviceInput.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/testing/Eventually.h"

namespace {

class DeviceInput : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    store = &UseStoreLists().store;
    InstallServices();
    MakeOwner();
    MakeFolders();
    doc = Make();
    doc->InitNew(4, kDocInvoice);
    auto item = CDbRecord::CDbRecordOfType(1, 0);
    item->SetField(kFieldListType, u"Service");
    item->SetField(kFieldName, u"0036000291452");
    item->SetField(kFieldFullName, u"0036000291452");
    item->SetField(kFieldSalesDescription, u"Lawn care");
    item->SetField(kFieldSalesAmount, u"12.50");
    ASSERT_EQ(store->AddItem(nullptr, *item, CItemStore::OnDuplicate::Insert), 1);
  }
  void TearDown() override {
    history.Clear();
    doc.reset();
    SalesDocumentTest::TearDown();
  }
  LONG Lines() { return doc->GetXmlDocument().CountElements(u"LINEITEM"); }

  CItemStore* store = nullptr;
  CCommandProcessor history{kDocumentHistoryDepth};
  std::unique_ptr<CSalesDocument> doc;
};

TEST_F(DeviceInput, ScannedCodeAddsItsItemAsOneLineOfOne) {
  ASSERT_TRUE(AddScannedItem(history, *doc, *store, nullptr, u" 0036000291452 ", false, nullptr));
  ASSERT_EQ(Lines(), 1);
  EXPECT_EQ(LineAt(*doc, 0).name.str(), u"0036000291452");
  EXPECT_EQ(LineAt(*doc, 0).quantity.str(), u"1");
  history.Undo();
  EXPECT_EQ(Lines(), 0);

  CPreferences().SetString(u"Name", u"Description");  // Code Column on Options' Bar Codes page
  EXPECT_TRUE(AddScannedItem(history, *doc, *store, nullptr, u"Lawn care", false, nullptr));
  EXPECT_EQ(Lines(), 1);
}

TEST_F(DeviceInput, ScannedCodeWithTheQuantityPromptGoesThroughTheForm) {
  int asked = 0;
  AddItemsForm form = [&](std::vector<std::unique_ptr<CDbRecord>>& items, const CBstr&) {
    ++asked;
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->FieldView(kFieldSalesDescription), u"Lawn care");
  };
  EXPECT_TRUE(AddScannedItem(history, *doc, *store, nullptr, u"0036000291452", true, form));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Lines(), 0) << "the form adds the line once the quantity is known";
}

TEST_F(DeviceInput, ScannedCodeNamesOnlyItemsOfTheTypesTheItemsListShows) {
  for (const char16_t* type : {u"Inventory Part", u"Non-inventory Part", u"Other Charge", u"Group", u"Payment"}) {
    auto item = CDbRecord::CDbRecordOfType(1, 0);
    item->SetField(kFieldListType, type);
    item->SetField(kFieldName, std::u16string(u"code ") + type);
    item->SetField(kFieldFullName, std::u16string(u"code ") + type);
    ASSERT_EQ(store->AddItem(nullptr, *item, CItemStore::OnDuplicate::Insert), 1);
    EXPECT_EQ(FindScannedItem(*store, std::u16string(u"code ") + type) != nullptr, type != std::u16string(u"Payment"))
        << platform::ToUtf8(type);
  }
}

TEST_F(DeviceInput, ScannedCodeThatNamesNoItemIsTold) {
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(u"No item has the code '999'.").Caption(u"Slateway");
  EXPECT_FALSE(AddScannedItem(history, *doc, *store, nullptr, u"999", false, nullptr));
  EXPECT_EQ(Lines(), 0);
  EXPECT_FALSE(history.CanUndo());
}

TEST_F(DeviceInput, CardFieldsReachThePayment) {
  CCardFields card{CBstr(u"4111111111111111"), CBstr(u"DOE/JOHN"), CBstr(u"27"), CBstr(u"03"), CBstr()};
  ASSERT_TRUE(ApplyCardFields(history, *doc, card));
  EXPECT_EQ(doc->GetAttribute(u"CCARDNUM").str(), u"4111111111111111");
  EXPECT_EQ(doc->GetCardExpiry().str(), u"03/2027");
  card.expiryMonth = CBstr(u"13");
  card.cardNumber = CBstr(u"5500000000000004");
  ASSERT_TRUE(ApplyCardFields(history, *doc, card));
  EXPECT_EQ(doc->GetCardExpiry().str(), u"03/2027") << "a month past 12 is no expiry";
  EXPECT_FALSE(ApplyCardFields(history, *doc, CCardFields{}));
}

TEST_F(DeviceInput, CodeWrittenIntoTheScannersDeviceFileAddsItsLine) {
  WriteText(u"\\Windows\\Scanner.txt", "");
  HWND window = CreateWindowExW(0, u"STATIC", u"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  auto scanner = CreateScannerDriver(u"Socket", nullptr, window, 0, 0);
  ASSERT_TRUE(scanner->Load() && scanner->Open(window));
  std::ofstream(Linux(u"\\Windows\\Scanner.txt"), std::ios::app) << "0036000291452\n";
  // No trigger: the scanner reads what is written, as a person's scan.
  MSG data{};
  platform::testing::Eventually([&] { return PeekMessageW(&data, window, kMsgScanData, kMsgScanData, PM_REMOVE); });
  ASSERT_EQ(data.message, kMsgScanData);
  std::u16string code;
  ASSERT_TRUE(scanner->GetData(data.wParam, data.lParam, window, code));
  EXPECT_TRUE(AddScannedItem(history, *doc, *store, window, code, scanner->GetQtyPrompt(), nullptr));
  EXPECT_EQ(Lines(), 1);
  scanner.reset();
  DestroyWindow(window);
}

}  // namespace
