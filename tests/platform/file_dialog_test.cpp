// The open and save dialogs, scripted: folders entered by a tap, files by filter, names
// completed with the default extension, a replacement asked about, the platform's own
// files kept out of sight, a double tap on a file taking it.
#include "platform/kernel/Files.h"
#include "platform/shell/FileDialogs.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/UiScript.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::UiScript;

class FileDialogs : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    WriteText(u"\\My Documents\\Inv 1.QVN", "x");
    WriteText(u"\\My Documents\\Notes.txt", "x");
    WriteText(u"\\My Documents\\Old.HTM", "x");
    WriteText(u"\\Top.QVN", "x");
    m_ofn.lpstrFile = m_file;
    m_ofn.nMaxFile = MAX_PATH;
  }
  WCHAR m_file[MAX_PATH] = {};
  OPENFILENAMEW m_ofn;
};

TEST_F(FileDialogs, OpenListsTheFilterSFilesAndEntersAFolder) {
  m_ofn.lpstrFilter = u"QVN Documents (*.QVN)\0*.QVN\0All (*.*)\0*.*\0";
  m_ofn.Flags = OFN_FILEMUSTEXIST;
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) {
    EXPECT_EQ(d.Caption(), u"Open");
    EXPECT_EQ(d.Rows(kFileDialogList), (std::vector<std::u16string>{u"[My Documents]", u"Top.QVN"}));
    d.TapAt(kFileDialogList, 5, 5);  // the folder row
    EXPECT_EQ(d.Rows(kFileDialogList), (std::vector<std::u16string>{u"[..]", u"Inv 1.QVN"}));
    d.Choose(kFileDialogType, 1);
    EXPECT_EQ(d.Rows(kFileDialogList).size(), 4u);
    d.TypeInto(kFileDialogName, u"Missing.QVN");
    d.Ok();  // refused: the file must exist
  });
  ui.ExpectMessageBox(u"\\My Documents\\Missing.QVN\nFile not found.", IDOK);
  ui.ExpectDialog(0, [](DialogDriver& d) {
    d.TypeInto(kFileDialogName, u"Notes.txt");
    d.Ok();
  });
  ASSERT_TRUE(GetOpenFileNameW(&m_ofn));
  EXPECT_EQ(std::u16string(m_file), u"\\My Documents\\Notes.txt");
  EXPECT_EQ(m_ofn.nFileOffset, 14);
  EXPECT_EQ(m_ofn.nFileExtension, 20);
}

TEST_F(FileDialogs, SaveAddsTheExtensionAndAsksBeforeReplacing) {
  m_ofn.lpstrFilter = u"Invoices (*.HTM)\0*.HTM\0";
  m_ofn.lpstrDefExt = u"HTM";
  m_ofn.lpstrTitle = u"Export As";
  m_ofn.lpstrInitialDir = u"\\My Documents";
  m_ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) {
    EXPECT_EQ(d.Caption(), u"Export As");
    d.TypeInto(kFileDialogName, u"Old");
    d.Ok();
  });
  ui.ExpectMessageBox(u"\\My Documents\\Old.HTM already exists.\nDo you want to replace it?", IDNO);
  ui.ExpectDialog(0, [](DialogDriver& d) { d.Cancel(); });
  EXPECT_FALSE(GetSaveFileNameW(&m_ofn));
  EXPECT_EQ(CommDlgExtendedError(), 0u);

  ui.ExpectDialog(0, [](DialogDriver& d) {
    d.TypeInto(kFileDialogName, u"New");
    d.Ok();
  });
  m_ofn.nMaxFile = 10;  // too small for the path
  EXPECT_FALSE(GetSaveFileNameW(&m_ofn));
  EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
}

TEST_F(FileDialogs, SaveAsListsOnlyTheUsersFoldersAndTakesItsOkByPen) {
  WriteText(u"\\.platform\\ipc\\state", "x");
  WriteText(u"\\.Top.QVN.tmp-abcdef", "x");
  m_ofn.lpstrFilter = u"QVN Documents (*.QVN)\0*.QVN\0";
  m_ofn.lpstrDefExt = u"QVN";
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) {
    EXPECT_EQ(d.Caption(), u"Save As");
    EXPECT_EQ(d.Rows(kFileDialogList), (std::vector<std::u16string>{u"[My Documents]", u"Top.QVN"}));
    EXPECT_TRUE(d.IsVisible(IDOK) && d.IsVisible(IDCANCEL));
    d.TypeInto(kFileDialogName, u"Copy");
    d.Ok();
  });
  ASSERT_TRUE(GetSaveFileNameW(&m_ofn));
  EXPECT_EQ(std::u16string(m_file), u"\\Copy.QVN");
}

TEST_F(FileDialogs, ADoubleTapOnAFileOpensIt) {
  m_ofn.lpstrFilter = u"QVN Documents (*.QVN)\0*.QVN\0";
  m_ofn.lpstrInitialDir = u"\\My Documents";
  m_ofn.Flags = OFN_FILEMUSTEXIST;
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) {
    platform::testing::ListViewDriver list = d.ListView(kFileDialogList);
    list.Tap(0);  // "[..]": up to the root
    list.Tap(0);  // "[My Documents]" there: not a double tap but a folder entered
    EXPECT_EQ(d.Rows(kFileDialogList), (std::vector<std::u16string>{u"[..]", u"Inv 1.QVN"}));
    list.Tap(1).Tap(1);
  });
  ASSERT_TRUE(GetOpenFileNameW(&m_ofn));
  EXPECT_EQ(std::u16string(m_file), u"\\My Documents\\Inv 1.QVN");
}

}  // namespace
