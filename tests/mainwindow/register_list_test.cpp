// The register list on a window: loading a folder, aborting, unreadable files, reloads
// asked for during a load, rows added and removed, and the number check of numbering.
#include <gtest/gtest.h>

#include <vector>

#include "core/Folders.h"
#include "core/Preferences.h"
#include "core/UiMetrics.h"
#include "document/SalesDocument.h"
#include "document/XmlDocument.h"
#include "mainwindow/RegisterList.h"
#include "platform/testing/MessageBoxScript.h"
#include "tests/mainwindow/MainWindowFixture.h"

namespace {

using platform::testing::MessageBoxScript;

class RegisterList : public mainwindow_test::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    InitCommonControls();
    WNDCLASSW wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"RegisterOwner";
    RegisterClassW(&wc);
    m_owner = CreateWindowExW(0, u"RegisterOwner", u"", WS_VISIBLE, 0, 0, 240, 300, nullptr, nullptr, nullptr, nullptr);
    m_list = std::make_unique<CRegisterList>(nullptr, m_owner, nullptr);
    ASSERT_NE(m_list->Create(kSortNumber, kShowAllDocuments, true), nullptr);
  }
  void TearDown() override {
    m_list.reset();
    DestroyWindow(m_owner);
    MainWindowTest::TearDown();
  }
  void WriteInvoices(int count) {
    for (int i = 1; i <= count; ++i) {
      const std::string n = std::to_string(i);
      WriteDocument(u"INV" + platform::ToUtf16(n) + u".QVN", "VERSION=\"4\" DOCTYPE=\"INVOICE\" ID=\"" + n + "\"",
                    "<FULLNAME>Customer " + n + "</FULLNAME>", n + ".00");
    }
  }
  std::vector<std::u16string> Numbers() const {
    std::vector<std::u16string> numbers;
    for (int i = 0; i < m_list->GetRowCount(); ++i) numbers.push_back(m_list->GetRowRecord(i)->number);
    return numbers;
  }

  HWND m_owner = nullptr;
  std::unique_ptr<CRegisterList> m_list;
};

TEST_F(RegisterList, LoadsTheFolderSortedAndStopsWhenAborted) {
  m_list->Load(false, false, {}, nullptr);
  EXPECT_EQ(m_list->GetRowCount(), 0);  // no folder, no rows
  EXPECT_TRUE(m_list->IsLoaded());
  WriteInvoices(12);
  m_list->Reload(false, true, {}, nullptr);
  ASSERT_EQ(m_list->GetRowCount(), 12);
  EXPECT_EQ(Numbers().front(), u"1");
  EXPECT_EQ(Numbers().back(), u"12");
  m_list->Sort(false, kSortNumber);
  EXPECT_EQ(Numbers().front(), u"12");

  int steps = 0;
  std::vector<std::u16string> texts;
  m_list->Reload(false, false,
                 [&](std::u16string_view text) {
                   texts.emplace_back(text);
                   return ++steps <= 4;
                 },
                 nullptr);
  EXPECT_EQ(m_list->GetRowCount(), 4);
  EXPECT_EQ(texts[0], u"Loading.  ");
  EXPECT_EQ(texts[2], u"Loading...");
}

TEST_F(RegisterList, AnUnreadableFileIsOfferedForTheDeletedFolderAndTheLoadGoesOn) {
  WriteInvoices(3);
  WriteText(u"\\My Documents\\BAD.QVN", "not a document");
  WriteText(u"\\My Documents\\WORSE.QVN", "<?xml version=\"1.0\"?><SALESDOCUMENT");
  MessageBoxScript boxes;
  boxes.ExpectAny().Caption(u"Slateway").Answer(IDYES);
  boxes.ExpectAny().Caption(u"Slateway").Answer(IDNO);
  m_list->Load(false, false, {}, nullptr);
  EXPECT_EQ(m_list->GetRowCount(), 3);
  ASSERT_EQ(boxes.Shown().size(), 2u);
  for (const auto& box : boxes.Shown())
    EXPECT_TRUE(box.text.ends_with(u" Would you like to move it to the deleted folder?")) << platform::ToUtf8(box.text);
  CBstr deleted;
  GetDeletedFolder(deleted);
  // One file went (Yes), the other stayed (No).
  int moved = 0, kept = 0;
  for (const char16_t* name : {u"BAD.QVN", u"WORSE.QVN"}) {
    moved += std::filesystem::exists(Linux(deleted.str() + name));
    kept += std::filesystem::exists(Linux(std::u16string(mainwindow_test::kDocuments) + name));
  }
  EXPECT_EQ(moved, 1);
  EXPECT_EQ(kept, 1);
}

