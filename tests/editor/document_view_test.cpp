// The editor screen driven as a user would: Done with and without changes, the
// save-changes answers, memorizing, signing on the signature bar, the toolbar and Edit
// menu following the history, the logo picker, and the page's field taps and holds (each
// tap opens its editor or picker and lands as one command; each hold offers its entries).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../document/SalesDocumentFixture.h"
#include "../core/FieldFormTyping.h"
#include "ScriptedCustomerScreens.h"
#include "core/MenuBar.h"
#include "core/MenuHelpers.h"
#include "core/Preferences.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "devices/DeviceBox.h"
#include "devices/InputDevice.h"
#include "datastore/CustomerRecord.h"
#include "datastore/NamedList.h"
#include "document/HtmlView.h"
#include "editor/CustomerCommands.h"
#include "editor/JobCompanyDlg.h"
#include "core/CompanyInfo.h"
#include "core/FullScreenDialog.h"
#include "editor/DocumentView.h"
#include "document/EditCommand.h"
#include "editor/EditorDialogs.h"
#include "editor/HeaderFieldCommands.h"
#include "editor/LogoPickerDlg.h"
#include "editor/SignatureCommand.h"
#include "editor/SignatureStrokes.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Menu.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::MenuDriver;
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
  // The editor of the program again, over an item store that knows one code, "0123456789".
  void UseEditorOverStoreWithOneCode() {
    sales_test::StoreLists& store = UseStoreLists();
    auto item = CDbRecord::CDbRecordOfType(kObjectItem, -1);
    for (int field : {kFieldName, kFieldFullName}) item->SetField(field, u"0123456789");
    for (int field : {kFieldParent, kFieldListType}) item->SetField(field, u"Inventory Part");
    item->SetField(kFieldSalesDescription, u"Garden hose");
    item->SetField(kFieldSalesAmount, u"12.50");
    ASSERT_EQ(store.store.AddItem(nullptr, *item, CItemStore::OnDuplicate::Refuse), 1);
    history.Clear();
    editor = std::make_unique<CDocumentView>(nullptr, main, &history, nullptr, &store.store, m_settings.get());
    history.AddListener(editor->GetWindow());
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
  Command(IDOK);
  EXPECT_FALSE(IsWindowVisible(editor->GetWindow()));
}

// Done saves a changed document without a question; a save that fails keeps the editor
// open on the changes.
TEST_F(DocumentView, DoneSavesTheChangesAndStaysOpenWhenTheSaveFails) {
  CSalesDocument& doc = OpenInvoice();
  const std::string before = FileText();
  ChangeNotes();
  platform::InjectFault(platform::Fault::FileRename);
  {
    UiScript ui;
    ui.ExpectMessageBox(u"The file " + path + u" could not be written.", IDOK);
    Command(IDOK);
    EXPECT_EQ(ui.Pending(), 0u);
  }
  EXPECT_TRUE(IsWindowVisible(editor->GetWindow()));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(FileText(), before);
  UiScript ui;  // any dialog would fail the test
  Command(IDOK);
  EXPECT_FALSE(IsWindowVisible(editor->GetWindow()));
  EXPECT_NE(FileText().find("changed"), std::string::npos);
  EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocumentView, MemorizeWritesTheTemplateAndKeepsTheOpenQuantities) {
  CSalesDocument& doc = OpenInvoice();
  CPreferences().SetDword(u"ClearTemplateQtys", 1);  // "Clear quantities" checked at the last Memorize
  UiScript ui;
  ui.ExpectDialog(IDD_MEMORIZE, [](DialogDriver& d) {
    EXPECT_TRUE(d.IsChecked(IDC_MEMORIZE_CLEAR_QTYS) && d.IsChecked(IDC_MEMORIZE_SECOND));
    EXPECT_EQ(d.Text(IDC_MEMORIZE_NAME), u"Dr. Ann Lee Invoice");  // the customer's full name
    d.TypeInto(IDC_MEMORIZE_NAME, u"Weekly: A/B").Ok();
  });
  ui.ExpectMessageBox(u"The document has been memorized.", IDOK);
  CLineItemTexts line;
  ASSERT_TRUE(doc.GetXmlDocument().ReadLineItemAt(0, &line));
  const CBstr quantity = line.quantity;
  Command(IDM_EDITOR_MEMORIZE);
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
  SetDocumentViewFactory(MakeHtmlViewFactory(nullptr));  // a page that scrolls
  editor = std::make_unique<CDocumentView>(nullptr, main, &history, nullptr, nullptr, m_settings.get());
  history.AddListener(editor->GetWindow());
  CSalesDocument& doc = OpenInvoice();
  Command(IDM_SIGNATURE_BUTTON);
  HWND bar = editor->GetSignatureBar();
  ASSERT_NE(bar, nullptr);
  const size_t beeps = platform::BeepLog().size();
  Command(IDOK);
  EXPECT_TRUE(IsWindowVisible(editor->GetWindow())) << "Done only beeps while the bar is open";
  EXPECT_EQ(platform::BeepLog().size(), beeps + 1);
  EXPECT_GT(editor->GetSignatureStrokes().Count(), 0) << "the golden invoice is signed";
  SendMessageW(bar, WM_COMMAND, 1004, 0);                // Clear
  SendMessageW(bar, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));  // hovering writes nothing
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20));
  SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 30));
  SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(40, 30));
  EXPECT_EQ(editor->GetSignatureStrokes().Count(), 2);
  SendEditCommand(main, std::make_unique<CChangePONumberCommand>(doc, CBstr(u"PO-7")));
  Pump();
  ASSERT_TRUE(history.CanUndo());
  HWND page = dynamic_cast<CHtmlView*>(doc.GetView())->GetInnerWindow();
  const int top = GetScrollPos(page, SB_VERT);
  SendMessageW(bar, WM_COMMAND, 1, 0);  // Accept
  Pump();
  EXPECT_EQ(editor->GetSignatureBar(), nullptr);
  EXPECT_EQ(doc.GetSignature().str(), u"0a94281e");
  EXPECT_GT(GetScrollPos(page, SB_VERT), top) << "a page down, towards the signature";
  // Signing cannot be undone, nor can what was done before it.
  EXPECT_FALSE(history.CanUndo() || history.CanRedo());
  ASSERT_TRUE(doc.Save());
  EXPECT_NE(FileText().find("0a94281e"), std::string::npos);

  // The same strokes again change nothing, and still close the history.
  SendEditCommand(main, std::make_unique<CChangePONumberCommand>(doc, CBstr(u"PO-8")));
  ASSERT_TRUE(doc.Save());
  SendEditCommand(main, std::make_unique<CSignatureCommand>(doc, u"0a94281e"));
  EXPECT_FALSE(doc.IsModified());
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(doc.GetAttribute(u"PONUM").view(), u"PO-8");
}

