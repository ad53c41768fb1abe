// Customer records: the field block with the naming rules of the table and contact kinds,
// and the customer list row.
#include "datastore/CustomerRecord.h"

#include <initializer_list>
#include <string>

#include "core/Preferences.h"
#include "datastore/DbRecord.h"
#include "platform/locale/Locale.h"

namespace {

constexpr char16_t kIndentBlanks[] = u"                   ";  // 19 blanks
constexpr size_t kIndentMax = sizeof(kIndentBlanks) / sizeof(char16_t) - 1;

bool LastCommaFirst() {
  if (g_preferences) return g_preferences->Get(pref::kLastCommaFirst) != 0;
  CPreferences preferences;
  return preferences.Get(pref::kLastCommaFirst) != 0;
}

// The non-empty texts joined by one blank.
std::u16string JoinWithBlanks(std::initializer_list<std::u16string_view> parts) {
  std::u16string out;
  for (std::u16string_view part : parts) {
    if (part.empty()) continue;
    if (!out.empty()) out += u' ';
    out += part;
  }
  return out;
}

}  // namespace

std::u16string ComposePersonName(std::u16string_view firstName, std::u16string_view lastName) {
  if (LastCommaFirst()) {
    if (lastName.empty()) return std::u16string(firstName);
    if (firstName.empty()) return std::u16string(lastName);
    return std::u16string(lastName) + u", " + std::u16string(firstName);
  }
  if (firstName.empty()) return std::u16string(lastName);
  if (lastName.empty()) return std::u16string(firstName);
  return std::u16string(firstName) + u" " + std::u16string(lastName);
}

std::u16string ZeroMoneyText() {
  WCHAR separator[4] = {};
  int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 4);
  return n > 0 && separator[0] == u',' ? u"0,00" : u"0.00";
}

// ---- CCustomerRecord ------------------------------------------------------------------------

std::u16string_view CCustomerRecord::IndentOfSublevel(std::u16string_view sublevel) {
  // The level is read as atol reads it; a level deeper than the widest indent keeps the
  // widest one rather than running past it.
  long long level = 0;
  size_t i = 0;
  while (i < sublevel.size() && sublevel[i] == u' ') ++i;
  bool negative = i < sublevel.size() && sublevel[i] == u'-';
  if (i < sublevel.size() && (sublevel[i] == u'-' || sublevel[i] == u'+')) ++i;
  for (; i < sublevel.size() && sublevel[i] >= u'0' && sublevel[i] <= u'9'; ++i) {
    if (level < 1000) level = level * 10 + (sublevel[i] - u'0');
  }
  if (negative || level <= 0) return {};
  size_t width = static_cast<size_t>(level) + 1;
  if (width > kIndentMax) width = kIndentMax;
  return std::u16string_view(kIndentBlanks, width);
}

CCustomerRecord::CCustomerRecord() = default;

CCustomerRecord::CCustomerRecord(NewCustomerTag) {
  Reset();
  m_fields[kCustListID] = NewListId();
}

CCustomerRecord::~CCustomerRecord() = default;

void CCustomerRecord::SetJobInfo(const CCustomerJobInfo&) {}
void CCustomerRecord::AssignFields(const CCustomerFields&) {}
void CCustomerRecord::LoadFromContact(const IContactProperties&, bool, bool) {}

void CCustomerRecord::Reset() {
  m_marker = CBstr();
  m_display = CBstr();
  for (int i = 0; i < kCustomerFieldCount; ++i) {
    // The further name, the mobile number, the card fields and the sales rep carry over.
    if (i == kCustExtraName || i == kCustMobile || (i >= kCustCCNum && i <= kCustCCZip) || i == kCustSalesRep) continue;
    m_fields[i] = CBstr();
  }
  m_fields[kCustSublevel] = CBstr(u"0");
  std::u16string zero = ZeroMoneyText();
  m_fields[kCustBalance] = CBstr(zero);
  m_fields[kCustTotalBalance] = CBstr(zero);
}

BSTR CCustomerRecord::KeepDisplay(std::u16string text) {
  m_display = CBstr(text);
  return m_display.get();
}

