// The store's data paths at sizes a large company brings, each beside the engine doing the
// same work with one prepared statement or one plain SELECT:
//   Import*     items added with the duplicate-name check, into one category and spread over
//               50 categories, 10,000 and 20,000 items; anchor: prepared inserts
//   Customers*  every customer replaced (delete by ListID, insert), 5,000 and 50,000
//   Category*   one category's rows with their child counts, 10,000 and 100,000 rows;
//               anchor: a plain SELECT of the same rows
//   Find*       a text found among 100,000 items (the match is the last item walked), in a
//               database holding that tree alone; anchor: a plain SELECT testing the same
//               texts in the same database
//
// Run by hand from a Release build: bin/datastore_paths_benchmarks
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchmarkDevice.h"
#include "datastore/CustomerRecord.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"

namespace {

using bench::Number;

std::unique_ptr<CDbRecord> Category(const std::u16string& name, std::u16string_view parent) {
  auto category = CDbRecord::CDbRecordOfType(kObjectCategory, -1);
  category->SetField(kFieldName, name);
  category->SetField(kFieldFullName, name);
  category->SetField(kFieldParent, parent);
  category->SetField(kFieldListType, u"Inventory Part");
  return category;
}

std::unique_ptr<CDbRecord> Item(int n, const std::u16string& name, const std::u16string& category) {
  auto item = CDbRecord::CDbRecordOfType(kObjectItem, -1);
  item->SetField(kFieldListID, NewListId().view());
  item->SetField(kFieldName, name);
  item->SetField(kFieldFullName, category + u":" + name);
  item->SetField(kFieldParent, category);
  item->SetField(kFieldListType, u"Inventory Part");
  item->SetField(kFieldSalesDescription, u"Description of item " + Number(n));
  item->SetField(kFieldSalesAmount, u"19.95");
  return item;
}

std::u16string CategoryName(int c) { return u"Category " + Number(c); }

// ---- Import with the duplicate check --------------------------------------------------------

struct ImportRows {
  std::vector<std::unique_ptr<CDbRecord>> records;
  std::vector<CItemRow> rows;  // the same items as the anchor inserts them
};

const ImportRows& ImportOf(int items, int categories) {
  static std::vector<std::unique_ptr<ImportRows>> made;
  static std::vector<std::pair<int, int>> keys;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == std::make_pair(items, categories)) return *made[i];
  }
  auto rows = std::make_unique<ImportRows>();
  for (int n = 0; n < items; ++n) {
    std::u16string category = CategoryName(n % categories);
    rows->records.push_back(Item(n, u"Item " + Number(n), category));
    const CDbRecord& r = *rows->records.back();
    CItemRow row;
    for (auto [slot, field] : {std::pair{kRowListID, kFieldListID}, {kRowListType, kFieldListType}, {kRowName, kFieldName},
                               {kRowFullName, kFieldFullName}, {kRowParent, kFieldParent},
                               {kRowSalesDescription, kFieldSalesDescription}, {kRowSalesAmount, kFieldSalesAmount}})
      row[slot] = CBstr(r.FieldView(field));
    for (int slot : {15, 16, 17, 18, 19, 20}) row[slot] = CBstr(u"0");
    row[kRowObjectPosition] = CBstr(u"-1");
    row[kRowObjectType] = CBstr(u"1");
    row[kRowIsOpen] = CBstr(u"0");
    rows->rows.push_back(std::move(row));
  }
  keys.emplace_back(items, categories);
  made.push_back(std::move(rows));
  return *made.back();
}

void BM_ImportWithDuplicateCheck(benchmark::State& state) {
  const int items = static_cast<int>(state.range(0));
  const int categories = static_cast<int>(state.range(1));
  const ImportRows& import = ImportOf(items, categories);
  for (auto _ : state) {
    state.PauseTiming();
    CItemStore store(nullptr);
    store.Database().SetNotices(&bench::Quiet());
    if (!store.Open(bench::FreshPath())) state.SkipWithError("open failed");
    state.ResumeTiming();
    store.BeginTransaction();
    for (const auto& record : import.records) {
      if (store.AddItem(nullptr, *record, CItemStore::OnDuplicate::Refuse) != 1) state.SkipWithError("refused");
    }
    store.CommitTransaction();
  }
  state.SetItemsProcessed(state.iterations() * items);
}