TEST_F(DocumentView, ToolbarAndEditMenuFollowTheHistory) {
  CSalesDocument& doc = OpenInvoice();
  const std::u16string poNumber(doc.GetAttribute(u"PONUM").view());
  Command(IDM_TOOLBAR_BUTTON);
  HWND toolbar = editor->GetToolBar();
  ASSERT_NE(toolbar, nullptr);
  EXPECT_EQ(CPreferences().GetDword(u"InvToolBar", 0), 1u);
  platform::testing::ToolbarDriver bar(toolbar);
  EXPECT_EQ(bar.State(IDM_UNDO) & TBSTATE_INDETERMINATE, TBSTATE_INDETERMINATE);
  EXPECT_EQ(bar.Tooltip(IDM_EDITOR_ADD_LINE_ITEM), u"Append Line Item...");
  SendEditCommand(main, std::make_unique<CChangePONumberCommand>(doc, CBstr(u"PO-7")));
  Pump();  // the history's notice
  EXPECT_EQ(bar.State(IDM_UNDO), TBSTATE_ENABLED);
  EXPECT_EQ(bar.State(IDM_REDO) & TBSTATE_INDETERMINATE, TBSTATE_INDETERMINATE);

  HMENU menu = LoadMenuW(GetResourceInstance(), MAKEINTRESOURCEW(IDR_EDITOR_MENUBAR));
  HMENU edit = GetSubMenu(menu, 0);
  SendMessageW(editor->GetWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 0);
  WCHAR text[80];
  GetMenuStringW(edit, IDM_UNDO, text, 80, MF_BYCOMMAND);
  EXPECT_EQ(std::u16string(text), u"Undo Change PONumber");
  EXPECT_EQ(GetMenuState(edit, IDM_REDO, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(GetMenuState(edit, IDM_EDITOR_CREATE_INVOICE, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EXPECT_GE(FindMenuItemByText(edit, u"Memorize Invoice..."), 0);
  SendMessageW(editor->GetWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 0);
  int voids = 0;
  for (int i = 0; i < GetMenuItemCount(edit); ++i) voids += GetMenuItemID(edit, i) == IDM_EDITOR_VOID;
  EXPECT_EQ(voids, 1) << "Void is added once";
  DestroyMenu(menu);

  Command(IDM_UNDO);
  Pump();
  EXPECT_EQ(bar.State(IDM_REDO), TBSTATE_ENABLED);
  EXPECT_EQ(doc.GetAttribute(u"PONUM").view(), poNumber);
}

TEST_F(DocumentView, LayoutStacksViewBarAndToolbar) {
  OpenInvoice();
  Command(IDM_TOOLBAR_BUTTON);
  Command(IDM_SIGNATURE_BUTTON);
  RECT toolbar, bar, client;
  GetWindowRect(editor->GetToolBar(), &toolbar);
  GetWindowRect(editor->GetSignatureBar(), &bar);
  GetClientRect(editor->GetWindow(), &client);
  EXPECT_EQ(bar.bottom, toolbar.top + 2);
  POINT origin{0, 0};
  ClientToScreen(editor->GetWindow(), &origin);
  EXPECT_EQ(bar.left - origin.x, std::max<LONG>(0, (client.right - (bar.right - bar.left)) / 2));
  Command(IDM_TOOLBAR_BUTTON);
  EXPECT_EQ(editor->GetToolBar(), nullptr);
  EXPECT_EQ(CPreferences().GetDword(u"InvToolBar", 1), 0u);
}

TEST_F(DocumentView, NewDocumentStopsWhenSaveAsIsCancelledAndZoomWraps) {
  CSalesDocument& doc = OpenInvoice();
  ChangeNotes();
  UiScript ui;
  ui.ExpectDialog(IDD_SAVE_CHANGES, [](DialogDriver& d) { d.Press(CSaveChangesDlg::kSaveAs); });
  ui.ExpectDialog(0, [](DialogDriver& d) { d.Cancel(); });  // the file name
  Command(IDM_NEW_ESTIMATE);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(doc.GetDocType(), kDocInvoice) << "nothing new after a cancelled Save As";
  ui.ExpectDialog(IDD_SAVE_CHANGES, [](DialogDriver& d) { d.Press(CSaveChangesDlg::kDiscard); });
  Command(IDM_NEW_ESTIMATE);
  EXPECT_EQ(doc.GetDocType(), kDocEstimate);
  EXPECT_EQ(std::count(mainMessages.begin(), mainMessages.end(), kMsgNewDocumentStarted), 1);

  const int styles[] = {IDM_STYLE_PRODUCT, IDM_STYLE_SERVICE, IDM_STYLE_BOTH,
                        IDM_STYLE_PROFESSIONAL, IDM_STYLE_CUSTOM};
  Command(styles[doc.GetStyle()]);
  EXPECT_FALSE(doc.IsModified()) << "the style it has already changes nothing";
  Command(styles[(doc.GetStyle() + 1) % 5]);
  EXPECT_TRUE(doc.IsModified());
  Command(IDM_ZOOM4);
  Command(IDM_ZOOM_NEXT);
  EXPECT_EQ(CPreferences().GetDword(u"FontSize", 9), 0u);
}

TEST_F(DocumentView, AnInvoiceGetsAScannedLineAndASignatureAndKeepsBoth) {
  UseEditorOverStoreWithOneCode();
  OpenInvoice();

  UiScript ui;
  ui.ExpectMessageBox(u"No item has the code '999'.", IDOK);
  EXPECT_FALSE(editor->AddScannedItem(u"999"));
  EXPECT_TRUE(editor->AddScannedItem(u"0123456789"));
  Command(IDM_SIGNATURE_BUTTON);
  HWND bar = editor->GetSignatureBar();
  SendMessageW(bar, WM_COMMAND, 1004, 0);  // Clear
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(8, 6));
  SendMessageW(bar, WM_COMMAND, 1, 0);  // Accept
  Pump();
  EXPECT_EQ(history.GetUndoCount(), 0u) << "signing closes the history";
  Command(IDOK);  // saves what was written
  const std::string saved = FileText();
  EXPECT_NE(saved.find("Garden hose"), std::string::npos);
  EXPECT_NE(saved.find("04840806"), std::string::npos);
}

TEST_F(DocumentView, WithTheQuantityPromptAScanAsksTheQuantityAndCancelAddsNothing) {
  UseEditorOverStoreWithOneCode();
  std::unique_ptr<CInputDevice> scanner = CreateScannerDriver(u"Socket", nullptr, main, 0, 1);
  editor->SetScanner(scanner.get());
  CSalesDocument& doc = OpenInvoice();
  const LONG lines = doc.GetXmlDocument().CountElements(u"LINEITEM");

  UiScript ui;
  ui.ExpectDialog(IDD_ADD_LINE_ITEM, [](DialogDriver& d) {
    slateway::testing::TypeIntoField(d, d.Window(), 0, u"3");
    d.Ok();
  });
  ui.ExpectDialog(IDD_ADD_LINE_ITEM, [](DialogDriver& d) { d.Cancel(); });
  EXPECT_TRUE(editor->AddScannedItem(u"0123456789"));
  ASSERT_EQ(doc.GetXmlDocument().CountElements(u"LINEITEM"), lines + 1);
  EXPECT_EQ(LineAt(doc, lines).quantity.str(), u"3");
  EXPECT_EQ(LineAt(doc, lines).name.str(), u"0123456789");
  EXPECT_EQ(history.GetUndoCount(), 1u);
  editor->AddScannedItem(u"0123456789");
  EXPECT_EQ(doc.GetXmlDocument().CountElements(u"LINEITEM"), lines + 1) << "Cancel adds nothing";
  EXPECT_EQ(history.GetUndoCount(), 1u);
  EXPECT_EQ(ui.Pending(), 0u);
  editor->SetScanner(nullptr);
}

// A card reader that gives one scripted swipe (or, made as a scanner, a scanner that is
// always ready).
class ScriptedReader : public CInputDevice {
 public:
  explicit ScriptedReader(int kind = kDeviceCardReader) : CInputDevice(nullptr, nullptr, 0, 0, kind) {}
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
  Command(IDM_SCANNER_BUTTON);
  EXPECT_EQ(editor->GetScannerBar(), nullptr);

  ScriptedReader reader;
  editor->SetCardReader(&reader);
  Command(IDM_SIGNATURE_BUTTON);
  Command(IDM_CARD_READER_BUTTON);
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

// The menu bar's bar buttons are pressed exactly while their bar is open, however it
// opened or closed, and a scan leaves the bar and the command toolbar as they were.
TEST_F(DocumentView, BarButtonsShowWhichBarIsOpenThroughAScan) {
  UseEditorOverStoreWithOneCode();
  ScriptedReader scanner(kDeviceSymbolScanner);
  editor->SetScanner(&scanner);
  OpenInvoice();
  Command(IDM_TOOLBAR_BUTTON);
  platform::testing::ToolbarDriver buttons(editor->GetMenuBar());
  auto pressed = [&buttons](int id) { return (buttons.State(id) & TBSTATE_PRESSED) != 0; };
  Command(IDM_SCANNER_BUTTON);
  ASSERT_NE(editor->GetScannerBar(), nullptr);
  EXPECT_TRUE(editor->AddScannedItem(u"0123456789"));
  EXPECT_NE(editor->GetScannerBar(), nullptr);
  EXPECT_TRUE(pressed(IDM_SCANNER_BUTTON));

  Command(IDM_SCANNER_BUTTON);
  EXPECT_EQ(editor->GetScannerBar(), nullptr);
  EXPECT_FALSE(pressed(IDM_SCANNER_BUTTON));
  EXPECT_NE(editor->GetToolBar(), nullptr);
  EXPECT_TRUE(pressed(IDM_TOOLBAR_BUTTON));

  Command(IDM_SIGNATURE_BUTTON);
  Command(IDM_SCANNER_BUTTON);  // one bar at a time
  EXPECT_FALSE(pressed(IDM_SIGNATURE_BUTTON));
  EXPECT_TRUE(pressed(IDM_SCANNER_BUTTON));
  editor->SetScanner(nullptr);  // another scanner chosen: its bar goes
  EXPECT_EQ(editor->GetScannerBar(), nullptr);
  EXPECT_FALSE(pressed(IDM_SCANNER_BUTTON));
}

// Starts as the drivers do: a box that says so, advanced step by step.
struct StartingScanner : ScriptedReader {
  StartingScanner() : ScriptedReader(kDeviceSymbolScanner) {}
  bool Open(HWND parent) override {
    if (!opened) {
      CDeviceBox box(parent, u"Starting test scanner...", 2);
      box.Step(), box.Step();
    }
    return opened = true;
  }
  bool opened = false;
};

// Counts the frames handed to the screen while the program is busy.
struct ScreenWatch : platform::IdleHandler {
  ScreenWatch() : m_previous(platform::SetIdleHandler(this)) {}
  ~ScreenWatch() override { platform::SetIdleHandler(m_previous); }
  bool OnIdle(HWND, const std::u16string&) override { return false; }
  void OnWindowUpdated() override { ++drawn; }
  int drawn = 0;
  platform::IdleHandler* m_previous;
};

// Tap after tap the scanner bar shows exactly while its button is down, and the starting
// box is drawn before the bar.
TEST_F(DocumentView, TheScannerBarFollowsItsButtonTapAfterTap) {
  StartingScanner scanner;
  editor->SetScanner(&scanner);
  OpenInvoice();
  Pump();
  platform::testing::ToolbarDriver buttons(editor->GetMenuBar());
  RECT b{};
  ASSERT_TRUE(SendMessageW(editor->GetMenuBar(), TB_GETRECT, IDM_SCANNER_BUTTON, reinterpret_cast<LPARAM>(&b)));
  POINT tap{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  ClientToScreen(editor->GetMenuBar(), &tap);
  ScreenWatch screen;
  for (int i = 1; i <= 200; ++i) {
    platform::Tap(tap);
    for (int round = 0; round < 1000 && platform::PumpMessages() > 0; ++round) {
    }
    const HWND shown = editor->GetScannerBar();
    const bool open = shown && IsWindowVisible(shown) && IsWindowVisible(GetDlgItem(shown, 3));
    ASSERT_EQ(open, i % 2 == 1) << "tap " << i;
    ASSERT_EQ((buttons.State(IDM_SCANNER_BUTTON) & TBSTATE_PRESSED) != 0, open) << "tap " << i;
    if (i == 1) {
      EXPECT_GE(screen.drawn, 3) << "the starting box and its two steps are drawn at once";
    }
  }
  editor->SetScanner(nullptr);
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

// The device's logo folder, where the picker looks.
std::filesystem::path LogoFolder() {
  CBstr folder;
  GetLogoFilePath(folder);
  return platform::MapDevicePath(folder.str());
}

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
  const std::filesystem::path logos = LogoFolder();
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

// ---- Field taps and holds ----

std::vector<std::u16string> Texts(const MenuDriver& m) {
  std::vector<std::u16string> texts;
  for (const auto& item : m.Items())
    texts.push_back(item.separator ? u"-" : (item.grayed ? u"(grey) " : u"") + item.text);
  return texts;
}

// A new invoice in the editor, with the customer screens set as the program sets them.
class DocumentViewFields : public DocumentView {
 protected:
  void SetUp() override {
    DocumentView::SetUp();
    editor->GetDocument().InitNew(4, kDocInvoice);
    editor->ShowView(-1);
    SetDocumentCustomerScreens(&screens);
  }
  void TearDown() override {
    SetDocumentCustomerScreens(nullptr);
    DocumentView::TearDown();
  }

  CSalesDocument& Doc() { return editor->GetDocument(); }
  std::u16string Xml() {
    CBstr xml;
    Doc().GetXmlDocument().GetDataDocument()->get_xml(&xml);
    return xml.str();
  }
  void Tap(const char16_t* link) {
    SendMessageW(editor->GetWindow(), kMsgLinkTapped, 0, reinterpret_cast<LPARAM>(link));
    Pump();
  }
  void Hold(UINT message, WPARAM wParam = 0) {
    POINT point{20, 30};
    SendMessageW(editor->GetWindow(), message, wParam, reinterpret_cast<LPARAM>(&point));
    Pump();
  }
  // The next `count` popup menus are recorded (entry texts, greyed ones marked) and closed.
  static void ExpectMenusShown(UiScript& ui, int count, std::vector<std::vector<std::u16string>>& shown) {
    for (int i = 0; i < count; ++i)
      ui.ExpectPopupMenu([&shown](MenuDriver& m) {
        shown.push_back(Texts(m));
        m.Cancel();
      });
  }
  // Types `text` into field `field` of a data-entry form (whose heading, when given, is
  // checked) and accepts it.
  static UiScript::DialogAction Typing(int field, std::u16string text, std::u16string heading = u"") {
    return [field, text, heading](DialogDriver& d) {
      if (!heading.empty()) {
        EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), heading);
      }
      slateway::testing::TypeIntoField(d, d.Window(), field, text);
      d.Ok();
    };
  }
  // The date picker moved one day on and that day chosen.
  static void ChooseNextDay(DialogDriver& d) {
    HWND calendar = d.Control(IDC_DATE_CALENDAR);
    SetFocus(calendar);
    d.Key(VK_RIGHT);
    SendMessageW(calendar, WM_KEYDOWN, VK_RETURN, 0);
    d.Pump();
  }

  editor_test::ScriptedCustomerScreens screens;
};

TEST_F(DocumentViewFields, CustomerJobAndShipToTapsFollowTheCustomer) {
  screens.answer = 0;
  Tap(u"BILLTO");  // no customer yet: the main window is asked to choose one
  EXPECT_EQ(std::count(mainMessages.begin(), mainMessages.end(), kMsgChooseCustomer), 1);
  EXPECT_TRUE(screens.opened.empty());

  CTableCustomer acme;
  acme.SetField(kCustName, u"Acme");
  acme.SetField(kCustFullName, u"Acme");
  Doc().SetCustomer(acme);
  CJobRecord job;
  job.SetField(0, CBstr(u"Kitchen"));
  for (const char16_t* link : {u"BILLTO", u"JOB", u"SHIPTO"}) Tap(link);
  Doc().SetJob(job);
  Tap(u"JOB");
  std::vector<std::pair<int, bool>> opened;  // page, asked for a new job
  for (const auto& o : screens.opened) opened.emplace_back(o.page, o.newJob);
  EXPECT_EQ(opened, (std::vector<std::pair<int, bool>>{{kCustomerPageAddress, false},
                                                       {kCustomerPageAddress, true},
                                                       {kCustomerPageShipTo, false},
                                                       {kCustomerPageJob, false}}));
  EXPECT_FALSE(history.CanUndo()) << "a cancelled customer dialog sends nothing";
}
TEST_F(DocumentViewFields, HoldPopupsOfferTheEntriesOfTheirField) {
  UiScript ui;
  std::vector<std::vector<std::u16string>> shown;
  ExpectMenusShown(ui, 6, shown);
  Hold(kMsgHoldField, static_cast<WPARAM>(HeaderField::Notes));
  Hold(kMsgHoldField, static_cast<WPARAM>(HeaderField::Other2));
  Hold(kMsgHoldField, static_cast<WPARAM>(HeaderField::Signature));
  Hold(kMsgHoldBillTo);
  Hold(kMsgHoldBillFrom);
  Hold(kMsgHoldLine, u'Q');
  ASSERT_EQ(shown.size(), 6u);
  EXPECT_EQ(shown[0], (std::vector<std::u16string>{u"Edit Notes... "}));
  EXPECT_EQ(shown[1], (std::vector<std::u16string>{u"Edit... "}));
  EXPECT_EQ(shown[2], (std::vector<std::u16string>{u"(grey) Erase", u"Sign..."})) << "nothing to erase";
  EXPECT_EQ(shown[3], (std::vector<std::u16string>{u"(grey) Edit... ", u"Select new Customer:Job... "}));
  EXPECT_EQ(shown[4],
            (std::vector<std::u16string>{u"Edit...", u"Select logo... ", u"Select alternate company... "}));
  EXPECT_EQ(shown[5], (std::vector<std::u16string>{u"Cut", u"Copy", u"(grey) Paste", u"-", u"Insert line item...",
                                                   u"Edit line item...", u"-", u"Insert Label...", u"-",
                                                   u"(grey) Delete line item"}));

  // The title's entry runs nothing; a date entry opens the date picker.
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Select Title... "); });
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Change Ship Date... "); });
  ui.ExpectDialog(IDD_DATE_PICKER, [](DialogDriver& d) { d.Cancel(); });
  const std::u16string before = Xml();
  Hold(kMsgHoldField, static_cast<WPARAM>(HeaderField::Title));
  Hold(kMsgHoldField, static_cast<WPARAM>(HeaderField::ShipDate));
  EXPECT_EQ(Xml(), before) << "a cancelled picker changes nothing";
  EXPECT_FALSE(history.CanUndo());
}

TEST_F(DocumentViewFields, TheDocumentPopupFollowsTheType) {
  UiScript ui;
  std::vector<std::vector<std::u16string>> shown;
  ExpectMenusShown(ui, 2, shown);
  Doc().InitNew(4, kDocPayment);
  Hold(kMsgHoldPage);
  Doc().InitNew(4, kDocEstimate);
  Hold(kMsgHoldPage);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], (std::vector<std::u16string>{u"(grey) Add Line Item ", u"(grey) Add Label ", u"(grey) Paste",
                                                   u"-", u"Print...", u"-", u"Export to", u"Email as", u"-",
                                                   u"Attributes...", u"-", u"Delete Payment"}));
  EXPECT_EQ(shown[1][4], u"Create Invoice");
  EXPECT_EQ(shown[1].back(), u"Delete Estimate");
}

TEST_F(DocumentViewFields, ASalesReceiptsMessageIsRememberedForNewSalesReceipts) {
  Doc().InitNew(4, kDocSalesReceipt);
  UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, Typing(0, u"Thank you", u"Customer Message"));
  Tap(u"CUSTOMERMSG");
  CBstr message, listId;
  Doc().GetCustomerMessage(message, listId);
  EXPECT_EQ(message.str(), u"Thank you");
  std::u16string last;
  EXPECT_TRUE(CPreferences().GetString(u"LastRecMsg", last));
  EXPECT_EQ(last, u"Thank you") << "the preference new sales receipts start from";
  EXPECT_EQ(history.GetUndoName()->view(), u"Select Message");
}

TEST_F(DocumentViewFields, ErasingASignatureAsksFirst) {
  ASSERT_TRUE(Doc().SetSignature(u"0a940b95", {.rebuild = true, .stamp = true}));
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) {
    EXPECT_FALSE(m.Items()[0].grayed);
    m.Choose(u"Erase");
  });
  ui.ExpectMessageBox(u"Erase the signature?", IDNO);
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Erase"); });
  ui.ExpectMessageBox(u"Erase the signature?", IDYES);
  Hold(kMsgHoldField, static_cast<WPARAM>(HeaderField::Signature));
  EXPECT_FALSE(Doc().GetSignature().IsEmpty());
  Hold(kMsgHoldField, static_cast<WPARAM>(HeaderField::Signature));
  EXPECT_TRUE(Doc().GetSignature().IsEmpty());
}

