// Sends e-mail through the device's messaging system: the message is built in the Drafts
// folder of a message store and submitted; the store delivers it at its next
// synchronisation.
//
// Failures of the messaging calls are written to the debug output with the number of the
// step that failed; nothing is shown to the user here.
#pragma once

#include <string>
#include <vector>

#include "platform/base/Win32Types.h"
#include "platform/mapi/Mapi.h"
#include "platform/mapi/MapiPtr.h"

class CMailSender {
 public:
  // At most this many stores are listed; further stores are ignored.
  static constexpr int kMaxStores = 6;

  CMailSender() = default;
  // Releases the Drafts folder, the message, the store and the session, in that order.
  virtual ~CMailSender();
  CMailSender(const CMailSender&) = delete;
  CMailSender& operator=(const CMailSender&) = delete;

  // Logs on to the messaging system; the result of the logon.
  HRESULT Logon(ULONG_PTR uiParam, LPWSTR profile, LPWSTR password, ULONG flags);
  bool IsLoggedOn() const { return m_loggedOn != 0; }

  // Opens the default store and its Drafts folder (nothing when the folder is open).
  HRESULT OpenDefaultStore();
  // Opens the store whose display name equals `name` ignoring case, and its Drafts folder.
  HRESULT OpenStoreByName(const std::u16string& name);

  // Walk the stores of the session. The first call reads the stores table anew; each is
  // false when there is no (further) store.
  bool GetFirstStore(std::u16string& name, std::vector<BYTE>& entryId);
  bool GetNextStore(std::u16string& name, std::vector<BYTE>& entryId);

  // Sends one message: To, subject and body are required; CC, BCC and the attachment paths
  // may be null. The store is the one the "MailBox" preference names, the default store when
  // it is empty or "ActiveSync". Every attachment must be readable in full, or nothing is
  // sent. S_OK when the message was submitted.
  HRESULT SendMessage(LPCWSTR to, LPCWSTR cc, LPCWSTR bcc, LPCWSTR subject, std::u16string body,
                      LPCWSTR attachment1, LPCWSTR attachment2, LPCWSTR attachment3);

  // Steps of SendMessage on the message being built.
  HRESULT AddRecipients(LPCWSTR to, LPCWSTR cc, LPCWSTR bcc);
  HRESULT SetMessageProperties(LPCWSTR subject, std::u16string body, LPCWSTR attachment1, LPCWSTR attachment2,
                               LPCWSTR attachment3);
  HRESULT AddAttachment(LPCWSTR path);

 private:
  struct StoreEntry {
    std::u16string name;
    std::vector<BYTE> entryId;
  };
  HRESULT ReadStoreList();
  HRESULT OpenDraftsFolder();
  HRESULT WriteBody(const std::u16string& body);

  LONG m_loggedOn = 0;
  std::vector<StoreEntry> m_stores;
  int m_storeCount = 0;
  int m_nextStore = 0;
  // Members go in reverse order: the Drafts folder first, the session last.
  CMapiPtr<IMAPISession> m_session;
  CMapiPtr<IMsgStore> m_store;
  CMapiPtr<IMessage> m_message;
  CMapiPtr<IMAPIFolder> m_drafts;
};
