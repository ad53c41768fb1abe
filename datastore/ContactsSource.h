// The customer source over the device's contacts, and the locator that opens the contact
// behind a document's customer.
//
// Contacts the program creates carry a category ("DedadErude" for customers taken over from
// the desktop customer list, "Slateway" for any other) so that the list can be limited to
// them. Rows are 0-based positions in the restricted, sorted collection, as for the table
// source. Every failed contacts call ends the operation with its "nothing" result.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/WindowMessages.h"
#include "datastore/CustomerSource.h"
#include "platform/pim/Pim.h"

// Customer kind given to AddRecord and CreateNew for a customer of the desktop list.
constexpr int kContactKindDesktopCustomer = 2;

// The text between quotation marks in a contacts condition: embedded quotation marks doubled.
std::u16string QuoteContactValue(std::u16string_view text);

class CContactsSource : public CCustomerSource {
 public:
  // Creates the contacts application object and logs on with `owner`; when that fails the
  // source answers every call with its failure result.
  explicit CContactsSource(HWND owner);
  ~CContactsSource() override;

  bool LoadList() override { return true; }
  void FreeList() override {}
  int HasOwnTable() override { return 0; }
  int GetCount(std::u16string_view category, bool byCompany) override;
  // Shows a new contact on the contact card and tags it; returns no record.
  std::unique_ptr<CCustomerRecord> CreateNew(int kind) override;
  int AddRecord(CCustomerRecord& record, const CCustomerShipTo* shipTo, int kind) override;
  int UpdateRecord(CCustomerRecord& record, const CCustomerShipTo* shipTo) override;
  // The object id of the record's contact (by its id, else by its names); 0 when none.
  LONG Exists(const CCustomerRecord& record) override;
  int ReopenItems() override;
  void ReapplyFilter() override;
  int EditEntry(HWND owner, int row, bool addJob) override;
  int DeleteEntry(int row) override;
  bool GetRecordAt(int row, CCustomerRecord& record, bool skipAddress, bool businessFirst) override;
  int GetEntryAt(int row, CCustomerListEntry& entry) override;
  bool FindByFullName(std::u16string_view, CCustomerFields&) override { return false; }
  int Open() override;
  void BuildLetterIndex(std::u16string_view category, bool byCompany) override;
  std::unique_ptr<CCustomerRecord> GetRecordByOid(LONG oid, bool byCompany) override;
  std::unique_ptr<CCustomerRecord> GetRecordByListID(std::u16string_view) override { return nullptr; }

  // The condition that finds a record's contact by its names; empty when the record has
  // no name to search by. An all-empty record first takes Name (or Contact) as LastName.
  static std::u16string FindCondition(CCustomerRecord& record);

 private:
  // The collection restricted by the category (and to companies by company) and sorted.
  std::unique_ptr<CPimItems> FilteredItems(std::u16string_view category, bool byCompany);
  std::unique_ptr<CPimContact> ContactAt(int row);
  std::unique_ptr<CPimContact> FindContact(const CCustomerRecord& record);
  void Tag(CPimContact& contact, int kind);

  std::unique_ptr<CPOutlookApp> m_app;
  std::unique_ptr<CPimFolder> m_folder;
  std::unique_ptr<CPimItems> m_items;
  std::unique_ptr<CPimItems> m_letterItems;
  std::u16string m_category;
  bool m_filterByCompany = false;
};

// Opens the contact behind a document's customer on the contact card and reads it back.
class CContactLocator {
 public:
  // `source` is not owned; `notify` receives kMsgChooseCustomer when the user asks for the
  // customer list.
  CContactLocator(HINSTANCE owner, HWND window, HWND notify, CCustomerSource* source);
  ~CContactLocator();

  // 1 when the contact was found (by the record's id, else by its names), shown and read
  // back into the record, whose ListID then holds the contact's object id; 0 otherwise.
  int LocateContact(CContactCustomer& record);

 private:
  [[maybe_unused]] HINSTANCE m_owner;  // the program instance; not owned
  HWND m_window;
  HWND m_notify;
  CCustomerSource* m_source;  // not owned
};
