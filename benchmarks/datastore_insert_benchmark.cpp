// Inserting 10,000 items: through the item statements one by one (each its own
// transaction), through the item statements inside one transaction, and through one
// prepared statement with bound values (the anchor: what the engine itself needs).
//
// Run by hand from a Release build: build/bin/datastore_benchmarks
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "datastore/DbRecord.h"
#include "datastore/SqlDatabase.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/registry/Registry.h"
#include "BenchmarkDevice.h"

namespace {

using bench::FreshPath;
using bench::Scratch;

constexpr int kRows = 10000;

const std::vector<CItemRow>& Rows() {
  static std::vector<CItemRow> rows = [] {
    std::vector<CItemRow> out;
    out.reserve(kRows);
    const char16_t* types[] = {u"Service", u"Inventory Part", u"Non-inventory Part", u"Other Charge"};
    for (int i = 0; i < kRows; ++i) {
      CItemRow row;
      std::u16string n = platform::ToUtf16(std::to_string(i));
      row[kRowListID] = NewListId();
      row[kRowListType] = CBstr(types[i % 4]);
      row[kRowName] = CBstr(u"Item " + n);
      row[kRowFullName] = CBstr(u"Category " + platform::ToUtf16(std::to_string(i % 50)) + u":Item " + n);
      row[kRowSalesDescription] = CBstr(u"Description of item " + n + u", with a customer's note");
      row[kRowSalesAmount] = CBstr(u"19.95");
      row[kRowTaxable] = CBstr(u"Tax");
      row[kRowTimeCreated] = CBstr(u"2026-01-05T09:00:00");
      row[kRowTimeModified] = CBstr(u"2026-01-05T09:00:00");
      row[kRowEditSequence] = CBstr(u"1767600000");
      row[kRowPurchaseCost] = CBstr(u"8.40");
      row[kRowAccount] = CBstr(u"Sales");
      row[kRowVendor] = CBstr(u"Supplier " + platform::ToUtf16(std::to_string(i % 20)));
      row[kRowParent] = CBstr(u"Category " + platform::ToUtf16(std::to_string(i % 50)));
      for (int slot : {15, 16, 17, 18, 19, 20, 23, 24}) row[slot] = CBstr(u"1");
      row[kRowObjectPosition] = CBstr(u"-1");
      out.push_back(std::move(row));
    }
    return out;
  }();
  return rows;
}

void BM_ItemStatementsAlone(benchmark::State& state) {
  Scratch();
  const auto& rows = Rows();
  for (auto _ : state) {
    state.PauseTiming();
    CSqlDatabase db;
    db.SetNotices(&bench::Quiet());
    if (db.Open(FreshPath()) != 0) state.SkipWithError("open failed");
    state.ResumeTiming();
    for (const CItemRow& row : rows) {
      if (!db.AddRecord(row)) state.SkipWithError("insert failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_ItemStatementsInOneTransaction(benchmark::State& state) {
  Scratch();
  const auto& rows = Rows();
  for (auto _ : state) {
    state.PauseTiming();
    CSqlDatabase db;
    db.SetNotices(&bench::Quiet());
    if (db.Open(FreshPath()) != 0) state.SkipWithError("open failed");
    state.ResumeTiming();
    db.BeginTransaction();
    for (const CItemRow& row : rows) {
      if (!db.AddRecord(row)) state.SkipWithError("insert failed");
    }
    if (db.CommitTransaction() != 0) state.SkipWithError("commit failed");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// The same rows through one prepared statement with bound values: what the engine needs.
void BM_PreparedStatementInOneTransaction(benchmark::State& state) {
  Scratch();
  const auto& rows = Rows();
  for (auto _ : state) {
    state.PauseTiming();
    std::u16string path = FreshPath();
    bench::MakeDatabase(path);
    sqlite3* db = nullptr;
    sqlite3_open(platform::MapDevicePath(path).string().c_str(), &db);
    state.ResumeTiming();
    if (!bench::PreparedInsert(db, rows)) state.SkipWithError("insert failed");
    state.PauseTiming();
    sqlite3_close(db);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BM_ItemStatementsAlone)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ItemStatementsInOneTransaction)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PreparedStatementInOneTransaction)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
