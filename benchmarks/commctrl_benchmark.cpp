// The common controls at size: an owner-data list view of 100,000 rows created, scrolled
// to the end and painted (counting the rows it asks its parent for), and a tree of n nodes
// under one parent inserted and painted, for n from 1,000 to 16,000 (10,000 among them) (the fitted complexity
// shows whether the cost grows linearly).
//
// Run by hand from a Release build: build-rel/bin/commctrl_benchmarks
#include <benchmark/benchmark.h>

#include <string>

#include "platform/base/Base.h"
#include "platform/commctrl/CommCtrl.h"
#include "platform/user/Paint.h"

namespace {

int64_t g_asked = 0;  // LVN_GETDISPINFOW notifications the parent answered

LRESULT ParentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(l)->code == LVN_GETDISPINFOW) {
    ++g_asked;
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(l);
    static const char16_t kText[] = u"Customer name";
    std::copy(kText, kText + sizeof(kText) / sizeof(kText[0]), info->item.pszText);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

HWND Parent() {
  static bool registered = [] {
    InitCommonControls();
    WNDCLASSW wc;
    wc.lpfnWndProc = ParentProc;
    wc.lpszClassName = u"BenchParent";
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  return CreateWindowExW(0, u"BenchParent", u"", WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr, nullptr);
}

void BM_OwnerDataListScrolledToTheEnd(benchmark::State& state) {
  constexpr int kRows = 100000;
  int64_t asked = 0;
  int64_t rounds = 0;
  for (auto _ : state) {
    HWND parent = Parent();
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, u"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL,
                                0, 20, 240, 280, parent, nullptr, nullptr, nullptr);
    LVCOLUMNW col;
    col.mask = LVCF_WIDTH;
    col.cx = 150;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
    col.cx = 90;
    SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
    SendMessageW(list, LVM_SETITEMCOUNT, kRows, 0);
    g_asked = 0;
    SendMessageW(list, LVM_ENSUREVISIBLE, kRows - 1, FALSE);
    platform::PaintScreen();
    asked += g_asked;
    ++rounds;
    DestroyWindow(parent);
  }
  state.counters["texts_asked"] = benchmark::Counter(static_cast<double>(asked) / static_cast<double>(rounds));
}
BENCHMARK(BM_OwnerDataListScrolledToTheEnd)->Unit(benchmark::kMillisecond);

void BM_TreeUnderOneParent(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  std::vector<std::u16string> names;
  for (int i = 0; i < n; ++i) names.push_back(u"Item " + platform::ToUtf16(std::to_string(i)));
  for (auto _ : state) {
    HWND parent = Parent();
    HWND tree = CreateWindowExW(0, WC_TREEVIEWW, u"", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT,
                                0, 0, 240, 300, parent, nullptr, nullptr, nullptr);
    TVINSERTSTRUCTW ins;
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<LPWSTR>(u"Item Lists");
    auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    ins.hParent = root;
    for (const std::u16string& name : names) {
      ins.item.pszText = const_cast<LPWSTR>(name.c_str());
      SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins));
    }
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    platform::PaintScreen();
    DestroyWindow(parent);
  }
  state.SetComplexityN(n);
}
BENCHMARK(BM_TreeUnderOneParent)->Arg(1000)->Arg(4000)->Arg(10000)->Arg(16000)->Complexity()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