std::u16string CCustomerRecord::PersonName() const {
  return ComposePersonName(FieldView(kCustFirstName), FieldView(kCustLastName));
}

// ---- CTableCustomer -------------------------------------------------------------------------

CTableCustomer::CTableCustomer(bool) : CCustomerRecord(NewCustomerTag{}) {}

CTableCustomer::CTableCustomer(const CTableCustomer& other) : CCustomerRecord() {
  for (int i = 0; i < kCustomerFieldCount; ++i) m_fields[i] = other.m_fields[i];
  m_spare = other.m_spare;
}

BSTR CTableCustomer::GetDisplayName(bool) {
  // A job prints as its customer.
  if (!FieldView(kCustParentFullName).empty()) return KeepDisplay(std::u16string(FieldView(kCustParentFullName)));
  if (!FieldView(kCustName).empty()) return KeepDisplay(std::u16string(FieldView(kCustFullName)));
  std::u16string name = PersonName();
  if (name.empty()) name = FieldView(kCustCompanyName);
  return KeepDisplay(std::move(name));
}

BSTR CTableCustomer::GetListName(bool byCompany) {
  if (!FieldView(kCustContact).empty()) return KeepDisplay(std::u16string(FieldView(kCustContact)));
  return KeepDisplay(std::u16string(FieldView(byCompany ? kCustCompanyName : kCustFullName)));
}

BSTR CTableCustomer::ComposeFullName() {
  return KeepDisplay(JoinWithBlanks({FieldView(kCustSalutation), FieldView(kCustFirstName), FieldView(kCustLastName)}));
}

BSTR CTableCustomer::GetEmail() { return m_fields[kCustEmail].get(); }

void CTableCustomer::SetJobInfo(const CCustomerJobInfo& job) {
  SetField(kCustJobStatus, job.status);
  SetField(kCustJobStartDate, job.startDate);
  SetField(kCustJobProjectedEndDate, job.projectedEndDate);
  SetField(kCustJobEndDate, job.endDate);
  SetField(kCustJobDesc, job.description);
}

void CTableCustomer::AssignFields(const CCustomerFields& fields) {
  for (int i = 0; i < kCustomerFieldCount; ++i) {
    if (i == kCustExtraName || i == kCustMobile) continue;
    m_fields[i] = fields[i];
  }
}

// ---- CContactCustomer -----------------------------------------------------------------------

CContactCustomer::CContactCustomer(bool byCompany) : CCustomerRecord(NewCustomerTag{}) { m_byCompany = byCompany; }

CContactCustomer::CContactCustomer(const CContactCustomer& other) : CCustomerRecord() {
  m_fields[kCustListID] = other.m_fields[kCustListID];
  m_byCompany = other.m_byCompany;
  for (int i : {kCustFirstName, kCustName, kCustLastName, kCustCompanyName, kCustBillToCity, kCustBillToState,
                kCustBillToPostalCode, kCustPhone, kCustAltPhone, kCustFax, kCustEmail}) {
    m_fields[i] = other.m_fields[i];
  }
  m_spare = other.m_spare;
}

BSTR CContactCustomer::GetDisplayName(bool swap) {
  bool company = m_byCompany != swap;
  std::u16string person = PersonName();
  if (person.empty()) person = FieldView(kCustExtraName);
  std::u16string salutation = FieldView(kCustSalutation).empty() ? u"" : std::u16string(FieldView(kCustSalutation)) + u" ";
  std::u16string name;
  if (company) {
    name = FieldView(kCustCompanyName);
    if (name.empty() && !swap) name = !person.empty() ? person : salutation;
  } else {
    name = person;
    if (name.empty() && !swap) name = !salutation.empty() ? salutation : std::u16string(FieldView(kCustCompanyName));
  }
  return KeepDisplay(std::move(name));
}

BSTR CContactCustomer::GetListName(bool byCompany) {
  if (byCompany && !FieldView(kCustCompanyName).empty()) return KeepDisplay(std::u16string(FieldView(kCustCompanyName)));
  std::u16string_view last = FieldView(kCustLastName);
  std::u16string_view first = FieldView(kCustFirstName);
  std::u16string name;
  if (!last.empty() && !first.empty()) {
    name = std::u16string(last) + u", " + std::u16string(first);
  } else if (!last.empty() || !first.empty()) {
    name = last.empty() ? first : last;
  } else {
    name = FieldView(kCustCompanyName);
  }
  return KeepDisplay(std::move(name));
}