// A file the deleted folder cannot take is said to stay where it is.
TEST_F(RegisterList, AMoveToTheDeletedFolderThatFailsSaysSo) {
  const std::u16string bad = std::u16string(mainwindow_test::kDocuments) + u"BAD.QVN";
  WriteText(bad, "not a document");
  CBstr deleted;
  GetDeletedFolder(deleted);
  std::u16string blocker = deleted.str();
  if (blocker.ends_with(u'\\')) blocker.pop_back();
  WriteText(blocker, "a file where the deleted folder belongs");
  ASSERT_TRUE(LoadResourceLibrary());  // as the program's start does: the message is the library's
  MessageBoxScript boxes;
  boxes.ExpectAny().Caption(u"Slateway").Answer(IDYES);
  boxes.Expect(u"The file " + bad + u" could not be moved to the deleted folder. It stays where it is.")
      .Style(MB_ICONEXCLAMATION);
  m_list->Load(false, false, {}, nullptr);
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(ReadText(bad), "not a document");
}

// A folder large enough to be read ahead on worker threads gives the rows, the questions
// and the stops of a file-by-file read.
TEST_F(RegisterList, ALargeFolderReadAheadGivesWhatAFileByFileReadGives) {
  WriteInvoices(40);
  WriteText(u"\\My Documents\\BAD.QVN", "not a document");
  WriteText(u"\\My Documents\\WORSE.QVN", "<?xml version=\"1.0\"?><SALESDOCUMENT");
  WriteDocument(u"MEMO.QVN", "VERSION=\"4\" DOCTYPE=\"MEMORIZED\" ID=\"M1\"");
  WriteDocument(u"UNDATED.QVN", "VERSION=\"4\" DOCTYPE=\"PAYMENT\" ID=\"P1\" PAYAMOUNT=\"$7.50\"");
  MessageBoxScript boxes;
  boxes.ExpectAny().Answer(IDNO);
  boxes.ExpectAny().Answer(IDNO);
  m_list->Load(false, false, {}, nullptr);
  ASSERT_EQ(m_list->GetRowCount(), 41) << "the memorized document is not shown, the unreadable ones give no row";
  ASSERT_EQ(boxes.Shown().size(), 2u);
  EXPECT_NE(boxes.Shown()[0].text.find(u"BAD.QVN"), std::u16string::npos) << "asked in the folder's order";
  EXPECT_NE(boxes.Shown()[1].text.find(u"WORSE.QVN"), std::u16string::npos);

  CXmlDocument xml(nullptr);
  const CRegisterOptions options = CRegisterOptions::Read();
  for (int i = 0; i < m_list->GetRowCount(); ++i) {
    const CRegisterRow& row = *m_list->GetRowRecord(i);
    CRegisterRow alone;
    std::u16string error;
    ASSERT_EQ(ReadRegisterRow(xml, std::u16string(mainwindow_test::kDocuments) + row.fileName + u".QVN",
                              kShowAllDocuments, options, alone, error),
              RowReadResult::Row);
    EXPECT_EQ(std::tie(row.name, row.number, row.date, row.amount, row.type, row.complete, row.marks),
              std::tie(alone.name, alone.number, alone.date, alone.amount, alone.type, alone.complete, alone.marks))
        << platform::ToUtf8(row.fileName);
  }

  boxes.ExpectAny().Answer(IDNO);
  int steps = 0;
  m_list->Reload(false, false, [&](std::u16string_view) { return ++steps <= 30; }, nullptr);
  EXPECT_EQ(m_list->GetRowCount(), 29) << "30 files read before the stop: BAD.QVN and 29 invoices";
  EXPECT_EQ(boxes.Shown().size(), 3u);
}

TEST_F(RegisterList, AReloadAskedForDuringALoadRunsAfterItAndNeverDoublesRows) {
  WriteInvoices(5);
  bool nested = false;
  m_list->Load(false, false,
               [&](std::u16string_view) {
                 if (!nested) {
                   nested = true;
                   WriteInvoices(6);  // a document saved meanwhile
                   m_list->Reload(false, false, {}, nullptr);
                 }
                 return true;
               },
               nullptr);
  EXPECT_EQ(m_list->GetRowCount(), 6);
}