TEST_F(DocumentViewFields, TheStyleMenuChangesTheLayoutAsOneUndoableStep) {
  ASSERT_EQ(Doc().GetStyle(), 4);
  SendMessageW(editor->GetWindow(), WM_COMMAND, IDM_STYLE_SERVICE, 0);
  EXPECT_EQ(Doc().GetStyle(), 1);
  CBstr style;
  Doc().GetXmlDocument().GetRootAttribute(u"STYLE", &style);
  EXPECT_EQ(style.str(), u"1");
  ASSERT_EQ(history.GetUndoCount(), 1u);
  EXPECT_EQ(history.GetUndoName()->view(), u"change style");
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(Doc().GetStyle(), 4);
}

TEST_F(DocumentViewFields, CompanyTapEditsTheCompanyAndCustomizeRuns) {
  UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, Typing(1, u"Harbor Tools", u"My Company"));
  Tap(u"BILLFROM");
  EXPECT_NE(Xml().find(u"<NAME>Harbor Tools</NAME>"), std::u16string::npos);
  EXPECT_FALSE(history.CanUndo());

  CPreferences().SetDword(u"LastCustPage", 2);  // Customize was left on its third page
  SendMessageW(editor->GetWindow(), WM_COMMAND, IDM_EDITOR_CUSTOMIZE, 0);
  Pump();
  EXPECT_EQ(screens.customizedAt, 2) << "opened at the page used last";
  EXPECT_EQ(std::count(mainMessages.begin(), mainMessages.end(), kMsgNewTextsChanged), 1);
}

