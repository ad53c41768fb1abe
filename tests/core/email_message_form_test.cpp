// The e-mail message form driven as a person would: the To choices, the values read back
// on OK, nothing taken over on Cancel.
#include "FieldFormFixture.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/EmailMessageForm.h"
#include "core/UiMetrics.h"
#include "platform/user/Screen.h"
#include "platform/user/ScrollBar.h"
#include "platform/gdi/GdiScopes.h"
#include "platform/user/Paint.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;

class EmailMessageForm : public slateway::testing::FieldFormTest {
 protected:
  static CEmailMessageForm Make(std::u16string_view firstTo, std::u16string_view secondTo) {
    return {GetResourceInstance(), nullptr, CBstr(firstTo), CBstr(u"boss@shop.example"), CBstr(),
            CBstr(secondTo), CBstr(u"Invoice 1042"), CBstr(u"Dear Ann,\r\nplease find it attached."),
            CBstr(u"INV1042.pdf")};
  }
};

TEST_F(EmailMessageForm, ToChoicesAreTheCustomersNonEmptyAddresses) {
  CEmailMessageForm none = Make(u"", u"");
  EXPECT_EQ(none.ToChoices().count, 0);
  EXPECT_TRUE(none.GetTo().IsEmpty());
  CEmailMessageForm second = Make(u"", u"bo@b.example");
  ASSERT_EQ(second.ToChoices().count, 1);
  EXPECT_EQ(second.ToChoices().second[0].view(), u"bo@b.example");
  CEmailMessageForm both = Make(u"ann@a.example", u"bo@b.example");
  ASSERT_EQ(both.ToChoices().count, 2);
  EXPECT_EQ(both.ToChoices().first[0].view(), u"ann@a.example");
  EXPECT_EQ(both.GetTo().view(), u"bo@b.example");  // the last one added
}

TEST_F(EmailMessageForm, OkReadsEveryRowBackAndKeepsTheMessagesLines) {
  CEmailMessageForm form = Make(u"ann@a.example", u"bo@b.example");
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"eMail Message");
    auto rows = d.ListView(IDC_FORM_LIST);
    EXPECT_EQ(rows.Text(CEmailMessageForm::kAttached, 1), u"Attached:");
    EXPECT_EQ(rows.Text(CEmailMessageForm::kAttached, 2), u"INV1042.pdf");
    EXPECT_NE((rows.Text(5, 2) + rows.Text(6, 2)).find(u"please find it attached."), std::u16string::npos);
    SendMessageW(d.Window(), kMsgStartEditor, 0, CEmailMessageForm::kAttached);
    EXPECT_EQ(d.Focus(), d.Control(IDC_FORM_LIST)) << "the attachment is not editable";
    Edit(d, CEmailMessageForm::kBcc, u"Files@shop.example");
    Edit(d, CEmailMessageForm::kSubject, u"Your invoice");
    Edit(d, CEmailMessageForm::kMessage, u"Hello Ann,\r\rthanks.");
    d.Ok();
  });
  EXPECT_EQ(form.DoModal(), 1);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(form.GetTo().view(), u"bo@b.example");
  EXPECT_EQ(form.GetCc().view(), u"boss@shop.example");
  EXPECT_EQ(form.GetBcc().view(), u"Files@shop.example");
  EXPECT_EQ(form.GetSubject().view(), u"Your invoice");
  EXPECT_EQ(form.GetMessage().view(), u"Hello Ann,\r\n\r\nthanks.");
}

TEST_F(EmailMessageForm, AMessageWrappedOverItsRowsComesBackWithoutBreaksNobodyTyped) {
  const std::u16string message =
      u"Please see the attached report, which lists every sale of the week for your records.\r\nThanks.";
  CEmailMessageForm form(GetResourceInstance(), nullptr, CBstr(u"ann@a.example"), CBstr(), CBstr(), CBstr(),
                         CBstr(u"Report"), CBstr(message), CBstr());
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    auto rows = d.ListView(IDC_FORM_LIST);
    EXPECT_NE(rows.Text(CEmailMessageForm::kMessage, 2), message.substr(0, message.find(u'\r')))
        << "the long line is wrapped over the rows";
    d.Ok();
  });
  EXPECT_GE(form.DoModal(), 1);
  EXPECT_EQ(form.GetMessage().view(), message);
}

