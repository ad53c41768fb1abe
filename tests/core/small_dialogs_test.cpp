// The document options dialog and the overwrite prompt, driven through their dialogs.
#include "LanguageLibraryFixture.h"
#include "core/MenuBar.h"
#include "core/Preferences.h"
#include "core/SmallDialogs.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;

class SmallDialogs : public slateway::testing::LanguageLibraryTest {
 protected:
  void TearDown() override {
    DestroyMenuBar();
    EXPECT_EQ(platform::LiveWindowCount(), 0);
    LanguageLibraryTest::TearDown();
  }
};

TEST_F(SmallDialogs, DocumentOptionsAreReadBackOnOkOnly) {
  CDocOptionsDlg options(GetResourceInstance(), nullptr, true, false, true, false);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_DOC_OPTIONS, [](DialogDriver& d) {
    EXPECT_TRUE(d.IsChecked(IDC_DOC_TO_PRINT) && d.IsChecked(IDC_DOC_INCLUDES_TAX));
    EXPECT_FALSE(d.IsChecked(IDC_DOC_TO_EMAIL) || d.IsChecked(IDC_DOC_REMOVE_ZERO_QTY));
    EXPECT_NE(GetCurrentMenuBar(), nullptr) << "the dialog has an empty menu bar";
    d.Tap(IDC_DOC_TO_PRINT).Tap(IDC_DOC_REMOVE_ZERO_QTY).Cancel();
  });
  ui.ExpectDialog(IDD_DOC_OPTIONS, [](DialogDriver& d) {
    d.Tap(IDC_DOC_TO_PRINT).Tap(IDC_DOC_TO_EMAIL).Tap(IDC_DOC_REMOVE_ZERO_QTY).Press(1009);  // title-row OK
  });
  EXPECT_EQ(options.DoModal(), 0);
  EXPECT_TRUE(options.toBePrinted);
  EXPECT_FALSE(options.removeZeroQuantity);
  EXPECT_EQ(options.DoModal(), 1);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_FALSE(options.toBePrinted);
  EXPECT_TRUE(options.toBeEmailed && options.amountIncludesTax && options.removeZeroQuantity);
}

TEST_F(SmallDialogs, OverwritePromptAsksByModeAndRemembersAnswersForAll) {
  EXPECT_EQ(COverwritePromptDlg::QuestionText(u"Bo", true),
            u"Customer 'Bo' exists in the DedadErude Customer List. Overwrite it?");
  ASSERT_TRUE(CPreferences().SetUseOutlook(true));  // contacts mode, which imported settings bring: what this is about
  EXPECT_EQ(COverwritePromptDlg::QuestionText(u"Bo", true), u"Customer 'Bo' exists in the Contacts List. Overwrite it?");
  CPreferences().SetUseOutlook(false);
  for (INT_PTR answer : {COverwritePromptDlg::kYes, COverwritePromptDlg::kNo}) {
    COverwritePromptDlg prompt(GetResourceInstance(), nullptr);
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_OVERWRITE_PROMPT, [](DialogDriver& d) {
      EXPECT_EQ(d.Text(IDC_OVERWRITE_TEXT), u"'Ann' has been modified.  Overwrite it?");
      d.Press(COverwritePromptDlg::kNo);  // without the box: this answer only
    });
    ui.ExpectDialog(IDD_OVERWRITE_PROMPT, [&](DialogDriver& d) {
      d.Tap(IDC_OVERWRITE_ALL);  // the box alone does not end the prompt
      EXPECT_TRUE(IsWindow(d.Window()));
      d.Press(static_cast<int>(answer));
    });
    EXPECT_EQ(prompt.DoModal(CBstr(u"Ann"), false), COverwritePromptDlg::kNo);
    EXPECT_FALSE(prompt.IsYesToAll() || prompt.IsNoToAll());
    EXPECT_EQ(prompt.DoModal(CBstr(u"Bo"), true), answer);
    // Later customers of the same run get the answer without a dialog.
    EXPECT_EQ(prompt.DoModal(CBstr(u"Cy"), false), answer);
    EXPECT_EQ(ui.Pending(), 0u);
    EXPECT_EQ(prompt.IsYesToAll(), answer == COverwritePromptDlg::kYes);
    EXPECT_EQ(prompt.IsNoToAll(), answer == COverwritePromptDlg::kNo);
  }
  // Cancel (or closing the prompt) stops the run: it is no "for all" answer.
  COverwritePromptDlg prompt(GetResourceInstance(), nullptr);
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_OVERWRITE_PROMPT, [](DialogDriver& d) { d.Press(IDCANCEL); });
  ui.ExpectDialog(IDD_OVERWRITE_PROMPT, [](DialogDriver& d) {
    d.Tap(IDC_OVERWRITE_ALL);
    d.Cancel();
  });
  EXPECT_EQ(prompt.DoModal(CBstr(u"Ann"), true), COverwritePromptDlg::kCancel);
  EXPECT_EQ(prompt.DoModal(CBstr(u"Bo"), true), COverwritePromptDlg::kCancel);
  EXPECT_FALSE(prompt.IsYesToAll() || prompt.IsNoToAll());
}

}  // namespace
