// The Customize dialog driven as a user would: one change on every page, kept after a
// restart of the stores and shown on the invoice; a required caption emptied keeps the
// dialog open on its page; Cancel writes nothing; the pages on both screen sizes and their
// help.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "../document/SalesDocumentFixture.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "platform/user/MessageBox.h"
#include "core/UiMetrics.h"
#include "customers/CustomizeDlg.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/registry/Registry.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"
#include "core/Help.h"
#include "core/UiMetrics.h"
#include "platform/process/Process.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "tests/core/FullStorage.h"

namespace {

using platform::testing::DialogDriver;

class CustomizeDialog : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    InstallServices();
    MakeFolders();
    m_settings->Load();
    doc = Make();
    doc->InitNew(4, kDocInvoice);
  }
  void TearDown() override {
    doc.reset();
    SalesDocumentTest::TearDown();
  }
  INT_PTR Run(DWORD firstPage, std::function<void(DialogDriver&)> act) {
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_TABBED_FORM, std::move(act));
    CCustomizeDlg dialog(GetResourceInstance(), nullptr, firstPage, *m_settings, *doc, nullptr);
    INT_PTR result = dialog.DoModal();
    EXPECT_EQ(ui.Pending(), 0u);
    return result;
  }
  // The page window on show.
  static HWND ShownPage(DialogDriver& d) {
    HWND tabs = d.Control(IDC_TAB_CONTROL);
    for (HWND child = GetWindow(tabs, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (IsWindowVisible(child) && GetDlgItem(child, IDC_GRID_LIST)) return child;
    }
    ADD_FAILURE() << "no page on show";
    return nullptr;
  }
  static platform::testing::ListViewDriver Grid(DialogDriver& d) {
    return platform::testing::ListViewDriver(GetDlgItem(ShownPage(d), IDC_GRID_LIST));
  }
  std::u16string Html() {
    CBstr html;
    EXPECT_EQ(doc->GetXmlDocument().Transform(&html), S_OK);
    return html.str();
  }
  std::unique_ptr<CSalesDocument> doc;
};

TEST_F(CustomizeDialog, OneChangeOnEveryPageIsKeptAfterARestartAndShownOnTheInvoice) {
  CCustomSettings& before = *m_settings;
  std::array<BYTE, 7> printerFlags{};
  const int printerRows[] = {1, 13, 21, 52, 64, 33, 68};
  for (int i = 0; i < 7; ++i) printerFlags[static_cast<size_t>(i)] = before.GetFlag(kDocInvoice, printerRows[i]);
  INT_PTR result = Run(0, [](DialogDriver& d) {
    auto tabs = d.Tabs(IDC_TAB_CONTROL);
    EXPECT_EQ(tabs.Texts().size(), 7u);
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"Customize Invoice");
    Grid(d).Tap(2, 5);
    HWND page = ShownPage(d);
    HWND editor = GetFocus();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(GetParent(editor), GetDlgItem(page, IDC_GRID_LIST));
    SendMessageW(editor, EM_SETSEL, 0, -1);
    d.Type(u"Statement&");
    for (int n = 0; n < 7; ++n) {
      tabs.Tap(n);
      EXPECT_EQ(tabs.Current(), n);
      Grid(d).Tap(0, 4);
    }
    d.Ok();
  });
  ASSERT_EQ(result, 1);
  EXPECT_NE(Html().find(u"Statement"), std::u16string::npos);

  platform::ReloadRegistry();
  CCustomSettings reread;
  reread.Load();
  EXPECT_EQ(reread.GetCaption(kDocInvoice, 0), u"Statement");
  for (int i = 0; i < 7; ++i)
    EXPECT_NE(reread.GetFlag(kDocInvoice, printerRows[i]), printerFlags[static_cast<size_t>(i)]) << "page " << i;
  EXPECT_EQ(CPreferences().GetDword(u"LastCustPage", 9), 6u);
}

TEST_F(CustomizeDialog, AnEmptiedRequiredCaptionKeepsItsPageOpenAndCancelWritesNothing) {
  std::u16string title = m_settings->GetCaption(kDocInvoice, 0);
  INT_PTR result = Run(42, [](DialogDriver& d) {
    EXPECT_EQ(d.Tabs(IDC_TAB_CONTROL).Current(), 0);
    Grid(d).Tap(3, 5);
    SendMessageW(GetFocus(), EM_SETSEL, 0, -1);
    d.Key(VK_BACK);
    d.Tabs(IDC_TAB_CONTROL).Tap(2);
    platform::testing::UiScript inner;
    inner.ExpectMessageBox(u"'Date' is a required field.", IDOK);
    d.Ok();
    EXPECT_EQ(inner.Pending(), 0u);
    EXPECT_EQ(d.Tabs(IDC_TAB_CONTROL).Current(), 0);
    d.Cancel();
  });
  EXPECT_EQ(result, 0);
  platform::ReloadRegistry();
  CCustomSettings reread;
  reread.Load();
  EXPECT_EQ(reread.GetCaption(kDocInvoice, 0), title);
  EXPECT_EQ(CPreferences().GetDword(u"LastCustPage", 9), 0u);
}