// The longest default message (the HTML mail's) wraps within the rows with rows to spare,
// every row whole, on the narrow screen and on the high-resolution one.
TEST_F(EmailMessageForm, TheDefaultMessageFitsItsRows) {
  const std::u16string message =
      u"To view this document, please copy the attachments to your desktop and double click on the file with the HTM "
      u"extension.";
  for (int scale : {1, 2}) {
    platform::SetScreenSize(240 * scale, 320 * scale);
    SetHighResolution(scale == 2);
    CEmailMessageForm form(GetResourceInstance(), nullptr, CBstr(u"ann@a.example"), CBstr(), CBstr(), CBstr(),
                           CBstr(u"Invoice"), CBstr(message), CBstr());
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      auto rows = d.ListView(IDC_FORM_LIST);
      HWND list = d.Control(IDC_FORM_LIST);
      RECT label{LVIR_LABEL, 2, 0, 0};
      SendMessageW(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&label));
      const int stripLeft = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0) +
                                             SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0)) - GetUiMetric(42);
      CWindowDC dc(list);
      CSelectObjectScope font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
      std::u16string shown;
      for (int row = CEmailMessageForm::kMessage; row < CEmailMessageForm::kAttached; ++row) {
        std::u16string text = rows.Text(row, 2);
        shown += text;
        // Each row shows whole: its text (less the blanks it was wrapped at) ends before the strip.
        SIZE size{};
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.find_last_not_of(u' ') + 1), &size);
        EXPECT_LT(label.left + platform::kListViewTextInset + size.cx, stripLeft) << "row " << row;
      }
      EXPECT_EQ(rows.Text(CEmailMessageForm::kAttached - 1, 2), u"") << "a row to spare";
      EXPECT_EQ(shown, message);
      d.Cancel();
    });
    form.DoModal();
    EXPECT_EQ(ui.Pending(), 0u);
  }
  SetHighResolution(false);
  platform::ResetScreenAndVersion();
}

// With the input panel up the rows need the scroll bar: on both screens the value column
// ends before the bar, and the list's frame stays whole above and below the rows.
TEST_F(EmailMessageForm, TheRowsKeepClearOfTheScrollBarAndTheFrameIsWhole) {
  for (int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    platform::SetScreenSize(240 * scale, 320 * scale);
    SetHighResolution(scale == 2);
    CEmailMessageForm form = Make(u"ann@a.example", u"");
    const char* dir = std::getenv("SLATEWAY_SCREENSHOTS");
    const std::filesystem::path file = (dir ? std::filesystem::path(dir) : Linux(u"\\")) /
                                       ("email_form_" + std::to_string(240 * scale) + ".png");
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
      HWND list = d.Control(IDC_FORM_LIST);
      UpdateWindow(list);
      ASSERT_GT(platform::VerticalScrollBarWidth(list), 0) << "the rows need the bar";
      RECT client{};
      GetClientRect(list, &client);
      int valueRight = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0) +
                                        SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0));
      EXPECT_LE(valueRight, client.right - platform::VerticalScrollBarWidth(list));
      EXPECT_TRUE(platform::SaveScreenshot(file));
      CWindowDC dc(list);
      for (int y : {0, static_cast<int>(client.bottom) - 1}) {
        int light = 0;
        for (int x = 0; x < client.right - platform::VerticalScrollBarWidth(list); ++x)
          light += GetPixel(dc.get(), x, y) != RGB(0, 0, 0);
        EXPECT_EQ(light, 0) << "frame line at " << y;
      }
      d.Cancel();
    });
    form.DoModal();
  }
  SetHighResolution(false);
  platform::ResetScreenAndVersion();
}

TEST_F(EmailMessageForm, CancelTakesNothingOver) {
  CEmailMessageForm form = Make(u"ann@a.example", u"");
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    Edit(d, CEmailMessageForm::kSubject, u"Changed");
    d.Cancel();
  });
  EXPECT_EQ(form.DoModal(), 0);
  EXPECT_EQ(form.GetSubject().view(), u"Invoice 1042");
  EXPECT_EQ(form.GetMessage().view(), u"Dear Ann,\r\nplease find it attached.");
}

}  // namespace
