#include "customers/ContactsWatch.h"

#include "core/UiMetrics.h"
#include "platform/base/Base.h"
#include "platform/kernel/Files.h"

namespace {

constexpr DWORD kNotificationParam = 43;
constexpr DWORD kVolumeMountFlags = 0x80000003;
constexpr char16_t kContactsDatabase[] = u"Contacts Database";
constexpr char16_t kCategoriesDatabase[] = u"\\Categories Database";

bool Valid(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }

}  // namespace

CContactsWatch::~CContactsWatch() { Close(); }

bool CContactsWatch::Open(HWND window) {
  if (IsOpen()) return true;
  m_request = CENOTIFYREQUEST();
  m_request.hwnd = window;
  m_request.dwFlags = CEDB_EXNOTIFICATION;
  m_request.dwParam = kNotificationParam;
  CEOID oid = 0;
  HANDLE database = nullptr;
  if (IsOsVersion5OrLater()) {
    CEVOLUMEOPTIONS options;
    if (!CeMountDBVolEx(&m_volume, nullptr, &options, kVolumeMountFlags)) return false;
    m_mounted = true;
    m_session = CeCreateSession(&m_volume);
    if (!Valid(m_session)) {
      m_session = nullptr;
      Close();
      return false;
    }
    database = CeOpenDatabaseInSession(m_session, &m_volume, &oid, kContactsDatabase, nullptr, 0, &m_request);
  } else {
    database = CeOpenDatabaseEx2(&m_volume, &oid, kContactsDatabase, nullptr, 0, &m_request);
  }
  if (!Valid(database)) {
    Close();
    return false;
  }
  m_database = database;
  m_oid = oid ? oid : kContactsDatabaseOid;
  return true;
}

void CContactsWatch::Close() {
  if (m_database) CloseHandle(m_database);
  if (m_session) CloseHandle(m_session);
  if (m_mounted) CeUnmountDBVol(&m_volume);
  m_database = m_session = nullptr;
  m_mounted = false;
}

bool CContactsWatch::Concerns(const CENOTIFICATION& notification) const {
  return IsOpen() && notification.oidParent == m_oid;
}

void CContactsWatch::Release(CENOTIFICATION* notification) {
  if (notification) CeFreeNotification(&m_request, notification);
}

bool CContactsWatch::LoadCategories(std::vector<std::u16string>& names) {
  names.clear();
  CEGUID volume;
  CEOID oid = 0;
  HANDLE database = CeOpenDatabaseEx2(&volume, &oid, kCategoriesDatabase, nullptr, 0, nullptr);
  if (!Valid(database)) return false;
  CeSeekDatabaseEx(database, CEDB_SEEK_BEGINNING, 0, 0, nullptr);
  LPBYTE buffer = nullptr;
  DWORD size = 0;
  for (;;) {
    WORD count = 0;
    if (!CeReadRecordPropsEx(database, CEDB_ALLOWREALLOC, &count, nullptr, &buffer, &size, nullptr)) break;
    const auto* first = reinterpret_cast<const CEPROPVAL*>(buffer);
    if (count > 0 && LOWORD(first->propid) == CEVT_LPWSTR && !(first->wFlags & CEDB_PROPNOTFOUND) && first->val.lpwstr)
      names.emplace_back(first->val.lpwstr);
  }
  if (buffer) LocalFree(buffer);
  CloseHandle(database);
  return true;
}

ContactChange ClassifyContactChange(bool concernsContacts, bool listUpdateRunning, UINT type, bool listActive,
                                    bool pickMode) {
  if (!concernsContacts) return ContactChange::kIgnore;
  if (listUpdateRunning) return ContactChange::kAtActivation;
  if (type != DB_CEOID_CREATED && type != DB_CEOID_CHANGED && type != DB_CEOID_RECORD_DELETED)
    return ContactChange::kIgnore;
  if (!listActive) return ContactChange::kReloadLater;
  return type == DB_CEOID_CREATED && pickMode ? ContactChange::kSelectCreated : ContactChange::kReloadNow;
}
