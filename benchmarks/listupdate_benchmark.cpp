// Importing the large sample set (10,000 items in categories, 50 groups, 5,000 customers):
// into an empty store, and again over itself (which must change nothing), against the
// anchor: the very rows the import stored, inserted into a fresh file with one prepared
// statement per table in one transaction.
//
// Run by hand from a Release build: build/bin/listupdate_benchmarks
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "BenchmarkDevice.h"
#include "UpdateListSample.h"
#include "core/CompanyInfo.h"
#include "core/Folders.h"
#include "core/TextHelpers.h"
#include "datastore/CustomerSource.h"
#include "datastore/ItemStore.h"
#include "listupdate/ListUpdater.h"

namespace {

// A progress window nobody aborts.
class QuietProgress final : public IUpdateProgress {
 public:
  bool SetStatus(const std::u16string*) override { return true; }
  bool SetStatusId(UINT) override { return true; }
  void SetAbort(bool) override {}
  bool IsAborted() const override { return false; }
  HWND GetHwnd() const override { return nullptr; }
};

std::u16string DatabaseFolder() {
  bench::Scratch();
  CBstr folder;
  GetDatabaseFilePath(folder, false);
  AppendBackslash(folder);
  std::filesystem::create_directories(platform::MapDevicePath(folder.str()));
  return folder.str();
}

// One import of the files lying in the database folder into the store at `path`.
bool Import(const std::u16string& path) {
  CItemStore store(nullptr);
  store.Database().SetNotices(&bench::Quiet());
  if (store.Open(path) != 1) return false;
  CQBCustomerSource customers(nullptr, store);
  CCompanyInfo company(nullptr, CCompanyInfo::kFirstCompany);
  QuietProgress progress;
  CListUpdater job(&store, &customers, &company, nullptr, &progress, nullptr, u"");
  return job.Run(nullptr) == 1;
}

using Table = std::vector<std::vector<std::string>>;

Table ReadTable(const std::u16string& path, const char* select) {
  sqlite3* db = nullptr;
  sqlite3_open(platform::MapDevicePath(path).string().c_str(), &db);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, select, -1, &st, nullptr);
  Table rows;
  while (sqlite3_step(st) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int c = 0; c < sqlite3_column_count(st); ++c) {
      const unsigned char* text = sqlite3_column_text(st, c);
      row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

// What an import leaves, but the ids the handheld makes itself for group members.
Table Snapshot(const std::u16string& path) {
  Table items = ReadTable(path,
                          "SELECT CASE WHEN ObjectType = 16 THEN '' ELSE ListID END, ListType, Name, FullName, "
                          "SalesDescription, SalesAmount, PurchaseCost, Taxable, Parent, ObjectType, ObjectPosition, "
                          "TimeModified, QuantityOnHand, ReorderPoint FROM ItemsList ORDER BY Parent, Name, ObjectType");
  Table people = ReadTable(path, "SELECT * FROM CustomerList ORDER BY ListID");
  items.insert(items.end(), people.begin(), people.end());
  return items;
}

// The anchor: rows inserted with one prepared statement, every value bound, one transaction.
bool InsertRows(sqlite3* db, const char* table, const Table& rows) {
  if (rows.empty()) return true;
  std::string sql = std::string("INSERT INTO ") + table + " VALUES (?";
  for (size_t c = 1; c < rows[0].size(); ++c) sql += ",?";
  sql += ")";
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return false;
  bool ok = true;
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c)
      sqlite3_bind_text(st, static_cast<int>(c + 1), row[c].c_str(), static_cast<int>(row[c].size()), SQLITE_STATIC);
    ok = sqlite3_step(st) == SQLITE_DONE && ok;
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  return ok;
}

struct Sample {
  std::u16string folder;
  Table items, people;  // the rows one import stores
};

const Sample& TheSample() {
  static Sample sample = [] {
    Sample s;
    s.folder = DatabaseFolder();
    std::u16string path = bench::FreshPath();
    if (!bench::WriteSampleUpdateLists(s.folder) || !Import(path)) std::abort();
    s.items = ReadTable(path, "SELECT * FROM ItemsList");
    s.people = ReadTable(path, "SELECT * FROM CustomerList");
    return s;
  }();
  return sample;
}

// A new empty database, and the sample files written again (each import deletes them).
std::u16string FreshStoreAndFiles(const Sample& sample) {
  std::u16string path = bench::FreshPath();
  bench::MakeDatabase(path);
  bench::WriteSampleUpdateLists(sample.folder);
  return path;
}

void BM_ImportIntoEmptyStore(benchmark::State& state) {
  const Sample& sample = TheSample();
  for (auto _ : state) {
    state.PauseTiming();
    std::u16string path = FreshStoreAndFiles(sample);
    state.ResumeTiming();
    if (!Import(path)) state.SkipWithError("the import failed");
  }
  state.counters["rows"] = static_cast<double>(sample.items.size() + sample.people.size());
}
BENCHMARK(BM_ImportIntoEmptyStore)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportOverItself(benchmark::State& state) {
  const Sample& sample = TheSample();
  for (auto _ : state) {
    state.PauseTiming();
    std::u16string path = FreshStoreAndFiles(sample);
    Import(path);
    Table first = Snapshot(path);
    bench::WriteSampleUpdateLists(sample.folder);
    state.ResumeTiming();
    if (!Import(path)) state.SkipWithError("the import failed");
    state.PauseTiming();
    if (Snapshot(path) != first) state.SkipWithError("the second import changed the store");
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ImportOverItself)->Unit(benchmark::kMillisecond)->UseRealTime();

// Where the time goes: only reading the two files and every record in them.
void BM_ReadFilesOnly(benchmark::State& state) {
  const Sample& sample = TheSample();
  size_t records = 0;
  for (auto _ : state) {
    state.PauseTiming();
    bench::WriteSampleUpdateLists(sample.folder);
    state.ResumeTiming();
    CUpdateListReader reader(nullptr);
    UpdateItemRecord item;
    reader.LoadFile(sample.folder + u"NWQItems.xml");
    for (int more = reader.FirstItem(item); more; more = reader.NextItem(item)) ++records;
    reader.LoadFile(sample.folder + u"NWQCustomers.xml");
    for (auto customer = reader.FirstCustomer(); customer; customer = reader.NextCustomer()) ++records;
  }
  benchmark::DoNotOptimize(records);
}
BENCHMARK(BM_ReadFilesOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RawInsertOfTheSameRows(benchmark::State& state) {
  const Sample& sample = TheSample();
  for (auto _ : state) {
    state.PauseTiming();
    std::u16string path = bench::FreshPath();
    bench::MakeDatabase(path);
    state.ResumeTiming();
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(platform::MapDevicePath(path).string().c_str(), &db) == SQLITE_OK;
    ok = ok && sqlite3_exec(db, "BEGIN TRANSACTION;", nullptr, nullptr, nullptr) == SQLITE_OK;
    ok = ok && InsertRows(db, "ItemsList", sample.items) && InsertRows(db, "CustomerList", sample.people);
    ok = sqlite3_exec(db, "COMMIT TRANSACTION;", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
    sqlite3_close(db);
    if (!ok) state.SkipWithError("an insert failed");
  }
}
BENCHMARK(BM_RawInsertOfTheSameRows)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