TEST_F(DocumentViewFields, ALogoTapPutsThePictureChosenIntoTheDocument) {
  WriteBmp(LogoFolder() / "Harbor.BMP", 2, 1);
  m_settings->SetFlag(kDocInvoice, kRowShowLogo, 0);
  UiScript ui;
  ui.ExpectDialog(IDD_LOGO_PICKER, [](DialogDriver& d) {
    auto list = d.ListView(IDC_LOGO_LIST);
    list.DoubleTap(list.Find(u"Harbor.BMP"));
  });
  Tap(u"L");
  CBstr name;
  int width = 0;
  int height = 0;
  Doc().GetLogo(name, width, height);
  EXPECT_EQ(name.str(), u"Harbor.BMP");
  EXPECT_EQ(width, 2);
  std::u16string last;
  CPreferences().GetString(u"LastLogo", last);
  EXPECT_EQ(last, u"Harbor.BMP");
  EXPECT_EQ(Doc().GetTypeFlag(kRowShowLogo), 1) << "the logo place is switched on";
}

// Every header field of an invoice edited through its tap and its form or picker, with
// the choices taken from the stored lists; then the last ten steps undone one by one. At
// every step the saved file is the document's own save of the state expected.
class InvoiceHeaderThroughTaps : public DocumentViewFields {
 protected:
  using DialogAction = UiScript::DialogAction;

