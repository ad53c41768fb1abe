// The customer message form over the item store's messages, driven through its dialog:
// choosing a stored message, storing a typed one, Cancel storing nothing.
#include <filesystem>

#include "DatabaseTest.h"
#include "datastore/StoredCustomerMessages.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"
#include "resources/resource_ids.h"
#include "tests/core/LanguageLibraryFixture.h"

namespace {

using platform::testing::DialogDriver;

class CustomerMessageForm : public slateway::testing::LanguageLibraryTest {
 protected:
  void SetUp() override {
    LanguageLibraryTest::SetUp();
    std::filesystem::create_directories(Linux(u"\\Data"));
    store.Database().SetNotices(&notices);
    ASSERT_EQ(store.Open(datastore_test::kDbPath), 1);
    lists.AddCustomerMsg(u"Thanks", u"Thank you for your business!", u"{M1}", u"c", u"m", false);
    lists.AddCustomerMsg(u"Due", u"Payment is due in 30 days.", u"{M2}", u"c", u"m", false);
  }
  void TearDown() override {
    store.Close();
    EXPECT_EQ(platform::LiveWindowCount(), 0);
    LanguageLibraryTest::TearDown();
  }

  datastore_test::NoticeRecorder notices;
  CItemStore store{nullptr};
  CListAccessor lists{&store};
  CStoredCustomerMessages messages{&store};
};

TEST_F(CustomerMessageForm, ChoosingAStoredMessageTakesItsTextAndListId) {
  CCustomerMessageForm form(GetResourceInstance(), nullptr, CBstr(), &messages, true);
  EXPECT_EQ(form.StoredCount(), 2);
  EXPECT_EQ(form.FindMessage(u"Thank you for your business!"), 1);
  EXPECT_EQ(form.FindMessage(u"Thank you for your business"), -1);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_FORM_CHECK), u"Use as default message");
    EXPECT_TRUE(d.IsChecked(IDC_FORM_CHECK));
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(0, 2), u"Due");  // empty: the first stored one
    SendMessageW(d.Window(), kMsgStartEditor, kFieldChoice, 0);  // as a tap on the arrow does
    HWND editor = d.Focus();
    SendMessageW(editor, CB_SETCURSEL, 1, 0);
    SendMessageW(d.Window(), WM_COMMAND, MAKEWPARAM(CFieldForm::kEditorId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(editor));
    d.Tap(IDC_FORM_CHECK).Ok();
  });
  EXPECT_EQ(form.DoModal(), 1);
  EXPECT_EQ(form.GetText().view(), u"Thank you for your business!");
  EXPECT_EQ(form.GetListId().view(), u"{M1}");
  EXPECT_FALSE(form.IsChecked());
}

TEST_F(CustomerMessageForm, ATypedMessageIsStoredOnOkAndNotOnCancel) {
  const std::u16string typed = u"Please call us before the 5th of May.!!!";
  ASSERT_EQ(typed.size(), 40u);
  for (bool accept : {false, true}) {
    CCustomerMessageForm form(GetResourceInstance(), nullptr, CBstr(u"Old text"), &messages, false);
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      // What the form keeps of a text typed into the message row.
      CFieldFormModel& model = form.Form().Model();
      model.Field(0)->value = CBstr(typed);
      model.changed = true;
      model.RememberTypedText(0, CBstr(typed));
      accept ? d.Ok() : d.Cancel();
    });
    EXPECT_EQ(form.DoModal(), accept ? 1 : 0);
    EXPECT_EQ(form.GetText().view(), accept ? typed : u"Old text");
    EXPECT_EQ(lists.FindCustomerMsg(u"Please call us before the 5t...") != nullptr, accept);
  }
  CBstr name, text, id;
  ASSERT_TRUE(lists.GetFirstCustomerMsg(name, text, id));  // in name order
  ASSERT_TRUE(lists.GetNextCustomerMsg(name, text, id));
  EXPECT_EQ(text.str(), typed);
  EXPECT_EQ(id.Length(), 38u) << "a new list id";
  ASSERT_TRUE(lists.GetNextCustomerMsg(name, text, id));
  EXPECT_FALSE(lists.GetNextCustomerMsg(name, text, id)) << "stored once, on OK only";
}

}  // namespace
