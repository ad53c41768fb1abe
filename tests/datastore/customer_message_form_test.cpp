// The customer message form over the item store's messages, driven through its dialog:
// choosing a stored message, storing a typed one, Cancel storing nothing.
#include <filesystem>

#include "DatabaseTest.h"
#include "datastore/ItemStore.h"
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
    ASSERT_EQ(messages.Add(CBstr(u"Thanks"), CBstr(u"Thank you for your business!"), CBstr(u"{M1}"), CBstr(u"c"),
                           CBstr(u"m")),
              1);
    ASSERT_EQ(messages.Add(CBstr(u"Due"), CBstr(u"Payment is due in 30 days."), CBstr(u"{M2}"), CBstr(u"c"),
                           CBstr(u"m")),
              1);
  }
  void TearDown() override {
    store.Close();
    EXPECT_EQ(platform::LiveWindowCount(), 0);
    LanguageLibraryTest::TearDown();
  }
  std::vector<std::u16string> StoredTexts() {
    std::vector<std::u16string> out;
    CBstr name, text, id;
    for (bool more = messages.GetFirst(name, text, id); more; more = messages.GetNext(name, text, id))
      out.push_back(name.str() + u"|" + text.str());
    return out;
  }

  datastore_test::NoticeRecorder notices;
  CItemStore store{nullptr};
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
    // An empty message starts on the first stored one (in name order).
    EXPECT_EQ(d.ListView(IDC_FORM_LIST).Text(0, 2), u"Due");
    SendMessageW(d.Window(), CFieldForm::kStartEditor, 0, 0);
    HWND editor = d.Focus();
    SendMessageW(editor, CB_SETCURSEL, 1, 0);
    SendMessageW(d.Window(), WM_COMMAND, MAKEWPARAM(CFieldForm::kEditorId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(editor));
    d.Tap(IDC_FORM_CHECK);
    d.Ok();
  });
  EXPECT_EQ(form.DoModal(), 1);
  EXPECT_EQ(form.GetText().view(), u"Thank you for your business!");
  EXPECT_EQ(form.GetListId().view(), u"{M1}");
  EXPECT_FALSE(form.IsChecked());
  EXPECT_EQ(StoredTexts().size(), 2u);
}

TEST_F(CustomerMessageForm, ATypedMessageIsStoredOnOkAndNotOnCancel) {
  const std::u16string typed = u"Please call us before the 5th of May.!!!";  // 40 characters
  ASSERT_EQ(typed.size(), 40u);
  for (bool accept : {false, true}) {
    CCustomerMessageForm form(GetResourceInstance(), nullptr, CBstr(u"Old text"), &messages, false);
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      // What the form keeps of a text typed into the message row.
      CFieldFormModel& model = form.Form().Model();
      model.Field(0)->value = CBstr(typed);
      model.Field(0)->changed = true;
      model.changed = true;
      model.RememberTypedText(0, CBstr(typed));
      if (accept) d.Ok();
      else d.Cancel();
    });
    EXPECT_EQ(form.DoModal(), accept ? 1 : 0);
    EXPECT_EQ(form.GetText().view(), accept ? typed : u"Old text");
    EXPECT_TRUE(form.GetListId().IsEmpty());
  }
  std::vector<std::u16string> stored = StoredTexts();
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_EQ(stored[0], u"Due|Payment is due in 30 days.");
  EXPECT_EQ(stored[1], u"Please call us before the 5t...|" + typed);
  auto record = CListAccessor(&store).FindCustomerMsg(u"Please call us before the 5t...");
  ASSERT_NE(record, nullptr);
}

}  // namespace