// Settings the device cannot write are said to be unsaved once, and the dialog stays open
// for another try.
TEST_F(CustomizeDialog, SettingsThatCannotBeWrittenKeepTheDialogOpenWithOneMessage) {
  INT_PTR result = Run(0, [](DialogDriver& d) {
    Grid(d).Tap(2, 5);
    slateway::testing::OkOnAFullStorage(d, LoadResText(IDS_CUSTOMIZE_NOT_SAVED));
    d.Ok();
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(platform::MessageBoxLog().size(), 1u);
}

}  // namespace

namespace {

// On either screen every row shows its check images (twice the size on the large one),
// and help on a page opens the Customize topic.
TEST_F(CustomizeDialog, PagesShowTheirChecksOnBothScreensAndOpenTheirHelp) {
  const char* dir = std::getenv("SLATEWAY_SCREENSHOTS");
  for (int width : {240, 480}) {
    platform::SetScreenProfile(width == 240 ? platform::ScreenProfile::Portrait240x320
                                            : platform::ScreenProfile::Portrait480x640);
    SetHighResolution(width == 480);
    Run(0, [&](DialogDriver& d) {
      HWND list = GetDlgItem(ShownPage(d), IDC_GRID_LIST);
      HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
      ASSERT_NE(images, nullptr) << width;
      int cx = 0, cy = 0;
      ImageList_GetIconSize(images, &cx, &cy);
      EXPECT_EQ(ImageList_GetImageCount(images), 3) << width;
      EXPECT_EQ(cx, width / 20) << "the checks' size on the " << width << " screen";
      EXPECT_EQ(Grid(d).Count(), 5) << width;
      const auto shot = (dir ? std::filesystem::path(dir) : Linux(u"\\")) / ("customize_" + std::to_string(width) + ".png");
      EXPECT_TRUE(platform::SaveScreenshot(shot));
      platform::ClearProcessLaunches();
      SendMessageW(ShownPage(d), WM_HELP, 0, 0);
      ASSERT_EQ(platform::ProcessLaunches().size(), 1u);
      EXPECT_EQ(platform::ProcessLaunches()[0].commandLine, GetHelpCommandLine(7));
      d.Cancel();
    });
  }
  platform::SetScreenProfile(platform::ScreenProfile::Portrait240x320);
  SetHighResolution(false);
}

}  // namespace

namespace {

// On both screens the headings stand above the list, each over its own column, and the
// first row (Serviced on the Columns page) takes a tap on its check.
TEST_F(CustomizeDialog, HeadingsStandOverTheirColumnsAndLeaveTheFirstRowToTheTap) {
  for (int width : {480, 240}) {
    SCOPED_TRACE(width);
    platform::SetScreenProfile(width == 240 ? platform::ScreenProfile::Portrait240x320
                                            : platform::ScreenProfile::Portrait480x640);
    SetHighResolution(width == 480);
    const BYTE before = m_settings->GetFlag(kDocInvoice, 51);
    INT_PTR result = Run(3, [&](DialogDriver& d) {
      HWND page = ShownPage(d);
      HWND list = GetDlgItem(page, IDC_GRID_LIST);
      RECT listRect{};
      GetWindowRect(list, &listRect);
      const std::pair<int, int> headings[] = {
          {IDC_GRID_HEAD_SCREEN, 3}, {IDC_GRID_HEAD_PRINTER, 4}, {IDC_DIALOG_HEADING, 5}};
      for (auto [id, column] : headings) {
        RECT heading{};
        GetWindowRect(GetDlgItem(page, id), &heading);
        EXPECT_LE(heading.bottom, listRect.top) << "heading " << id << " covers the list";
        RECT cell{LVIR_BOUNDS, column, 0, 0};
        SendMessageW(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
        MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&cell), 2);
        const LONG middle = (heading.left + heading.right) / 2;
        EXPECT_TRUE(middle >= cell.left && middle < cell.right) << "heading " << id << " is not over column " << column;
      }
      Grid(d).Tap(0, 3);
      d.Ok();
    });
    ASSERT_EQ(result, 1);
    EXPECT_NE(m_settings->GetFlag(kDocInvoice, 51), before) << "the tap on Serviced's check was lost";
  }
  platform::SetScreenProfile(platform::ScreenProfile::Portrait240x320);
  SetHighResolution(false);
}

}  // namespace
