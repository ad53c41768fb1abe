// The property databases over the contacts store: "Contacts Database" (one record per
// contact, with change notifications to the window that asked for them) and
// "\Categories Database" (one record per category name).
#include <cstring>

#include "platform/base/Base.h"
#include "platform/kernel/KernelObjects.h"
#include "platform/pim/PimStore.h"

namespace platform::pim {
namespace {

constexpr char16_t kContactsName[] = u"Contacts Database";
constexpr char16_t kCategoriesName[] = u"\\Categories Database";

struct VolumeObject : platform::kernel::KernelObject {};

class DatabaseObject : public platform::kernel::KernelObject {
 public:
  DatabaseObject(std::shared_ptr<Store> store, bool contacts) : m_store(std::move(store)), m_contacts(contacts) {}
  ~DatabaseObject() override { m_store->RemoveTargets(this); }

  void Listen(const CENOTIFYREQUEST& request) { m_store->AddTarget(NotifyTarget{this, request.hwnd, request.dwParam}); }

  // The records' texts as they stand now.
  std::vector<std::pair<CEOID, std::vector<std::u16string>>> Records() {
    std::vector<std::pair<CEOID, std::vector<std::u16string>>> records;
    if (!m_contacts) {
      CEOID id = 1;
      for (std::u16string& name : m_store->Categories()) records.push_back({id++, {std::move(name)}});
      return records;
    }
    std::vector<ContactRow> rows;
    m_store->Select({}, "", &rows);
    for (ContactRow& row : rows) {
      auto text = [&row](int property) { return row.values[static_cast<size_t>(SlotOf(property))]; };
      records.push_back({static_cast<CEOID>(row.oid),
                         {text(PIM_FileAs), text(PIM_FirstName), text(PIM_LastName), text(PIM_CompanyName)}});
    }
    return records;
  }

  size_t m_current = 0;