TEST_F(RegisterList, RowsAreAddedUpdatedFoundAndDeleted) {
  WriteInvoices(2);
  m_list->Load(false, false, {}, nullptr);
  const int added = m_list->AddRow(u"New Customer", u"$7.50", u"no", u"", u"\\My Documents\\Est5.qvn", u"3/10/2026",
                                   u"5", 1, 0);
  ASSERT_GE(added, 0);
  const CRegisterRow* row = m_list->GetRowRecord(added);
  EXPECT_EQ(row->fileName, u"Est5");  // its own case, the extension dropped in any case
  EXPECT_EQ(row->amount, u"7.50");
  EXPECT_EQ(m_list->GetSelectionMark(), added);
  EXPECT_EQ(m_list->GetSelectedType(), 1);

  // The number check: exact text, same type only.
  EXPECT_TRUE(m_list->IsNumberInUse(u"5", 1));
  EXPECT_FALSE(m_list->IsNumberInUse(u"5", 0));
  EXPECT_TRUE(m_list->IsNumberInUse(u"2", 0));
  m_list->AddRow(u"", u"", u"", u"", u"INVa.QVN", u"", u"a", 0, 0);
  EXPECT_FALSE(m_list->IsNumberInUse(u"A", 0));

  m_list->UpdateRow(row, u"Renamed", u"1.00", u"3/11/2026", u"0", u"YES", u"no", u"YES", true);
  EXPECT_EQ(row->marks, kRowMarkSigned | kRowMarkPaid);
  EXPECT_EQ(m_list->GetSelectionMark(), m_list->FindRow(row));
  EXPECT_EQ(m_list->GetRowRecord(m_list->FindRow(row))->number, u"0");
  EXPECT_TRUE(m_list->DeleteRowByRecord(row));
  EXPECT_EQ(m_list->FindRow(row), -1);
  EXPECT_EQ(m_list->GetRowCount(), 3);
  EXPECT_FALSE(m_list->DeleteRow(99));
}

// A selected row's marks take its text colour: nothing in its text columns is drawn
// black on the highlight, and the paid mark shows in the highlight text colour.
TEST_F(RegisterList, MarksOnTheSelectedRowTakeItsTextColour) {
  // The marks' pictures come from the language library, which the program loads first.
  m_list.reset();
  ASSERT_TRUE(LoadResourceLibrary());
  m_list = std::make_unique<CRegisterList>(nullptr, m_owner, nullptr);
  ASSERT_NE(m_list->Create(kSortNumber, kShowAllDocuments, true), nullptr);
  m_list->Load(false, false, {}, nullptr);
  const int added = m_list->AddRow(u"Paid", u"$7.50", u"no", u"", u"INV7.QVN", u"3/10/2026", u"7", 0, 0);
  ASSERT_GE(added, 0);
  const CRegisterRow* record = m_list->GetRowRecord(added);
  m_list->UpdateRow(record, u"Paid", u"7.50", u"3/10/2026", u"7", u"YES", u"YES", u"YES", true);
  HWND list = m_list->GetHwnd();
  const int textRight = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0)) +
                        static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
  const int height = m_list->GetRowHeight();
  CMemoryDC dc = CMemoryDC::CompatibleWith(nullptr);
  CGdiObject<HBITMAP> picture(CreateCompatibleBitmap(dc.get(), textRight + 40, height));
  CSelectObjectScope keep(dc.get(), picture.get());
  DRAWITEMSTRUCT item{};
  item.itemID = static_cast<UINT>(m_list->FindRow(record));
  item.itemState = ODS_SELECTED;
  item.hDC = dc.get();
  item.rcItem = RECT{0, 0, textRight + 40, height};
  item.itemData = reinterpret_cast<ULONG_PTR>(record);
  m_list->OnDrawItem(item);
  int black = 0, ink = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < textRight; ++x) {
      const COLORREF c = GetPixel(dc.get(), x, y);
      black += c == RGB(0, 0, 0);
      // The paid mark: three mark widths from the amount column's end, on the second line.
      ink += c == GetSysColor(COLOR_HIGHLIGHTTEXT) && x >= textRight - 3 * GetUiMetric(34) &&
             x < textRight - 2 * GetUiMetric(34) && y >= height / 2;
    }
  }
  EXPECT_EQ(black, 0);
  EXPECT_GT(ink, 0);
}

}  // namespace

// A row too narrow for its title shortens the type caption: the number, which tells the
// documents apart, is drawn whole.
TEST_F(RegisterList, ARowTooNarrowForItsTitleKeepsTheNumberWhole) {
  m_list->Layout();
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 240, 40);
  HGDIOBJ old = SelectObject(dc, bitmap);
  auto draw = [&](const char16_t* number) {
    CRegisterRow row;
    row.type = kDocSalesOrder;
    row.number = number;
    row.date = u"12/30/2026";
    row.name = u"Hallett, Owen";
    row.amount = u"1,234.00";
    DRAWITEMSTRUCT item{};
    item.hDC = dc;
    item.rcItem = RECT{0, 0, 240, 40};
    item.itemData = reinterpret_cast<ULONG_PTR>(&row);
    m_list->OnDrawItem(item);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 240; ++x) pixels.push_back(GetPixel(dc, x, y));
    return pixels;
  };
  const std::vector<COLORREF> first = draw(u"100045");
  EXPECT_NE(first, draw(u"100047")) << "the last digit is seen";
  EXPECT_EQ(first, draw(u"100045"));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}
