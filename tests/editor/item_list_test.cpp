// The items list over a real item store.
//   ItemList.Tree*      lazy loading, collapse, the check model and collecting checked items
//   ItemList.Command*   tree commands do / undo / redo, row for row against the store
//   ItemList.Find*      searching the store from the window, and Cancel
//   ItemList.Adds*      checked items reach the open document
//   ItemList.Bars*      menu bar, toolbar and tap-and-hold menu follow the node, mode and history
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "../document/SalesDocumentFixture.h"
#include "../core/FieldFormTyping.h"
#include "core/FieldForm.h"
#include "core/MenuBar.h"
#include "core/MenuHelpers.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "editor/DocumentView.h"
#include "editor/ItemListWnd.h"
#include "editor/LineItemCommands.h"
#include "platform/testing/ControlDrivers.h"
#include "platform/testing/DrawingFixture.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::MenuDriver;
using platform::testing::MessageBoxScript;
using platform::testing::ToolbarDriver;
using platform::testing::UiScript;

// Types a name into the name form (with no type row, the name is its first row) and
// presses OK.
UiScript::DialogAction TypeName(std::u16string name) {
  return [name](DialogDriver& d) {
    slateway::testing::TypeIntoField(d, d.Window(), 0, name);
    d.Ok();
  };
}
using platform::testing::TreeViewDriver;

// Entry dialogs as the program's list forms would act: the test says what the user types.
class ScriptedEntryDialogs : public IItemEntryDialogs {
 public:
  int EditListEntry(HWND, CDbRecord& record, int) override { return Enter(record); }
  int EditInventoryItem(HWND, CDbRecord& record, int) override { return Enter(record); }
  std::u16string name;  // empty: the user cancels
  int runs = 0;

 private:
  int Enter(CDbRecord& record) {
    ++runs;
    if (name.empty()) return 2;
    record.SetField(kFieldName, name);
    return 1;
  }
};

