// The month-calendar date picker: the date it starts on, one tap choosing, the result in
// the user's short date format.
#include "LanguageLibraryFixture.h"
#include "core/DatePickerDlg.h"
#include "core/RegionalSettings.h"
#include "core/ResourceText.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/locale/Locale.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"

namespace {

class DatePicker : public slateway::testing::LanguageLibraryTest {
 protected:
  void TearDown() override {
    platform::SetLocaleProfile(u"en-US");
    RegionalSettings().Reset();
    EXPECT_EQ(platform::LiveWindowCount(), 0);
    LanguageLibraryTest::TearDown();
  }
  static SYSTEMTIME Selected(platform::testing::DialogDriver& d) {
    SYSTEMTIME st{};
    SendMessageW(d.Control(IDC_DATE_CALENDAR), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
    return st;
  }
  // Opens the picker on `text`, moves the selection one day on and chooses it with one
  // press of the calendar's own select key.
  CBstr ChooseNextDay(std::u16string_view text, SYSTEMTIME& shown) {
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_DATE_PICKER, [&](platform::testing::DialogDriver& d) {
      shown = Selected(d);
      HWND calendar = d.Control(IDC_DATE_CALENDAR);
      RECT dialog{};
      RECT inner{};
      RECT least{};
      GetWindowRect(d.Window(), &dialog);
      GetWindowRect(calendar, &inner);
      SendMessageW(calendar, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&least));
      // Dialog and calendar both take the calendar's smallest size and a small margin.
      EXPECT_EQ(dialog.right - dialog.left, least.right + 6);
      EXPECT_EQ(inner.bottom - inner.top, least.bottom + 6);
      SetFocus(calendar);
      d.Key(VK_RIGHT);
      SendMessageW(calendar, WM_KEYDOWN, VK_RETURN, 0);
      d.Pump();
    });
    CDatePickerDlg picker(GetResourceInstance(), nullptr, 7, CBstr(text));
    EXPECT_EQ(picker.DoModal(), 1);
    EXPECT_EQ(ui.Pending(), 0u);
    EXPECT_EQ(picker.GetContext(), 7u);
    return picker.GetDateText();
  }
};

TEST_F(DatePicker, RoundTripsADateInTheUsersFormat) {
  SYSTEMTIME shown{};
  EXPECT_EQ(ChooseNextDay(u"12/31/2025", shown).view(), u"1/1/2026");
  EXPECT_EQ(shown.wYear, 2025);
  EXPECT_EQ(shown.wMonth, 12);
  EXPECT_EQ(shown.wDay, 31);

  ASSERT_TRUE(platform::SetLocaleProfile(u"de-DE"));
  LoadRegionalSettings();
  EXPECT_EQ(ChooseNextDay(u"28.02.2026", shown).view(), u"01.03.2026");
  EXPECT_EQ(shown.wMonth, 2);
  EXPECT_EQ(shown.wDay, 28);
}

TEST_F(DatePicker, AnEmptyTextStartsOnTodayAndCancelChoosesNothing) {
  SYSTEMTIME shown{};
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_DATE_PICKER, [&](platform::testing::DialogDriver& d) {
    shown = Selected(d);
    d.Cancel();
  });
  CDatePickerDlg picker(GetResourceInstance(), nullptr, 0, CBstr());
  EXPECT_EQ(picker.DoModal(), 0);
  EXPECT_TRUE(picker.GetDateText().IsEmpty());
  EXPECT_EQ(shown.wYear, 2026);  // the test clock's day
  EXPECT_EQ(shown.wMonth, 3);
  EXPECT_EQ(shown.wDay, 10);
}

}  // namespace