 private:
  std::shared_ptr<Store> m_store;
  bool m_contacts;
};

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

HANDLE Open(PCEOID oid, LPCWSTR name, CENOTIFYREQUEST* request) {
  bool contacts;
  if (name) {
    std::u16string_view n(name);
    contacts = n == kContactsName;
    if (!contacts && n != kCategoriesName) {
      Fail(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
  } else if (oid && (*oid == kContactsDatabaseOid || *oid == kCategoriesDatabaseOid)) {
    contacts = *oid == kContactsDatabaseOid;
  } else {
    Fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (request && request->dwSize != sizeof(CENOTIFYREQUEST)) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::shared_ptr<Store> store = Store::Current();
  if (!store) {
    Fail(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto db = std::make_shared<DatabaseObject>(store, contacts);
  if (request && request->hwnd) db->Listen(*request);
  if (oid) *oid = contacts ? kContactsDatabaseOid : kCategoriesDatabaseOid;
  return platform::kernel::InsertObject(db);
}

}  // namespace
}  // namespace platform::pim

using platform::pim::DatabaseObject;

BOOL CeMountDBVolEx(PCEGUID guid, LPCWSTR volume, CEVOLUMEOPTIONS*, DWORD) {
  if (!guid) return platform::pim::Fail(ERROR_INVALID_PARAMETER);
  if (volume && *volume) return platform::pim::Fail(ERROR_FILE_NOT_FOUND);
  *guid = CEGUID{};
  return platform::pim::Store::Current() ? TRUE : platform::pim::Fail(ERROR_FILE_NOT_FOUND);
}

BOOL CeUnmountDBVol(PCEGUID guid) { return guid ? TRUE : platform::pim::Fail(ERROR_INVALID_PARAMETER); }

HANDLE CeCreateSession(PCEGUID guid) {
  if (!guid) {
    platform::pim::Fail(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  return platform::kernel::InsertObject(std::make_shared<platform::pim::VolumeObject>());
}

HANDLE CeOpenDatabaseInSession(HANDLE session, PCEGUID, PCEOID oid, LPCWSTR name, void*, DWORD,
                               CENOTIFYREQUEST* request) {
  if (!platform::kernel::FindObjectOf<platform::pim::VolumeObject>(session)) {
    platform::pim::Fail(ERROR_INVALID_HANDLE);
    return INVALID_HANDLE_VALUE;
  }
  return platform::pim::Open(oid, name, request);
}

HANDLE CeOpenDatabaseEx2(PCEGUID, PCEOID oid, LPCWSTR name, void*, DWORD, CENOTIFYREQUEST* request) {
  return platform::pim::Open(oid, name, request);
}

CEOID CeSeekDatabaseEx(HANDLE database, DWORD seekType, DWORD value, WORD, LPDWORD index) {
  auto db = platform::kernel::FindObjectOf<DatabaseObject>(database);
  if (!db) return platform::pim::Fail(ERROR_INVALID_HANDLE), 0;
  size_t target;
  if (seekType == CEDB_SEEK_BEGINNING) target = value;
  else if (seekType == CEDB_SEEK_CURRENT) target = db->m_current + value;
  else return platform::pim::Fail(ERROR_INVALID_PARAMETER), 0;
  auto records = db->Records();
  if (target >= records.size()) return platform::pim::Fail(ERROR_NO_MORE_ITEMS), 0;
  db->m_current = target;
  if (index) *index = static_cast<DWORD>(target);
  return records[target].first;
}

CEOID CeReadRecordPropsEx(HANDLE database, DWORD flags, WORD* propCount, CEPROPID* props, LPBYTE* buffer,
                          LPDWORD bufferSize, HANDLE) {
  auto db = platform::kernel::FindObjectOf<DatabaseObject>(database);
  if (!db || !propCount || !buffer || !bufferSize) return platform::pim::Fail(ERROR_INVALID_PARAMETER), 0;
  auto records = db->Records();
  if (db->m_current >= records.size()) return platform::pim::Fail(ERROR_NO_MORE_ITEMS), 0;
  const auto& [oid, texts] = records[db->m_current];
  // The properties asked for, by index (the high word of each id); all when none are named.
  std::vector<WORD> wanted;
  if (*propCount == 0 || !props) {
    for (WORD i = 0; i < texts.size(); ++i) wanted.push_back(i);
  } else {
    for (WORD i = 0; i < *propCount; ++i) wanted.push_back(HIWORD(props[i]));
  }
  size_t size = wanted.size() * sizeof(CEPROPVAL);
  for (WORD w : wanted)
    if (w < texts.size()) size += (texts[w].size() + 1) * sizeof(WCHAR);
  if (*buffer == nullptr || *bufferSize < size) {
    if (!(flags & CEDB_ALLOWREALLOC) && *buffer) return platform::pim::Fail(ERROR_INSUFFICIENT_BUFFER), 0;
    HLOCAL grown = *buffer ? LocalReAlloc(*buffer, size, LMEM_MOVEABLE) : LocalAlloc(LMEM_FIXED, size);
    if (!grown) return platform::pim::Fail(ERROR_NOT_ENOUGH_MEMORY), 0;
    *buffer = static_cast<LPBYTE>(grown);
    *bufferSize = static_cast<DWORD>(size);
  }
  auto* vals = reinterpret_cast<CEPROPVAL*>(*buffer);
  auto* text = reinterpret_cast<WCHAR*>(*buffer + wanted.size() * sizeof(CEPROPVAL));
  for (size_t i = 0; i < wanted.size(); ++i) {
    vals[i] = CEPROPVAL{};
    vals[i].propid = MAKELONG(CEVT_LPWSTR, wanted[i]);
    if (wanted[i] >= texts.size()) {
      vals[i].wFlags = CEDB_PROPNOTFOUND;
      continue;
    }
    const std::u16string& t = texts[wanted[i]];
    std::memcpy(text, t.c_str(), (t.size() + 1) * sizeof(WCHAR));
    vals[i].val.lpwstr = text;
    text += t.size() + 1;
  }
  *propCount = static_cast<WORD>(wanted.size());
  ++db->m_current;
  return oid;
}
