// The items list over a store of 10,000 items (10 categories of 900 items and one group of
// 1,000), each beside the store's own walk of the same rows:
//   OpenTree        the tree made and filled (the root and its categories), painted
//   ExpandGroup     the group of 1,000 items loaded into the tree and painted, then closed
//   StoreWalkGroup  anchor: the store's child cursor over the same 1,000 rows
//   FindWithDialog  a text found among the 10,000 items with the find dialog pumping
//                   messages between nodes (the match is the last item walked)
//   FindStoreWalk   anchor: the same search with no dialog
//
// Run by hand from a Release build: bin/items_list_benchmarks
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "BenchmarkDevice.h"
#include "core/PointerList.h"
#include "core/ResourceText.h"
#include "datastore/ItemStore.h"
#include "editor/FindProgressDlg.h"
#include "editor/ListTreeView.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/module/Module.h"
#include "platform/user/Paint.h"
#include "platform/user/Window.h"

namespace {

using bench::Number;

constexpr int kCategories = 10;
constexpr int kPerCategory = 900;
constexpr int kGroupItems = 1000;

void AddNode(CItemStore& store, int kind, const std::u16string& name, const std::u16string& parent,
             const std::u16string& fullName) {
  auto record = CDbRecord::CDbRecordOfType(kind, -1);
  record->SetField(kFieldName, name);
  record->SetField(kFieldFullName, fullName);
  record->SetField(kFieldParent, parent);
  record->SetField(kFieldListType, kind == kObjectGroup ? u"Group" : u"Inventory Part");
  record->SetField(kFieldSalesDescription, u"Description of " + name);
  store.AddItem(nullptr, *record, CItemStore::OnDuplicate::Insert);
}

CItemStore& Store() {
  static CItemStore* store = [] {
    bench::Scratch();
    static CItemStore instance(nullptr);
    instance.Database().SetNotices(&bench::Quiet());
    if (!instance.Open(u"\\items.db")) std::abort();
    instance.BeginTransaction();
    instance.AddRootNode(u"My Lists", u"", kObjectRoot);
    instance.AddRootNode(u"Item Lists", u"My Lists", kObjectRoot);
    int n = 0;
    for (int c = 0; c < kCategories; ++c) {
      std::u16string category = u"Category " + Number(c);
      AddNode(instance, kObjectCategory, category, u"Item Lists", category);
      for (int i = 0; i < kPerCategory; ++i, ++n) {
        std::u16string name = u"Item " + Number(n);
        AddNode(instance, kObjectItem, name, category, category + u":" + name);
      }
    }
    AddNode(instance, kObjectGroup, u"Kit", u"Category 9", u"Category 9:Kit");
    for (int i = 0; i < kGroupItems; ++i, ++n) {
      std::u16string name = n == kCategories * kPerCategory + kGroupItems - 1 ? u"Needle" : u"Part " + Number(n);
      AddNode(instance, kObjectItem, name, u"Category 9:Kit", u"Category 9:Kit:" + name);
    }
    instance.CommitTransaction();
    return &instance;
  }();
  return *store;
}

HWND Parent() {
  static HWND parent = [] {
    INITCOMMONCONTROLSEX init;
    init.dwICC = ICC_TREEVIEW_CLASSES;
    InitCommonControlsEx(&init);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = u"BenchItemList";
    RegisterClassW(&wc);
    return CreateWindowW(u"BenchItemList", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr,
                         nullptr);
  }();
  return parent;
}

// The resource library, for the find dialog's template.
HINSTANCE Resources() { return bench::Scratch().LoadLanguage(); }

void BM_OpenTree(benchmark::State& state) {
  CItemStore& store = Store();
  for (auto _ : state) {
    CListTreeView tree(nullptr, Parent(), &store, true, false);
    tree.Fill();
    UpdateWindow(tree.Window());
    if (!tree.Root()) state.SkipWithError("no tree");
  }
}

void BM_ExpandGroup(benchmark::State& state) {
  CItemStore& store = Store();
  CListTreeView tree(nullptr, Parent(), &store, true, false);
  tree.Fill();
  HTREEITEM category = tree.FindText(nullptr, u"Category 9");
  tree.FillChildren(category, *tree.RecordOf(category));
  SendMessageW(tree.Window(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(category));
  HTREEITEM group = tree.FindChildByName(category, u"Kit");
  CDbRecord* record = tree.RecordOf(group);
  int children = 0;
  for (auto _ : state) {
    tree.FillChildren(group, *record);
    SendMessageW(tree.Window(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(group));
    UpdateWindow(tree.Window());
    children = static_cast<int>(SendMessageW(tree.Window(), TVM_GETCOUNT, 0, 0));
    state.PauseTiming();
    SendMessageW(tree.Window(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(group));
    tree.CollapseNode(group, *record);
    state.ResumeTiming();
  }
  state.counters["nodes"] = children;
  state.SetItemsProcessed(state.iterations() * kGroupItems);
}

void BM_StoreWalkGroup(benchmark::State& state) {
  CItemStore& store = Store();
  size_t characters = 0;
  for (auto _ : state) {
    std::unique_ptr<CDbRecord> node;
    auto cursor = store.GetFirstChild(u"Category 9:Kit", node, {.prepareOnly = true});
    int rows = 0;
    while (cursor && (node = store.GetNextChild(*cursor))) {
      characters += node->FieldView(kFieldName).size();
      ++rows;
    }
    if (rows != kGroupItems) state.SkipWithError("wrong count");
  }
  benchmark::DoNotOptimize(characters);
  state.SetItemsProcessed(state.iterations() * kGroupItems);
}

void Find(benchmark::State& state, IFindProgress* progress) {
  CItemStore& store = Store();
  store.CreateFindProgressDialog(progress);
  for (auto _ : state) {
    CTypedPointerList<CDbRecord> results;
    CFindState find;
    if (!store.FindText(u"My Lists", u"NEEDLE", results, find, false, IDM_ITEMS_VIEW_BY_NAME, true))
      state.SkipWithError("not found");
    store.EndFind(find);
    results.DeleteAll();
  }
  store.CreateFindProgressDialog(nullptr);
  state.SetItemsProcessed(state.iterations() * (kCategories * kPerCategory + kGroupItems));
}

void BM_FindWithDialog(benchmark::State& state) {
  CFindProgressDlg dialog(Resources(), Parent());
  Find(state, &dialog);
}

void BM_FindStoreWalk(benchmark::State& state) { Find(state, nullptr); }

}  // namespace

BENCHMARK(BM_OpenTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpandGroup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreWalkGroup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindWithDialog)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FindStoreWalk)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
