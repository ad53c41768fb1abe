// The desktop companion's commands end to end: the real relay starts a Slateway without a
// screen in the test's device, hands it each command from its own process, and the effect
// shows in the device's files.
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "MainWindowFixture.h"
#include "../core/FieldFormTyping.h"
#include "../datastore/DatabaseTest.h"
#include "core/CompanyInfo.h"
#include "core/Folders.h"
#include "core/ProgressWnd.h"
#include "core/ResourceText.h"
#include "datastore/ItemStore.h"
#include "editor/DocumentView.h"
#include "editor/ItemListWnd.h"
#include "listupdate/ImportText.h"
#include "listupdate/UpdateListWriter.h"
#include "mainwindow/DesktopFiles.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/Program.h"
#include "platform/base/Format.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/testing/ControlDrivers.h"
#include "platform/testing/ProgramRun.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"

namespace {

using namespace std::chrono_literals;

class DesktopCommandsTest : public mainwindow_test::MainWindowTest {
 protected:
  void TearDown() override {
    COwnerInfo::ForgetCache();
    MainWindowTest::TearDown();
  }
  static int Launch(const std::string& word) { return platform::testing::RunProgram(SLATEWAY_SLATELAUNCH, {word}); }
  // Whether process `pid` has `file` open.
  static bool HoldsFile(DWORD pid, const std::filesystem::path& file) {
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
      if (std::filesystem::read_symlink(fd.path(), ec) == file) return true;
    return false;
  }
  void StoreOwner() {
    std::vector<BYTE> record(COwnerInfo::kRecordBytes, 0);
    std::memcpy(record.data() + COwnerInfo::kName.offset, u"Ada Field", 18);
    std::memcpy(record.data() + COwnerInfo::kPhone.offset, u"555-0100", 16);
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kOwnerKeyPath, 0, nullptr, 0, 0, nullptr, &key, nullptr);
    RegSetValueExW(key, kOwnerValueName, 0, REG_BINARY, record.data(), static_cast<DWORD>(record.size()));
    RegCloseKey(key);
  }
  bool IsEstimate() { return ReadText(u"\\My Documents\\INV1.QVN").find("DOCTYPE=\"ESTIMATE\"") != std::string::npos; }
};

