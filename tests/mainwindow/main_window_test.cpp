// The main window's messages on a running program: closing during a desktop operation,
// the operation stopped from outside, keys on the register and its column titles, device
// broadcasts, history commands, and a register load stopped through the progress window.
#include <gtest/gtest.h>

#include "core/Preferences.h"
#include "core/ProgressWnd.h"
#include "core/RegionalSettings.h"
#include "core/ResourceText.h"
#include "core/WindowMessages.h"
#include "document/EditCommand.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/Program.h"
#include "mainwindow/RegisterList.h"
#include "platform/testing/ControlDrivers.h"
#include "platform/testing/MessageBoxScript.h"
#include "resources/resource_ids.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace {

using platform::testing::MessageBoxScript;

class MainWindow : public mainwindow_test::MainWindowTest {
 protected:
  MainWindow() { m_stage = slateway::testing::DeviceStage::FirstStarted; }
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_EQ(m_program.Start(u""), ProgramStart::Started);
    m_frame = m_program.GetMainFrame();
    m_hwnd = m_frame->GetHwnd();
    m_list = m_frame->GetRegister();
  }
  void TearDown() override {
    m_program.End();
    MainWindowTest::TearDown();
  }
  CProgressWnd* StartOperation() {
    auto progress = std::make_unique<CProgressWnd>(GetResourceInstance(), m_hwnd, m_hwnd);
    progress->Show(CBstr(u"List Update"), true);
    m_frame->SetProgressWindow(std::move(progress));
    return m_frame->GetProgressWindow();
  }

  CProgram m_program;
  CMainFrame* m_frame = nullptr;
  HWND m_hwnd = nullptr;
  CRegisterList* m_list = nullptr;
};

TEST_F(MainWindow, ClosingDuringADesktopOperationAsksFirst) {
  StartOperation();
  {
    MessageBoxScript boxes;
    boxes.Expect(u"A List Update/Conversion is in progress.  Do you want to exit anyway?")
        .Caption(u"Slateway")
        .Style(MB_YESNO | MB_ICONEXCLAMATION)
        .Answer(IDNO);
    SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
  }
  EXPECT_TRUE(IsWindow(m_hwnd));
  // Stopped from outside: the window says so, and the operation sees the abort.
  SendMessageW(m_hwnd, kMsgShutdown, 0, 0);
  EXPECT_TRUE(m_frame->GetProgressWindow()->IsAborted());
  EXPECT_FALSE(m_frame->GetProgressWindow()->IsRunning());
  SendMessageW(m_hwnd, kMsgProgressClosed, 0, 0);
  EXPECT_EQ(m_frame->GetProgressWindow(), nullptr);

  StartOperation();
  MessageBoxScript boxes;
  boxes.ExpectAny().Answer(IDYES);
  PostMessageW(m_hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(m_program.Run(), 0);
  EXPECT_FALSE(IsWindow(m_hwnd));
}

TEST_F(MainWindow, KeysBroadcastsAndHistoryCommandsLeaveTheRegisterSound) {
  const int rows = m_list->GetRowCount();
  ASSERT_GT(rows, 2);
  m_list->Select(0);
  SendMessageW(m_hwnd, WM_KEYUP, VK_UP, 0);  // nothing above the first row
  EXPECT_EQ(m_list->GetSelectionMark(), 0);
  SendMessageW(m_hwnd, WM_KEYUP, VK_DOWN, 0);
  EXPECT_EQ(m_list->GetSelectionMark(), 1);
  m_list->Select(rows - 1);
  SendMessageW(m_hwnd, WM_KEYUP, VK_DOWN, 0);  // nothing below the last
  EXPECT_EQ(m_list->GetSelectionMark(), rows - 1);

  // A broadcast that is no volume's, or none at all, is not read further.
  DEV_BROADCAST_HDR port{sizeof(DEV_BROADCAST_HDR), 3, 0};
  EXPECT_EQ(SendMessageW(m_hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0), 1);
  EXPECT_EQ(SendMessageW(m_hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&port)), 1);
  DEV_BROADCAST_VOLUME card{sizeof(DEV_BROADCAST_VOLUME), DBT_DEVTYP_VOLUME, 0, 1, DBTF_MEDIA};
  EXPECT_EQ(SendMessageW(m_hwnd, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(&card)), 1);
  EXPECT_EQ(m_list->GetRowCount(), rows);  // the documents are not on a card

  EXPECT_EQ(SendMessageW(m_hwnd, kMsgEditCommand, 3, 0), 0);
  EXPECT_EQ(SendMessageW(m_hwnd, kMsgEditCommand, kEditCommandUndo, 0), 0);  // nothing to undo

  // The refresh command reloads through the progress dialog.
  WriteDocument(u"EXTRA.QVN", "VERSION=\"4\" DOCTYPE=\"INVOICE\" ID=\"900\"");
  SendMessageW(m_hwnd, WM_COMMAND, IDM_MAIN_REFRESH_LIST, 0);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(m_list->GetRowCount(), rows + 1);
}

