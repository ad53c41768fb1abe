// The editor screen driven as a user would: Done with and without changes, the
// save-changes answers, memorizing, signing on the signature bar, the toolbar and Edit
// menu following the history, and the logo picker.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../document/SalesDocumentFixture.h"
#include "core/MenuBar.h"
#include "core/MenuHelpers.h"
#include "core/Preferences.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "devices/InputDevice.h"
#include "editor/DocumentView.h"
#include "editor/EditCommand.h"
#include "editor/EditorDialogs.h"
#include "editor/LogoPickerDlg.h"
#include "editor/SignatureCommand.h"
#include "editor/SignatureStrokes.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Menu.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::UiScript;

CCommandProcessor* g_history = nullptr;
std::vector<UINT>* g_mainMessages = nullptr;

// The main window as the editor sees it: it keeps the history and records requests.
LRESULT MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kMsgEditCommand) return HandleEditCommandMessage(*g_history, wParam, lParam);
  if (msg >= 1100 && msg < 1200 && g_mainMessages) g_mainMessages->push_back(msg);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

class DocumentView : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    InitCommonControls();  // as the program's start-up does
    InstallServices();
    m_folder = MakeFolders();
    WNDCLASSW wc{};
    wc.lpfnWndProc = MainProc;
    wc.lpszClassName = u"TestMainWindow";
    RegisterClassW(&wc);
    main = CreateWindowExW(0, u"TestMainWindow", u"", WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                           GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, nullptr, nullptr);
    g_history = &history;
    g_mainMessages = &mainMessages;
    editor = std::make_unique<CDocumentView>(nullptr, main, &history, nullptr, nullptr, m_settings.get());
    history.AddListener(editor->GetWindow());
  }
  void TearDown() override {
    history.Clear();
    editor.reset();
    DestroyMenuBar();
    DestroyWindow(main);
    g_history = nullptr;
    g_mainMessages = nullptr;
    SalesDocumentTest::TearDown();
  }

  // The golden invoice opened from the documents folder and shown.
  CSalesDocument& OpenInvoice() {
    path = m_folder.str() + u"\\invoice.QVN";
    std::filesystem::copy_file(std::filesystem::path(SLATEWAY_DOCUMENT_TEST_DATA) / "golden" / "invoice.QVN",
                               Linux(path), std::filesystem::copy_options::overwrite_existing);
    EXPECT_TRUE(editor->GetDocument().Open(path));
    editor->ShowView(-1);
    return editor->GetDocument();
  }
  std::string FileText() {
    std::ifstream in(Linux(editor->GetDocument().GetFilePath().str()), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Command(int id) { SendMessageW(editor->GetWindow(), WM_COMMAND, id, 0); }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  void ChangeNotes() {
    editor->GetDocument().SetAttribute(u"NOTES", CBstr(u"changed"));
    editor->GetDocument().SetModified(true);
  }

  CBstr m_folder;
  std::u16string path;
  HWND main = nullptr;
  CCommandProcessor history{kDocumentHistoryDepth};
  std::vector<UINT> mainMessages;
  std::unique_ptr<CDocumentView> editor;
};

TEST_F(DocumentView, DoneWithoutChangesAsksNothing) {
  OpenInvoice();
  EXPECT_TRUE(IsWindowVisible(editor->GetWindow()));
  EXPECT_NE(editor->GetMenuBar(), nullptr);
  UiScript ui;  // any dialog would fail the test
  Command(editor_cmd::kDone);
  EXPECT_FALSE(IsWindowVisible(editor->GetWindow()));
}

TEST_F(DocumentView, DoneWithChangesFollowsTheAnswer) {
  CSalesDocument& doc = OpenInvoice();
  const std::string before = FileText();
  for (INT_PTR answer : {CSaveChangesDlg::kCancel, CSaveChangesDlg::kDiscard, CSaveChangesDlg::kSave}) {
    editor->ShowView(-1);
    ChangeNotes();
    UiScript ui;
    ui.ExpectDialog(IDD_SAVE_CHANGES, [&](DialogDriver& d) {
      d.Press(1234);  // not an answer: the question stays
      EXPECT_TRUE(IsWindow(d.Window()));
      d.Press(static_cast<int>(answer));
    });
    Command(editor_cmd::kDone);
    EXPECT_EQ(ui.Pending(), 0u);
    EXPECT_EQ(IsWindowVisible(editor->GetWindow()) != 0, answer == CSaveChangesDlg::kCancel);
    if (answer == CSaveChangesDlg::kSave) {
      EXPECT_NE(FileText().find("changed"), std::string::npos);
    } else {
      EXPECT_EQ(FileText(), before);
    }
  }
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocumentView, MemorizeWritesTheTemplateAndKeepsTheOpenQuantities) {
  CSalesDocument& doc = OpenInvoice();
  CPreferences().SetDword(u"ClearTemplateQtys", 1);
  UiScript ui;
  ui.ExpectDialog(IDD_MEMORIZE, [](DialogDriver& d) {
    EXPECT_TRUE(d.IsChecked(IDC_MEMORIZE_CLEAR_QTYS) && d.IsChecked(IDC_MEMORIZE_SECOND));
    d.TypeInto(IDC_MEMORIZE_NAME, u"Weekly: A/B").Ok();
  });
  ui.ExpectMessageBox(u"The document has been memorized.", IDOK);
  CLineItemTexts line;
  ASSERT_TRUE(doc.GetXmlDocument().ReadLineItemAt(0, &line));
  const CBstr quantity = line.quantity;
  Command(editor_cmd::kMemorize);
  EXPECT_EQ(ui.Pending(), 0u);
  CBstr folder;
  GetMemorizedFolder(folder);
  std::ifstream in(Linux(folder.str() + u"\\Weekly_ A_B.QVN"), std::ios::binary);
  std::string memorized((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(memorized.find("<QUANTITY>0<"), std::string::npos);
  EXPECT_EQ(memorized.find("<QUANTITY>2<"), std::string::npos);
  ASSERT_TRUE(doc.GetXmlDocument().ReadLineItemAt(0, &line));
  EXPECT_EQ(line.quantity, quantity) << "the open invoice keeps its quantities";
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocumentView, SigningStoresTheStrokesAndDoneWaitsForTheBar) {
  CSalesDocument& doc = OpenInvoice();
  Command(editor_cmd::kToggleSignatureButton);
  HWND bar = editor->GetSignatureBar();
  ASSERT_NE(bar, nullptr);
  const size_t beeps = platform::BeepLog().size();
  Command(editor_cmd::kDone);
  EXPECT_TRUE(IsWindowVisible(editor->GetWindow())) << "Done only beeps while the bar is open";
  EXPECT_EQ(platform::BeepLog().size(), beeps + 1);
  EXPECT_GT(editor->GetSignatureStrokes().Count(), 0) << "the golden invoice is signed";
  SendMessageW(bar, WM_COMMAND, 1004, 0);                // Clear
  SendMessageW(bar, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));  // hovering writes nothing
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
  SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 30));
  SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(40, 30));
  EXPECT_EQ(editor->GetSignatureStrokes().Count(), 2);
  SendMessageW(bar, WM_COMMAND, 1, 0);  // Accept
  Pump();
  EXPECT_EQ(editor->GetSignatureBar(), nullptr);
  EXPECT_EQ(doc.GetSignature().str(), u"0a94281e");
  EXPECT_TRUE(history.CanUndo());
  ASSERT_TRUE(doc.Save());
  EXPECT_NE(FileText().find("0a94281e"), std::string::npos);
}

