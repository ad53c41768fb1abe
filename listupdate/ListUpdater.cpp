#include "listupdate/ListUpdater.h"

#include "core/CompanyInfo.h"
#include "core/Folders.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/ProgressWnd.h"
#include "core/ResourceText.h"
#include "core/SmallDialogs.h"
#include "core/TextHelpers.h"
#include "core/Utilities.h"
#include "datastore/CustomerSource.h"
#include "datastore/DbRecord.h"
#include "datastore/ItemStore.h"
#include "datastore/ListAccessor.h"
#include "datastore/ListCache.h"
#include "datastore/NamedList.h"
#include "datastore/PriceLevelList.h"
#include "datastore/SalesTaxList.h"
#include "datastore/TaxCodeList.h"
#include "document/EditCommand.h"
#include "listupdate/GroupList.h"
#include "listupdate/ImportText.h"
#include "listupdate/UpdateFileJournal.h"
#include "platform/base/Format.h"
#include "platform/user/MessageBox.h"
#include "resources/resource_ids.h"
#include "platform/user/Window.h"

// ---- CProgressWndStatus ------------------------------------------------------------------

bool CProgressWndStatus::SetStatus(const std::u16string* text) {
  if (!text) return m_window.SetStatus(nullptr) != 0;
  CBstr line(*text);
  return m_window.SetStatus(&line) != 0;
}
bool CProgressWndStatus::SetStatusId(UINT id) { return m_window.SetStatusId(id, false) != 0; }
void CProgressWndStatus::SetAbort(bool abort) { m_window.SetAbort(abort); }
bool CProgressWndStatus::IsAborted() const { return m_window.IsAborted(); }
HWND CProgressWndStatus::GetHwnd() const { return m_window.GetHwnd(); }

// ---- CListUpdater ------------------------------------------------------------------------

CListUpdater::CListUpdater(CItemStore* itemStore, CCustomerSource* customerSource, CCompanyInfo* companyInfo,
                           IUpdateListTree* listTreeView, IUpdateProgress* progress,
                           IUpdateCustomerList* customerListWnd, std::u16string_view updateFilePath)
    : m_customerList(customerListWnd),
      m_store(itemStore),
      m_customers(customerSource),
      m_progress(progress),
      m_updateFilePath(updateFilePath),
      m_companyInfo(companyInfo),
      m_tree(listTreeView),
      m_listCache(std::make_unique<CListCache>(itemStore)),
      m_listAccessor(std::make_unique<CListAccessor>(itemStore)),
      m_taxCodes(std::make_unique<CTaxCodeList>(itemStore)),
      m_priceLevels(std::make_unique<CPriceLevelList>(itemStore)),
      m_salesTaxes(std::make_unique<CSalesTaxList>(itemStore)),
      m_groups(std::make_unique<CGroupList>(itemStore)) {}

CListUpdater::~CListUpdater() = default;

bool CListUpdater::Status(std::u16string text) { return !Failed() && m_progress->SetStatus(&text); }

bool CListUpdater::Pump() { return !Failed() && m_progress->SetStatus(nullptr); }

bool CListUpdater::Failed() const { return m_store->Database().HeldFailure() != CSqlDatabase::Failure::None; }

bool CListUpdater::Stopped() const { return Failed() || m_progress->IsAborted(); }

void CListUpdater::ShowFailure(CSqlDatabase::Failure failure) {
  UINT text = IDS_UPDATE_NOT_STORED;
  if (failure == CSqlDatabase::Failure::Busy) text = IDS_UPDATE_DATABASE_BUSY;
  if (failure == CSqlDatabase::Failure::Full) text = IDS_UPDATE_DISK_FULL;
  if (failure == CSqlDatabase::Failure::NotOpen) text = IDS_UPDATE_DATABASE_NOT_OPEN;
  ShowBox(LoadResText(text));
}

bool CListUpdater::SeenBefore(std::u16string_view kind, std::u16string_view listId) {
  if (listId.empty()) return false;
  std::u16string key(kind);
  key += u'\n';
  key += listId;
  if (m_seenIds.insert(std::move(key)).second) return false;
  ++m_repeatedRecords;
  return true;
}

void CListUpdater::ShowBox(std::u16string_view text) {
  std::u16string line(text);
  MessageBoxW(m_mainWindow, line.c_str(), kProductName, MB_OK);
}

std::u16string CListUpdater::DatabaseFolderFile(std::u16string_view name) const {
  CBstr folder;
  GetDatabaseFilePath(folder, false);
  AppendBackslash(folder);
  return folder.str() + std::u16string(name);
}