TEST_F(MainWindow, TapsOnTheCheckBoxMarkCompletionAndTapsOnTitlesSort) {
  WriteDocument(u"NOID.QVN", "VERSION=\"4\" DOCTYPE=\"INVOICE\" COMPLETE=\"no\"", "<FULLNAME>Ann</FULLNAME>");
  m_list->Reload(false, false, {}, nullptr);
  auto rowOf = [&](std::u16string_view file) {
    for (int i = 0; i < m_list->GetRowCount(); ++i)
      if (m_list->GetRowRecord(i)->fileName == file) return i;
    return -1;
  };
  platform::testing::ListViewDriver driver(m_list->GetHwnd());
  const std::string before = ReadText(u"\\My Documents\\NOID.QVN");
  {
    MessageBoxScript boxes;
    boxes.Expect(u"This document has no number. Give it a number before marking it complete.");
    driver.Tap(rowOf(u"NOID"), 2);
  }
  EXPECT_EQ(ReadText(u"\\My Documents\\NOID.QVN"), before);

  const int invoice = rowOf(u"Invoice100");
  ASSERT_GE(invoice, 0);
  const std::u16string was = m_list->GetRowRecord(invoice)->complete;
  driver.Tap(invoice, 2);
  const std::u16string now = was == u"yes" ? u"no" : u"yes";
  EXPECT_EQ(m_list->GetRowRecord(rowOf(u"Invoice100"))->complete, now);
  EXPECT_NE(ReadText(u"\\My Documents\\Invoice100.QVN").find("COMPLETE=\"" + platform::ToUtf8(now) + "\""),
            std::string::npos);

  driver.TapColumnTitle(1);  // Amount: by balance, the other way round
  EXPECT_EQ(m_list->GetSortKind(), kSortBalance);
  EXPECT_FALSE(m_list->IsAscending());

  // The check-box column is titled by its picture.
  LVCOLUMNW title;
  title.mask = LVCF_FMT | LVCF_IMAGE;
  ASSERT_TRUE(SendMessageW(m_list->GetHwnd(), LVM_GETCOLUMNW, 2, reinterpret_cast<LPARAM>(&title)));
  EXPECT_TRUE(title.fmt & LVCFMT_IMAGE);
  auto pictures = reinterpret_cast<HIMAGELIST>(SendMessageW(m_list->GetHwnd(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  ASSERT_NE(pictures, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(pictures), 1);
  EXPECT_EQ(title.iImage, 0);
}

TEST_F(MainWindow, ACardComingOrGoingReloadsARegisterKeptOnTheCardAndTheLocaleFollowsSettings) {
  platform::InsertStorageCard(u"Storage Card");
  CPreferences().SetString(u"InvoiceLocation", u"Storage Card");  // Docs Location on Options' Storage page
  m_list->Reload(false, false, {}, nullptr);
  EXPECT_EQ(m_list->GetRowCount(), 0);
  WriteText(u"\\Storage Card\\INV7.QVN",
            "<?xml version=\"1.0\"?><SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"INVOICE\" ID=\"7\"/>");
  DEV_BROADCAST_VOLUME card{sizeof(DEV_BROADCAST_VOLUME), DBT_DEVTYP_VOLUME, 0, 1, DBTF_MEDIA};
  EXPECT_EQ(SendMessageW(m_hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&card)), 1);
  EXPECT_EQ(m_list->GetRowCount(), 1);

  platform::SetLocaleProfile(u"de-DE");
  SendMessageW(m_hwnd, WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(RegionalSettings().DecimalSeparator(), u',');
  platform::SetLocaleProfile(u"en-US");
  SendMessageW(m_hwnd, WM_SETTINGCHANGE, SPI_SETSIPINFO, 0);  // the input panel: layout only
  EXPECT_EQ(RegionalSettings().DecimalSeparator(), u',');
  SendMessageW(m_hwnd, WM_SETTINGCHANGE, 0, 0);
  EXPECT_EQ(RegionalSettings().DecimalSeparator(), u'.');
}

TEST_F(MainWindow, ClosingDuringARegisterLoadClosesOnceTheLoadHasEnded) {
  int files = 0;
  m_list->Reload(false, false,
                 [&](std::u16string_view) {
                   if (++files == 2) SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
                   EXPECT_TRUE(IsWindow(m_hwnd));
                   return true;
                 },
                 nullptr);
  EXPECT_EQ(files, 2);  // the load stopped before the next file
  EXPECT_EQ(m_list->GetRowCount(), 1);
  EXPECT_EQ(m_program.Run(), 0);
  EXPECT_FALSE(IsWindow(m_hwnd));
}

TEST_F(MainWindow, ALoadStopsWhenItsProgressWindowIsAborted) {
  CProgressWnd* progress = StartOperation();
  progress->SetAbort(true);
  m_list->Reload(false, false, ProgressStatus(*progress), nullptr);
  EXPECT_EQ(m_list->GetRowCount(), 0);
  progress->SetAbort(false);
  m_list->Reload(false, false, ProgressStatus(*progress), nullptr);
  EXPECT_GT(m_list->GetRowCount(), 0);
}

}  // namespace