TEST_F(DesktopCommandsTest, TheRelayCarriesEveryCommandToARunningSlateway) {
  StoreOwner();
  // An invoice whose job the desktop has made an estimate.
  WriteText(u"\\My Documents\\INV1.QVN",
            "<?xml version=\"1.0\"?><SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"INVOICE\"><CUSTOMER><LISTID>C-1</LISTID>"
            "<FULLNAME>Ada</FULLNAME></CUSTOMER><JOB><NAME>Deck</NAME><TYPE>estimate</TYPE></JOB></SALESDOCUMENT>");
  // The installed program without its screen.
  const std::filesystem::path program = Linux(std::u16string(slateway::testing::kProgramFolder) + u"\\Slateway");
  std::filesystem::remove(program);
  std::filesystem::create_symlink(SLATEWAY_HEADLESS_PROGRAM, program);

  // None runs: the relay starts it ("CONVERT_1_TO_2" itself does nothing).
  EXPECT_EQ(Launch("CONVERT_1_TO_2"), 0);
  HWND main = nullptr;
  for (auto until = std::chrono::steady_clock::now() + 60s; !main && std::chrono::steady_clock::now() < until;
       std::this_thread::sleep_for(50ms))
    main = FindWindowW(kMainWindowClass, u"Slateway");
  ASSERT_NE(main, nullptr);
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  const CDatabaseFiles files = GetDatabaseFiles();
  const std::filesystem::path database = Linux(files.Database());
  EXPECT_TRUE(HoldsFile(pid, database));

  EXPECT_EQ(Launch("GET_OWNER_INFO"), 0);
  EXPECT_EQ(ReadText(u"\\Application Data\\VendelSoftware\\OwnerInfo.xml"),
            "<OWNERINFO><VERSION>3.0</VERSION><STATUS>Connected</STATUS><NAME>Ada Field</NAME>"
            "<PHONE>555-0100</PHONE></OWNERINFO>");

  EXPECT_EQ(Launch("RETRIEVING_INVOICES"), 0);
  CBstr data;
  GetAppDataFolder(data, true);
  for (const char16_t* name : {u"KTWInvoice.XSL", u"KTWEstimate.XSL", u"KTWSalesReceipt.XSL", u"KTWSalesOrder.XSL",
                               u"KTWPayment.XSL", u"KTWCreditMemo.XSL"})
    EXPECT_EQ(ReadText(data.str() + u"Templates\\" + name).rfind("<xsl:stylesheet", 0), 0u);

  // The silent reload leaves the documents as they are; the jobs update brings them to
  // the desktop's jobs.
  EXPECT_EQ(Launch("UPDATE_QB_JOBS_SILENT"), 0);
  EXPECT_FALSE(IsEstimate());
  EXPECT_EQ(Launch("UPDATE_QB_JOBS"), 0);
  EXPECT_TRUE(IsEstimate());

  // The desktop's lists come into the store from the default update file.
  CUpdateListWriter lists;
  lists.Option("CLEAR_ITEM_LIST", u"no");
  lists.Option("CLEAR_CUSTOMER_LIST", u"no");
  UpdateItemRecord item;
  item[kUpdListID] = u"i-77";
  item[kUpdType] = u"Service";
  item[kUpdName] = item[kUpdFullName] = u"Relay Labor";
  item[kUpdModified] = u"2009-02-01T09:30:00";
  lists.Item("ITEM", item);
  ASSERT_TRUE(lists.Save(files.folder + u"NWQItems.xml"));
  EXPECT_EQ(Launch("UPDATE_QB_ITEMS"), 0);
  EXPECT_EQ(datastore_test::RawDb(database).Rows("SELECT Name FROM ItemsList WHERE Name = 'Relay Labor'").size(), 1u);

  EXPECT_EQ(Launch("GET_DB"), 0);
  EXPECT_EQ(ReadText(files.Update()), ReadText(files.Database()));

  EXPECT_EQ(Launch("CLOSE_DB"), 0);
  EXPECT_FALSE(HoldsFile(pid, database));
  EXPECT_EQ(Launch("OPEN_DB"), 0);
  EXPECT_TRUE(HoldsFile(pid, database));

  // The update file is a database of its own; the old one becomes the backup.
  {
    platform::testing::MessageBoxScript boxes;
    boxes.ExpectAny();  // the new database is announced
    CItemStore other(nullptr);
    ASSERT_EQ(other.Open(u"\\Other.db"), 1);
  }
  std::filesystem::rename(Linux(u"\\Other.db"), Linux(files.Update()));
  const std::string before = ReadText(files.Database());
  EXPECT_EQ(Launch("LOAD_DB_UPDATE"), 0);
  EXPECT_EQ(ReadText(files.Backup()), before);
  EXPECT_NE(ReadText(files.Database()), before);
  EXPECT_FALSE(std::filesystem::exists(Linux(files.Update())));
  EXPECT_TRUE(HoldsFile(pid, database));
  EXPECT_EQ(Launch("LOAD_DB_UPDATE"), 3) << "nothing left to load: the command was not carried out";

  // The program is still there after all of them.
  EXPECT_EQ(FindWindowW(kMainWindowClass, u"Slateway"), main);
  platform::testing::CloseProgramOf(main);
}

// A root whose meeting place cannot be made (a file in its folder's way): the relay still
// reaches the program it started, and a second start finds the first and ends.
TEST_F(DesktopCommandsTest, WithoutTheRootsMeetingPlaceTheRelayStillReachesTheOneProgram) {
  std::ofstream(Root() / ".platform") << "in the way";
  const std::filesystem::path program = Linux(std::u16string(slateway::testing::kProgramFolder) + u"\\Slateway");
  std::filesystem::remove(program);
  std::filesystem::create_symlink(SLATEWAY_HEADLESS_PROGRAM, program);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Launch("GET_OWNER_INFO"), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
  EXPECT_TRUE(std::filesystem::exists(Linux(u"\\Application Data\\VendelSoftware\\OwnerInfo.xml")));
  HWND main = FindWindowW(kMainWindowClass, u"Slateway");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(platform::testing::RunProgram(SLATEWAY_HEADLESS_PROGRAM, {}), 0) << "the second start ends at once";
  EXPECT_EQ(FindWindowW(kMainWindowClass, u"Slateway"), main);
  EXPECT_TRUE(platform::testing::CloseProgramOf(main));
}

