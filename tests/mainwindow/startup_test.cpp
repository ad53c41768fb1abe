// The program's start and end, run whole on a test device without a display.
//   ProgramStartup.*  a new device, a second instance, start-ups that stop, the flags an
//                     installation leaves, the document named on the command line.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>

#include "core/Folders.h"
#include "core/Preferences.h"
#include "core/RegionalSettings.h"
#include "datastore/ContactsSource.h"
#include "document/HtmlView.h"
#include "document/SalesDocument.h"
#include "editor/DocumentView.h"
#include "datastore/SqlDatabase.h"
#include "document/EditCommand.h"
#include "mainwindow/HeaderBar.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/Program.h"
#include "mainwindow/RegisterList.h"
#include "mainwindow/SampleDevice.h"
#include "platform/base/Format.h"
#include "platform/htmlview/HtmlControl.h"
#include "platform/testing/ControlDrivers.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace {

using ProgramStartup = mainwindow_test::MainWindowTest;
using platform::testing::MenuDriver;
using platform::testing::MessageBoxScript;
using platform::testing::UiScript;

int DocumentCount(const std::filesystem::path& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) count += entry.path().extension() == ".QVN";
  return count;
}

TEST_F(ProgramStartup, ANewDeviceStartsWithTheSampleDocumentsAndClosesInOrder) {
  ASSERT_TRUE(PrepareNewDevice());
  const int samples = DocumentCount(Linux(mainwindow_test::kDocuments));
  EXPECT_GE(samples, 6);
  CPreferences().SetDword(u"LastSortType", kSortNumber);  // the register was left sorted by number

  CProgram program;
  ASSERT_EQ(program.Start(u""), ProgramStart::Started);
  HWND main = program.GetMainFrame()->GetHwnd();
  EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), main);
  CRegisterList* list = program.GetMainFrame()->GetRegister();
  EXPECT_EQ(list->GetRowCount(), samples);
  EXPECT_EQ(list->GetSortKind(), kSortNumber);
  EXPECT_EQ(program.GetDocumentHistory()->GetDepth(), 10u);
  EXPECT_EQ(program.GetListHistory()->GetDepth(), 1u);

  // A second start shows the first and ends; the document it was given is not opened.
  {
    CProgram second;
    EXPECT_EQ(second.Start(u"\\My Documents\\INVOICE100.QVN"), ProgramStart::AlreadyRunning);
    EXPECT_EQ(second.GetMainFrame(), nullptr);
  }
  EXPECT_EQ(GetForegroundWindow(), main);

  SendMessageW(list->GetHwnd(), WM_CHAR, 17, 0);  // Ctrl+Q from the register
  EXPECT_EQ(program.Run(), 0);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(platform::ComInitializeCount(), 0);
  CPreferences prefs;
  EXPECT_EQ(prefs.GetDword(u"LastView", 9), 0u);
  EXPECT_EQ(prefs.GetDword(u"LastShowType", 9), 2u);
  EXPECT_EQ(prefs.GetDword(u"LastSortType", 9), static_cast<DWORD>(kSortNumber));
  EXPECT_EQ(prefs.GetDword(u"LastSortDirection", 9), 1u);

  // A device with documents is never laid out again, even when one was removed.
  std::filesystem::remove(*std::filesystem::directory_iterator(Linux(mainwindow_test::kDocuments)));
  ASSERT_TRUE(PrepareNewDevice());
  EXPECT_EQ(DocumentCount(Linux(mainwindow_test::kDocuments)), samples - 1);
}

// No line of a sample document carries a custom value: the sample items have none.
TEST_F(ProgramStartup, TheSampleDocumentsLinesCarryNoCustomValues) {
  ASSERT_TRUE(PrepareNewDevice());
  int lines = 0;
  for (const auto& entry : std::filesystem::directory_iterator(Linux(mainwindow_test::kDocuments))) {
    if (entry.path().extension() != ".QVN") continue;
    std::ifstream in(entry.path());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t at = text.find("<LINEITEM"); at != std::string::npos; at = text.find("<LINEITEM", at + 1)) ++lines;
    EXPECT_EQ(text.find("<CUSTOM_"), std::string::npos) << entry.path();
  }
  EXPECT_GE(lines, 6);
}

