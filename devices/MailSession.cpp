#include "devices/MailSession.h"

CMailSession::CMailSession() { m_sender.Logon(0, nullptr, nullptr, 0); }

CMailSession::~CMailSession() = default;

bool CMailSession::Send(LPCWSTR to, LPCWSTR cc, LPCWSTR bcc, LPCWSTR subject, LPCWSTR body, LPCWSTR attachment1,
                        LPCWSTR attachment2, LPCWSTR attachment3) {
  if (!body) return false;
  return m_sender.SendMessage(to, cc, bcc, subject, body, attachment1, attachment2, attachment3) == S_OK;
}

bool CMailSession::GetFirstStoreName(std::u16string& name) {
  std::vector<BYTE> entryId;
  return m_sender.GetFirstStore(name, entryId);
}

bool CMailSession::GetNextStoreName(std::u16string& name) {
  std::vector<BYTE> entryId;
  return m_sender.GetNextStore(name, entryId);
}
