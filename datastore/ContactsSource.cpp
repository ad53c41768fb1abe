// The customer source over the device's contacts, the contact-backed record's load by
// object id, and the contact locator.
#include "datastore/ContactsSource.h"

#include <string>

#include "core/MessageBoxes.h"
#include "platform/user/Window.h"

namespace {

constexpr char16_t kDesktopCategory[] = u"DedadErude";
constexpr char16_t kProgramCategory[] = u"Slateway";

// A contact as the record reads it.
class ContactView : public IContactProperties {
 public:
  explicit ContactView(const CPimContact& contact) : m_contact(contact) {}
  std::u16string GetText(ContactProperty property) const override { return m_contact.Text(property); }
  LONG GetOid() const override { return m_contact.Oid(); }

 private:
  const CPimContact& m_contact;
};

std::u16string DecimalText(LONG value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// A record's ListID as a contact object id; 0 when it is not a positive decimal number.
LONG OidOfListID(std::u16string_view text) {
  if (text.empty() || text.size() > 9) return 0;
  LONG oid = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return 0;
    oid = oid * 10 + (c - u'0');
  }
  return oid;
}

// "Last, First", or whichever one is set.
std::u16string LastCommaFirst(std::u16string_view last, std::u16string_view first) {
  if (!last.empty() && !first.empty()) return std::u16string(last) + u", " + std::u16string(first);
  return std::u16string(last.empty() ? first : last);
}

// The name a contact lists under for the letter index.
std::u16string ContactListName(const CPimContact& c, bool byCompany) {
  std::u16string company = c.Text(PIM_CompanyName);
  if (byCompany && !company.empty()) return company;
  std::u16string name = LastCommaFirst(c.Text(PIM_LastName), c.Text(PIM_FirstName));
  if (byCompany || !name.empty()) return name;
  if (!company.empty()) return company;
  return c.Text(PIM_Suffix);
}

// Copies a record (and a ship-to address) into a contact.
void CopyRecordToContact(const CCustomerRecord& r, const CCustomerShipTo* shipTo, CPimContact& c) {
  std::u16string_view last = r.FieldView(kCustLastName);
  // A customer known only by its name (a desktop customer or job without person or company
  // names) keeps that name as its last name, the name it is found by again.
  if (last.empty() && r.FieldView(kCustFirstName).empty() && r.FieldView(kCustCompanyName).empty())
    last = r.FieldView(kCustName).empty() ? r.FieldView(kCustContact) : r.FieldView(kCustName);
  c.PutProperty(PIM_FirstName, r.FieldView(kCustFirstName));
  c.PutProperty(PIM_LastName, last);
  c.PutProperty(PIM_CompanyName, r.FieldView(kCustCompanyName));
  c.PutProperty(PIM_Title, r.FieldView(kCustSalutation));
  c.PutProperty(PIM_Suffix, r.FieldView(kCustExtraName));
  std::u16string fileAs = LastCommaFirst(last, r.FieldView(kCustFirstName));
  if (!fileAs.empty()) c.PutProperty(PIM_FileAs, fileAs);
  // A record read from a contact holds the street in BillToAddr1; a customer from the
  // desktop list holds the name there and the street in BillToAddr2. Writing an empty
  // BillToAddr2 back would wipe the street of a contact that was only read and updated.
  std::u16string_view addr2 = r.FieldView(kCustBillToAddr2);
  std::u16string_view addr3 = r.FieldView(kCustBillToAddr3);
  std::u16string street(addr2.empty() ? r.FieldView(kCustBillToAddr1) : addr2);
  if (!addr2.empty() && !addr3.empty() && addr3 != addr2) street += u"\r\n" + std::u16string(addr3);
  c.PutProperty(PIM_BusinessAddressStreet, street);
  c.PutProperty(PIM_BusinessAddressCity, r.FieldView(kCustBillToCity));
  c.PutProperty(PIM_BusinessAddressState, r.FieldView(kCustBillToState));
  c.PutProperty(PIM_BusinessAddressPostalCode, r.FieldView(kCustBillToPostalCode));
  c.PutProperty(PIM_BusinessTelephoneNumber, r.FieldView(kCustPhone));
  c.PutProperty(PIM_AssistantTelephoneNumber, r.FieldView(kCustAltPhone));
  c.PutProperty(PIM_BusinessFaxNumber, r.FieldView(kCustFax));
  c.PutProperty(PIM_Email1Address, r.FieldView(kCustEmail));
  if (!shipTo) return;
  c.PutProperty(PIM_HomeAddressStreet, shipTo->street);
  c.PutProperty(PIM_HomeAddressCity, shipTo->city);
  c.PutProperty(PIM_HomeAddressState, shipTo->state);
  c.PutProperty(PIM_HomeAddressPostalCode, shipTo->postalCode);
}

std::unique_ptr<CPOutlookApp> LogOn(HWND owner) {
  std::unique_ptr<CPOutlookApp> app;
  if (FAILED(CreatePOutlookApp(kPocketOutlookProgId, &app)) || FAILED(app->Logon(owner))) return nullptr;
  return app;
}

}  // namespace