// A settings file damaged by one broken line right below the preferences' header: the
// values under it stay, and the program says once that the settings were repaired.
TEST_F(ProgramStartup, ADamagedSettingsLineCostsOnlyItselfAndTheUserIsToldOnce) {
  ASSERT_TRUE(PrepareNewDevice());
  // The values the damage must not take: the set-up's answer "no sales tax" and the terms
  // last chosen on a document, both stored below the damaged line.
  CPreferences().SetDword(u"UseSalesTax", 0);
  CPreferences().SetString(u"LastTerms", u"Net 15");
  const std::filesystem::path hive = Linux(u"\\Windows\\Registry\\HKEY_CURRENT_USER.reg");
  std::ifstream in(hive, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  in.close();
  const std::string header = "[Software\\VendelSoftware\\Slateway\\Preferences]\n";
  ASSERT_NE(text.find(header), std::string::npos);
  text.insert(text.find(header) + header.size(), "[Software\\Vendel\x01\x02 damaged\n");
  std::ofstream(hive, std::ios::binary | std::ios::trunc) << text;

  for (bool first : {true, false}) {
    MessageBoxScript boxes;
    if (first) boxes.Expect(platform::FormatWide(kSettingsRepairedText, {1})).Caption(u"Slateway");
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    EXPECT_EQ(boxes.Pending(), 0u);
    EXPECT_EQ(CPreferences().GetDword(u"UseSalesTax", 9), 0u);
    std::u16string terms;
    EXPECT_TRUE(CPreferences().GetString(u"LastTerms", terms));
    EXPECT_EQ(terms, u"Net 15");
    program.End();
  }
  EXPECT_TRUE(std::filesystem::exists(hive.string() + ".damaged"));
}

// A read-only device folder is told once at start, by its name; the program still starts.
TEST_F(ProgramStartup, ADeviceFolderThatCannotBeWrittenIsToldOnceAtStart) {
  ASSERT_TRUE(PrepareNewDevice());
  platform::InjectFault(platform::Fault::ReadOnlyRoot, 0, 1 << 20);
  MessageBoxScript boxes;
  boxes.Expect(platform::FormatWide(kReadOnlyDeviceText, {Root().u16string()})).Caption(u"Slateway");
  CProgram program;
  ASSERT_EQ(program.Start(u""), ProgramStart::Started);
  EXPECT_EQ(boxes.Pending(), 0u);
  program.End();
}

// A pipe, a link to an endless device and a folder with documents' names are passed over
// without a question or a hang, and left where they are.
TEST_F(ProgramStartup, OddEntriesAmongTheDocumentsNeitherHoldTheStartNorAreAskedAbout) {
  ASSERT_TRUE(PrepareNewDevice());
  const std::u16string documents = mainwindow_test::kDocuments;
  ASSERT_EQ(::mkfifo(Linux(documents + u"Invoice600.QVN").c_str(), 0600), 0);
  std::filesystem::create_directory(Linux(documents + u"Folder.QVN"));
  std::filesystem::create_symlink("/dev/zero", Linux(documents + u"Zero.QVN"));
  MessageBoxScript boxes;  // any box fails the test
  CProgram program;
  ASSERT_EQ(program.Start(u""), ProgramStart::Started);
  program.End();
  for (const char16_t* name : {u"Invoice600.QVN", u"Folder.QVN", u"Zero.QVN"})
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(Linux(documents + name))));
}

