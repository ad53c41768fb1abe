#include "mainwindow/SampleDevice.h"

#include <memory>
#include <string>
#include <vector>

#include "core/CustomSettings.h"
#include "core/Folders.h"
#include "core/Preferences.h"
#include "core/RegionalSettings.h"
#include "core/ResourceLibrary.h"
#include "core/TextHelpers.h"
#include "datastore/CustomerRecord.h"
#include "datastore/CustomerSource.h"
#include "datastore/ItemStore.h"
#include "datastore/SampleAmounts.h"
#include "datastore/StoreLists.h"
#include "document/DocumentStartup.h"
#include "document/SalesDocument.h"
#include "document/StoreDocumentLists.h"
#include "platform/platform.h"

namespace {

constexpr char16_t kDatabaseFileName[] = u"Slateway.db";
constexpr char16_t kSampleDatabaseFileName[] = u"SlatewaySample.db";
constexpr int kStyle = 4;

bool Exists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Makes the folder and every missing folder above it.
void MakeFolders(const std::u16string& folder) {
  for (size_t at = folder.find(u'\\', 1); at != std::u16string::npos; at = folder.find(u'\\', at + 1))
    CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
}

// The items a sample line can be: leaf items of the item lists with a price.
std::vector<std::unique_ptr<CDbRecord>> SampleItems(CItemStore& store) {
  std::vector<std::unique_ptr<CDbRecord>> items;
  CItemSelect select;
  for (auto item = store.SelectFirstItem(select, u"Service", u"Inventory Part"); item && items.size() < 6;
       item = store.SelectNextItem(select)) {
    if (ParseNumberText(item->FieldView(kFieldSalesAmount)) > 0) items.push_back(std::move(item));
  }
  select.Close();
  return items;
}

bool MakeDocument(int type, int serial, CCustomerSource& customers, int customerCount,
                  const std::vector<std::unique_ptr<CDbRecord>>& items, CCustomSettings& settings) {
  CSalesDocument doc(nullptr, nullptr, kStyle, false, &settings);
  doc.InitNew(kStyle, type);
  CTableCustomer customer;
  if (customerCount > 0 && customers.GetRecordAt(serial % customerCount, customer, false, false))
    doc.SetCustomer(customer);
  if (type == kPayment) {
    doc.SetAttribute(u"PAYAMOUNT", FormatNumberText(serial % 2 ? 120 : 75.5, NumberDigits::TwoDigits));
  } else {
    for (size_t i = 0; i < items.size() && i < 3; ++i) {
      auto line = CDbRecord::CDbRecordCopy(*items[(static_cast<size_t>(serial) + i) % items.size()], -1);
      line->SetField(kLineFieldQuantity, i == 0 ? u"2" : u"1");
      line->SetField(kLineFieldPrice, std::u16string(line->FieldView(kFieldSalesAmount)));
      doc.AddLineItem(*line, true, false, 1);
    }
  }
  if (serial % 3 == 0) doc.SetAttribute(u"COMPLETE", CBstr(u"yes"));
  return doc.Save();
}

}  // namespace

int MakeSampleDocuments(const char16_t* databasePath) {
  CBstr documents;
  GetDocumentsFolder(documents);
  MakeFolders(documents.str());
  CItemStore store(nullptr);
  if (!store.Open(databasePath)) return 0;
  CStoreLists named(&store);
  CStoreDocumentLists lists(named);
  CDocumentServiceHooks hooks;
  hooks.lists = &lists;
  InstallDocumentServices(hooks);
  CCustomSettings settings;
  CQBCustomerSource customers(nullptr, store);
  customers.LoadList();
  const int customerCount = customers.GetCount(u"", false);
  const auto items = SampleItems(store);
  int saved = 0;
  // Two of every type but the last, so numbering, sorting and both check boxes show.
  for (int type = kInvoice; type <= kCreditMemo; ++type) {
    for (int copy = 0; copy < (type == kCreditMemo ? 1 : 2); ++copy) {
      if (MakeDocument(type, type * 2 + copy, customers, customerCount, items, settings)) ++saved;
    }
  }
  customers.FreeList();
  RemoveDocumentServices();
  return saved;
}

bool PrepareNewDevice() {
  // Without the program's library there is nothing to lay out; the start-up tells the user.
  if (!Exists(GetResourceLibraryPath()) || !LoadResourceLibrary()) return true;
  CPreferences preferences;
  CPreferences* previous = g_preferences;
  if (!g_preferences) g_preferences = &preferences;
  // The samples are written in the device's own formats, as the program will read them.
  LoadRegionalSettings();
  bool ok = true;
  if (preferences.Get(pref::kDatabase).empty()) preferences.Set(pref::kDatabase, kDatabaseFileName);
  CBstr database;
  GetDatabaseFilePath(database, true);
  const bool newDatabase = !Exists(database.str());
  if (newDatabase) {
    CBstr sample(kSampleDatabaseFileName);
    GetProgramFilePath(sample);
    CBstr folder;
    GetDatabaseFilePath(folder, false);
    MakeFolders(folder.str());
    ok = CopyFileW(sample.c_str(), database.c_str(), TRUE) != 0;
    if (ok && !WriteSampleAmountsInDeviceForm(database.str())) {
      DeleteFileW(database.c_str());  // laid out again, whole, at the next start
      ok = false;
    }
  }
  CBstr documents;
  GetDocumentsFolder(documents);
  if (ok && !Exists(documents.str())) ok = MakeSampleDocuments(database.c_str()) > 0;
  g_preferences = previous;
  FreeResourceLibrary();
  return ok;
}