  void SetUp() override {
    DocumentViewFields::SetUp();
    // The editor as the program makes it: over the item store.
    history.Clear();
    editor.reset();
    stored = &UseStoreLists();
    InstallServices();
    editor = std::make_unique<CDocumentView>(nullptr, main, &history, nullptr, &stored->store, m_settings.get());
    history.AddListener(editor->GetWindow());
    Doc().InitNew(4, kDocInvoice);
    ASSERT_TRUE(Doc().AddLineItem(*Line(u"Service", u"2", u"50.00", u"Tax"), true, false, 1));
    editor->ShowView(-1);
  }
  std::string Saved() {
    EXPECT_TRUE(Doc().Save());
    std::ifstream in(Linux(Doc().GetFilePath().str()), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Opens the choice of field `field`, taps entry `entry` of its list and accepts.
  static DialogAction Choosing(int field, int entry) {
    return [field, entry](DialogDriver& d) {
      SendMessageW(d.Window(), kMsgStartEditor, 0, field);
      HWND choice = GetFocus();
      WCHAR name[32] = {};
      GetClassNameW(choice, name, 32);
      if (!platform::EqualsIgnoreCase(name, u"COMBOBOX")) choice = GetParent(choice);
      RECT row{LVIR_BOUNDS}, box;  // closed, the box keeps to its row
      SendMessageW(GetParent(choice), LVM_GETITEMRECT, static_cast<WPARAM>(field), reinterpret_cast<LPARAM>(&row));
      GetWindowRect(choice, &box);
      MapWindowPoints(nullptr, GetParent(choice), reinterpret_cast<POINT*>(&box), 2);
      EXPECT_TRUE(box.top >= row.top && box.bottom <= row.bottom);
      slateway::testing::ChooseInOpenList(d, choice, entry);
      d.Ok();
    };
  }
  sales_test::StoreLists* stored = nullptr;
};

TEST_F(InvoiceHeaderThroughTaps, EveryFieldEditedThenTheLastTenUndone) {
  ASSERT_EQ(stored->terms.AddTerm(u"Net 30", u"", u"30", u"", u""), 1);
  ASSERT_EQ(stored->reps.AddEntry(u"KA", u"", u"", u"", u"Kim Alder", true), 1);
  CPaymentMethodsList(&stored->store).AddEntry(u"Check", u"", u"", u"", u"", true);
  CShippingMethodsList(&stored->store).AddEntry(u"Courier", u"", u"", u"", u"", true);
  auto tax = CDbRecord::CDbRecordOfType(kObjectItem, -1);
  tax->SetField(kFieldName, u"County");
  tax->SetField(kFieldListType, u"Sales Tax Item");
  tax->SetField(kFieldParent, u"Sales Tax Item");
  tax->SetField(kFieldSalesAmount, u"7.5");
  tax->SetField(kFieldVendor, u"County Treasurer");
  ASSERT_EQ(stored->store.AddItem(nullptr, *tax, CItemStore::OnDuplicate::Refuse), 1);

  struct Step {
    const char16_t* link;
    int templateId;
    DialogAction act;
    const char16_t* question = nullptr;  // answered No
  };
  const Step steps[] = {
      {u"NUMBER", IDD_FIELD_FORM, Typing(0, u"2042"), u"Number new invoices from this number on?"},
      {u"BILLFROM", IDD_FIELD_FORM, Typing(1, u"Harbor Tools")},
      {u"date", IDD_DATE_PICKER, ChooseNextDay},  // link names are matched whatever their case
      {u"DUEDATE", IDD_DATE_PICKER, ChooseNextDay},
      {u"SHIPDATE", IDD_DATE_PICKER, ChooseNextDay},
      {u"TERMS", IDD_FIELD_FORM, Choosing(0, 0)},
      {u"TAX", IDD_FIELD_FORM, [](DialogDriver& d) {
         slateway::testing::TypeIntoField(d, d.Window(), 0, u"County");
         slateway::testing::TypeIntoField(d, d.Window(), 1, u"7.5");
         d.Ok();
       }},
      {u"REP", IDD_FIELD_FORM, Typing(0, u"KA")},
      {u"SHIPVIA", IDD_FIELD_FORM, Choosing(0, 0)},
      {u"PAYMENT", IDD_FIELD_FORM, Choosing(0, 0)},
      {u"PONUM", IDD_FIELD_FORM, Typing(0, u"PO-77")},
      {u"ACCOUNT", IDD_FIELD_FORM, Typing(0, u"A-9")},
      {u"OTHER1", IDD_FIELD_FORM, Typing(0, u"Blue")},
      {u"OTHER2", IDD_FIELD_FORM, Typing(0, u"Large")},
      {u"NOTES", IDD_FIELD_FORM, Typing(0, u"Leave at the gate")},
  };
  std::vector<std::string> saved{Saved()};
  for (const Step& step : steps) {
    UiScript ui;
    ui.ExpectDialog(step.templateId, step.act);
    if (step.question) ui.ExpectMessageBox(step.question, IDNO);
    Tap(step.link);
    saved.push_back(Saved());
    EXPECT_NE(saved.back(), saved[saved.size() - 2]) << platform::ToUtf8(step.link) << " changed nothing";
  }
  EXPECT_EQ(Doc().GetNumber().str(), u"2042");
  EXPECT_EQ(Doc().GetTerms().str(), u"Net 30");
  CBstr rep, fullName;
  Doc().GetRep(rep, fullName);
  EXPECT_EQ(fullName.str(), u"Kim Alder");
  EXPECT_EQ(Doc().GetAttribute(u"TAXVENDOR").str(), u"County Treasurer");
  EXPECT_EQ(Doc().GetAttribute(u"PAYMENT").str(), u"Check");
  ASSERT_EQ(history.GetUndoCount(), 10u) << "one step per field, the ten newest kept";

  for (size_t undone = 1; undone <= 10; ++undone) {
    Command(IDM_UNDO);
    EXPECT_EQ(Saved(), saved[saved.size() - 1 - undone]) << "after undoing " << undone;
  }
  EXPECT_FALSE(history.CanUndo());
}

TEST_F(InvoiceHeaderThroughTaps, ANumberInUseIsAskedAboutAndNoKeepsTheNumber) {
  // A payment saved under a name of the user's own carries the number.
  std::ofstream(Linux(m_folder.str() + u"Hallett deposit.QVN"))
      << "<?xml version=\"1.0\"?><SALESDOCUMENT VERSION=\"4\" DOCTYPE=\"PAYMENT\" ID=\"77\"/>";
  Doc().InitNew(4, kDocPayment);
  const CBstr before = Doc().GetNumber();
  UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, Typing(0, u"77"));
  ui.ExpectMessageBox(u"A payment with this number already exists. Are you sure?", IDNO);
  Tap(u"NUMBER");
  EXPECT_EQ(Doc().GetNumber(), before);
  EXPECT_EQ(std::count(mainMessages.begin(), mainMessages.end(), kMsgReloadRegister), 0);
}

TEST_F(InvoiceHeaderThroughTaps, WithContactsShipToAndJobHaveTheirOwnForms) {
  CPreferences().SetUseOutlook(true);  // contacts mode, which imported settings bring: what this is about
  UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, Typing(0, u"Dock 4", u"Ship To"));
  ui.ExpectDialog(IDD_TABBED_FORM, [](DialogDriver& d) {
    auto* job = CTwoPageDlg::FromHandle(d.Window());
    ASSERT_NE(job, nullptr);
    slateway::testing::TypeIntoField(d, job->Page(CJobDlg::kAddressPage)->GetHwnd(), 0, u"Kitchen");
    d.Ok();
  });
  Tap(u"SHIPTO");
  Tap(u"JOB");
  CPreferences().SetUseOutlook(false);
  CShipToTexts shipTo;
  Doc().GetXmlDocument().ReadShipTo(&shipTo);
  EXPECT_EQ(shipTo.name.str(), u"Dock 4");
  EXPECT_EQ(CBstr(Doc().GetJob()->GetField(0)).str(), u"Kitchen");
  EXPECT_FALSE(history.CanUndo()) << "the job edit empties the history";
}