class ItemList : public sales_test::SalesDocumentTest {
 protected:
  void SetUp() override {
    SalesDocumentTest::SetUp();
    store = &UseStoreLists().store;
    store->AddRootNode(u"My Lists", u"", kObjectRoot);
    store->AddRootNode(u"Other Lists", u"My Lists", kObjectOtherLists);
    store->AddRootNode(u"Item Lists", u"My Lists", kObjectRoot);
    Add(u"Tools", u"Item Lists", kObjectCategory);
    Add(u"Hammer", u"Tools", kObjectItem);
    Add(u"Saw", u"Tools", kObjectItem);
    Add(u"Kits", u"Tools", kObjectGroup);
    Add(u"Drill", u"Tools:Kits", kObjectItem);
    Add(u"Bits", u"Tools:Kits", kObjectItem);
    Add(u"Paint", u"Item Lists", kObjectCategory);
    Add(u"Primer", u"Paint", kObjectItem);
    SetItemEntryDialogs(&dialogs);
    INITCOMMONCONTROLSEX init;
    init.dwICC = ICC_TREEVIEW_CLASSES;
    ASSERT_TRUE(InitCommonControlsEx(&init));
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"ItemListOwner";
    RegisterClassW(&wc);
    owner = CreateWindowW(u"ItemListOwner", u"", WS_POPUP, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    editor.reset();
    if (main) DestroyWindow(main);
    DestroyMenuBar();
    window.reset();
    SetItemEntryDialogs(nullptr);
    DestroyWindow(owner);
    SalesDocumentTest::TearDown();
  }

  void Add(std::u16string_view name, std::u16string_view parent, int kind) {
    auto record = CDbRecord::CDbRecordOfType(kind, -1);
    record->SetField(kFieldName, name);
    record->SetField(kFieldParent, parent);
    record->SetField(kFieldListType, kind == kObjectGroup ? u"Group" : u"Service");
    record->SetField(kFieldFullName, ChildFullName(parent, name));
    ASSERT_EQ(store->AddItem(nullptr, *record, CItemStore::OnDuplicate::Refuse), 1);
  }
  // FullNames of every row below the roots, sorted, as one text.
  std::u16string Rows() {
    std::vector<std::u16string> names;
    CItemSelect select;
    for (auto r = store->SelectFirstItem(select, u"Service", u"Group"); r; r = store->SelectNextItem(select))
      names.emplace_back(r->FieldView(kFieldFullName));
    std::sort(names.begin(), names.end());
    std::u16string all;
    for (auto& n : names) all += n + u";";
    return all;
  }
  void OpenWindow(bool lineItemMode = true) {
    window = std::make_unique<CItemListWnd>(GetResourceInstance(), owner, history, *store, kDocInvoice);
    ASSERT_TRUE(window->Open(owner, 0, lineItemMode, false, 1));
  }
  CListTreeView& Tree() { return *window->Tree(); }
  HTREEITEM Node(std::u16string_view text) { return TreeViewDriver(Tree().Window()).Find(text); }
  void Expand(std::u16string_view text) { TreeViewDriver(Tree().Window()).TapButton(Node(text)); }
  void Select(std::u16string_view text) { Tree().Select(Node(text)); }
  void Command(int id) {
    window->OnCommand(id);
    Pump();
  }
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

  CItemStore* store = nullptr;
  CCommandProcessor history{kListHistoryDepth};
  ScriptedEntryDialogs dialogs;
  HWND owner = nullptr;
  std::unique_ptr<CItemListWnd> window;
  // An editor over the store, for adding from it (with its own main window).
  std::unique_ptr<CDocumentView> editor;
  HWND main = nullptr;
};

TEST_F(ItemList, TreeLoadsOnExpandAndCollapseKeepsChecks) {
  OpenWindow();
  TreeViewDriver driver(Tree().Window());
  EXPECT_EQ(driver.VisibleTexts(), (std::vector<std::u16string>{u"Item Lists", u"Paint", u"Tools"}));
  int fills = Tree().FillCount();
  Expand(u"Tools");
  EXPECT_EQ(Tree().FillCount(), fills + 1);
  EXPECT_EQ(driver.VisibleTexts(), (std::vector<std::u16string>{u"Item Lists", u"Paint", u"Tools", u"Hammer", u"Kits",
                                                                u"Saw"}));
  Expand(u"Tools");  // closed without checks: its nodes go
  EXPECT_EQ(Node(u"Hammer"), nullptr);
  Expand(u"Tools");
  driver.TapCheck(Node(u"Saw"));
  EXPECT_EQ(driver.StateImage(Node(u"Saw")), 2u);
  EXPECT_EQ(driver.StateImage(Node(u"Tools")), 3u) << "the category holds a checked node";
  Expand(u"Tools");  // closed with a check: the nodes and the check stay
  Expand(u"Tools");
  EXPECT_EQ(driver.StateImage(Node(u"Saw")), 2u);
  driver.TapCheck(Node(u"Saw"));
  EXPECT_EQ(driver.StateImage(Node(u"Tools")), 1u) << "the last check gone, the category is plain again";
}

TEST_F(ItemList, TreeCheckingAGroupChecksItsItemsAndCollectsThemUnderTheCategory) {
  OpenWindow();
  Expand(u"Tools");
  Tree().ChangeCheckState(Node(u"Kits"), kCheck);
  TreeViewDriver driver(Tree().Window());
  EXPECT_EQ(driver.StateImage(Node(u"Drill")), 2u);
  EXPECT_EQ(driver.StateImage(Node(u"Bits")), 2u);
  std::vector<std::unique_ptr<CDbRecord>> items;
  Tree().CollectChecked(nullptr, nullptr, items);
  ASSERT_EQ(items.size(), 2u) << "a group is not an item: only its items are collected";
  EXPECT_EQ(std::u16string(items[0]->FieldView(kFieldName)) + u";" + std::u16string(items[1]->FieldView(kFieldName)),
            u"Bits;Drill");
  EXPECT_EQ(items[0]->FieldView(kFieldFallbackParent), u"Tools:Kits");
  EXPECT_EQ(items[0]->FieldView(kFieldParent), u"Kits");
  Tree().ClearChecks();
  items.clear();
  Tree().CollectChecked(nullptr, Node(u"Hammer"), items);
  ASSERT_EQ(items.size(), 1u) << "nothing checked: the selected item alone";
  EXPECT_EQ(items[0]->FieldView(kFieldName), u"Hammer");
}

TEST_F(ItemList, TreeViewModesAndManualOrder) {
  // View > By Name and Description, Alphabetize off: chosen in the item list's menu before.
  CPreferences().SetDword(u"ViewItemsByName", IDM_ITEMS_VIEW_BY_NAME_AND_DESCRIPTION);
  CPreferences().SetDword(u"AlphabetizeItems", 0);
  Add(u"Anvil", u"Paint", kObjectItem);
  OpenWindow();
  Expand(u"Paint");
  TreeViewDriver driver(Tree().Window());
  EXPECT_NE(driver.Find(u"Primer"), nullptr) << "no description: the Name alone";
  HTREEITEM anvil = driver.Find(u"Anvil");
  ASSERT_NE(anvil, nullptr);
  CDbRecord* record = Tree().RecordOf(anvil);
  record->SetField(kFieldSalesDescription, u"Heavy");
  EXPECT_EQ(Tree().DisplayText(*record), u"Anvil - Heavy");
  // Without alphabetical order the shown order is written back as each node's position.
  Tree().RenumberChildren(Node(u"Paint"), *Tree().RecordOf(Node(u"Paint")));
  std::unique_ptr<CDbRecord> stored;
  auto cursor = store->GetFirstChild(u"Paint", stored, {.prepareOnly = true});
  while (cursor && (stored = store->GetNextChild(*cursor)) && stored->FieldView(kFieldName) != u"Anvil") {
  }
  ASSERT_NE(stored, nullptr);
  auto shown = driver.Children(Node(u"Paint"));
  int index = static_cast<int>(std::find(shown.begin(), shown.end(), anvil) - shown.begin());
  EXPECT_EQ(stored->GetObjectPosition(), index);
  EXPECT_NE(stored->GetObjectPosition(), -1);
  Tree().SetViewMode(IDM_ITEMS_VIEW_BY_DESCRIPTION);
  EXPECT_TRUE(driver.IsExpanded(Node(u"Paint"))) << "a container opened by the user opens again";
  EXPECT_NE(driver.Find(u"Primer"), nullptr) << "the description view falls back to the Name";
}

TEST_F(ItemList, CommandNewItemAndDeleteStepBackAndForth) {
  OpenWindow();
  const std::u16string before = Rows();
  Expand(u"Paint");
  Select(u"Primer");
  dialogs.name = u"Gloss";
  Command(IDM_ITEMS_NEW_ITEM);
  EXPECT_EQ(Rows(), u"Paint;Paint:Gloss;Paint:Primer;Tools;Tools:Hammer;Tools:Kits;Tools:Kits:Bits;"
                    u"Tools:Kits:Drill;Tools:Saw;");
  ASSERT_NE(Node(u"Gloss"), nullptr);
  Command(IDM_UNDO);
  EXPECT_EQ(Rows(), before);
  EXPECT_EQ(Node(u"Gloss"), nullptr);
  Command(IDM_REDO);
  EXPECT_NE(Node(u"Gloss"), nullptr);

  MessageBoxScript boxes;
  boxes.Expect(u"Are you sure you want to delete 'Primer'?").Answer(IDYES);
  Select(u"Primer");
  Command(IDM_ITEMS_DELETE);
  EXPECT_EQ(Node(u"Primer"), nullptr);
  EXPECT_EQ(Rows().find(u"Paint:Primer"), std::u16string::npos);
  Command(IDM_UNDO);
  EXPECT_NE(Node(u"Primer"), nullptr);
  EXPECT_NE(Rows().find(u"Paint:Primer"), std::u16string::npos);
}

TEST_F(ItemList, CommandDeletedCategoryKeepsItsContentsUntilTheStepIsGone) {
  OpenWindow();
  MessageBoxScript boxes;
  boxes.Expect(u"Are you sure you want to delete category 'Tools'?").Answer(IDYES);
  const std::u16string before = Rows();
  Select(u"Tools");
  Command(IDM_ITEMS_DELETE);
  EXPECT_EQ(Node(u"Tools"), nullptr);
  EXPECT_NE(Rows().find(u"Tools:Hammer"), std::u16string::npos) << "contents wait while undo is possible";
  Command(IDM_UNDO);
  EXPECT_EQ(Rows(), before);
  Command(IDM_REDO);
  history.Clear();  // the step leaves the history: the deletion is completed
  EXPECT_EQ(Rows(), u"Paint;Paint:Primer;");
}

TEST_F(ItemList, CommandCopyPasteAndCutPaste) {
  OpenWindow();
  Expand(u"Tools");
  Expand(u"Paint");
  Select(u"Hammer");
  Command(IDM_EDIT_COPY);
  EXPECT_FALSE(history.CanUndo()) << "a copy changes nothing and leaves the history alone";
  Select(u"Primer");
  Command(IDM_EDIT_PASTE);
  EXPECT_NE(Rows().find(u"Paint:Hammer"), std::u16string::npos);
  EXPECT_NE(Rows().find(u"Tools:Hammer"), std::u16string::npos);
  Command(IDM_UNDO);
  EXPECT_EQ(Rows().find(u"Paint:Hammer"), std::u16string::npos);
  EXPECT_NE(Rows().find(u"Tools:Hammer"), std::u16string::npos) << "the original stays";

  Select(u"Saw");
  Command(IDM_EDIT_CUT);
  Select(u"Primer");
  Command(IDM_EDIT_PASTE);
  EXPECT_EQ(Rows(), u"Paint;Paint:Primer;Paint:Saw;Tools;Tools:Hammer;Tools:Kits;Tools:Kits:Bits;Tools:Kits:Drill;");
  EXPECT_FALSE(window->Clipboard().IsCut()) << "a second paste is a copy";
  MessageBoxScript boxes;
  boxes.Expect(u"'Saw' already exists in the category.").Answer(IDOK);
  Command(IDM_EDIT_PASTE);
  EXPECT_EQ(Tree().RecordOf(Tree().GetSelection())->FieldView(kFieldFullName), u"Paint:Saw");
}

TEST_F(ItemList, CommandRenamedItemFollowsWithItsPathAndIsUndone) {
  OpenWindow();
  Expand(u"Tools");
  Select(u"Hammer");
  dialogs.name = u"Mallet";
  Command(IDM_ITEMS_EDIT);
  EXPECT_NE(Node(u"Mallet"), nullptr);
  EXPECT_NE(Rows().find(u"Tools:Mallet;"), std::u16string::npos);
  Command(IDM_UNDO);
  EXPECT_NE(Node(u"Hammer"), nullptr);
  EXPECT_EQ(Node(u"Mallet"), nullptr);
  EXPECT_NE(Rows().find(u"Tools:Hammer;"), std::u16string::npos);

  MessageBoxScript boxes;
  boxes.Expect(u"'Saw' already exists in the category.").Answer(IDOK);
  boxes.ExpectAny().Answer(IDOK);
  Select(u"Hammer");
  dialogs.name = u"Saw";
  Command(IDM_ITEMS_EDIT);
  dialogs.name = u"A:B";
  Command(IDM_ITEMS_EDIT);
  EXPECT_EQ(boxes.Shown().back().text, LoadResText(IDS_NAME_HAS_COLON));
  EXPECT_NE(Rows().find(u"Tools:Hammer;"), std::u16string::npos);
}

TEST_F(ItemList, CommandNewCategoryCompletesAPendingDeletionFirst) {
  OpenWindow();
  MessageBoxScript boxes;
  boxes.Expect(u"Are you sure you want to delete category 'Paint'?").Answer(IDYES);
  Select(u"Paint");
  Command(IDM_ITEMS_DELETE);
  EXPECT_NE(Rows().find(u"Paint:Primer"), std::u16string::npos);
  UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, TypeName(u"Garden"));
  Expand(u"Tools");
  Select(u"Hammer");
  Command(IDM_ITEMS_NEW_CATEGORY);
  EXPECT_EQ(Rows().find(u"Paint"), std::u16string::npos) << "the deletion was completed before the add";
  EXPECT_NE(Rows().find(u"Tools:Garden;"), std::u16string::npos) << "a leaf selected: beside it";
  EXPECT_FALSE(history.CanRedo());
  Command(IDM_UNDO);
  EXPECT_EQ(Rows().find(u"Tools:Garden;"), std::u16string::npos);
}