TEST_F(DocumentView, ToolbarAndEditMenuFollowTheHistory) {
  CSalesDocument& doc = OpenInvoice();
  const std::u16string signature = doc.GetSignature().str();
  Command(editor_cmd::kToggleToolbarButton);
  HWND toolbar = editor->GetToolBar();
  ASSERT_NE(toolbar, nullptr);
  EXPECT_EQ(CPreferences().GetDword(u"InvToolBar", 0), 1u);
  platform::testing::ToolbarDriver bar(toolbar);
  EXPECT_EQ(bar.State(editor_cmd::kUndo) & TBSTATE_INDETERMINATE, TBSTATE_INDETERMINATE);
  EXPECT_EQ(bar.Tooltip(editor_cmd::kAddLineItem), u"Append Line Item...");
  SendEditCommand(main, std::make_unique<CSignatureCommand>(doc, u"0a94281e"));
  Pump();  // the history's notice
  EXPECT_EQ(bar.State(editor_cmd::kUndo), TBSTATE_ENABLED);
  EXPECT_EQ(bar.State(editor_cmd::kRedo) & TBSTATE_INDETERMINATE, TBSTATE_INDETERMINATE);

  HMENU menu = LoadMenuW(GetResourceInstance(), MAKEINTRESOURCEW(IDR_EDITOR_MENUBAR));
  HMENU edit = GetSubMenu(menu, 0);
  SendMessageW(editor->GetWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 0);
  WCHAR text[80];
  GetMenuStringW(edit, editor_cmd::kUndo, text, 80, MF_BYCOMMAND);
  EXPECT_EQ(std::u16string(text), u"Undo Signature");
  EXPECT_EQ(GetMenuState(edit, editor_cmd::kRedo, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(GetMenuState(edit, editor_cmd::kCreateInvoice, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EXPECT_GE(FindMenuItemByText(edit, u"Memorize Invoice..."), 0);
  SendMessageW(editor->GetWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 0);
  int voids = 0;
  for (int i = 0; i < GetMenuItemCount(edit); ++i) voids += GetMenuItemID(edit, i) == editor_cmd::kVoid;
  EXPECT_EQ(voids, 1) << "Void is added once";
  DestroyMenu(menu);

  Command(editor_cmd::kUndo);
  Pump();
  EXPECT_EQ(bar.State(editor_cmd::kRedo), TBSTATE_ENABLED);
  EXPECT_EQ(doc.GetSignature().str(), signature);
}

TEST_F(DocumentView, LayoutStacksViewBarAndToolbar) {
  OpenInvoice();
  Command(editor_cmd::kToggleToolbarButton);
  Command(editor_cmd::kToggleSignatureButton);
  RECT toolbar, bar, client;
  GetWindowRect(editor->GetToolBar(), &toolbar);
  GetWindowRect(editor->GetSignatureBar(), &bar);
  GetClientRect(editor->GetWindow(), &client);
  EXPECT_EQ(bar.bottom, toolbar.top + 2);
  POINT origin{0, 0};
  ClientToScreen(editor->GetWindow(), &origin);
  EXPECT_EQ(bar.left - origin.x, std::max<LONG>(0, (client.right - (bar.right - bar.left)) / 2));
  Command(editor_cmd::kToggleToolbarButton);
  EXPECT_EQ(editor->GetToolBar(), nullptr);
  EXPECT_EQ(CPreferences().GetDword(u"InvToolBar", 1), 0u);
}

TEST_F(DocumentView, NewDocumentStopsWhenSaveAsIsCancelledAndZoomWraps) {
  CSalesDocument& doc = OpenInvoice();
  ChangeNotes();
  UiScript ui;
  ui.ExpectDialog(IDD_SAVE_CHANGES, [](DialogDriver& d) { d.Press(CSaveChangesDlg::kSaveAs); });
  ui.ExpectDialog(0, [](DialogDriver& d) { d.Cancel(); });  // the file name
  Command(editor_cmd::kNewEstimate);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(doc.GetDocType(), kDocInvoice) << "nothing new after a cancelled Save As";
  ui.ExpectDialog(IDD_SAVE_CHANGES, [](DialogDriver& d) { d.Press(CSaveChangesDlg::kDiscard); });
  Command(editor_cmd::kNewEstimate);
  EXPECT_EQ(doc.GetDocType(), kDocEstimate);
  EXPECT_EQ(std::count(mainMessages.begin(), mainMessages.end(), editor_msg::kMsgDocumentReplaced), 1);

  const int styles[] = {editor_cmd::kStyleProduct, editor_cmd::kStyleService, editor_cmd::kStyleBoth,
                        editor_cmd::kStyleProfessional, editor_cmd::kStyleCustom};
  Command(styles[doc.GetStyle()]);
  EXPECT_FALSE(doc.IsModified()) << "the style it has already changes nothing";
  Command(styles[(doc.GetStyle() + 1) % 5]);
  EXPECT_TRUE(doc.IsModified());
  Command(editor_cmd::kZoom4);
  Command(editor_cmd::kZoomNext);
  EXPECT_EQ(CPreferences().GetDword(u"FontSize", 9), 0u);
}

TEST_F(DocumentView, AnInvoiceGetsAScannedLineAndASignatureAndKeepsBoth) {
  // The editor of the program, over an item store that knows one code.
  sales_test::StoreLists& store = UseStoreLists();
  auto item = CDbRecord::CDbRecordOfType(kObjectItem, -1);
  item->SetField(kFieldName, u"0123456789");
  item->SetField(kFieldFullName, u"0123456789");
  item->SetField(kFieldParent, u"Inventory Part");
  item->SetField(kFieldListType, u"Inventory Part");
  item->SetField(kFieldSalesDescription, u"Garden hose");
  item->SetField(kFieldSalesAmount, u"12.50");
  ASSERT_EQ(store.store.AddItem(nullptr, *item, true, false), 1);
  history.Clear();
  editor = std::make_unique<CDocumentView>(nullptr, main, &history, nullptr, &store.store, m_settings.get());
  history.AddListener(editor->GetWindow());
  OpenInvoice();

  UiScript ui;
  ui.ExpectMessageBox(u"No item has the code '999'.", IDOK);
  EXPECT_FALSE(editor->AddScannedItem(u"999"));
  EXPECT_TRUE(editor->AddScannedItem(u"0123456789"));
  Command(editor_cmd::kToggleSignatureButton);
  HWND bar = editor->GetSignatureBar();
  SendMessageW(bar, WM_COMMAND, 1004, 0);  // Clear
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(8, 6));
  SendMessageW(bar, WM_COMMAND, 1, 0);  // Accept
  Pump();
  EXPECT_EQ(history.GetUndoCount(), 2u);
  ui.ExpectDialog(IDD_SAVE_CHANGES, [](DialogDriver& d) { d.Press(CSaveChangesDlg::kSave); });
  Command(editor_cmd::kDone);
  const std::string saved = FileText();
  EXPECT_NE(saved.find("Garden hose"), std::string::npos);
  EXPECT_NE(saved.find("04840806"), std::string::npos);
}

// A card reader that gives one scripted swipe.
class ScriptedReader : public CInputDevice {
 public:
  ScriptedReader() : CInputDevice(nullptr, nullptr, 0, 0, kDeviceCardReader) {}
  bool Load() override { return true; }
  void Unload() override { ++unloads; }
  bool Open(HWND) override { return true; }
  bool Close(int) override { return true; }
  bool GetData(WPARAM, LPARAM, HWND, std::u16string&) override { return false; }
  bool Trigger(int) override { return false; }
  bool Release() override { return true; }
  bool ReadCard(CCardFields& fields) override {
    fields.cardNumber = CBstr(u"4111111111111111");
    fields.expiryYear = CBstr(u"28");
    fields.expiryMonth = CBstr(u"05");
    return true;
  }
  int unloads = 0;
};

TEST_F(DocumentView, TheCardBarFillsTheCardFieldsAndTheScannerBarNeedsAScanner) {
  CSalesDocument& doc = OpenInvoice();
  UiScript ui;
  ui.ExpectMessageBox(u"No bar-code scanner is set up. Choose one under Options.", IDOK);
  Command(editor_cmd::kToggleScanner);
  EXPECT_EQ(editor->GetScannerBar(), nullptr);

  ScriptedReader reader;
  editor->SetCardReader(&reader);
  Command(editor_cmd::kToggleSignatureButton);
  Command(editor_cmd::kToggleCardReader);
  EXPECT_EQ(editor->GetSignatureBar(), nullptr) << "one bar at a time";
  ASSERT_NE(editor->GetCardReaderBar(), nullptr);
  EXPECT_EQ(editor->GetCardReaderState(), 5);
  Pump();  // the bar asks for the swipe once it shows
  EXPECT_EQ(editor->GetCardReaderState(), 3);
  EXPECT_EQ(doc.GetAttribute(u"CCARDNUM"), std::u16string_view(u"4111111111111111"));
  EXPECT_EQ(doc.GetCardExpiry(), std::u16string_view(u"05/2028"));
  EXPECT_EQ(history.GetUndoCount(), 2u);
  SendMessageW(editor->GetCardReaderBar(), WM_COMMAND, 1004, 0);  // Close
  EXPECT_EQ(editor->GetCardReaderBar(), nullptr);
  EXPECT_EQ(reader.unloads, 1);
  editor->SetCardReader(nullptr);
}

TEST(SignatureStrokes, TextRoundTripsAndReadsLeniently) {
  CSignatureStrokes strokes(2);
  EXPECT_TRUE(strokes.Add(POINT{20, 40}, true));
  EXPECT_TRUE(strokes.Add(POINT{-6, 400}, false));  // clamped, never a stroke start
  EXPECT_EQ(strokes.ToText(), u"0a94007f");
  EXPECT_EQ(strokes.At(0).x, 20);
  strokes.FromText(u"0A-94 7");  // either case, junk skipped, a short tail reads as 0
  ASSERT_EQ(strokes.Count(), 2);
  EXPECT_TRUE(strokes.StartsStroke(0));
  EXPECT_EQ(strokes.At(1).x, 0x70 * 2);
  strokes.FromText(u"");
  EXPECT_EQ(strokes.Count(), 0);
  for (int i = 0; i < CSignatureStrokes::kMaxPoints; ++i) strokes.Add(POINT{1, 1}, false);
  EXPECT_FALSE(strokes.Add(POINT{1, 1}, false));
  EXPECT_EQ(strokes.ToText().size(), 4u * CSignatureStrokes::kMaxPoints);
}

// ---- The logo picker ----

void WriteBmp(const std::filesystem::path& file, int width, int height) {
  int stride = (width * 3 + 3) & ~3;
  std::string bits(static_cast<size_t>(stride * height), '\x80');
  std::string header(54, '\0');
  auto put = [&](int at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) header[static_cast<size_t>(at + i)] = static_cast<char>(v >> (8 * i));
  };
  header[0] = 'B';
  header[1] = 'M';
  put(2, 54 + static_cast<uint32_t>(bits.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<uint32_t>(width), 4);
  put(22, static_cast<uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  std::ofstream(file, std::ios::binary) << header << bits;
}

TEST_F(DocumentView, LogoPickerListsPicturesAndGivesTheChoice) {
  std::filesystem::path logos = Linux(u"\\Logos");
  std::filesystem::create_directories(logos);
  CPreferences().SetString(u"LogoPath", u"\\Logos");
  WriteBmp(logos / "Small.BMP", 32, 32);
  WriteBmp(logos / "Wide.BMP", 128, 64);
  std::ofstream(logos / "Broken.BMP") << "not a picture";
  EXPECT_EQ(CLogoPickerDlg::FitInto(SIZE{128, 64}, SIZE{32, 32}).cy, 16);
  EXPECT_EQ(CLogoPickerDlg::FitInto(SIZE{10, 20}, SIZE{64, 64}).cx, 10) << "never scaled up";

  CLogoPickerDlg picker(GetResourceInstance(), editor->GetWindow());
  UiScript ui;
  ui.ExpectDialog(IDD_LOGO_PICKER, [](DialogDriver& d) {
    auto list = d.ListView(IDC_LOGO_LIST);
    EXPECT_EQ(list.Count(), 2) << "the unreadable file is passed over";
    EXPECT_EQ(list.Selection(), -1) << "\"wide.bmp\" differs in case: nothing preselected";
    d.Ok();
  });
  ui.ExpectDialog(IDD_LOGO_PICKER, [](DialogDriver& d) {
    auto list = d.ListView(IDC_LOGO_LIST);
    EXPECT_EQ(list.Text(list.Selection()), u"Wide.BMP");
    list.DoubleTap(list.Find(u"Wide.BMP"));
  });
  EXPECT_EQ(picker.DoModal(u"wide.bmp"), 0) << "OK without a choice";
  EXPECT_EQ(picker.DoModal(u"Wide.BMP"), 1);
  std::u16string name;
  int width = 0, height = 0;
  picker.GetResult(name, width, height);
  EXPECT_EQ(name, u"Wide.BMP");
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 32);
}

}  // namespace
