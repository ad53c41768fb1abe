// The handheld's personal-information store as the program reaches it: the contacts
// application object with its folder, item collection and contacts (the operation names
// and HRESULTs of the Pocket Outlook objects, without the COM plumbing), the contact card
// and the contact chooser, and the property databases that mirror the store ("Contacts
// Database" with change notifications, "\Categories Database").
//
// Everything lives in one SQLite file, \Windows\Contacts.db of the device root. All
// objects of a process share one open store; writes through any of them notify every
// window that opened the contacts database with a notification request.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Bstr.h"
#include "platform/base/Win32Types.h"
#include "platform/user/Window.h"

namespace platform::pim {
class Store;
struct ItemsState;
}  // namespace platform::pim

constexpr WCHAR kPocketOutlookProgId[] = u"PocketOutlook.Application";
constexpr WCHAR kPocketOutlookAppIid[] = u"{05058F22-20BE-11D2-8F18-0000F87A4335}";

// GetDefaultFolder and CreateItem arguments.
constexpr int olFolderContacts = 10;
constexpr int olContactItem = 2;

// Contact text properties, numbered by their getter's position in the contact interface
// (the setter of each sits 50 further on).
enum PimContactProperty {
  PIM_BusinessFaxNumber = 9,
  PIM_CompanyName = 10,
  PIM_Email1Address = 12,
  PIM_AssistantTelephoneNumber = 13,
  PIM_BusinessTelephoneNumber = 16,
  PIM_HomeTelephoneNumber = 18,
  PIM_Home2TelephoneNumber = 22,
  PIM_MobileTelephoneNumber = 24,
  PIM_Categories = 28,
  PIM_Business2TelephoneNumber = 30,
  PIM_Title = 31,
  PIM_FirstName = 32,
  PIM_LastName = 34,
  PIM_Suffix = 35,
  PIM_HomeAddressStreet = 36,
  PIM_HomeAddressCity = 37,
  PIM_HomeAddressState = 38,
  PIM_HomeAddressPostalCode = 39,
  PIM_BusinessAddressStreet = 46,
  PIM_BusinessAddressCity = 47,
  PIM_BusinessAddressState = 48,
  PIM_BusinessAddressPostalCode = 49,
  PIM_FileAs = 52,
};

// The property's name in condition and sort texts ("FirstName"); empty for an unknown one.
std::u16string_view PimPropertyName(int property);

class CPimContact;
class CPimItems;
class CPimFolder;

// The application object. Every call but Logon fails with E_FAIL until it is logged on.
class CPOutlookApp {
 public:
  CPOutlookApp();
  ~CPOutlookApp();
  CPOutlookApp(const CPOutlookApp&) = delete;
  CPOutlookApp& operator=(const CPOutlookApp&) = delete;

  // Opens the device's store (made, with its default contacts, when missing); `owner` owns
  // the contact cards. E_FAIL when the store cannot be opened.
  HRESULT Logon(HWND owner);
  HRESULT Logoff();
  // olFolderContacts only; E_INVALIDARG for any other folder.
  HRESULT GetDefaultFolder(int folder, std::unique_ptr<CPimFolder>* out);
  // A new, unsaved contact (olContactItem only).
  HRESULT CreateItem(int kind, std::unique_ptr<CPimContact>* out);
  // The stored contact with that object id; E_INVALIDARG when there is none.
  HRESULT GetItemFromOid(LONG oid, std::unique_ptr<CPimContact>* out);

 private:
  std::shared_ptr<platform::pim::Store> m_store;
  HWND m_owner = nullptr;
};

// Makes the application object the ProgID names; REGDB_E_CLASSNOTREG for any other.
HRESULT CreatePOutlookApp(LPCWSTR progId, std::unique_ptr<CPOutlookApp>* out);

class CPimFolder {
 public:
  CPimFolder(std::shared_ptr<platform::pim::Store> store, HWND owner);
  ~CPimFolder();
  // All contacts of the folder, unsorted (in object id order).
  HRESULT get_Items(std::unique_ptr<CPimItems>* out);

 private:
  std::shared_ptr<platform::pim::Store> m_store;
  HWND m_owner = nullptr;
};

// A live view of the folder: a restriction and a sort order over the stored contacts.
// Its rows follow every change to the store; Item indexes count from 1.
//
// Condition texts: comparisons `[Property] op "text"` (op one of = <> < > <= >=; a
// quotation mark inside the text is written twice), joined by AND and OR, negated by NOT,
// grouped by parentheses. Texts compare ignoring case. `[Categories] = "X"` holds when X
// is one of the contact's comma-separated categories. A malformed text is E_INVALIDARG.
// Sort texts name one or more properties: "[LastName,CompanyName]".
class CPimItems {
 public:
  CPimItems(std::shared_ptr<platform::pim::Store> store, HWND owner);
  ~CPimItems();

