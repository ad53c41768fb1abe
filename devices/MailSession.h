// The mail connection the rest of the program opens for one operation: logged on while it
// lives, it sends messages and names the device's message stores.
#pragma once

#include <string>

#include "devices/MailSender.h"

class CMailSession {
 public:
  // Logs on (a failed logon leaves a session that sends nothing).
  CMailSession();
  virtual ~CMailSession();
  CMailSession(const CMailSession&) = delete;
  CMailSession& operator=(const CMailSession&) = delete;

  // True only when the message was submitted. CC, BCC and attachments may be null.
  bool Send(LPCWSTR to, LPCWSTR cc, LPCWSTR bcc, LPCWSTR subject, LPCWSTR body, LPCWSTR attachment1 = nullptr,
            LPCWSTR attachment2 = nullptr, LPCWSTR attachment3 = nullptr);

  // The display names of the message stores; false when there is no (further) store.
  bool GetFirstStoreName(std::u16string& name);
  bool GetNextStoreName(std::u16string& name);

 private:
  CMailSender m_sender;
};