// The sample database is written as an American device writes amounts. An installation
// whose database could not take the device's formats leaves none, and the first start of a
// German device lays the sample out, and the sample documents made from it, in its own.
TEST_F(ProgramStartup, ANewDeviceInAnotherLocaleHasItsSamplesInItsOwnFormats) {
  ASSERT_TRUE(platform::SetLocaleProfile(u"de-DE"));
  CBstr database;
  GetDatabaseFilePath(database, true);
  ASSERT_TRUE(std::filesystem::remove(Linux(database.str())));
  ASSERT_TRUE(PrepareNewDevice());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(Linux(database.str()).c_str(), &db), SQLITE_OK);
  auto first = [&](const char* sql) {
    sqlite3_stmt* statement = nullptr;
    std::string text;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
      text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    return text;
  };
  EXPECT_EQ(first("SELECT SalesAmount FROM ItemsList WHERE Name = 'Consulting'"), "85,00");
  EXPECT_EQ(first("SELECT SalesAmount FROM ItemsList WHERE ListType = 'Sales Tax Item' AND SalesAmount <> '0' "
                  "ORDER BY SalesAmount"),
            "2,5%");
  EXPECT_EQ(first("SELECT TotalBalance FROM CustomerList WHERE TotalBalance LIKE '%.%'"), "1.250,00");
  sqlite3_close(db);
  const std::string invoice = ReadText(std::u16string(mainwindow_test::kDocuments) + u"Invoice100.QVN");
  EXPECT_NE(invoice.find("<TOTAL>280,88 \u20AC</TOTAL>"), std::string::npos);
  EXPECT_NE(invoice.find("<PRICE>85,00</PRICE>"), std::string::npos);
  RegionalSettings().Reset();
}

TEST_F(ProgramStartup, WithoutTheLanguageLibraryItSaysSoAndMakesNoWindow) {
  std::filesystem::remove(Linux(std::u16string(slateway::testing::kProgramFolder) + u"\\QVNLANGUAGE.DLL"));
  MessageBoxScript boxes;
  boxes.Expect(kResourceLibraryMissingText).Caption(u"Slateway").Style(MB_ICONEXCLAMATION);
  EXPECT_TRUE(PrepareNewDevice());
  EXPECT_EQ(RunSlateway(u""), 0);
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);
}

TEST_F(ProgramStartup, AStartUpThatStopsEndsWithoutAWindowOrALoop) {
  ASSERT_TRUE(PrepareNewDevice());
  {
    platform::InjectFault(platform::Fault::ComInitialize);
    CProgram program;
    EXPECT_EQ(program.Start(u""), ProgramStart::Stopped);
    EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);
    ASSERT_EQ(platform::MessageBoxLog().size(), 1u);
    EXPECT_EQ(platform::MessageBoxLog()[0].text, u"Slateway could not start its system services.");
  }
  // A folder where the database belongs: one message says so (no new database is claimed),
  // nothing is made, and the program ends with 1. The database's name is what this is about.
  CPreferences().SetString(u"Database", u"Folder");
  CBstr folder;
  GetDatabaseFilePath(folder, true);
  CreateDirectoryW(folder.c_str(), nullptr);
  platform::ClearMessageBoxLog();
  EXPECT_EQ(RunSlateway(u""), 1);
  ASSERT_EQ(platform::MessageBoxLog().size(), 1u);
  EXPECT_EQ(platform::MessageBoxLog()[0].text, u"Slateway cannot start: " + folder.str() +
                                                   u" is a folder, where the database file belongs.  Nothing was "
                                                   u"created.  Move the folder away and start Slateway again.");
  EXPECT_TRUE(std::filesystem::is_empty(Linux(folder.str())));
  EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);
  EXPECT_EQ(platform::ComInitializeCount(), 0);
}

TEST_F(ProgramStartup, ADamagedDatabaseIsNamedWithWhatToDoAndKept) {
  ASSERT_TRUE(PrepareNewDevice());
  CBstr database;
  GetDatabaseFilePath(database, true);
  std::string bytes = ReadText(database.str());
  bytes.resize(bytes.size() / 3);  // cut short, as by a card taken out mid-copy
  WriteText(database.str(), bytes);
  MessageBoxScript boxes;
  boxes.Expect(u"The database " + database.str() +
               u" cannot be read: the file is damaged or is not a Slateway database. Move or rename the file and load "
               u"the items from the desktop again, or put back a saved copy of it.")
      .Caption(u"Slateway");
  EXPECT_EQ(RunSlateway(u""), 1);
  EXPECT_EQ(ReadText(database.str()), bytes);
  EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);
}

