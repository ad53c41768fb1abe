// Listing 5,000 customers through the customer table source (load, count, letter index,
// every row read as a list entry with its display name), the same 5,000 kept as device
// contacts through the contacts source, and finding a text among 10,000
// items through the item tree search, each beside a bare SELECT of the same rows.
//
// Run by hand from a Release build: build-rel/bin/datastore_lists_benchmarks
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "BenchmarkDevice.h"
#include "datastore/ContactsSource.h"
#include "datastore/CustomerSource.h"
#include "datastore/ItemStore.h"
#include "platform/base/Base.h"
#include "platform/kernel/DeviceRoot.h"

namespace {

constexpr int kCustomers = 5000;
constexpr int kCategories = 50;
constexpr int kItemsPerCategory = 200;  // 10,000 items

class QuietNotices : public IDatabaseNotices {
 public:
  void Warning(UINT, std::u16string_view) override {}
  void Error(UINT, DWORD) override {}
};
QuietNotices g_quiet;

std::u16string Number(int n) { return platform::ToUtf16(std::to_string(n)); }

// One database for the whole run, filled once: the customers (every tenth with two jobs)
// and the item tree My Lists > Item Lists > 50 categories of 200 items.
CItemStore& Store() {
  static CItemStore* store = [] {
    bench::Scratch();  // first, so the store closes before the scratch root goes
    static CItemStore instance(nullptr);
    instance.Database().SetNotices(&g_quiet);
    if (!instance.Open(u"\\lists.db")) std::abort();
    instance.BeginTransaction();
    for (int i = 0; i < kCustomers; ++i) {
      CTableCustomer customer;
      bool job = i % 10 == 9;
      std::u16string name = (job ? u"Job " : u"Customer ") + Number(i);
      std::u16string parent = u"Customer " + Number(i - i % 10);
      customer.SetField(kCustName, name);
      customer.SetField(kCustFullName, job ? parent + u":" + name : name);
      customer.SetField(kCustSublevel, job ? u"1" : u"0");
      customer.SetField(kCustCompanyName, u"Company " + Number(kCustomers - i));
      customer.SetField(kCustPhone, u"555-" + Number(1000 + i));
      customer.SetField(kCustBillToCity, u"Springfield");
      if (!instance.InsertCustomer(customer.Fields())) std::abort();
    }
    instance.AddRootNode(u"My Lists", u"", kObjectRoot);
    instance.AddRootNode(u"Item Lists", u"My Lists", kObjectRoot);
    for (int c = 0; c < kCategories; ++c) {
      auto category = CDbRecord::CDbRecordOfType(kObjectCategory, -1);
      std::u16string categoryName = u"Category " + Number(c);
      category->SetField(kFieldName, categoryName);
      category->SetField(kFieldParent, u"Item Lists");
      category->SetField(kFieldListType, u"Inventory Part");
      instance.AddItem(nullptr, *category, CItemStore::OnDuplicate::Insert);
      for (int i = 0; i < kItemsPerCategory; ++i) {
        auto item = CDbRecord::CDbRecordOfType(kObjectItem, -1);
        int n = c * kItemsPerCategory + i;
        std::u16string name = n == kCategories * kItemsPerCategory - 1 ? u"Needle" : u"Item " + Number(n);
        item->SetField(kFieldName, name);
        item->SetField(kFieldFullName, categoryName + u":" + name);
        item->SetField(kFieldParent, categoryName);
        item->SetField(kFieldListType, u"Inventory Part");
        item->SetField(kFieldSalesDescription, u"Description of item " + Number(n));
        instance.AddItem(nullptr, *item, CItemStore::OnDuplicate::Insert);
      }
    }
    instance.CommitTransaction();
    return &instance;
  }();
  return *store;
}

// One load as the customer list makes it: open, load, count, letter index, then every row
// read as a list entry with its display name and phone; the characters read.
size_t LoadAndList(CCustomerSource& source, benchmark::State& state) {
  size_t characters = 0;
  source.Open();
  source.LoadList();
  int count = source.GetCount(u"", false);
  source.BuildLetterIndex(u"", false);
  CCustomerListEntry entry;
  for (int row = 0; row < count; ++row) {
    source.GetEntryAt(row, entry);
    characters += entry.GetDisplayName(false).size() + entry.GetPhoneText(true).size();
  }
  if (count != kCustomers) state.SkipWithError("wrong count");
  source.FreeList();
  return characters;
}

void BM_CustomerSourceLoadAndList(benchmark::State& state) {
  CItemStore& store = Store();
  CQBCustomerSource source(nullptr, store);
  size_t characters = 0;
  for (auto _ : state) characters += LoadAndList(source, state);
  benchmark::DoNotOptimize(characters);
  state.SetItemsProcessed(state.iterations() * kCustomers);
}

// The same customers as device contacts (the store's sample contacts removed first); the
// object id of the first.
LONG FillContacts() {
  static LONG first = [] {
    Store();
    std::unique_ptr<CPOutlookApp> app;
    std::unique_ptr<CPimFolder> folder;
    std::unique_ptr<CPimItems> items;
    if (FAILED(CreatePOutlookApp(kPocketOutlookProgId, &app)) || FAILED(app->Logon(nullptr)) ||
        FAILED(app->GetDefaultFolder(olFolderContacts, &folder)) || FAILED(folder->get_Items(&items)))
      std::abort();
    std::unique_ptr<CPimContact> contact;
    while (items->Item(1, &contact) == S_OK) contact->Delete();
    LONG oid = 0;
    for (int i = 0; i < kCustomers; ++i) {
      items->Add(&contact);
      contact->PutProperty(PIM_LastName, (i % 10 == 9 ? u"Job " : u"Customer ") + Number(i));
      contact->PutProperty(PIM_CompanyName, u"Company " + Number(kCustomers - i));
      contact->PutProperty(PIM_BusinessTelephoneNumber, u"555-" + Number(1000 + i));
      contact->PutProperty(PIM_BusinessAddressCity, u"Springfield");
      if (FAILED(contact->Save())) std::abort();
      if (oid == 0) oid = contact->Oid();
    }
    return oid;
  }();
  return first;
}

void BM_ContactsSourceLoadAndList(benchmark::State& state) {
  FillContacts();
  CContactsSource source(nullptr);
  std::unique_ptr<CPOutlookApp> app;
  std::unique_ptr<CPimContact> changed;
  CreatePOutlookApp(kPocketOutlookProgId, &app);
  app->Logon(nullptr);
  size_t characters = 0;
  for (auto _ : state) {
    // A contact changes between loads, so every load reads the store again.
    state.PauseTiming();
    if (FAILED(app->GetItemFromOid(FillContacts(), &changed)) || FAILED(changed->Save()))
      state.SkipWithError("cannot change a contact");
    state.ResumeTiming();
    characters += LoadAndList(source, state);
  }
  benchmark::DoNotOptimize(characters);
  state.SetItemsProcessed(state.iterations() * kCustomers);
}

void BM_CustomerBareSelect(benchmark::State& state) {
  CItemStore& store = Store();
  (void)store;
  sqlite3* db = nullptr;
  sqlite3_open((platform::MapDevicePath(u"\\lists.db")).string().c_str(), &db);
  size_t bytes = 0;
  for (auto _ : state) {
    int rows = bench::ReadEveryRow(db,
                                   "Select ListID, Name, FullName, Sublevel, CompanyName, Phone, TotalBalance FROM "
                                   "CustomerList Order By UPPER(FullName)",
                                   bytes);
    if (rows != kCustomers) state.SkipWithError("wrong count");
  }
  sqlite3_close(db);
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(state.iterations() * kCustomers);
}

// The only match is the last item of the last category, so the whole tree is walked.
void BM_FindTextAmongItems(benchmark::State& state) {
  CItemStore& store = Store();
  for (auto _ : state) {
    if (!bench::FindNeedle(store)) state.SkipWithError("not found");
  }
  state.SetItemsProcessed(state.iterations() * kCategories * kItemsPerCategory);
}

// The same rows and columns the search reads, in one select, tested the same way.
void BM_FindBareSelect(benchmark::State& state) {
  CItemStore& store = Store();
  (void)store;
  sqlite3* db = nullptr;
  sqlite3_open((platform::MapDevicePath(u"\\lists.db")).string().c_str(), &db);
  for (auto _ : state) {
    if (bench::CountRowsHolding(db, "NEEDLE") != 1) state.SkipWithError("not found");
  }
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kCategories * kItemsPerCategory);
}

BENCHMARK(BM_CustomerSourceLoadAndList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContactsSourceLoadAndList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CustomerBareSelect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindTextAmongItems)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindBareSelect)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