void BM_ImportAnchorPreparedInsert(benchmark::State& state) {
  const ImportRows& import = ImportOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    state.PauseTiming();
    std::u16string path = bench::FreshPath();
    bench::MakeDatabase(path);
    sqlite3* db = nullptr;
    sqlite3_open(platform::MapDevicePath(path).string().c_str(), &db);
    state.ResumeTiming();
    if (!bench::PreparedInsert(db, import.rows)) state.SkipWithError("insert failed");
    state.PauseTiming();
    sqlite3_close(db);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// ---- Replacing every customer ---------------------------------------------------------------

CTableCustomer CustomerNumber(int i) {
  CTableCustomer customer;
  customer.SetField(kCustListID, u"80000" + Number(i) + u"-1767600000");
  customer.SetField(kCustName, u"Customer " + Number(i));
  customer.SetField(kCustFullName, u"Customer " + Number(i));
  customer.SetField(kCustSublevel, u"0");
  customer.SetField(kCustCompanyName, u"Company " + Number(i));
  customer.SetField(kCustPhone, u"555-" + Number(1000 + i));
  customer.SetField(kCustBillToCity, u"Springfield");
  return customer;
}

void BM_ReplaceEveryCustomer(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  std::vector<CTableCustomer> customers;
  for (int i = 0; i < count; ++i) customers.push_back(CustomerNumber(i));
  CItemStore store(nullptr);
  store.Database().SetNotices(&bench::Quiet());
  if (!store.Open(bench::FreshPath())) state.SkipWithError("open failed");
  store.BeginTransaction();
  for (const CTableCustomer& customer : customers) store.InsertCustomer(customer.Fields());
  store.CommitTransaction();
  for (auto _ : state) {
    store.BeginTransaction();
    for (const CTableCustomer& customer : customers) {
      if (store.ReplaceCustomer(customer.Fields()) != 1) state.SkipWithError("replace failed");
    }
    store.CommitTransaction();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

// ---- One category's rows and the find --------------------------------------------------------

constexpr int kFindCategories = 50;
constexpr int kFindItems = 100000;

// One database for the category rows: "Small" holds 10,000 items, "Large" 100,000.
CItemStore& Store() {
  static CItemStore* store = [] {
    bench::Scratch();  // first, so the store closes before the scratch root goes
    static CItemStore instance(nullptr);
    instance.Database().SetNotices(&bench::Quiet());
    if (!instance.Open(u"\\paths.db")) std::abort();
    instance.BeginTransaction();
    for (auto [name, size] : {std::pair{u"Small", 10000}, {u"Large", 100000}}) {
      instance.AddItem(nullptr, *Category(name, u"Lists"), CItemStore::OnDuplicate::Insert);
      for (int n = 0; n < size; ++n)
        instance.AddItem(nullptr, *Item(n, u"Item " + Number(n), name), CItemStore::OnDuplicate::Insert);
    }
    instance.CommitTransaction();
    return &instance;
  }();
  return *store;
}

// A database of its own for the find, holding nothing but the tree searched: My Lists >
// Item Lists > 50 categories of 100,000 items with "Needle" last of all.
CItemStore& FindStore() {
  static CItemStore* store = [] {
    bench::Scratch();
    static CItemStore instance(nullptr);
    instance.Database().SetNotices(&bench::Quiet());
    if (!instance.Open(u"\\find.db")) std::abort();
    instance.BeginTransaction();
    instance.AddRootNode(u"My Lists", u"", kObjectRoot);
    instance.AddRootNode(u"Item Lists", u"My Lists", kObjectRoot);
    for (int c = 0; c < kFindCategories; ++c) {
      std::u16string category = CategoryName(c);
      instance.AddItem(nullptr, *Category(category, u"Item Lists"), CItemStore::OnDuplicate::Insert);
      const int perCategory = kFindItems / kFindCategories;
      for (int i = 0; i < perCategory; ++i) {
        int n = c * perCategory + i;
        std::u16string name = n == kFindItems - 1 ? u"Needle" : u"Item " + Number(n);
        instance.AddItem(nullptr, *Item(n, name, category), CItemStore::OnDuplicate::Insert);
      }
    }
    instance.CommitTransaction();
    return &instance;
  }();
  return *store;
}

const char16_t* CategoryOfSize(int64_t size) { return size == 10000 ? u"Small" : u"Large"; }

void BM_CategoryRowsWithChildCounts(benchmark::State& state) {
  CItemStore& store = Store();
  size_t characters = 0;
  for (auto _ : state) {
    std::unique_ptr<CDbRecord> node;
    int rows = 0;
    std::unique_ptr<CSqlCursor> cursor = store.GetFirstChild(CategoryOfSize(state.range(0)), node, {.byName = true});
    while (node) {
      characters += node->FieldView(kFieldName).size() + static_cast<size_t>(node->GetChildCount());
      ++rows;
      node = store.GetNextChild(*cursor);
    }
    if (rows != state.range(0)) state.SkipWithError("wrong count");
  }
  benchmark::DoNotOptimize(characters);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A plain connection to a benchmark database, opened once.
sqlite3* RawConnection(const char16_t* path) {
  static std::map<std::u16string, sqlite3*> opened;
  sqlite3*& db = opened[path];
  if (!db) sqlite3_open(platform::MapDevicePath(path).string().c_str(), &db);
  return db;
}

void BM_CategoryRowsPlainSelect(benchmark::State& state) {
  Store();
  sqlite3* db = RawConnection(u"\\paths.db");
  std::string parent = platform::ToUtf8(CategoryOfSize(state.range(0)));
  size_t bytes = 0;
  for (auto _ : state) {
    int rows = bench::ReadEveryRow(db,
                                   "SELECT ListID, ListType, Name, FullName, SalesDescription, Parent, ObjectPosition, "
                                   "ObjectType, IsOpen FROM ItemsList WHERE Parent = ? ORDER BY Name",
                                   bytes, &parent);
    if (rows != state.range(0)) state.SkipWithError("wrong count");
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_FindAmong100kItems(benchmark::State& state) {
  CItemStore& store = FindStore();
  for (auto _ : state) {
    if (!bench::FindNeedle(store)) state.SkipWithError("not found");
  }
  state.SetItemsProcessed(state.iterations() * kFindItems);
}

// The rows and columns the search reads, in one select of the same store, tested the same
// way.
void BM_FindPlainSelect(benchmark::State& state) {
  FindStore();
  sqlite3* db = RawConnection(u"\\find.db");
  for (auto _ : state) {
    if (bench::CountRowsHolding(db, "NEEDLE") != 1) state.SkipWithError("not found");
  }
  state.SetItemsProcessed(state.iterations() * kFindItems);
}

// Each run is seconds long before the indexes, so each is measured once or twice.
BENCHMARK(BM_ImportWithDuplicateCheck)
    ->Args({10000, 1})->Args({20000, 1})->Args({10000, 50})->Args({20000, 50})
    ->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ImportAnchorPreparedInsert)
    ->Args({10000, 1})->Args({20000, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReplaceEveryCustomer)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CategoryRowsWithChildCounts)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CategoryRowsPlainSelect)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindAmong100kItems)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindPlainSelect)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
