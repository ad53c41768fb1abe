// Where the program's customers come from: one interface with a source over the
// CustomerList table (here) and one over the device's contacts.
//
// The customer list drives a source in this order: Open, LoadList, GetCount and
// BuildLetterIndex (from its loader thread), then GetEntryAt for the rows the list view
// shows and GetRecordAt for the one chosen; before a reload FreeList and LoadList again.
// Rows are 0-based positions in the source's current sorted list.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "datastore/CustomerFields.h"
#include "datastore/CustomerRecord.h"
#include "platform/base/Win32Types.h"

class CItemStore;

// The ship-to address a contact-backed source may copy with a record.
struct CCustomerShipTo {
  std::u16string_view street;
  std::u16string_view city;
  std::u16string_view state;
  std::u16string_view postalCode;
};

// What the customer dialog is opened for.
enum class CustomerDialogMode { kNewCustomer, kEditCustomer, kNewJob };

// The customer dialog as the sources use it (the customer screens provide it).
class ICustomerDialog {
 public:
  virtual ~ICustomerDialog() = default;
  // Shows the dialog on the record, owned by `owner`; true when the user confirmed (the
  // record then holds what was entered).
  virtual bool Run(HWND owner, CTableCustomer& record, CustomerDialogMode mode) = 0;
};

// Letter positions of the alphabet row index: 1 for "#", 2-27 for A to Z.
constexpr int kLetterPositions = 27;
constexpr int kLetterPositionHash = 1;

class CCustomerSource {
 public:
  // `owner` owns the dialogs the source opens (not owned).
  explicit CCustomerSource(HWND owner) : m_owner(owner) {}
  CCustomerSource(const CCustomerSource&) = delete;
  CCustomerSource& operator=(const CCustomerSource&) = delete;

  // The twenty operations, in their slot order.
  virtual ~CCustomerSource();                                                          // 0
  virtual bool LoadList() = 0;                                                         // 1
  virtual void FreeList() = 0;                                                         // 2
  virtual int HasOwnTable() = 0;                                                       // 3
  virtual int GetCount(std::u16string_view category, bool byCompany) = 0;              // 4
  virtual std::unique_ptr<CCustomerRecord> CreateNew(int kind) = 0;                    // 5
  virtual int AddRecord(CCustomerRecord& record, const CCustomerShipTo* shipTo, int kind) = 0;  // 6
  virtual int UpdateRecord(CCustomerRecord& record, const CCustomerShipTo* shipTo) = 0;  // 7
  virtual LONG Exists(const CCustomerRecord& record) = 0;                              // 8
  virtual int ReopenItems() = 0;                                                       // 9
  virtual void ReapplyFilter() = 0;                                                    // 10
  virtual int EditEntry(HWND owner, int row, bool addJob) = 0;                         // 11
  virtual int DeleteEntry(int row) = 0;                                                // 12
  virtual bool GetRecordAt(int row, CCustomerRecord& record, bool skipAddress, bool businessFirst) = 0;  // 13
  virtual int GetEntryAt(int row, CCustomerListEntry& entry) = 0;                      // 14
  virtual bool FindByFullName(std::u16string_view fullName, CCustomerFields& fields) = 0;  // 15
  virtual int Open() = 0;                                                              // 16
  virtual void BuildLetterIndex(std::u16string_view category, bool byCompany) = 0;     // 17
  virtual std::unique_ptr<CCustomerRecord> GetRecordByOid(LONG oid, bool byCompany) = 0;  // 18
  virtual std::unique_ptr<CCustomerRecord> GetRecordByListID(std::u16string_view listId) = 0;  // 19

  // Asks a LoadList that runs on another thread to end early (it then returns false); the
  // loader's owner calls it when it stops the loader. Nothing for a source whose list loads
  // at once.
  virtual void InterruptLoad() {}

  // The first row of the letter position (1 "#", 2-27 A-Z); 0 for a letter not found and
  // for any other position.
  int GetLetterRow(int position) const;
  void ClearLetterIndex() { m_letterRows.fill(0); }
  HWND Owner() const { return m_owner; }
  bool LetterIndexByCompany() const { return m_byCompany; }

 protected:
  // Records the first row of every letter from the rows' names, in one pass over a list
  // sorted by that name: the first row of each letter A-Z (compared upper-cased) is kept.
  // Names that begin with anything else leave "#" at 0 (they start the list at row 0).
  void IndexLetters(int rowCount, const std::function<std::u16string(int row)>& nameOfRow);

  HWND m_owner = nullptr;  // not owned
  std::array<int, kLetterPositions + 1> m_letterRows{};  // index 1-27 used
  bool m_byCompany = false;
  std::u16string m_text;
};

// The source over the CustomerList table, reached through the item store.
class CQBCustomerSource : public CCustomerSource {
 public:
  // `store` and `dialog` are not owned; without a dialog CreateNew and EditEntry store
  // nothing.
  CQBCustomerSource(HWND owner, CItemStore& store, ICustomerDialog* dialog = nullptr);
  ~CQBCustomerSource() override;

  void SetDialog(ICustomerDialog* dialog) { m_dialog = dialog; }

  bool LoadList() override;
  void InterruptLoad() override;
  void FreeList() override;
  int HasOwnTable() override { return 1; }
  int GetCount(std::u16string_view category, bool byCompany) override;
  std::unique_ptr<CCustomerRecord> CreateNew(int kind) override;
  int AddRecord(CCustomerRecord& record, const CCustomerShipTo* shipTo, int kind) override;
  int UpdateRecord(CCustomerRecord& record, const CCustomerShipTo* shipTo) override;
  LONG Exists(const CCustomerRecord& record) override;
  int ReopenItems() override { return 0; }
  void ReapplyFilter() override {}
  int EditEntry(HWND owner, int row, bool addJob) override;
  int DeleteEntry(int row) override;
  bool GetRecordAt(int row, CCustomerRecord& record, bool skipAddress, bool businessFirst) override;
  int GetEntryAt(int row, CCustomerListEntry& entry) override;
  bool FindByFullName(std::u16string_view fullName, CCustomerFields& fields) override;
  int Open() override { return 1; }
  void BuildLetterIndex(std::u16string_view category, bool byCompany) override;
  std::unique_ptr<CCustomerRecord> GetRecordByOid(LONG, bool) override { return nullptr; }
  std::unique_ptr<CCustomerRecord> GetRecordByListID(std::u16string_view listId) override;

 private:
  CItemStore& m_store;
  ICustomerDialog* m_dialog = nullptr;  // not owned
};