  // A new, unsaved contact; it joins the store when it is saved.
  HRESULT Add(std::unique_ptr<CPimContact>* out);
  HRESULT get_Count(int* count);
  // The first contact in this collection's order that meets the condition: S_OK with it,
  // S_FALSE and none when no contact does.
  HRESULT Find(std::u16string_view condition, std::unique_ptr<CPimContact>* out);
  // The contact at a 1-based index; E_INVALIDARG outside 1..Count.
  HRESULT Item(int index, std::unique_ptr<CPimContact>* out);
  // A new collection holding the contacts of this one that meet the condition.
  HRESULT Restrict(std::u16string_view condition, std::unique_ptr<CPimItems>* out);
  // Orders this collection by the properties of the sort text.
  HRESULT Sort(std::u16string_view property, bool descending);

 private:
  std::shared_ptr<platform::pim::Store> m_store;
  HWND m_owner = nullptr;
  std::unique_ptr<platform::pim::ItemsState> m_state;
};

// One contact: a copy of its stored properties, written back by Save.
class CPimContact {
 public:
  using Values = std::shared_ptr<const std::vector<std::u16string>>;
  // `values` may be shared with a collection's rows: the contact copies them on its first
  // change.
  CPimContact(std::shared_ptr<platform::pim::Store> store, HWND owner, LONG oid, Values values);
  ~CPimContact();

  // The property's text (empty when unset); E_INVALIDARG for an unknown property.
  HRESULT GetProperty(int property, CBstr* value) const;
  HRESULT PutProperty(int property, std::u16string_view value);
  std::u16string Text(int property) const;
  HRESULT put_Categories(std::u16string_view categories) { return PutProperty(PIM_Categories, categories); }
  // 0 while the contact has never been saved.
  HRESULT get_Oid(LONG* oid) const;
  LONG Oid() const { return m_oid; }

  // Stores the contact (a new one gets its object id). A contact whose record was deleted
  // meanwhile is E_FAIL. An empty file-as text is made from the names.
  HRESULT Save();
  // Removes the stored contact; E_FAIL when it was never saved or is gone already.
  HRESULT Delete();
  // The contact card: shows the contact for editing; OK saves what the user entered.
  HRESULT Display();

 private:
  std::shared_ptr<platform::pim::Store> m_store;
  HWND m_owner = nullptr;
  LONG m_oid = 0;
  std::vector<std::u16string>& Own();

  Values m_values;  // by PimContactProperty slot, see PimStore.h
};

// Control ids of the contact card: one edit per field, in this order.
constexpr int kContactCardFirstField = 1300;
constexpr int kContactCardFields[] = {
    PIM_FirstName, PIM_LastName, PIM_CompanyName, PIM_Title, PIM_BusinessTelephoneNumber,
    PIM_HomeTelephoneNumber, PIM_MobileTelephoneNumber, PIM_Email1Address, PIM_BusinessAddressStreet,
    PIM_BusinessAddressCity, PIM_BusinessAddressState, PIM_BusinessAddressPostalCode, PIM_Categories,
};

// The contact chooser.
struct CHOOSECONTACT {
  UINT cbSize = sizeof(CHOOSECONTACT);
  HWND hwndOwner = nullptr;
  DWORD dwFlags = 0;
  LPCWSTR lpszTitle = nullptr;  // null: "Contacts"
  LONG oidContactID = 0;        // out: the chosen contact
  BSTR bstrContactName = nullptr;  // out: its file-as text; the caller frees it
};
using LPCHOOSECONTACT = CHOOSECONTACT*;

// Control ids of the chooser.
constexpr int kChooserList = 1350;    // the contacts by file-as text
constexpr int kChooserSearch = 1351;  // typed letters: the list starts at the first match

// S_OK with the chosen contact; E_ABORT when the user cancels; E_INVALIDARG for a wrong
// structure size or a null pointer; E_FAIL when the store cannot be opened.
HRESULT ChooseContact(LPCHOOSECONTACT choose);

// --- The property databases --------------------------------------------------------------

using CEOID = DWORD;
using PCEOID = CEOID*;
using CEPROPID = DWORD;
struct CEGUID {
  DWORD Data1 = 0, Data2 = 0, Data3 = 0, Data4 = 0;
};
using PCEGUID = CEGUID*;