int CListUpdater::Run(HWND mainWindow) {
  m_mainWindow = mainWindow;
  // With the database closed (the desktop closes it to take a copy) nothing could be
  // stored: the files stay for a run after it is open again, and no setting changes.
  if (!m_store->Database().IsConnected()) {
    ShowFailure(CSqlDatabase::Failure::NotOpen);
    return 0;
  }
  // What a run killed after its commit left behind is finished first.
  CUpdateFileJournal::CompleteInterrupted(m_store->Database());
  m_taken = std::make_unique<CUpdateFileJournal>(m_store->Database());
  Status(u"Initializing...");
  m_reader = std::make_unique<CUpdateListReader>(m_progress->GetHwnd());
  std::u16string path = m_updateFilePath.empty() ? DatabaseFolderFile(u"NWQItems.xml") : m_updateFilePath;
  const bool loaded = m_reader->LoadFile(path) != 0;
  NoteRead(*m_reader);
  // The reader has said why when the file could not be read.
  if (!loaded && !m_reader->ParseFailed()) return 0;
  const int version = loaded ? m_reader->CheckVersion(kUpdateListVersion) : kVersionUnknown;
  if (version != kVersionSame) {
    m_taken->Finish(true);  // a refused file brings nothing to wait for
    ShowRefusal(version);
    return 0;
  }
  // Nothing done before the update can be undone after it: the lists it edited are gone.
  if (m_documentHistory) m_documentHistory->Clear();
  if (m_listHistory) m_listHistory->Clear();
  ReadOptions();
  int result = 0;
  bool committed = false;
  CSqlDatabase::Failure failure = CSqlDatabase::Failure::None;
  {
    // One transaction for the run, each step nested in it: the disk is synced once, at
    // the end, whether the run finished or was aborted. The first statement that fails
    // (a full disk, a file another program keeps locked) stops the run and undoes it all.
    CHeldFailures held(m_store->Database());
    CImportTransaction run(*m_store);
    m_store->AddRootNode(u"My Lists", u"", kObjectRoot);
    m_store->AddRootNode(u"Other Lists", u"My Lists", kObjectOtherLists);
    m_store->AddRootNode(u"Item Lists", u"My Lists", kObjectRoot);
    result = RunListSteps() ? ImportCustomerFiles() : 0;
    if (!Failed()) m_taken->Prepare();
    if (Failed())
      run.Rollback();
    else
      committed = run.Commit();
    failure = m_store->Database().HeldFailure();
  }
  Finish();
  if (!committed) ShowFailure(failure);
  // Told once, after the rest: the lists are whole, only the desktop's file was odd.
  if (committed && m_repeatedRecords > 0)
    ShowBox(platform::FormatWide(LoadResText(IDS_UPDATE_REPEATED_IDS), {m_repeatedRecords}));
  // The files read go only now that what they brought is stored; after a failed commit
  // nothing is, and they stay for another run.
  m_taken->Finish(committed);
  return committed ? result : 0;
}

void CListUpdater::NoteRead(const CUpdateListReader& reader) {
  if (reader.LoadedFile()) m_taken->Note(*reader.LoadedFile());
}

void CListUpdater::ShowRefusal(int version) {
  switch (version) {
    case kVersionNewer:
      ShowBox(u"The Update List is from a newer version of Slateway on the desktop.  Please reinstall.");
      break;
    case kVersionOlder:
      ShowBox(u"The Update List is from an older version of Slateway on the desktop.  Please reinstall.");
      break;
    default:
      ShowBox(kUnrecognizedListText);
      break;
  }
}

void CListUpdater::ReadOptions() {
  m_clearItems = m_reader->GetClearItemList();
  m_clearCustomers = m_reader->GetClearCustomerList();
  m_overwriteItems = m_reader->GetOverwriteItems();
  m_overwriteCustomers = m_reader->GetOverwriteCustomers();
  m_customersCleared = false;
  CPreferences preferences;
  preferences.SetDisplayBalances(m_reader->GetDisplayCustomerBalances());
  preferences.SetDisplayProductCosts(m_reader->GetDisplayProductCosts());
  preferences.SetDisplayCustomerCC(m_reader->GetDisplayCustomerCC());
  bool roSigned = m_reader->GetRoSigned();
  m_roSignedChanged = roSigned != CPreferences::RoSigned();
  preferences.SetRoSigned(roSigned);
  if (m_clearItems) m_overwriteItems = false;
  if (m_clearCustomers) m_overwriteCustomers = false;
}

// The positions of the list categories under "Other Lists".
namespace {
constexpr int kPositionAccounts = 0, kPositionClasses = 1, kPositionCustomerTypes = 3, kPositionPaymentMethods = 6,
              kPositionSalesReps = 7, kPositionShippingMethods = 8, kPositionVendors = 10;
}  // namespace

