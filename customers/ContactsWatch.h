// What the customer list needs of the device's contacts databases: change notifications
// of "Contacts Database" while the list is over contacts, the categories a contact can be
// filed under, and what a change means for the list.
#pragma once

#include <string>
#include <vector>

#include "platform/pim/Pim.h"

class CContactsWatch {
 public:
  CContactsWatch() = default;
  ~CContactsWatch();
  CContactsWatch(const CContactsWatch&) = delete;
  CContactsWatch& operator=(const CContactsWatch&) = delete;

  // Opens the contacts database so that its changes come to `window` as WM_DBNOTIFICATION
  // (through a mounted volume and a session on systems of version 5 or later). Once: a
  // database already open stays as it is. False when it cannot be opened.
  bool Open(HWND window);
  bool IsOpen() const { return m_database != nullptr; }
  // Whether the notification is about the contacts database.
  bool Concerns(const CENOTIFICATION& notification) const;
  // Frees a notification the window received.
  void Release(CENOTIFICATION* notification);

  // The names of the categories in stored order; false when their database cannot be
  // opened.
  static bool LoadCategories(std::vector<std::u16string>& names);

 private:
  void Close();

  CENOTIFYREQUEST m_request;
  CEGUID m_volume;
  bool m_mounted = false;
  HANDLE m_session = nullptr;
  HANDLE m_database = nullptr;
  CEOID m_oid = 0;
};

// What a change of the contacts asks of the list.
enum class ContactChange {
  kIgnore,         // another database's, or a kind of change the list does not show
  kAtActivation,   // reload and restart the loader when the list is next activated
  kSelectCreated,  // the contact just created is the choice (pick mode, list active)
  kReloadNow,      // reload, reselect, restart the loader
  kReloadLater,    // mark for reload at activation and restart the loader
};
ContactChange ClassifyContactChange(bool concernsContacts, bool listUpdateRunning, UINT type, bool listActive,
                                    bool pickMode);