std::u16string QuoteContactValue(std::u16string_view text) {
  std::u16string quoted = u"\"";
  for (char16_t c : text) {
    if (c == u'"') quoted += u'"';
    quoted += c;
  }
  return quoted + u"\"";
}

// ---- CContactCustomer::LoadFromOid ---------------------------------------------------------

int CContactCustomer::LoadFromOid(HWND owner, LONG oid) {
  std::unique_ptr<CPOutlookApp> app = LogOn(owner);
  if (!app) return 0;
  std::unique_ptr<CPimContact> contact;
  HRESULT hr = app->GetItemFromOid(oid, &contact);
  app->Logoff();
  if (FAILED(hr)) return 0;
  LoadFromContact(ContactView(*contact), false, GetByCompany());
  return 1;
}

// ---- CContactsSource -----------------------------------------------------------------------

CContactsSource::CContactsSource(HWND owner) : CCustomerSource(owner), m_app(LogOn(owner)) {}

CContactsSource::~CContactsSource() {
  m_letterItems.reset();
  m_items.reset();
  m_folder.reset();
  if (m_app) m_app->Logoff();
}

int CContactsSource::Open() {
  if (!m_app) return 0;
  if (!m_folder && FAILED(m_app->GetDefaultFolder(olFolderContacts, &m_folder))) return 0;
  if (!m_items && FAILED(m_folder->get_Items(&m_items))) return 0;
  return 1;
}

int CContactsSource::ReopenItems() {
  if (!m_folder) return 0;
  std::unique_ptr<CPimItems> items;
  if (FAILED(m_folder->get_Items(&items))) return 0;
  m_items = std::move(items);
  return 1;
}

std::unique_ptr<CPimItems> CContactsSource::FilteredItems(std::u16string_view category, bool byCompany) {
  std::unique_ptr<CPimItems> all;
  if (!m_folder || FAILED(m_folder->get_Items(&all))) return nullptr;
  std::u16string condition;
  if (!category.empty()) {
    condition = u"[Categories] = " + QuoteContactValue(category);
    if (byCompany) condition = u"(" + condition + u") AND [CompanyName] <> \"\"";
  } else if (byCompany) {
    condition = u"[CompanyName] <> \"\"";
  }
  std::unique_ptr<CPimItems> items;
  if (condition.empty()) {
    items = std::move(all);
  } else if (FAILED(all->Restrict(condition, &items))) {
    return nullptr;
  }
  if (FAILED(items->Sort(byCompany ? u"[CompanyName]" : u"[LastName,CompanyName]", false))) return nullptr;
  return items;
}

int CContactsSource::GetCount(std::u16string_view category, bool byCompany) {
  if (!Open()) return 0;
  std::unique_ptr<CPimItems> items = FilteredItems(category, byCompany);
  if (!items) return 0;
  m_items = std::move(items);
  m_category = std::u16string(category);
  m_filterByCompany = byCompany;
  int count = 0;
  return SUCCEEDED(m_items->get_Count(&count)) ? count : 0;
}