bool CListUpdater::RunListSteps() {
  CAccountsList accounts(m_store);
  CClassesList classes(m_store);
  CCustomerTypesList customerTypes(m_store);
  CPaymentMethodsList paymentMethods(m_store);
  CSalesRepsList salesReps(m_store);
  CShippingMethodsList shippingMethods(m_store);
  CVendorsList vendors(m_store);
  const std::function<int()> steps[] = {
      [&] { return ImportTaxCodes(); },
      [&] { return ImportCustomFields(false); },
      [&] { return ImportCustomFields(true); },
      [&] { return ImportItemFiles(); },
      [&] { return ImportGroups(); },
      [&] { return ImportSalesTaxGroups(); },
      [&] { return ImportCustomerMsgs(); },
      [&] { return ImportNamedList(customerTypes, kPositionCustomerTypes, false); },
      [&] { return ImportTerms(); },
      [&] { return ImportPriceLevels(); },
      [&] { return ImportNamedList(vendors, kPositionVendors, false); },
      [&] { return ImportNamedList(salesReps, kPositionSalesReps, true); },
      [&] { return ImportNamedList(shippingMethods, kPositionShippingMethods, false); },
      [&] { return ImportNamedList(paymentMethods, kPositionPaymentMethods, false); },
      [&] { return ImportNamedList(accounts, kPositionAccounts, true); },
      [&] { return ImportNamedList(classes, kPositionClasses, true); },
      [&] { return ImportJobTypes(); },
      [&] { return ImportLabels(); },
  };
  // A step's own result is not needed: an abort inside it is seen by the next status.
  for (const auto& step : steps) {
    if (!Status(u"Scanning...")) return false;
    step();
  }
  if (!Status(u"Scanning...")) return false;
  ImportCompanyInfo();
  return true;
}

int CListUpdater::ImportCustomerFiles() {
  // An explicit item file comes without customers.
  std::u16string path = m_updateFilePath.empty() ? DatabaseFolderFile(u"NWQCustomers.xml") : std::u16string();
  if (!Status(u"Scanning...")) return 0;
  if (path.empty() || !FileExists(path)) return 1;
  m_customerCounter = 1;
  if (m_customerList) m_customerList->SetListUpdateRunning(true);
  if (!m_customers->Open()) {
    if (m_customerList) m_customerList->SetListUpdateRunning(false);
    return 0;
  }
  m_customers->ReopenItems();  // the bulk change begins
  int result = 1;
  for (int n = 1; FileExists(path); path = DatabaseFolderFile(u"NWQCustomers" + NumberText(n++) + u".xml")) {
    m_reader = std::make_unique<CUpdateListReader>(m_progress->GetHwnd());
    const bool loaded = m_reader->LoadFile(path) != 0;
    NoteRead(*m_reader);
    if (!loaded) {
      // The files after this one stay for another run, and so does this one unless it was
      // read and found to be no update list.
      if (m_reader->ParseFailed())
        ShowBox(CannotOpenText(path));
      result = 0;
      break;
    }
    int imported = 0;
    {
      CImportTransaction transaction(*m_store);
      imported = ImportCustomers();
    }
    // An abort stops here: the files not yet read stay on the disk.
    if (!imported) {
      result = 0;
      break;
    }
  }
  m_customers->ReapplyFilter();  // the bulk change ends
  if (m_customerList) {
    m_customerList->SetListUpdateRunning(false);
    m_customerList->SetupColumns(1);
    m_customerList->Reload(1);
    m_customerList->InvalidateList();
  }
  return result;
}

void CListUpdater::Finish() {
  m_reader.reset();
  if (m_tree) m_tree->Refill();
  if (m_roSignedChanged) PostMessageW(m_mainWindow, kMsgReloadRegister, 1, 0);
}

INT_PTR CListUpdater::AskOverwrite(std::u16string_view name, bool customerMode) {
  // One prompt for the whole run, so that a "for all" answer holds to its end.
  if (!m_prompt) m_prompt = std::make_unique<COverwritePromptDlg>(GetResourceInstance(), m_mainWindow);
  INT_PTR answer = m_prompt->DoModal(CBstr(name), customerMode);
  // Cancel stops the run at its next status: what was imported stays, nothing more is read.
  if (answer == COverwritePromptDlg::kCancel) m_progress->SetAbort(true);
  return answer;
}

bool CListUpdater::AskedToOverwrite(std::u16string_view name) {
  return AskOverwrite(name, false) == COverwritePromptDlg::kYes;
}

int CListUpdater::ShouldOverwrite(std::u16string_view name, std::u16string_view incomingModified,
                                  std::u16string_view storedModified) {
  if (storedModified.empty()) return 1;
  if (incomingModified.empty()) return AskedToOverwrite(name) ? 1 : 0;
  int order = CompareDateTexts(storedModified, incomingModified);
  if (order == 0) return 0;  // the same stamp, or one that is no date: nothing to take
  if (order > 0) return AskedToOverwrite(name) ? 1 : 0;
  return 1;
}

int CListUpdater::EnsureCategory(std::u16string_view name, std::u16string_view parent, std::u16string_view listType,
                                 int position, int objectType, std::u16string& listIdInOut) {
  if (listIdInOut.empty()) listIdInOut = NewGuidString().str();
  auto record = CDbRecord::CDbRecordOfType(objectType, position);
  record->SetField(kFieldListType, listType.empty() ? std::u16string_view(u"ROOT_LIST") : listType);
  record->SetField(kFieldName, name);
  record->SetField(kFieldParent, parent);
  m_store->AddItem(nullptr, *record, CItemStore::OnDuplicate::Refuse);
  return 1;
}