TEST_F(InvoiceHeaderThroughTaps, TheAlternateCompanyBecomesTheDocumentsCompany) {
  CCompanyInfo second(nullptr, CCompanyInfo::kCompanyB);
  second.SetName(u"Beta Works");
  second.SetUserName(u"Bea");
  ASSERT_TRUE(second.Save());
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Select alternate company... "); });
  ui.ExpectDialog(IDD_TABBED_FORM, [](DialogDriver& d) {
    auto* companies = CTwoPageDlg::FromHandle(d.Window());
    ASSERT_NE(companies, nullptr);
    slateway::testing::TypeIntoField(d, companies->Page(CSelectCompanyDlg::kDefaultPage)->GetHwnd(), 0, u"Cy Seller");
    d.Tabs(full_screen::CPageTabs::kTabControlId).Tap(u"Alternate");
    d.Ok();
  });
  Hold(kMsgHoldBillFrom);
  EXPECT_NE(Xml().find(u"<NAME>Beta Works</NAME>"), std::u16string::npos);
  EXPECT_EQ(CPreferences().GetDword(u"DEFAULT_COMPANY", 0), 1u);
}

TEST_F(InvoiceHeaderThroughTaps, ALineCellTapAndTheLineHoldEditAndAddLines) {
  const CBstr line = LineAt(Doc(), 0).key;
  UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [](DialogDriver& d) {
    EXPECT_EQ(d.Text(IDC_DIALOG_HEADING), u"Invoice Item");
    d.Key(VK_ESCAPE);
    slateway::testing::TypeIntoField(d, d.Window(), 0, u"3");
    d.Ok();
  });
  Tap((line.str() + u",Q").c_str());
  EXPECT_EQ(LineAt(Doc(), 0).quantity.str(), u"3");
  ASSERT_EQ(history.GetUndoCount(), 1u);
  EXPECT_EQ(history.GetUndoName()->view(), u"edit Line item");

  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Insert Label..."); });
  ui.ExpectDialog(IDD_FIELD_FORM, Typing(0, u"Phase two"));
  SendMessageW(editor->GetWindow(), kMsgSetCurrentLine, 0, reinterpret_cast<LPARAM>(line.c_str()));
  Hold(kMsgHoldLine, u'Q');
  EXPECT_EQ(LineAt(Doc(), 0).name.str(), u"Phase two") << "the label goes before the held line";
  EXPECT_EQ(history.GetUndoCount(), 2u);
}

}  // namespace