TEST_F(ProgramStartup, InstallationFlagsAreClearedOnlyOnceTheirWorkIsDone) {
  ASSERT_TRUE(PrepareNewDevice());
  SetRootDword(u"DBConvert4To5", 1);
  SetRootDword(u"Upgrading", 1);  // no settings file was left: nothing to import
  {
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    EXPECT_EQ(RootDword(u"DBConvert4To5"), 0u);
    EXPECT_EQ(RootDword(u"Upgrading"), 0u);
    EXPECT_TRUE(platform::MessageBoxLog().empty());
  }
  // The settings an installation kept are taken over silently, once.
  WriteText(u"\\Application Data\\VendelSoftware\\Slateway\\SlatewaySettings.oat",
            "<?xml version='1.0'?><VENDELSOFTWARE><SLATEWAY VERSION='4' EDITION='STANDARD' COUNTRY='US'><SETTINGS>"
            "<Preferences><LastSortType TYPE='D'>1</LastSortType></Preferences></SETTINGS></SLATEWAY></VENDELSOFTWARE>");
  SetRootDword(u"Upgrading", 1);
  {
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    EXPECT_EQ(program.GetMainFrame()->GetRegister()->GetSortKind(), kSortBalance);
    EXPECT_EQ(RootDword(u"Upgrading"), 0u);
  }
  // A database the installation carried over whose items table is a view cannot be
  // upgraded: the user is told, and the next start tries again.
  CBstr database;
  GetDatabaseFilePath(database, true);
  ASSERT_TRUE(std::filesystem::remove(Linux(database.str())));
  {
    struct Quiet : IDatabaseNotices {
      void Warning(UINT, std::u16string_view) override {}
      void Error(UINT, DWORD) override {}
    } quiet;
    CSqlDatabase old;
    old.SetNotices(&quiet);
    ASSERT_EQ(old.Open(database.str()), 0);
  }
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(Linux(database.str()).c_str(), &raw), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(raw, "DROP TABLE ItemsList; CREATE VIEW ItemsList AS SELECT * FROM CustomerList", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(raw);
  SetRootDword(u"DBConvert4To5", 1);
  MessageBoxScript boxes;
  boxes
      .Expect(u"The items database could not be converted to this version of Slateway. Your lists may be incomplete.")
      .Caption(u"Slateway");
  CProgram program;
  EXPECT_EQ(program.Start(u""), ProgramStart::Started);
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(RootDword(u"DBConvert4To5"), 1u);
}

TEST_F(ProgramStartup, TheCommandLineNamesADocumentUpToItsExtension) {
  EXPECT_EQ(CMainFrame::DocumentNameFromCommandLine(u"\\My Documents\\INV1.QVN extra"), u"\\My Documents\\INV1.QVN");
  EXPECT_EQ(CMainFrame::DocumentNameFromCommandLine(u"A.Q"), u"A.Q");
  EXPECT_EQ(CMainFrame::DocumentNameFromCommandLine(u""), u"");
  EXPECT_EQ(CMainFrame::DocumentNameFromCommandLine(std::u16string(400, u'x')).size(), 259u);
}

// The editor in front at close: its document is saved and opens again at the next start,
// with the items list when that was over it; a stored document that is gone is forgotten;
// a document named on the command line opens whatever view was stored.
TEST_F(ProgramStartup, TheEditorsDocumentComesBackAtTheNextStart) {
  ASSERT_TRUE(PrepareNewDevice());
  std::u16string path;
  {
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    CMainFrame* frame = program.GetMainFrame();
    ASSERT_EQ(frame->OpenSelectedDocument(0), 1);
    CSalesDocument& document = frame->GetEditor()->GetDocument();
    path = document.GetFilePath().str();
    document.SetAttribute(u"MEMO", CBstr(u"kept at close"));
    frame->GetEditor()->OpenItemList();
    ASSERT_TRUE(frame->GetEditor()->IsItemListVisible());
    SendMessageW(program.GetMainFrame()->GetHwnd(), WM_CLOSE, 0, 0);
    program.End();
  }
  CPreferences prefs;
  EXPECT_EQ(prefs.GetDword(u"LastView", 9), 2u);
  std::u16string stored;
  ASSERT_TRUE(prefs.GetString(u"LastInvoice", stored));
  EXPECT_EQ(stored, path);
  {
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    CDocumentView* editor = program.GetMainFrame()->GetEditor();
    EXPECT_TRUE(IsWindowVisible(editor->GetWindow()));
    EXPECT_TRUE(editor->IsItemListVisible());
    EXPECT_EQ(editor->GetDocument().GetFilePath().str(), path);
    EXPECT_EQ(editor->GetDocument().GetAttribute(u"MEMO").str(), u"kept at close");
    SendMessageW(program.GetMainFrame()->GetHwnd(), WM_CLOSE, 0, 0);
    program.End();
  }
  EXPECT_EQ(prefs.GetDword(u"LastView", 9), 2u);  // still open over the editor at close

  std::filesystem::remove(Linux(path));
  {
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    EXPECT_FALSE(IsWindowVisible(program.GetMainFrame()->GetEditor()->GetWindow()));
    SendMessageW(program.GetMainFrame()->GetHwnd(), WM_CLOSE, 0, 0);
    program.End();
  }
  EXPECT_EQ(prefs.GetDword(u"LastView", 9), 0u);
  std::u16string forgotten;
  ASSERT_TRUE(prefs.GetString(u"LastInvoice", forgotten));
  EXPECT_EQ(forgotten, u"");

  // Named on the command line, a document opens in the editor whatever view was stored.
  std::filesystem::path named;
  for (const auto& entry : std::filesystem::directory_iterator(Linux(mainwindow_test::kDocuments)))
    if (entry.path().extension() == ".QVN") named = entry.path();
  ASSERT_FALSE(named.empty());
  const std::u16string argument = std::u16string(mainwindow_test::kDocuments) + named.filename().u16string();
  CProgram program;
  ASSERT_EQ(program.Start(argument), ProgramStart::Started);
  CDocumentView* editor = program.GetMainFrame()->GetEditor();
  EXPECT_TRUE(IsWindowVisible(editor->GetWindow()));
  EXPECT_EQ(editor->GetDocument().GetFilePath().str(), argument);
  program.End();
}

// The header names the show and sort the register comes back with, and the row of the
// document the editor held is the one the register's commands act on.
TEST_F(ProgramStartup, TheRegisterComesBackNamedAsLeftAndDrawsTheRowItActsOn) {
  ASSERT_TRUE(PrepareNewDevice());
  auto text = [](HWND button) {
    WCHAR buffer[32] = {};
    GetWindowTextW(button, buffer, 32);
    return std::u16string(buffer);
  };
  std::u16string opened;
  {
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    CMainFrame* frame = program.GetMainFrame();
    UiScript ui;
    ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Invoices"); });
    frame->OnShowButton();
    ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Customer"); });
    frame->OnSortButton();
    // Ended over the editor: the next start shows the document again.
    ASSERT_GE(frame->GetRegister()->GetRowCount(), 2);
    platform::testing::ListViewDriver(frame->GetRegister()->GetHwnd()).Tap(1);
    opened = frame->GetEditor()->GetDocument().GetFileName().str();
    SendMessageW(frame->GetHwnd(), WM_CLOSE, 0, 0);
    program.End();
  }
  CProgram program;
  ASSERT_EQ(program.Start(u""), ProgramStart::Started);
  CMainFrame* frame = program.GetMainFrame();
  EXPECT_EQ(text(frame->GetHeaderBar()->GetShowButton()), u"Invoices");
  EXPECT_EQ(text(frame->GetHeaderBar()->GetSortButton()), u"Customer");

  // The editor left: the row the menu's commands act on is the document's, drawn selected.
  CDocumentView* editor = frame->GetEditor();
  ASSERT_TRUE(IsWindowVisible(editor->GetWindow()));
  SendMessageW(editor->GetWindow(), WM_COMMAND, IDOK, 0);
  platform::PumpMessages();
  ASSERT_FALSE(IsWindowVisible(editor->GetWindow()));
  CRegisterList* list = frame->GetRegister();
  const int mark = list->GetSelectionMark();
  ASSERT_GE(mark, 0);
  std::u16string file;
  ASSERT_TRUE(list->GetRowFileName(mark, file));
  EXPECT_EQ(file + u".QVN", opened);
  int selectedRows = 0;
  for (int row = 0; row < list->GetRowCount(); ++row)
    selectedRows += SendMessageW(list->GetHwnd(), LVM_GETITEMSTATE, row, LVIS_SELECTED) == LVIS_SELECTED;
  EXPECT_EQ(selectedRows, 1);
  EXPECT_EQ(SendMessageW(list->GetHwnd(), LVM_GETITEMSTATE, mark, LVIS_SELECTED), LVIS_SELECTED);
  SendMessageW(frame->GetHwnd(), WM_CLOSE, 0, 0);
  program.End();
}

// The zoom and fit chosen are the page's at the next start too, and the menu's choices
// there start from what the page shows.
TEST_F(ProgramStartup, ThePageKeepsItsZoomAndFitAcrossARestartAndTheMenuKnowsThem) {
  ASSERT_TRUE(PrepareNewDevice());
  auto page = [](CProgram& program) {
    return dynamic_cast<const CHtmlView*>(program.GetMainFrame()->GetEditor()->GetDocument().GetView());
  };
  auto command = [](CProgram& program, int id) {
    SendMessageW(program.GetMainFrame()->GetEditor()->GetWindow(), WM_COMMAND, id, 0);
  };
  {
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    platform::testing::ListViewDriver(program.GetMainFrame()->GetRegister()->GetHwnd()).Tap(2);
    command(program, IDM_ZOOM3);
    command(program, IDM_FIT_TO_SCREEN);
    ASSERT_NE(page(program), nullptr);
    EXPECT_EQ(page(program)->GetZoomLevel(), 3);
    EXPECT_FALSE(page(program)->GetFitToScreen());
    SendMessageW(program.GetMainFrame()->GetHwnd(), WM_CLOSE, 0, 0);
    program.End();
  }
  CProgram program;
  ASSERT_EQ(program.Start(u""), ProgramStart::Started);
  ASSERT_NE(page(program), nullptr);
  EXPECT_EQ(page(program)->GetZoomLevel(), 3);
  EXPECT_FALSE(page(program)->GetFitToScreen());
  command(program, IDM_ZOOM_NEXT);
  EXPECT_EQ(page(program)->GetZoomLevel(), 4) << "the next zoom after the page's own";
  command(program, IDM_FIT_TO_SCREEN);
  EXPECT_TRUE(page(program)->GetFitToScreen());
  SendMessageW(program.GetMainFrame()->GetHwnd(), WM_CLOSE, 0, 0);
  program.End();
}

// A German device's pages look the same after a restart, the one the editor held included.
TEST_F(ProgramStartup, AGermanDevicesPagesLookTheSameAfterARestart) {
  ASSERT_TRUE(platform::SetLocaleProfile(u"de-DE"));
  ASSERT_TRUE(PrepareNewDevice());
  // Starts, dumps the held page, then the first four documents' (the last is held at the end).
  auto run = [](std::string& held) {
    std::vector<std::string> dumps;
    CProgram program;
    if (program.Start(u"") != ProgramStart::Started) return dumps;
    CMainFrame* frame = program.GetMainFrame();
    auto dump = [&] {
      auto* view = dynamic_cast<const CHtmlView*>(frame->GetEditor()->GetDocument().GetView());
      return view ? platform::HtmlPageDump(view->GetControl()) : std::string();
    };
    held = dump();
    for (int row = 0; row < 4; ++row) {
      EXPECT_EQ(frame->OpenSelectedDocument(row), 1) << row;
      dumps.push_back(dump());
    }
    SendMessageW(frame->GetHwnd(), WM_CLOSE, 0, 0);
    program.End();
    return dumps;
  };
  std::string held;
  const std::vector<std::string> before = run(held);
  const std::vector<std::string> after = run(held);
  ASSERT_EQ(before.size(), 4u);
  for (const std::string& page : before) EXPECT_FALSE(page.empty());
  EXPECT_EQ(held, before.back()) << "the document the editor held, at the next start";
  EXPECT_EQ(after, before);
  RegionalSettings().Reset();
}

// The view is stored as it changes: a program ended without a close starts again on the
// document its editor held, a closed editor leaves the register; closing the window over
// the editor closes the program on that document.
TEST_F(ProgramStartup, TheLastViewIsKeptWithoutACloseAndByTheEditorsWindowClose) {
  ASSERT_TRUE(PrepareNewDevice());
  CPreferences prefs;
  auto view = [&prefs] { return prefs.GetDword(u"LastView", 9); };
  auto document = [&prefs] {
    std::u16string stored;
    prefs.GetString(u"LastInvoice", stored);
    return stored;
  };
  std::u16string path;
  {
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    CMainFrame* frame = program.GetMainFrame();
    CDocumentView* editor = frame->GetEditor();
    ASSERT_EQ(frame->OpenSelectedDocument(1), 1);
    path = editor->GetDocument().GetFilePath().str();
    EXPECT_EQ(view(), 1u);
    EXPECT_EQ(document(), path);
    SendMessageW(editor->GetWindow(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(view(), 0u);
    EXPECT_EQ(document(), u"");
    SendMessageW(frame->GetHwnd(), WM_COMMAND, IDM_NEW_ESTIMATE, 0);
    const std::u16string fresh = editor->GetDocument().GetFilePath().str();
    EXPECT_EQ(document(), fresh);
    EXPECT_FALSE(std::filesystem::exists(Linux(fresh)));
    // What a killed program would leave behind.
    ASSERT_EQ(frame->OpenSelectedDocument(1), 1);
    EXPECT_EQ(view(), 1u);
    EXPECT_EQ(document(), path);
    program.End();
  }
  {
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    CDocumentView* editor = program.GetMainFrame()->GetEditor();
    ASSERT_TRUE(IsWindowVisible(editor->GetWindow()));
    EXPECT_EQ(editor->GetDocument().GetFilePath().str(), path);
    editor->GetDocument().SetAttribute(u"MEMO", CBstr(u"kept"));
    PostMessageW(editor->GetWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(program.Run(), 0);
  }
  EXPECT_EQ(view(), 1u);
  EXPECT_EQ(document(), path);
  EXPECT_NE(ReadText(path).find("kept"), std::string::npos);
}

// A document named on the command line that is no file is told to the user by its name and
// offered for nothing; the register shows.
TEST_F(ProgramStartup, ACommandLineNameThatIsNoFileIsToldAndLeftAlone) {
  ASSERT_TRUE(PrepareNewDevice());
  MessageBoxScript boxes;
  boxes.Expect(u"The document '--help' could not be found.").Caption(u"Slateway").Style(MB_OK | MB_ICONEXCLAMATION);
  CProgram program;
  ASSERT_EQ(program.Start(u"--help"), ProgramStart::Started);
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_FALSE(IsWindowVisible(program.GetMainFrame()->GetEditor()->GetWindow()));
  program.End();
}

TEST_F(ProgramStartup, CustomersComeFromTheContactsWhenTheUserChoseThem) {
  ASSERT_TRUE(PrepareNewDevice());
  for (bool contacts : {false, true}) {
    CPreferences().SetUseOutlook(contacts);  // contacts mode or not, which imported settings bring: what this is about
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    CCustomerSource* source = program.GetMainFrame()->GetCustomerSource();
    EXPECT_EQ(dynamic_cast<CContactsSource*>(source) != nullptr, contacts);
    EXPECT_EQ(dynamic_cast<CQBCustomerSource*>(source) != nullptr, !contacts);
    program.End();
  }
  CPreferences().SetUseOutlook(false);
}

}  // namespace
