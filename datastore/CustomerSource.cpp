// The customer source interface's shared part (the letter index) and the source over the
// CustomerList table.
#include "datastore/CustomerSource.h"

#include <string>

#include "datastore/DbRecord.h"
#include "datastore/Internal.h"
#include "datastore/ItemStore.h"
#include "datastore/SqlText.h"

// ---- CCustomerSource ------------------------------------------------------------------------------

CCustomerSource::~CCustomerSource() = default;

int CCustomerSource::GetLetterRow(int position) const {
  if (position < 1 || position > kLetterPositions) return 0;
  return m_letterRows[static_cast<size_t>(position)];
}

void CCustomerSource::IndexLetters(int rowCount, const std::function<std::u16string(int row)>& nameOfRow) {
  // One pass in list order: the first row of each letter is kept. Unlike a halving search
  // this stays right when the list is not sorted by the names compared (the company
  // names of a list sorted by full name).
  ClearLetterIndex();
  std::array<bool, kLetterPositions + 1> seen{};
  int letters = 0;
  for (int row = 0; row < rowCount && letters < 26; ++row) {
    std::u16string name = nameOfRow(row);
    if (name.empty()) continue;
    char16_t first = name[0];
    if (first >= u'a' && first <= u'z') first = static_cast<char16_t>(first - u'a' + u'A');
    if (first < u'A' || first > u'Z') continue;
    const size_t position = static_cast<size_t>(2 + (first - u'A'));
    if (seen[position]) continue;
    seen[position] = true;
    m_letterRows[position] = row;
    ++letters;
  }
}

// ---- CQBCustomerSource -----------------------------------------------------------------------------

CQBCustomerSource::CQBCustomerSource(HWND owner, CItemStore& store, ICustomerDialog* dialog)
    : CCustomerSource(owner), m_store(store), m_dialog(dialog) {}

CQBCustomerSource::~CQBCustomerSource() = default;

bool CQBCustomerSource::LoadList() { return m_store.OpenCustomerList(); }
void CQBCustomerSource::InterruptLoad() { m_store.InterruptCustomerList(); }

void CQBCustomerSource::FreeList() { m_store.FreeCustomerList(); }

int CQBCustomerSource::GetCount(std::u16string_view, bool) { return m_store.GetCustomerCount(); }

std::unique_ptr<CCustomerRecord> CQBCustomerSource::CreateNew(int) {
  auto record = std::make_unique<CTableCustomer>();
  if (!m_dialog || !m_dialog->Run(m_owner, *record, CustomerDialogMode::kNewCustomer)) return nullptr;
  // A record that could not be stored is not handed out as if it were (the box has said why).
  if (!m_store.InsertCustomer(record->Fields())) return nullptr;
  return record;
}

int CQBCustomerSource::AddRecord(CCustomerRecord& record, const CCustomerShipTo*, int) {
  return m_store.InsertCustomer(record.Fields());
}

int CQBCustomerSource::UpdateRecord(CCustomerRecord& record, const CCustomerShipTo*) {
  return m_store.ReplaceCustomer(record.Fields());
}

LONG CQBCustomerSource::Exists(const CCustomerRecord& record) {
  return m_store.HasCustomerRecord(record.GetListID()) ? 1 : 0;
}

int CQBCustomerSource::EditEntry(HWND owner, int row, bool addJob) {
  CCustomerFields listRow;
  if (!m_store.GetCustomerRow(row, listRow)) return 0;
  CCustomerFields stored;
  if (!m_store.GetCustomerByFullName(listRow[kCustFullName].view(), stored)) return 0;
  CTableCustomer record;
  record.AssignFields(stored);
  if (!m_dialog) return 0;

  if (!addJob) {
    if (!m_dialog->Run(owner, record, CustomerDialogMode::kEditCustomer)) return 0;
    return m_store.ReplaceCustomer(record.Fields());
  }

  // A new job under the customer.
  const long long sublevel = SqlIntegerFromText(record.FieldView(kCustSublevel));
  record.SetField(kCustSublevel, datastore_internal::DecimalText(sublevel + 1));
  record.SetField(kCustTotalBalance, ZeroMoneyText());
  const std::u16string parentFullName(record.FieldView(kCustFullName));
  const std::u16string parentListId(record.FieldView(kCustListID));
  record.SetField(kCustParentFullName, parentFullName);
  record.SetField(kCustParentListID, parentListId);
  record.Fields()[kCustListID] = NewListId();
  record.ClearField(kCustName);
  record.ClearField(kCustTimeCreated);
  record.ClearField(kCustTimeModified);
  if (!m_dialog->Run(m_owner, record, CustomerDialogMode::kNewJob)) return 0;
  return m_store.InsertCustomer(record.Fields());
}

int CQBCustomerSource::DeleteEntry(int row) {
  // The caller reloads the list whatever happened.
  m_store.DeleteCustomerAtRow(row);
  return 0;
}

bool CQBCustomerSource::GetRecordAt(int row, CCustomerRecord& record, bool, bool) {
  CCustomerFields listRow;
  if (!m_store.GetCustomerRow(row, listRow)) return false;
  CCustomerFields stored;
  if (!m_store.GetCustomerByListID(listRow[kCustListID].view(), stored)) return false;
  record.AssignFields(stored);
  return true;
}

int CQBCustomerSource::GetEntryAt(int row, CCustomerListEntry& entry) {
  CCustomerFields listRow;
  if (!m_store.GetCustomerRow(row, listRow)) return 0;
  entry.SetName(listRow[kCustName].view());
  entry.SetFullName(listRow[kCustFullName].view());
  entry.SetListID(listRow[kCustListID].view());
  entry.SetSublevel(listRow[kCustSublevel].view());
  entry.SetTotalBalance(listRow[kCustTotalBalance].view());
  entry.SetPhone(listRow[kCustPhone].view());
  entry.SetAltPhone(listRow[kCustPhone].view());
  entry.SetCompanyName(u"");
  return 1;
}

bool CQBCustomerSource::FindByFullName(std::u16string_view fullName, CCustomerFields& fields) {
  return m_store.GetCustomerByFullName(fullName, fields);
}

void CQBCustomerSource::BuildLetterIndex(std::u16string_view category, bool byCompany) {
  m_byCompany = byCompany;
  const int count = GetCount(category, byCompany);
  IndexLetters(count, [this, byCompany](int row) {
    CCustomerFields listRow;
    if (!m_store.GetCustomerRow(row, listRow)) return std::u16string();
    return listRow[byCompany ? kCustCompanyName : kCustFullName].str();
  });
}

std::unique_ptr<CCustomerRecord> CQBCustomerSource::GetRecordByListID(std::u16string_view listId) {
  auto record = std::make_unique<CTableCustomer>();
  CCustomerFields stored;
  if (m_store.GetCustomerByListID(listId, stored)) record->AssignFields(stored);
  return record;
}