TEST_F(ItemList, CommandRenamedGroupTakesItsItemsAlongAndIsUndone) {
  OpenWindow();
  Expand(u"Tools");
  Expand(u"Kits");
  UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, TypeName(u"Sets"));
  Select(u"Kits");
  Command(IDM_ITEMS_EDIT);
  EXPECT_EQ(Rows(), u"Paint;Paint:Primer;Tools;Tools:Hammer;Tools:Saw;Tools:Sets;Tools:Sets:Bits;Tools:Sets:Drill;");
  EXPECT_NE(Node(u"Sets"), nullptr);
  EXPECT_EQ(Tree().RecordOf(Node(u"Drill"))->FieldView(kFieldParent), u"Tools:Sets") << "the loaded items read again";
  Command(IDM_UNDO);
  EXPECT_EQ(Rows(), u"Paint;Paint:Primer;Tools;Tools:Hammer;Tools:Kits;Tools:Kits:Bits;Tools:Kits:Drill;Tools:Saw;");

  MessageBoxScript boxes;
  boxes.Expect(u"'Saw' already exists in the category.").Answer(IDOK);
  ui.ExpectDialog(IDD_FIELD_FORM, TypeName(u"Saw"));
  Select(u"Kits");
  Command(IDM_ITEMS_EDIT);
  EXPECT_NE(Rows().find(u"Tools:Kits:Drill"), std::u16string::npos);
}