constexpr UINT WM_DBNOTIFICATION = 0x03FD;  // 1021
constexpr DWORD CEDB_EXNOTIFICATION = 0x00000001;
constexpr UINT DB_CEOID_CREATED = WM_USER + 1;
constexpr UINT DB_CEOID_RECORD_DELETED = WM_USER + 3;
constexpr UINT DB_CEOID_CHANGED = WM_USER + 6;
constexpr DWORD CEDB_SEEK_BEGINNING = 0x00000020;
constexpr DWORD CEDB_SEEK_CURRENT = 0x00000040;
constexpr DWORD CEDB_ALLOWREALLOC = 0x00000001;
constexpr WORD CEVT_LPWSTR = 31;
constexpr WORD CEDB_PROPNOTFOUND = 0x0100;

struct CENOTIFYREQUEST {
  DWORD dwSize = sizeof(CENOTIFYREQUEST);
  HWND hwnd = nullptr;
  DWORD dwFlags = 0;
  HANDLE hHeap = nullptr;
  DWORD dwParam = 0;
};

struct CENOTIFICATION {
  DWORD dwSize = sizeof(CENOTIFICATION);
  DWORD dwParam = 0;
  UINT uType = 0;
  CEGUID guid;
  CEOID oid = 0;
  CEOID oidParent = 0;
};

union CEVALUNION {
  LPWSTR lpwstr;
  LONG lVal;
};
struct CEPROPVAL {
  CEPROPID propid = 0;  // HIWORD the property index, LOWORD its type
  WORD wLenData = 0;
  WORD wFlags = 0;
  CEVALUNION val{};
};

struct CEVOLUMEOPTIONS {
  DWORD cbSize = sizeof(CEVOLUMEOPTIONS);
  DWORD dwFlags = 0;
};

// The object volume: mounting succeeds for the device's own volume (a null or empty name).
BOOL CeMountDBVolEx(PCEGUID guid, LPCWSTR volume, CEVOLUMEOPTIONS* options, DWORD flags);
BOOL CeUnmountDBVol(PCEGUID guid);
// A session on a mounted volume; closed with CloseHandle.
HANDLE CeCreateSession(PCEGUID guid);
// Opens "Contacts Database" or "\Categories Database" by name (or by object id through
// `oid` when the name is null) and, given a request with a window, sends that window
// WM_DBNOTIFICATION with a CENOTIFICATION for each contact created, changed or deleted
// until the handle is closed (CloseHandle). INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND
// for another name.
HANDLE CeOpenDatabaseInSession(HANDLE session, PCEGUID guid, PCEOID oid, LPCWSTR name, void* sort, DWORD flags,
                               CENOTIFYREQUEST* request);
HANDLE CeOpenDatabaseEx2(PCEGUID guid, PCEOID oid, LPCWSTR name, void* sort, DWORD flags, CENOTIFYREQUEST* request);
// Moves to a record: CEDB_SEEK_BEGINNING (the value-th record) or CEDB_SEEK_CURRENT (that
// many further). The record's object id, or 0 past the end.
CEOID CeSeekDatabaseEx(HANDLE database, DWORD seekType, DWORD value, WORD valueCount, LPDWORD index);
// Reads the current record's properties (all of them when *propCount is 0) into a buffer
// of CEPROPVALs followed by their texts, allocated (or grown with CEDB_ALLOWREALLOC) by
// LocalAlloc; then moves to the next record. The record's object id, 0 at the end.
// Categories records hold the category name; contact records the file-as text, first
// name, last name and company name.
CEOID CeReadRecordPropsEx(HANDLE database, DWORD flags, WORD* propCount, CEPROPID* props, LPBYTE* buffer,
                          LPDWORD bufferSize, HANDLE heap);
// Frees a notification a window received.
BOOL CeFreeNotification(CENOTIFYREQUEST* request, CENOTIFICATION* notification);

// The object ids of the two databases (the parent object of their notifications).
constexpr CEOID kContactsDatabaseOid = 0x00010001;
constexpr CEOID kCategoriesDatabaseOid = 0x00010002;

// --- Registration and tests ---------------------------------------------------------------

// What pimstore's DllRegisterServer does: records the application class under
// HKEY_CLASSES_ROOT and makes the store (with its default contacts) when it is missing.
HRESULT RegisterPimServer();
// Closes the store and forgets notification requests and undelivered notifications (a
// test's device root changes underneath).
void ResetPimStore();