void CContactsSource::ReapplyFilter() {
  if (!m_items) return;
  std::unique_ptr<CPimItems> items = FilteredItems(m_category, m_filterByCompany);
  if (items) m_items = std::move(items);
}

std::unique_ptr<CPimContact> CContactsSource::ContactAt(int row) {
  std::unique_ptr<CPimContact> contact;
  if (!m_items || row < 0 || FAILED(m_items->Item(row + 1, &contact))) return nullptr;
  return contact;
}

void CContactsSource::Tag(CPimContact& contact, int kind) {
  contact.put_Categories(kind == kContactKindDesktopCustomer ? kDesktopCategory : kProgramCategory);
}

std::unique_ptr<CCustomerRecord> CContactsSource::CreateNew(int kind) {
  std::unique_ptr<CPimContact> contact;
  if (!m_app || FAILED(m_app->CreateItem(olContactItem, &contact))) return nullptr;
  contact->Display();
  Tag(*contact, kind);
  // The card saved the contact before it was tagged: save the tag too.
  if (contact->Oid() != 0) contact->Save();
  return nullptr;
}

int CContactsSource::AddRecord(CCustomerRecord& record, const CCustomerShipTo* shipTo, int kind) {
  std::unique_ptr<CPimContact> contact;
  if (!m_items || FAILED(m_items->Add(&contact))) return 0;
  CopyRecordToContact(record, shipTo, *contact);
  Tag(*contact, kind);
  if (FAILED(contact->Save())) return 0;
  record.SetField(kCustListID, DecimalText(contact->Oid()));
  return contact->Oid() != 0 ? 1 : 0;
}

std::u16string CContactsSource::FindCondition(CCustomerRecord& record) {
  if (record.FieldView(kCustLastName).empty() && record.FieldView(kCustFirstName).empty() &&
      record.FieldView(kCustCompanyName).empty()) {
    std::u16string_view name = record.FieldView(kCustName);
    record.SetField(kCustLastName, name.empty() ? record.FieldView(kCustContact) : name);
  }
  std::u16string_view last = record.FieldView(kCustLastName);
  std::u16string_view first = record.FieldView(kCustFirstName);
  std::u16string_view company = record.FieldView(kCustCompanyName);
  if (!last.empty()) {
    std::u16string condition = u"[LastName] = " + QuoteContactValue(last);
    if (!first.empty()) condition += u" AND [FirstName] = " + QuoteContactValue(first);
    if (!company.empty()) condition += u" AND [CompanyName] = " + QuoteContactValue(company);
    return condition;
  }
  if (!company.empty()) return u"[CompanyName] = " + QuoteContactValue(company);
  return {};
}

// The record's own contact when its ListID names one that still exists; otherwise the
// first contact with its names (a contact with the same names elsewhere in the list is
// only taken when the record has no contact of its own).
std::unique_ptr<CPimContact> CContactsSource::FindContact(const CCustomerRecord& record) {
  if (!Open()) return nullptr;
  std::unique_ptr<CPimContact> contact;
  LONG oid = OidOfListID(record.FieldView(kCustListID));
  if (oid != 0 && SUCCEEDED(m_app->GetItemFromOid(oid, &contact))) return contact;
  // FindCondition may fill LastName: search on a copy of the names.
  CContactCustomer names;
  for (int field : {kCustFirstName, kCustLastName, kCustCompanyName, kCustName, kCustContact})
    names.SetField(field, record.FieldView(field));
  std::u16string condition = FindCondition(names);
  std::unique_ptr<CPimItems> all;
  if (condition.empty() || FAILED(m_folder->get_Items(&all))) return nullptr;
  if (all->Find(condition, &contact) != S_OK) return nullptr;
  return contact;
}

LONG CContactsSource::Exists(const CCustomerRecord& record) {
  std::unique_ptr<CPimContact> contact = FindContact(record);
  return contact ? contact->Oid() : 0;
}

int CContactsSource::UpdateRecord(CCustomerRecord& record, const CCustomerShipTo* shipTo) {
  std::unique_ptr<CPimContact> contact = FindContact(record);
  if (!contact) return 0;
  CopyRecordToContact(record, shipTo, *contact);
  return SUCCEEDED(contact->Save()) ? 1 : 0;
}