BSTR CContactCustomer::ComposeFullName() {
  std::u16string name = JoinWithBlanks({FieldView(kCustSalutation), FieldView(kCustFirstName), FieldView(kCustLastName)});
  if (!m_marker.view().empty()) name += u" " + std::u16string(FieldView(kCustExtraName));
  return KeepDisplay(std::move(name));
}

BSTR CContactCustomer::GetEmail() { return m_fields[kCustEmail].get(); }

void CContactCustomer::LoadFromContact(const IContactProperties& contact, bool skipAddress, bool businessFirst) {
  SetField(kCustFirstName, contact.GetText(kContactFirstName));
  SetField(kCustLastName, contact.GetText(kContactLastName));
  SetField(kCustCompanyName, contact.GetText(kContactCompanyName));
  SetField(kCustSalutation, contact.GetText(kContactTitle));
  SetField(kCustExtraName, contact.GetText(kContactFurtherName));
  SetField(kCustEmail, contact.GetText(kContactEmail1));

  if (!skipAddress) {
    struct Address {
      ContactProperty street, city, state, postalCode;
    };
    constexpr Address kBusiness{kContactBusinessStreet, kContactBusinessCity, kContactBusinessState,
                                kContactBusinessPostalCode};
    constexpr Address kHome{kContactHomeStreet, kContactHomeCity, kContactHomeState, kContactHomePostalCode};
    const Address& preferred = businessFirst ? kBusiness : kHome;
    const Address& other = businessFirst ? kHome : kBusiness;
    for (const Address* address : {&preferred, &other}) {
      std::u16string street = contact.GetText(address->street);
      if (street.empty()) continue;
      SetField(kCustBillToAddr1, street);
      SetField(kCustBillToCity, contact.GetText(address->city));
      SetField(kCustBillToState, contact.GetText(address->state));
      SetField(kCustBillToPostalCode, contact.GetText(address->postalCode));
      break;
    }
  }

  static constexpr ContactProperty kBusinessOrder[] = {kContactBusinessPhone1, kContactBusinessPhone2,
                                                       kContactBusinessPhone3, kContactHomePhone1, kContactHomePhone2};
  static constexpr ContactProperty kHomeOrder[] = {kContactHomePhone1, kContactHomePhone2, kContactBusinessPhone1,
                                                   kContactBusinessPhone2, kContactBusinessPhone3};
  std::u16string phone;
  for (ContactProperty property : businessFirst ? kBusinessOrder : kHomeOrder) {
    phone = contact.GetText(property);
    if (!phone.empty()) break;
  }
  if (phone.empty()) phone = contact.GetText(kContactOtherPhone);
  SetField(kCustPhone, phone);

  GetDisplayName(false);
  std::u16string display(m_display.view());
  SetField(kCustName, display);
  SetField(kCustFullName, display);
  std::string oid = std::to_string(contact.GetOid());
  SetField(kCustListID, std::u16string(oid.begin(), oid.end()));
}

// ---- CCustomerListEntry ---------------------------------------------------------------------

std::u16string_view CCustomerListEntry::GetPhoneText(bool preferPhone) const {
  if (preferPhone) return m_phone.view().empty() ? m_altPhone.view() : m_phone.view();
  return m_altPhone.view().empty() ? m_phone.view() : m_altPhone.view();
}

std::u16string CCustomerListEntry::GetDisplayName(bool byCompany) const {
  std::u16string_view base;
  if (byCompany) {
    base = m_companyName.view().empty() ? m_name.view() : m_companyName.view();
  } else {
    base = m_name.view().empty() ? m_companyName.view() : m_name.view();
  }
  if (m_sublevel.view() == u"0") return std::u16string(base);
  return std::u16string(CCustomerRecord::IndentOfSublevel(m_sublevel.view())) + std::u16string(base);
}
