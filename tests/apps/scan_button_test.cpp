// The scan button on a device the installer made: the shell's application buttons are
// there for Options to list, and the one chosen there starts the scanner on the open
// document's page, never on a document the editor holds out of sight.
#include <filesystem>
#include <fstream>

#include "../core/FieldFormTyping.h"
#include "core/Preferences.h"
#include "core/WindowMessages.h"
#include "customers/OptionsSheet.h"
#include "devices/InputDevice.h"
#include "document/SalesDocument.h"
#include "document/XmlDocument.h"
#include "editor/DocumentView.h"
#include "editor/EditorDialogs.h"
#include "mainwindow/MainFrame.h"
#include "mainwindow/Program.h"
#include "platform/testing/UiScript.h"
#include "platform/testing/Eventually.h"
#include "resources/resource_ids.h"
#include "tests/apps/InstallerFixture.h"

namespace {

using platform::testing::DialogDriver;
namespace fs = std::filesystem;

class ScanButton : public installer_test::InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    // The program starts for real: its language library, page and lists come from the build.
    for (const char* name : {"QVNLANGUAGE.DLL", "Slateway.htm", "SlatewaySample.db"})
      fs::copy_file(fs::path(SLATEWAY_BIN_FOLDER) / name, source / name, fs::copy_options::overwrite_existing);
  }
  // A scan: one line written into the scanner's device file.
  void Scan(const char* code) { std::ofstream(Linux(u"\\Windows\\Scanner.txt"), std::ios::app) << code << "\n"; }
  // The names of the open document's lines once `count` of them are there (or time is up).
  std::u16string LinesWhenThereAre(CSalesDocument& document, LONG count) {
    platform::testing::Eventually([&] {
      platform::PumpMessages();
      return document.GetXmlDocument().CountElements(u"LINEITEM") >= count;
    });
    std::u16string names;
    CLineItemTexts line;
    for (LONG i = 0; document.GetXmlDocument().ReadLineItemAt(i, &line); ++i) names += line.name.str() + u";";
    return names;
  }
  // True once a scan's message waits for `window` (false when time is up).
  bool ScanWaitsFor(HWND window) {
    MSG msg;
    return platform::testing::Eventually([&] { return PeekMessageW(&msg, window, kMsgScanData, kMsgScanData, PM_NOREMOVE); });
  }
};

TEST_F(ScanButton, OptionsListsTheDevicesButtonsAndTheChosenOneStartsTheScanner) {
  ASSERT_TRUE(Install(true));
  WriteText(u"\\Windows\\Scanner.txt", "");  // the device's scanner
  fs::create_directories(Linux(u"\\My Documents"));  // and its documents folder, where Done saves
  CProgram program;
  ASSERT_EQ(program.Start(u""), ProgramStart::Started);
  CMainFrame* frame = program.GetMainFrame();
  {
    platform::testing::UiScript ui;
    ui.ExpectDialog(IDD_TABBED_FORM, [](DialogDriver& d) {
      HWND page = slateway::testing::ShowTabPage(d, IDC_TAB_CONTROL, COptionsSheet::kBarCodes);
      slateway::testing::ChooseInField(d, page, 0, u"Socket");
      slateway::testing::ChooseInField(d, page, 1, u"Button 2 (Contacts)");
      EXPECT_EQ(SendMessageW(CFieldForm::FromHandle(page)->EditorWindow(), CB_GETCOUNT, 0, 0), 8);
      d.Ok();
    });
    SendMessageW(frame->GetHwnd(), kMsgOptions, 0, 0);
    EXPECT_EQ(ui.Pending(), 0u);
  }
  std::u16string button;
  EXPECT_TRUE(CPreferences().GetString(u"Button1", button));
  EXPECT_EQ(button, u"Button 2");
  ASSERT_NE(frame->GetScanner(), nullptr);

  // New asks nothing about the document the editor holds out of sight, whatever the sheet
  // applied to it (an unexpected dialog fails the test).
  SendMessageW(frame->GetHwnd(), kMsgNewInvoice, 0, 0);
  platform::PumpMessages();
  CSalesDocument& invoice = frame->GetEditor()->GetDocument();
  Scan("Spade");  // not a scan: the scanner has not started
  platform::PressKey(194);
  platform::PumpMessages();
  Scan("Rake");
  EXPECT_EQ(LinesWhenThereAre(invoice, 1), u"Rake;");

  // A scan that comes once Done has left the editor, its trigger pulled before, is no line
  // of the document out of sight.
  HWND editor = frame->GetEditor()->GetWindow();
  platform::PressKey(194);
  platform::PumpMessages();
  SendMessageW(editor, WM_COMMAND, IDOK, 0);
  ASSERT_FALSE(IsWindowVisible(editor));
  Scan("Rake");
  EXPECT_TRUE(ScanWaitsFor(editor));
  platform::PumpMessages();
  EXPECT_EQ(LinesWhenThereAre(invoice, 1), u"Rake;");
  EXPECT_FALSE(invoice.IsModified());
  program.End();
  EXPECT_EQ(boxes.Pending(), 0u);
}

}  // namespace