TEST_F(ItemList, CommandEditedCategoryAsksNameAndDescriptionAndStaysACategory) {
  OpenWindow();
  auto paint = store->GetItem(*Tree().RecordOf(Node(u"Paint")), true);  // as made on the device
  for (int field : {kFieldSalesAmount, kFieldTaxable}) paint->SetField(field, u"");
  ASSERT_TRUE(store->UpdateItem(*paint));
  std::vector<std::u16string> labels;
  UiScript ui;
  ui.ExpectDialog(IDD_FIELD_FORM, [&](DialogDriver& d) {
    const CFieldFormModel& model = CFieldForm::FromHandle(d.Window())->Model();
    for (int i = 0; i < model.FieldCount(); ++i) labels.push_back(model.Field(i)->label.str());
    slateway::testing::TypeIntoField(d, d.Window(), 1, u"Paints");
    slateway::testing::TypeIntoField(d, d.Window(), 2, u"Wall paint");
    d.Ok();
  });
  Select(u"Paint");
  Command(IDM_ITEMS_EDIT);
  EXPECT_EQ(labels, (std::vector<std::u16string>{u"Type:", u"Name:", u"Desc:", u"", u""}));
  auto paints = store->GetItem(*Tree().RecordOf(Node(u"Paints")), true);
  ASSERT_NE(paints, nullptr) << "accepted with no tax code asked";
  EXPECT_EQ(paints->GetObjectType(), kObjectCategory);
  EXPECT_EQ(paints->FieldView(kFieldSalesDescription), u"Wall paint");
  EXPECT_EQ(paints->FieldView(kFieldTaxable), u"") << "a category never becomes taxable";
  EXPECT_EQ(Rows(), u"Paints;Paints:Primer;Tools;Tools:Hammer;Tools:Kits;Tools:Kits:Bits;Tools:Kits:Drill;Tools:Saw;");
}

