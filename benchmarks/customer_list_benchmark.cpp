// The customer list window over 5,000 and 50,000 customers: the background load (list and
// letter index), the first show until its first rows are painted, a letter jump, and
// scrolling to the end, beside a bare SELECT of the same rows (all of them, and the last
// screen of them).
//
// Run by hand from a Release build: build-rel/bin/customer_list_benchmarks
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "BenchmarkDevice.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "customers/CustomerListWnd.h"
#include "datastore/CustomerSource.h"
#include "datastore/ItemStore.h"
#include "platform/base/Base.h"
#include "platform/module/Module.h"
#include "platform/user/Window.h"

namespace fs = std::filesystem;

namespace {

constexpr char kListQuery[] =
    "Select ListID, Name, FullName, Sublevel, CompanyName, Phone, TotalBalance FROM CustomerList "
    "Order By UPPER(FullName)";

// A store of `count` customers under every letter, filled once per size.
CItemStore& Store(int count) {
  static std::map<int, std::unique_ptr<CItemStore>> stores;
  auto& store = stores[count];
  if (store) return *store;
  bench::Scratch();
  store = std::make_unique<CItemStore>(nullptr);
  store->Database().SetNotices(&bench::Quiet());
  if (!store->Open(u"\\customers" + bench::Number(count) + u".db")) std::abort();
  store->BeginTransaction();
  for (int i = 0; i < count; ++i) {
    CTableCustomer customer;
    std::u16string name = std::u16string(1, char16_t(u'A' + i % 26)) + u"ustomer " + bench::Number(i);
    customer.SetField(kCustName, name);
    customer.SetField(kCustFullName, name);
    customer.SetField(kCustPhone, u"555-" + bench::Number(1000 + i % 9000));
    if (!store->InsertCustomer(customer.Fields())) std::abort();
  }
  store->CommitTransaction();
  return *store;
}

// The window made as the main window makes it at start-up, its loader run to its end;
// `show` then shows it and paints its first rows.
struct OpenList {
  explicit OpenList(int count, bool show = true) : source(nullptr, Store(count)) {
    bench::Scratch().LoadLanguage();
    window = std::make_unique<CCustomerListWnd>(GetResourceInstance(), nullptr, &source, &preferences);
    window->StartLoader(CCustomerLoader::kPriorityBelowNormal);
    window->WaitForLoader();
    if (show) Show();
  }
  void Show() {
    window->Show(nullptr, CCustomerListWnd::kManageMode);
    UpdateWindow(window->ListWindow());
  }
  CPreferences preferences;
  CQBCustomerSource source;
  std::unique_ptr<CCustomerListWnd> window;
};

// What the loader does in the background: prepare, load the list, index the letters.
void BM_BackgroundLoad(benchmark::State& state) {
  CQBCustomerSource source(nullptr, Store(static_cast<int>(state.range(0))));
  CCustomerLoader loader;
  for (auto _ : state) {
    loader.Start(source, u"", false, CCustomerLoader::kPriorityNormal);
    loader.Wait();
  }
}
// The work runs on the loader's thread: the time that counts is the wall clock, not this
// thread's processor time (which stays near nothing while it waits, so iterations would
// pile up until the processor time reached its minimum).
BENCHMARK(BM_BackgroundLoad)->Arg(5000)->Arg(50000)->UseRealTime()->Unit(benchmark::kMillisecond);

// From the first Show to the first rows painted.
void BM_FirstRowsPainted(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto list = std::make_unique<OpenList>(count, false);
    state.ResumeTiming();
    list->Show();
    state.PauseTiming();
    list.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FirstRowsPainted)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_LetterJump(benchmark::State& state) {
  OpenList list(static_cast<int>(state.range(0)));
  int button = 0;
  for (auto _ : state) {
    list.window->PressLetterButton(CLetterJump::kFirstButton + button);
    UpdateWindow(list.window->ListWindow());
    button = (button + 1) % CLetterJump::kButtonCount;
  }
}
BENCHMARK(BM_LetterJump)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_ScrollToTheEnd(benchmark::State& state) {
  OpenList list(static_cast<int>(state.range(0)));
  HWND view = list.window->ListWindow();
  const auto last = static_cast<WPARAM>(state.range(0) - 1);
  for (auto _ : state) {
    SendMessageW(view, LVM_ENSUREVISIBLE, last, FALSE);
    UpdateWindow(view);
    state.PauseTiming();
    SendMessageW(view, LVM_ENSUREVISIBLE, 0, FALSE);
    UpdateWindow(view);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ScrollToTheEnd)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The same rows straight from SQLite: all of them, or one screen (15) at an offset.
void SelectRows(int count, const std::string& tail) {
  const std::string file = (bench::Scratch().Root() / ("customers" + std::to_string(count) + ".db")).string();
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) std::abort();
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, (kListQuery + tail).c_str(), -1, &statement, nullptr);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    for (int c = 0; c < 7; ++c) benchmark::DoNotOptimize(sqlite3_column_text16(statement, c));
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
}

void BM_BareSelectAllRows(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Store(count);
  for (auto _ : state) SelectRows(count, "");
}
BENCHMARK(BM_BareSelectAllRows)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_BareSelectLastScreen(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Store(count);
  for (auto _ : state) SelectRows(count, " LIMIT 15 OFFSET " + std::to_string(count - 15));
}
BENCHMARK(BM_BareSelectLastScreen)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
