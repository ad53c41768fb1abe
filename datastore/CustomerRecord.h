// One customer as the program passes it around: the 62-text field block with the naming
// rules of its two kinds (a CustomerList row, a device contact), and the light row the
// customer list shows.
//
// Texts returned by the naming operations belong to the record and stay valid until the
// next naming call on it or its destruction.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "datastore/CustomerFields.h"
#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"

// The job texts a table customer takes over from a document's job: status, the three
// dates and the description (texts 3, 4, 6, 7 and 1 of the job block).
struct CCustomerJobInfo {
  std::u16string_view status;
  std::u16string_view startDate;
  std::u16string_view projectedEndDate;
  std::u16string_view endDate;
  std::u16string_view description;
};

// Getter positions of the device contact properties a record reads (the property order of
// the contact interface).
enum ContactProperty {
  kContactCompanyName = 10,
  kContactEmail1 = 12,
  kContactBusinessPhone3 = 13,
  kContactBusinessPhone1 = 16,
  kContactHomePhone1 = 18,
  kContactHomePhone2 = 22,
  kContactOtherPhone = 24,
  kContactBusinessPhone2 = 30,
  kContactTitle = 31,
  kContactFirstName = 32,
  kContactLastName = 34,
  kContactFurtherName = 35,  // the property after the last name; goes to field 11
  kContactHomeStreet = 36,
  kContactHomeCity = 37,
  kContactHomeState = 38,
  kContactHomePostalCode = 39,
  kContactBusinessStreet = 46,
  kContactBusinessCity = 47,
  kContactBusinessState = 48,
  kContactBusinessPostalCode = 49,
};

// What a record needs of a device contact: its text properties by getter position and its
// object identifier. The contacts source hands its contact objects through this.
class IContactProperties {
 public:
  virtual ~IContactProperties() = default;
  // The property's text; empty when the contact has none or the getter fails.
  virtual std::u16string GetText(ContactProperty property) const = 0;
  virtual LONG GetOid() const = 0;
};

// The person name from first and last name under the LastCommaFirst preference (read from
// the settings; default off): "Last, First" or "First Last", whichever one is set alone.
std::u16string ComposePersonName(std::u16string_view firstName, std::u16string_view lastName);
// "0.00", or "0,00" when the device's decimal separator is a comma.
std::u16string ZeroMoneyText();

class CCustomerRecord {
 public:
  // The indent put before a list name by Sublevel: none for 0, level + 1 blanks for 1 and
  // deeper (at most 19 blanks).
  static std::u16string_view IndentOfSublevel(std::u16string_view sublevel);

  virtual ~CCustomerRecord();
  CCustomerRecord(const CCustomerRecord&) = delete;
  CCustomerRecord& operator=(const CCustomerRecord&) = delete;

  // The name to print for the customer.
  virtual BSTR GetDisplayName(bool swap) = 0;
  // The name for lists.
  virtual BSTR GetListName(bool byCompany) = 0;
  // The person's full name.
  virtual BSTR ComposeFullName() = 0;
  // The e-mail address (field 35).
  virtual BSTR GetEmail() = 0;
  // Table kind only: the job's texts into JobStatus, the job dates and JobDesc.
  virtual void SetJobInfo(const CCustomerJobInfo& job);
  // Table kind only: copies the block but field 11 and Mobile.
  virtual void AssignFields(const CCustomerFields& fields);
  // Contact kind only: copies a device contact into the record.
  virtual void LoadFromContact(const IContactProperties& contact, bool skipAddress, bool businessFirst);

  // Any record with GetField(slot) -> BSTR laid out as the document's job (CJobRecord).
  template <typename JobRecord>
  void SetJobInfoFrom(const JobRecord& job) {
    auto text = [&job](int slot) { BSTR t = job.GetField(slot); return t ? std::u16string_view(t) : std::u16string_view(); };
    SetJobInfo(CCustomerJobInfo{text(3), text(4), text(6), text(7), text(1)});
  }

  // Frees the marker and display texts and every field but field 11, Mobile, the card
  // fields and SalesRep; then Sublevel "0" and both balances zero money text.
  void Reset();

  CCustomerFields& Fields() { return m_fields; }
  const CCustomerFields& Fields() const { return m_fields; }
  // The field's own text (not a copy); null when absent.
  BSTR GetField(int index) const { return m_fields[index].get(); }
  std::u16string_view FieldView(int index) const { return m_fields[index].view(); }
  void SetField(int index, std::u16string_view text) { m_fields[index] = CBstr(text); }
  void ClearField(int index) { m_fields[index] = CBstr(); }
  // The record's id (ListID); empty when the customer is not stored.
  std::u16string_view GetListID() const { return FieldView(kCustListID); }