// The same commands sent inside the test's own process.
class DesktopCommandsInProcess : public DesktopCommandsTest {
 protected:
  DesktopCommandsInProcess() { m_stage = slateway::testing::DeviceStage::FirstStarted; }
  void SetUp() override {
    DesktopCommandsTest::SetUp();
    ASSERT_EQ(m_program.Start(u""), ProgramStart::Started);
    m_hwnd = m_program.GetMainFrame()->GetHwnd();
  }
  void TearDown() override {
    m_program.End();
    DesktopCommandsTest::TearDown();
  }
  LRESULT Send(DesktopCommand code) {
    COPYDATASTRUCT copy{static_cast<ULONG_PTR>(code), 0, nullptr};
    return SendMessageW(m_hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
  }
  std::u16string ProgressText() {
    CProgressWnd* progress = m_program.GetMainFrame()->GetProgressWindow();
    WCHAR text[200] = {};
    if (progress) GetDlgItemTextW(progress->GetHwnd(), IDC_PROGRESS_STATUS, text, 200);
    return text;
  }

  CProgram m_program;
  HWND m_hwnd = nullptr;
};

TEST_F(DesktopCommandsInProcess, ACommandArrivingWhileAnotherRunsIsRefusedAndTheOthersEndAsTheySay) {
  // The owner information is asked for from a message that waits in the queue until the
  // jobs update lets messages through.
  static HWND s_main;
  static LRESULT s_nested;
  s_main = m_hwnd;
  s_nested = -1;
  WNDCLASSW wc;
  wc.lpszClassName = u"Desktop";
  wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (msg != WM_APP) return DefWindowProcW(hwnd, msg, wParam, lParam);
    COPYDATASTRUCT copy{static_cast<ULONG_PTR>(DesktopCommand::OwnerInfo), 0, nullptr};
    s_nested = SendMessageW(s_main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
    return 0;
  };
  RegisterClassW(&wc);
  HWND desktop = CreateWindowExW(0, u"Desktop", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  PostMessageW(desktop, WM_APP, 0, 0);
  EXPECT_EQ(Send(DesktopCommand::UpdateJobs), 1);
  DestroyWindow(desktop);
  EXPECT_EQ(s_nested, 0);
  EXPECT_FALSE(std::filesystem::exists(Linux(u"\\Application Data\\VendelSoftware\\OwnerInfo.xml")));
  EXPECT_EQ(ProgressText(), LoadResText(IDS_DESKTOP_JOBS_UPDATED));
  // An unknown command and one without data are accepted.
  EXPECT_EQ(Send(static_cast<DesktopCommand>(99)), 1);
  EXPECT_EQ(SendMessageW(m_hwnd, WM_COPYDATA, 0, 0), 1);
  EXPECT_EQ(GetForegroundWindow(), m_hwnd);
  // A list update without its file fails, and its progress window goes without "Ok".
  {
    platform::testing::MessageBoxScript boxes;
    boxes.ExpectAny();
    EXPECT_EQ(Send(DesktopCommand::UpdateLists), 0);
  }
  platform::PumpMessages();
  EXPECT_EQ(m_program.GetMainFrame()->GetProgressWindow(), nullptr);
  // A replace without an update file keeps the database open and as it was.
  const CDatabaseFiles files = GetDatabaseFiles();
  const std::string before = ReadText(files.Database());
  EXPECT_EQ(Send(DesktopCommand::LoadDatabaseUpdate), 0);
  EXPECT_EQ(ProgressText(), LoadResText(IDS_DESKTOP_NO_DATABASE_UPDATE));
  EXPECT_EQ(ReadText(files.Database()), before);
  EXPECT_FALSE(std::filesystem::exists(Linux(files.Backup())));
  EXPECT_TRUE(m_program.GetMainFrame()->GetItemStore()->IsOpen());
}

// Lists sent while the database is closed: one message, nothing imported, the files kept.
TEST_F(DesktopCommandsInProcess, AnImportIntoTheClosedDatabaseFailsOnceAndKeepsTheFiles) {
  const CDatabaseFiles files = GetDatabaseFiles();
  CUpdateListWriter lists;
  for (int i = 0; i < 60; ++i) {
    UpdateItemRecord item;
    item[kUpdListID] = u"i-" + NumberText(i);
    item[kUpdType] = u"Service";
    item[kUpdName] = item[kUpdFullName] = u"Closed Labor " + NumberText(i);
    lists.Item("ITEM", item);
  }
  ASSERT_TRUE(lists.Save(files.folder + u"NWQItems.xml"));
  ASSERT_TRUE(CUpdateListWriter().Save(files.folder + u"NWQCustomers.xml"));
  EXPECT_EQ(Send(DesktopCommand::CloseDatabase), 1);
  {
    platform::testing::MessageBoxScript boxes;
    boxes.Expect(LoadResText(IDS_UPDATE_DATABASE_NOT_OPEN)).Caption(u"Slateway");
    EXPECT_EQ(Send(DesktopCommand::UpdateLists), 0);
    EXPECT_EQ(boxes.Pending(), 0u);
  }
  platform::PumpMessages();
  for (const char16_t* name : {u"NWQItems.xml", u"NWQCustomers.xml"})
    EXPECT_TRUE(std::filesystem::exists(Linux(files.folder + name)));
  EXPECT_EQ(Send(DesktopCommand::OpenDatabase), 1);
  EXPECT_EQ(datastore_test::RawDb(Linux(files.Database())).Rows("SELECT 1 FROM ItemsList WHERE Name LIKE 'Closed%'").size(),
            0u);
}

// A copy for the desktop that finds no room is told by name and leaves no file, whole or part.
TEST_F(DesktopCommandsInProcess, ACopyOfTheDatabaseOnAFullDiskIsToldAndLeavesNoFile) {
  const CDatabaseFiles files = GetDatabaseFiles();
  platform::InjectFault(platform::Fault::DiskFull);
  {
    platform::testing::MessageBoxScript boxes;
    boxes.Expect(platform::FormatWide(LoadResText(IDS_DESKTOP_DISK_FULL_NOT_COPIED), {files.Update()}))
        .Caption(u"Slateway");
    EXPECT_EQ(Send(DesktopCommand::CopyDatabase), 0);
    EXPECT_EQ(boxes.Pending(), 0u);
  }
  EXPECT_FALSE(std::filesystem::exists(Linux(files.Update())));
  for (const auto& entry : std::filesystem::directory_iterator(Linux(files.folder)))
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
  EXPECT_EQ(Send(DesktopCommand::CopyDatabase), 1);
  EXPECT_EQ(ReadText(files.Update()), ReadText(files.Database()));
}

TEST_F(DesktopCommandsInProcess, TheProgressWindowTakesItsOwnTapsAndIsSeenOverTheEditor) {
  CMainFrame* frame = m_program.GetMainFrame();
  auto okButton = [&] { return GetDlgItem(frame->GetProgressWindow()->GetHwnd(), IDCANCEL); };
  auto centre = [](HWND control) {
    RECT r;
    GetClientRect(control, &r);
    return POINT{r.right / 2, r.bottom / 2};
  };
  // Over the register: the pen on "Ok" reaches the button, not the row beneath it.
  EXPECT_EQ(Send(DesktopCommand::UpdateJobs), 1);
  ASSERT_NE(frame->GetProgressWindow(), nullptr);
  POINT at = centre(okButton());
  ClientToScreen(okButton(), &at);
  EXPECT_EQ(WindowFromPoint(at), okButton());
  platform::testing::TapControl(okButton(), centre(okButton()));
  EXPECT_EQ(frame->GetProgressWindow(), nullptr);
  EXPECT_FALSE(IsWindowVisible(frame->GetEditor()->GetWindow())) << "no document opened under the window";

  // With the editor in front, the finished run comes to the front and "Ok" ends it.
  SendMessageW(m_hwnd, WM_COMMAND, IDM_NEW_INVOICE, 0);
  ASSERT_TRUE(IsWindowVisible(frame->GetEditor()->GetWindow()));
  EXPECT_EQ(Send(DesktopCommand::LoadDatabaseUpdate), 0) << "no update file: nothing replaced, and the run says so";
  ASSERT_NE(frame->GetProgressWindow(), nullptr);
  EXPECT_EQ(GetActiveWindow(), frame->GetProgressWindow()->GetHwnd());
  at = centre(okButton());
  ClientToScreen(okButton(), &at);
  EXPECT_EQ(WindowFromPoint(at), okButton());
  platform::testing::TapControl(okButton(), centre(okButton()));
  EXPECT_EQ(frame->GetProgressWindow(), nullptr);
  EXPECT_TRUE(IsWindowVisible(frame->GetEditor()->GetWindow()));
}

TEST_F(DesktopCommandsInProcess, TheItemsListWorksInTheProgramAndIsReadAgainWhenTheDatabaseOpensAgain) {
  EXPECT_NE(GetItemEntryDialogs(), nullptr) << "the tree commands reach the entry dialogs";
  CMainFrame* frame = m_program.GetMainFrame();
  SendMessageW(frame->GetEditor()->GetWindow(), WM_COMMAND, IDM_EDITOR_ADD_LINE_ITEM, 0);
  ASSERT_TRUE(frame->GetEditor()->IsItemListVisible()) << "Add Line Item opens the list";
  CItemListWnd* list = frame->GetEditor()->GetItemListWnd();
  auto record = CDbRecord::CDbRecordOfType(kObjectCategory, -1);
  record->SetField(kFieldName, u"Zeta Supplies");
  record->SetField(kFieldParent, u"Item Lists");
  record->SetField(kFieldFullName, u"Zeta Supplies");
  ASSERT_EQ(frame->GetItemStore()->AddItem(nullptr, *record, CItemStore::OnDuplicate::Refuse), 1);
  platform::testing::TreeViewDriver tree(list->Tree()->Window());
  EXPECT_EQ(tree.Find(u"Zeta Supplies"), nullptr) << "added behind the tree's back";
  const int before = frame->GetItemStore()->GetChildCount(u"Service");
  EXPECT_EQ(Send(DesktopCommand::OpenDatabase), 1);
  EXPECT_NE(tree.Find(u"Zeta Supplies"), nullptr);

  // A new item is asked for in the program's list entry form, under its category's type.
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [](platform::testing::DialogDriver& d) {
    slateway::testing::TypeIntoField(d, d.Window(), 1, u"Hedge trimming");
    d.Ok();
  });
  ASSERT_NE(tree.Find(u"Service"), nullptr);
  list->Tree()->Select(tree.Find(u"Service"));
  list->OnCommand(IDM_ITEMS_NEW_ITEM);
  platform::PumpMessages();
  EXPECT_NE(tree.Find(u"Hedge trimming"), nullptr);
  EXPECT_EQ(frame->GetItemStore()->GetChildCount(u"Service"), before + 1);

  // A category deleted in the list keeps its contents while the deletion can be taken
  // back; reopening the database completes it first.
  auto rake = CDbRecord::CDbRecordOfType(kObjectItem, -1);
  rake->SetField(kFieldName, u"Rake");
  rake->SetField(kFieldParent, u"Zeta Supplies");
  rake->SetField(kFieldFullName, u"Zeta Supplies:Rake");
  ASSERT_EQ(frame->GetItemStore()->AddItem(nullptr, *rake, CItemStore::OnDuplicate::Refuse), 1);
  list->Tree()->Select(tree.Find(u"Zeta Supplies"));
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(u"Are you sure you want to delete category 'Zeta Supplies'?").Answer(IDYES);
  list->OnCommand(IDM_ITEMS_DELETE);
  platform::PumpMessages();
  EXPECT_EQ(frame->GetItemStore()->GetChildCount(u"Zeta Supplies"), 1);
  EXPECT_EQ(Send(DesktopCommand::OpenDatabase), 1);
  EXPECT_EQ(frame->GetItemStore()->GetChildCount(u"Zeta Supplies"), 0);
}

}  // namespace