// How many screen pixels of the node's label (or of `leftOfLabel` pixels before it) show `colour`.
int LabelPixels(HWND tree, HTREEITEM node, COLORREF colour, int leftOfLabel = 0) {
  UpdateWindow(tree);
  RECT r{};
  std::memcpy(static_cast<void*>(&r), &node, sizeof node);  // the item goes in, its rectangle out
  if (!SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r))) return 0;
  if (leftOfLabel) r = RECT{r.left - leftOfLabel, r.top, r.left, r.bottom};
  MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&r), 2);
  platform::testing::Surface shown(1, 1, colour);  // the colour as the screen holds it
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, platform::ScreenBitmap());
  int n = platform::testing::CountColor(dc, r, GetPixel(shown.dc, 0, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  return n;
}

TEST_F(ItemList, CommandDeleteLeavesTheNextSelectionDrawnAndEditedAndNodesCarryPictures) {
  OpenWindow();
  HWND tree = Tree().Window();
  TreeViewDriver driver(tree);
  Expand(u"Tools");
  Expand(u"Kits");
  driver.Tap(u"Drill");
  MessageBoxScript boxes;
  boxes.Expect(u"Are you sure you want to delete 'Drill'?").Answer(IDYES);
  Command(IDM_ITEMS_DELETE);
  HTREEITEM bits = Node(u"Bits");
  ASSERT_EQ(driver.Selection(), bits) << "the previous sibling";
  EXPECT_GT(LabelPixels(tree, bits, GetSysColor(COLOR_HIGHLIGHT)), 0) << "drawn with the focus back";
  SetFocus(window->GetHwnd());
  EXPECT_GT(LabelPixels(tree, bits, GetSysColor(COLOR_BTNFACE)), 0) << "still drawn selected without the focus";
  dialogs.name = u"Mallet";
  Command(IDM_ITEMS_EDIT);
  EXPECT_EQ(Rows(), u"Paint;Paint:Primer;Tools;Tools:Hammer;Tools:Kits;Tools:Kits:Mallet;Tools:Saw;");
  auto pictures = reinterpret_cast<HIMAGELIST>(SendMessageW(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
  ASSERT_EQ(ImageList_GetImageCount(pictures), 7);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(pictures, &cx, &cy);
  EXPECT_GT(LabelPixels(tree, Node(u"Paint"), RGB(0xF0, 0xC8, 0x40), cx), 0) << "the yellow folder is drawn";
}

TEST_F(ItemList, CommandCutCategoryPastesOnceWithEverythingBelowIt) {
  OpenWindow();
  Expand(u"Tools");
  Select(u"Kits");
  Command(IDM_EDIT_CUT);
  Select(u"Paint");
  Command(IDM_EDIT_PASTE);
  EXPECT_EQ(Rows(), u"Paint;Paint:Kits;Paint:Kits:Bits;Paint:Kits:Drill;Paint:Primer;Tools;Tools:Hammer;Tools:Saw;");
  EXPECT_TRUE(window->Clipboard().IsEmpty()) << "a category pastes once";
  EXPECT_FALSE(history.CanUndo());
  Command(IDM_EDIT_PASTE);  // beeps, changes nothing
  EXPECT_EQ(Rows().find(u"Tools:Kits"), std::u16string::npos);

  Select(u"Hammer");
  Command(IDM_EDIT_COPY);
  ASSERT_TRUE(window->Open(owner, 0, true, false, 1));
  EXPECT_FALSE(window->Clipboard().IsEmpty()) << "the same mode keeps the clipboard";
  ASSERT_TRUE(window->Open(owner, 0, false, true, 2));
  EXPECT_FALSE(Tree().CheckBoxes()) << "outside line item mode there are no check boxes";
  EXPECT_TRUE(window->Clipboard().IsEmpty()) << "another tree, another clipboard";
  EXPECT_EQ(TreeViewDriver(Tree().Window()).Text(Tree().Root()), u"Other Lists");
}

TEST_F(ItemList, FindWalksIntoTheTreeAndSaysWhenNothingIsLeft) {
  OpenWindow();
  window->SetFindText(u"bit");
  ASSERT_TRUE(window->FindFirst());
  EXPECT_EQ(Tree().RecordOf(Tree().GetSelection())->FieldView(kFieldFullName), u"Tools:Kits:Bits");
  MessageBoxScript boxes;
  boxes.Expect(u"No more occurences of 'bit' found.").Answer(IDOK);
  EXPECT_FALSE(window->FindNext());
  boxes.Expect(u"'nails' not found.").Answer(IDOK);
  window->SetFindText(u"nails");
  EXPECT_FALSE(window->FindFirst());
}

TEST_F(ItemList, FindCancelledFromItsDialogEndsQuietly) {
  CFindProgressDlg progress(GetResourceInstance(), owner);
  progress.Show();
  ASSERT_NE(progress.GetHwnd(), nullptr);
  PostMessageW(progress.GetHwnd(), WM_COMMAND, IDCANCEL, 0);
  store->CreateFindProgressDialog(&progress);
  CTypedPointerList<CDbRecord> results;
  CFindState state;
  EXPECT_EQ(store->FindText(u"My Lists", u"BITS", results, state, false, IDM_ITEMS_VIEW_BY_NAME, true), 0);
  EXPECT_TRUE(state.Cancelled());
  EXPECT_EQ(results.GetCount(), 0);
  store->EndFind(state);
  store->CreateFindProgressDialog(nullptr);
  EXPECT_EQ(progress.GetHwnd(), nullptr);
}

TEST_F(ItemList, AddsThreeCheckedItemsWithQuantitiesToTheDocument) {
  auto doc = NewDocument();
  OpenWindow();
  window->SetAddItemsHandler([&](std::vector<std::unique_ptr<CDbRecord>> items, int) {
    // As the add form does: one quantity per item.
    ASSERT_EQ(items.size(), 3u);
    const char16_t* quantities[] = {u"2", u"3", u"4"};
    for (size_t i = 0; i < items.size(); ++i) {
      items[i]->SetField(kLineFieldQuantity, quantities[i]);
      items[i]->SetField(kLineFieldKey, u"");
    }
    CAddItemCommand add(*doc, std::move(items), true);
    EXPECT_TRUE(add.Do(false));
  });
  window->SetFindText(u"Drill");
  ASSERT_TRUE(window->FindFirst());
  TreeViewDriver driver(Tree().Window());
  driver.TapCheck(Node(u"Drill"));
  driver.TapCheck(Node(u"Hammer"));
  Expand(u"Paint");
  driver.TapCheck(Node(u"Primer"));
  Select(u"Primer");
  Command(IDOK);
  EXPECT_FALSE(window->IsVisible());
  ASSERT_EQ(doc->GetXmlDocument().CountElements(u"LINEITEM"), 3);
  std::u16string lines;
  for (LONG i = 0; i < 3; ++i) lines += LineAt(*doc, i).name.str() + u"x" + LineAt(*doc, i).quantity.str() + u";";
  EXPECT_EQ(lines, u"Primerx2;Hammerx3;Drillx4;");
}

// A group brought from the desktop holds each item as a member with its own quantity:
// the group adds those quantities, whatever place each member has in it.
TEST_F(ItemList, AddsAGroupWithTheQuantityOfEachMember) {
  Add(u"Garden", u"Item Lists", kObjectGroup);
  int position = 0;
  for (const auto& [name, quantity] : {std::pair{u"Spade", u"2"}, std::pair{u"Rake", u"1"}}) {
    auto member = CDbRecord::CDbRecordOfType(kObjectListedItem, ++position);
    member->SetField(kFieldName, name);
    member->SetField(kFieldFullName, std::u16string(u"Garden:") + name);
    member->SetField(kFieldParent, u"Garden");
    member->SetField(kFieldListType, u"Service");
    member->SetField(kFieldQuantity, quantity);
    ASSERT_EQ(store->AddItem(nullptr, *member, CItemStore::OnDuplicate::Insert), 1);
  }
  auto doc = NewDocument();
  OpenWindow();
  window->SetAddItemsHandler([&](std::vector<std::unique_ptr<CDbRecord>> items, int) {
    for (auto& item : items) item->SetField(kLineFieldKey, u"");
    CAddItemCommand add(*doc, std::move(items), true);
    EXPECT_TRUE(add.Do(false));
  });
  Tree().ChangeCheckState(Node(u"Garden"), kCheck);
  Command(IDOK);
  std::u16string lines;
  for (LONG i = 0; i < doc->GetXmlDocument().CountElements(u"LINEITEM"); ++i)
    lines += LineAt(*doc, i).name.str() + u"x" + LineAt(*doc, i).quantity.str() + u";";
  EXPECT_EQ(lines, u"Spadex2;Rakex1;");
}

TEST_F(ItemList, BarsFollowTheSelectionTheHistoryAndTheClipboard) {
  OpenWindow();
  EXPECT_NE(window->MenuBar(), nullptr);
  Command(IDM_TOOLBAR_BUTTON);
  ASSERT_NE(window->ToolBar(), nullptr);
  EXPECT_EQ(CPreferences().GetDword(u"ItemsToolBar", 0), 1u);
  EXPECT_EQ(platform::ToolbarTooltips(window->ToolBar()).size(), 13u);
  ToolbarDriver bar(window->ToolBar());
  EXPECT_EQ(bar.Tooltip(IDM_ITEMS_FIND), u"Find...");
  RECT barRect{}, treeRect{}, client{};
  GetWindowRect(window->ToolBar(), &barRect);
  GetWindowRect(Tree().Window(), &treeRect);
  GetClientRect(window->GetHwnd(), &client);
  POINT corner{client.right, client.bottom};
  ClientToScreen(window->GetHwnd(), &corner);
  EXPECT_EQ(barRect.bottom, corner.y) << "the toolbar lies along the bottom";
  EXPECT_EQ(treeRect.bottom, barRect.top + 1) << "the tree ends one pixel below its top";
  ASSERT_TRUE(SipShowIM(SIPF_ON));
  SIPINFO sip;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETSIPINFO, sizeof(sip), &sip, 0));
  GetWindowRect(window->ToolBar(), &barRect);
  EXPECT_EQ(barRect.bottom, sip.rcVisibleDesktop.bottom) << "the input panel leaves the bar above it";
  SipShowIM(SIPF_OFF);
  Select(u"Paint");
  EXPECT_EQ(bar.State(IDM_EDIT_COPY), TBSTATE_INDETERMINATE) << "a container is not copied";
  EXPECT_EQ(bar.State(IDM_EDIT_PASTE), TBSTATE_INDETERMINATE);
  EXPECT_EQ(bar.State(IDM_UNDO), TBSTATE_INDETERMINATE);
  Expand(u"Paint");
  Select(u"Primer");
  EXPECT_EQ(bar.State(IDM_EDIT_COPY), TBSTATE_ENABLED);
  bar.Tap(IDM_EDIT_COPY);
  Pump();
  EXPECT_EQ(bar.State(IDM_EDIT_PASTE), TBSTATE_ENABLED);
  dialogs.name = u"Gloss";
  Command(IDM_ITEMS_NEW_ITEM);
  EXPECT_EQ(bar.State(IDM_UNDO), TBSTATE_ENABLED);

  HMENU menu = LoadMenuW(GetResourceInstance(), MAKEINTRESOURCEW(IDR_ITEMS_MENUBAR));
  HMENU edit = GetSubMenu(menu, 1);
  window->OnInitMenuPopup(edit, IDM_ITEMS_EDIT_POPUP);
  EXPECT_GE(FindMenuItemByText(edit, u"Undo New Item"), 0);
  EXPECT_EQ(GetMenuState(edit, IDM_REDO, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(GetMenuState(edit, IDM_EDIT_PASTE, MF_BYCOMMAND) & MF_GRAYED, 0u);
  Select(u"Item Lists");
  window->OnInitMenuPopup(edit, IDM_ITEMS_EDIT_POPUP);
  EXPECT_EQ(GetMenuState(edit, IDM_ITEMS_DELETE, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED) << "the root stays";
  HMENU view = GetSubMenu(menu, 2);
  Command(IDM_ITEMS_VIEW_BY_DESCRIPTION);
  window->OnInitMenuPopup(view, IDM_ITEMS_VIEW_POPUP);
  EXPECT_EQ(GetMenuState(view, IDM_ITEMS_VIEW_BY_DESCRIPTION, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  EXPECT_EQ(GetMenuState(view, IDM_ITEMS_VIEW_BY_NAME, MF_BYCOMMAND) & MF_CHECKED, 0u);
  DestroyMenu(menu);

  Command(IDM_TOOLBAR_BUTTON);
  EXPECT_EQ(window->ToolBar(), nullptr);
  EXPECT_EQ(CPreferences().GetDword(u"ItemsToolBar", 1), 0u);

  SendMessageW(window->GetHwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(window->IsVisible());
  MSG passedOn;
  EXPECT_TRUE(PeekMessageW(&passedOn, owner, WM_CLOSE, WM_CLOSE, PM_REMOVE)) << "the request to end goes on";
}

TEST_F(ItemList, BarsHoldMenuOffersWhatTheNodeAllows) {
  OpenWindow();
  Expand(u"Tools");
  TreeViewDriver driver(Tree().Window());
  std::vector<MenuDriver::ItemView> onRoot, onLeaf;
  UiScript ui;
  ui.ExpectPopupMenu([&](MenuDriver& m) {
    onRoot = m.Items();
    m.Cancel();
  });
  ui.ExpectPopupMenu([&](MenuDriver& m) {
    onLeaf = m.Items();
    m.Choose(u"Copy");
  });
  driver.Hold(Tree().Root());
  Pump();
  driver.Hold(Node(u"Saw"));
  Pump();
  auto find = [](const std::vector<MenuDriver::ItemView>& items, std::u16string_view text) {
    for (const auto& item : items)
      if (item.text == text) return item;
    return MenuDriver::ItemView{};
  };
  EXPECT_TRUE(find(onRoot, u"Delete").grayed);
  EXPECT_TRUE(find(onRoot, u"Cut").grayed);
  EXPECT_EQ(find(onRoot, u"Add to invoice").id, 0u) << "the root is no item";
  EXPECT_EQ(find(onLeaf, u"Add to invoice").id, static_cast<UINT>(IDM_EDITOR_ADD_LINE_ITEM));
  EXPECT_FALSE(find(onLeaf, u"Delete").grayed);
  ASSERT_NE(window->Clipboard().Record(), nullptr) << "the chosen entry ran";
  EXPECT_EQ(window->Clipboard().Record()->FieldView(kFieldName), u"Saw");

  ASSERT_TRUE(window->Open(owner, 0, false, false, 2));
  ui.ExpectPopupMenu([&](MenuDriver& m) {
    onLeaf = m.Items();
    m.Cancel();
  });
  onLeaf.clear();
  if (!Node(u"Saw")) Expand(u"Tools");
  driver.Hold(Node(u"Saw"));
  Pump();
  EXPECT_FALSE(onLeaf.empty());
  EXPECT_EQ(find(onLeaf, u"Add to invoice").id, 0u) << "only when adding lines";
}

TEST_F(ItemList, BarsHoldMenuAddsEveryItemOfACategory) {
  OpenWindow();
  std::u16string added;
  window->SetAddNodeHandler([&](std::vector<std::unique_ptr<CDbRecord>> items, int) {
    for (auto& item : items) added += std::u16string(item->FieldView(kFieldName)) + u";";
  });
  UiScript ui;
  ui.ExpectPopupMenu([](MenuDriver& m) { m.Choose(u"Add to invoice"); });
  TreeViewDriver(Tree().Window()).Hold(Node(u"Tools"));
  Pump();
  EXPECT_EQ(added, u"Hammer;Bits;Drill;Saw;") << "the closed category and its group are read on the way";
}

TEST_F(ItemList, BarsLargeContainerShowsTheLoadingDialog) {
  for (int i = 0; i < 10; ++i) Add(u"Brush" + std::u16string(1, static_cast<char16_t>(u'A' + i)), u"Paint", kObjectItem);
  OpenWindow();
  Expand(u"Paint");  // Primer and ten brushes
  EXPECT_EQ(Tree().LoadingDialogCount(), 1);
  Expand(u"Tools");
  EXPECT_EQ(Tree().LoadingDialogCount(), 1) << "three children load without it";
}

// The main window as the editor sees it: it runs the document history.
CCommandProcessor* g_documentHistory = nullptr;
LRESULT DocumentHistoryWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kMsgEditCommand && g_documentHistory) return HandleEditCommandMessage(*g_documentHistory, wParam, lParam);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

TEST_F(ItemList, AddsFromTheEditorWhatWasFoundAndCheckedAndTakesARenameBack) {
  InstallServices();
  MakeFolders();
  CCommandProcessor documentHistory{kDocumentHistoryDepth};
  g_documentHistory = &documentHistory;
  WNDCLASSW wc{};
  wc.lpfnWndProc = DocumentHistoryWindow;
  wc.lpszClassName = u"ItemListMain";
  RegisterClassW(&wc);
  main = CreateWindowW(u"ItemListMain", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
  editor = std::make_unique<CDocumentView>(nullptr, main, &documentHistory, &history, store, m_settings.get());
  editor->NewDocument(kDocInvoice);
  SendMessageW(editor->GetWindow(), WM_COMMAND, IDM_EDITOR_ADD_LINE_ITEM, 0);
  ASSERT_TRUE(editor->IsItemListVisible());
  CItemListWnd& list = *editor->GetItemListWnd();
  TreeViewDriver driver(list.Tree()->Window());
  list.SetFindText(u"Drill");
  ASSERT_TRUE(list.FindFirst());
  driver.TapCheck(driver.Find(u"Drill"));
  driver.TapCheck(driver.Find(u"Hammer"));
  driver.TapButton(driver.Find(u"Paint"));
  driver.TapCheck(driver.Find(u"Primer"));
  list.Tree()->Select(driver.Find(u"Primer"));

  UiScript ui;
  std::vector<std::u16string> headings;
  ui.ExpectDialog(IDD_ADD_LINE_ITEMS, [&](DialogDriver& d) {
    for (const char16_t* quantity : {u"2", u"3", u"4"}) {
      headings.push_back(d.Text(IDC_DIALOG_HEADING));
      slateway::testing::TypeIntoField(d, d.Window(), 0, quantity);
      d.Press(IDC_FORM_EXTRA1);  // Add
    }
  });
  list.OnCommand(IDOK);
  Pump();
  EXPECT_FALSE(editor->IsItemListVisible());
  CSalesDocument& doc = editor->GetDocument();
  ASSERT_EQ(doc.GetXmlDocument().CountElements(u"LINEITEM"), 3);
  std::u16string lines;
  for (LONG i = 0; i < 3; ++i) lines += LineAt(doc, i).name.str() + u"x" + LineAt(doc, i).quantity.str() + u";";
  EXPECT_EQ(lines, u"Primerx2;Hammerx3;Drillx4;");
  EXPECT_EQ(headings.back(), u"Adding Item 3 of 3");
  EXPECT_EQ(documentHistory.GetUndoCount(), 3u) << "each line is a step of the document";

  SendMessageW(editor->GetWindow(), WM_COMMAND, IDM_EDITOR_ADD_LINE_ITEM, 0);
  list.Tree()->Select(driver.Find(u"Hammer"));
  dialogs.name = u"Mallet";
  list.OnCommand(IDM_ITEMS_EDIT);
  Pump();
  EXPECT_NE(driver.Find(u"Mallet"), nullptr);
  EXPECT_NE(Rows().find(u"Tools:Mallet;"), std::u16string::npos);
  list.OnCommand(IDM_UNDO);
  Pump();
  EXPECT_NE(driver.Find(u"Hammer"), nullptr);
  EXPECT_NE(Rows().find(u"Tools:Hammer;"), std::u16string::npos);
  EXPECT_EQ(Rows().find(u"Mallet"), std::u16string::npos);
  editor.reset();
  g_documentHistory = nullptr;
}

}  // namespace