  const CBstr& GetMarkerText() const { return m_marker; }
  void SetMarkerText(std::u16string_view text) { m_marker = CBstr(text); }
  const CBstr& GetSpareText() const { return m_spare; }
  void SetSpareText(std::u16string_view text) { m_spare = CBstr(text); }
  bool GetByCompany() const { return m_byCompany; }
  void SetByCompany(bool byCompany) { m_byCompany = byCompany; }

  // Selects the constructors of a record with every field null.
  struct BlankTag {};

 protected:
  // An empty block.
  CCustomerRecord();
  // An empty block, Reset, and a new list id.
  struct NewCustomerTag {};
  explicit CCustomerRecord(NewCustomerTag);

  // Replaces the display text and returns it (owned by the record).
  BSTR KeepDisplay(std::u16string text);
  std::u16string PersonName() const;

  CCustomerFields m_fields;
  CBstr m_marker;
  CBstr m_display;
  CBstr m_spare;
  bool m_byCompany = false;
};

// A customer of the CustomerList table.
class CTableCustomer : public CCustomerRecord {
 public:
  // A new customer: empty, Reset, a new list id. The flag is accepted for symmetry with the
  // contact kind and has no effect.
  explicit CTableCustomer(bool byCompany = false);
  // Every field null, for a reader that sets each of them (no list id is made to be lost).
  explicit CTableCustomer(BlankTag) {}
  // All 62 fields and the spare text.
  CTableCustomer(const CTableCustomer& other);
  CTableCustomer& operator=(const CTableCustomer&) = delete;

  BSTR GetDisplayName(bool swap) override;
  BSTR GetListName(bool byCompany) override;
  BSTR ComposeFullName() override;
  BSTR GetEmail() override;
  void SetJobInfo(const CCustomerJobInfo& job) override;
  void AssignFields(const CCustomerFields& fields) override;
};

// A customer backed by a device contact.
class CContactCustomer : public CCustomerRecord {
 public:
  explicit CContactCustomer(bool byCompany = false);
  // Every field null, for a reader that sets each of them.
  explicit CContactCustomer(BlankTag) {}
  // ListID, the by-company flag, FirstName, Name, LastName, CompanyName, the spare text,
  // BillToCity, BillToState, BillToPostalCode, Phone, AltPhone, Fax and Email; nothing else.
  CContactCustomer(const CContactCustomer& other);
  CContactCustomer& operator=(const CContactCustomer&) = delete;

  BSTR GetDisplayName(bool swap) override;
  BSTR GetListName(bool byCompany) override;
  BSTR ComposeFullName() override;
  BSTR GetEmail() override;
  void LoadFromContact(const IContactProperties& contact, bool skipAddress, bool businessFirst) override;

  // Fills the record from the stored contact with that object id, through an application
  // object of its own logged on with `owner` (address not skipped, business address first
  // by the by-company flag). 1 on success, 0 when there is no such contact.
  int LoadFromOid(HWND owner, LONG oid);
};

// One row of the customer list as the list window shows it.
class CCustomerListEntry {
 public:
  LONG GetId() const { return m_id; }
  void SetId(LONG id) { m_id = id; }

  // SetName also serves to set the entry's ListID slot through SetListID.
  void SetName(std::u16string_view text) { m_name = CBstr(text); }
  void SetCompanyName(std::u16string_view text) { m_companyName = CBstr(text); }
  void SetPhone(std::u16string_view text) { m_phone = CBstr(text); }
  void SetAltPhone(std::u16string_view text) { m_altPhone = CBstr(text); }
  void SetTotalBalance(std::u16string_view text) { m_totalBalance = CBstr(text); }
  void SetListID(std::u16string_view text) { m_listId = CBstr(text); }
  void SetSublevel(std::u16string_view text) { m_sublevel = CBstr(text); }
  void SetFullName(std::u16string_view text) { m_fullName = CBstr(text); }

  const CBstr& GetName() const { return m_name; }
  const CBstr& GetCompanyName() const { return m_companyName; }
  const CBstr& GetPhone() const { return m_phone; }
  const CBstr& GetAltPhone() const { return m_altPhone; }
  const CBstr& GetTotalBalance() const { return m_totalBalance; }
  const CBstr& GetListID() const { return m_listId; }
  const CBstr& GetSublevel() const { return m_sublevel; }
  const CBstr& GetFullName() const { return m_fullName; }

  // Phone (or AltPhone when empty) with the flag, AltPhone (or Phone) without it.
  std::u16string_view GetPhoneText(bool preferPhone) const;
  // CompanyName (or Name) by company, Name (or CompanyName) otherwise, indented by the
  // entry's Sublevel unless that is exactly "0".
  std::u16string GetDisplayName(bool byCompany) const;

 private:
  LONG m_id = 0;
  CBstr m_name;
  CBstr m_companyName;
  CBstr m_phone;
  CBstr m_altPhone;
  CBstr m_totalBalance;
  CBstr m_listId;
  CBstr m_sublevel;
  CBstr m_fullName;
};