int CContactsSource::EditEntry(HWND, int row, bool) {
  std::unique_ptr<CPimContact> contact = ContactAt(row);
  if (contact) contact->Display();
  return 1;
}

int CContactsSource::DeleteEntry(int row) {
  std::unique_ptr<CPimContact> contact = ContactAt(row);
  return contact && SUCCEEDED(contact->Delete()) ? 1 : 0;
}

bool CContactsSource::GetRecordAt(int row, CCustomerRecord& record, bool skipAddress, bool businessFirst) {
  std::unique_ptr<CPimContact> contact = ContactAt(row);
  if (!contact) return false;
  record.LoadFromContact(ContactView(*contact), skipAddress, businessFirst);
  return true;
}

int CContactsSource::GetEntryAt(int row, CCustomerListEntry& entry) {
  std::unique_ptr<CPimContact> contact = ContactAt(row);
  if (!contact) return 0;
  std::u16string name = LastCommaFirst(contact->Text(PIM_LastName), contact->Text(PIM_FirstName));
  entry.SetName(name.empty() ? contact->Text(PIM_Suffix) : name);
  entry.SetCompanyName(contact->Text(PIM_CompanyName));
  entry.SetPhone(contact->Text(PIM_BusinessTelephoneNumber));
  entry.SetAltPhone(contact->Text(PIM_HomeTelephoneNumber));
  entry.SetId(contact->Oid());
  return 1;
}

void CContactsSource::BuildLetterIndex(std::u16string_view category, bool byCompany) {
  m_byCompany = byCompany;
  ClearLetterIndex();
  if (!Open()) return;
  m_letterItems = FilteredItems(category, byCompany);
  int count = 0;
  if (!m_letterItems || FAILED(m_letterItems->get_Count(&count))) return;
  IndexLetters(count, [this, byCompany](int row) {
    std::unique_ptr<CPimContact> contact;
    if (FAILED(m_letterItems->Item(row + 1, &contact))) return std::u16string();
    return ContactListName(*contact, byCompany);
  });
}

std::unique_ptr<CCustomerRecord> CContactsSource::GetRecordByOid(LONG oid, bool byCompany) {
  std::unique_ptr<CPimContact> contact;
  if (!m_app || FAILED(m_app->GetItemFromOid(oid, &contact))) return nullptr;
  auto record = std::make_unique<CContactCustomer>(byCompany);
  record->LoadFromContact(ContactView(*contact), false, true);
  return record;
}

// ---- CContactLocator -------------------------------------------------------------------------

CContactLocator::CContactLocator(HINSTANCE owner, HWND window, HWND notify, CCustomerSource* source)
    : m_owner(owner), m_window(window), m_notify(notify), m_source(source) {}

CContactLocator::~CContactLocator() = default;

int CContactLocator::LocateContact(CContactCustomer& record) {
  LONG oid = OidOfListID(record.FieldView(kCustListID));
  std::unique_ptr<CPOutlookApp> app = LogOn(m_window);
  if (!app) return 0;
  int found = 0;
  bool searchedByNames = false;
  while (true) {
    std::unique_ptr<CPimContact> contact;
    if (oid != 0 && SUCCEEDED(app->GetItemFromOid(oid, &contact))) {
      contact->Display();
      contact.reset();
      // Read back what the card stored.
      if (SUCCEEDED(app->GetItemFromOid(oid, &contact))) {
        record.LoadFromContact(ContactView(*contact), false, record.GetByCompany());
        found = 1;
      }
      break;
    }
    if (searchedByNames || !m_source) break;
    searchedByNames = true;
    oid = m_source->Exists(record);
    if (oid == 0) break;
  }
  if (found) {
    record.SetField(kCustListID, DecimalText(oid));
  } else {
    BSTR name = record.GetDisplayName(false);
    if (AskYesNoFmtText(m_window, u"Could not locate %s. Display customer list?", name ? name : u""))
      PostMessageW(m_notify, kMsgChooseCustomer, 0, reinterpret_cast<LPARAM>(m_window));
  }
  app->Logoff();
  return found;
}
