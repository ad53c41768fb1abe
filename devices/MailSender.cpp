#include "devices/MailSender.h"

#include <algorithm>
#include <cstring>

#include "core/Preferences.h"
#include "platform/base/Base.h"
#include "platform/base/Format.h"
#include "platform/kernel/FileHandles.h"
#include "platform/user/Screen.h"

namespace {

constexpr char kModuleName[] = "VOMAPI";
constexpr LONG kMessageFlagsUnsentFromMe = MSGFLAG_UNSENT | MSGFLAG_FROMME;
constexpr DWORD kCopyBlock = 4096;
// An attachment is announced this many bytes larger than its file.
constexpr LONG kAttachSizeExtra = 16;
// The body stream's size on systems older than major version 5.
constexpr ULONG kOldBodyStreamSize = 2048;

// The step numbers the debug output names.
enum FailureSite {
  kSiteLogon = 72,
  kSiteOpenDefaultStore = 151,
  kSiteReadDrafts = 156,
  kSiteDraftsAnswer = 159,
  kSiteOpenDrafts = 164,
  kSiteReserveList = 238,
  kSiteReserveTo = 253,
  kSiteReserveCc = 291,
  kSiteReserveBcc = 328,
  kSiteAddRecipients = 353,
  kSiteSetProperties = 395,
  kSiteOpenBody = 404,
  kSiteAttachment1 = 438,
  kSiteAttachment2 = 444,
  kSiteAttachment3 = 450,
  kSiteCreateAttach = 518,
  kSiteAttachProperties = 541,
  kSiteAttachStream = 553,
};

HRESULT Report(HRESULT hr, int site) {
  if (FAILED(hr)) {
    WCHAR text[128];
    wsprintfW(text, u"CEMAPI: FAILED(%x) at %hs:%d\n", static_cast<DWORD>(hr), kModuleName, site);
    OutputDebugStringW(text);
  }
  return hr;
}

std::u16string UpperCased(std::u16string_view text) {
  std::u16string upper(text);
  for (char16_t& c : upper) c = platform::UpperCase(c);
  return upper;
}

// The pieces of a ";"-separated address text; empty pieces are skipped, blanks kept.
std::vector<std::u16string> SplitAddresses(LPCWSTR text) {
  std::vector<std::u16string> pieces;
  if (!text) return pieces;
  std::u16string_view rest(text);
  while (!rest.empty()) {
    size_t end = rest.find(u';');
    std::u16string_view piece = rest.substr(0, end);
    if (!piece.empty()) pieces.emplace_back(piece);
    if (end == std::u16string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return pieces;
}

ULONG ReservedEntries(LPCWSTR text) {
  if (!text || !*text) return 0;
  std::u16string_view view(text);
  return static_cast<ULONG>(std::count(view.begin(), view.end(), u';') + 1);
}

void FreeAddressList(LPADRLIST list) {
  if (!list) return;
  for (ULONG i = 0; i < list->cEntries; ++i) MAPIFreeBuffer(list->aEntries[i].rgPropVals);
  MAPIFreeBuffer(list);
}

std::u16string FileNameOf(std::u16string_view path) {
  size_t slash = path.rfind(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

HRESULT LastErrorResult() {
  DWORD error = GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

bool IsOlderSystem() {
  OSVERSIONINFOW version;
  return GetVersionExW(&version) && version.dwMajorVersion < 5;
}

}  // namespace

CMailSender::~CMailSender() = default;

HRESULT CMailSender::Logon(ULONG_PTR uiParam, LPWSTR profile, LPWSTR password, ULONG flags) {
  HRESULT hr = Report(MAPILogonEx(uiParam, profile, password, flags, m_session.put()), kSiteLogon);
  if (SUCCEEDED(hr)) m_loggedOn = 1;
  return hr;
}

HRESULT CMailSender::OpenDefaultStore() {
  if (m_drafts) return S_OK;
  if (!m_store) {
    HRESULT hr = Report(m_session->OpenMsgStore(0, 0, nullptr, nullptr, 0, m_store.put()), kSiteOpenDefaultStore);
    if (FAILED(hr)) return hr;
  }
  return OpenDraftsFolder();
}

HRESULT CMailSender::OpenDraftsFolder() {
  SizedSPropTagArray<1> tags;
  tags.aulPropTag[0] = PR_CE_IPM_DRAFTS_ENTRYID;
  ULONG count = 0;
  CMapiBuffer<SPropValue> props;
  HRESULT hr = Report(m_store->GetProps(tags.get(), MAPI_UNICODE, &count, props.put()), kSiteReadDrafts);
  if (FAILED(hr)) return hr;
  if (count < 1 || props->ulPropTag != PR_CE_IPM_DRAFTS_ENTRYID) return Report(E_FAIL, kSiteDraftsAnswer);
  ULONG type = 0;
  return Report(m_store->OpenEntry(props->Value.bin.cb, reinterpret_cast<LPENTRYID>(props->Value.bin.lpb), nullptr,
                                   MAPI_MODIFY, &type, m_drafts.put()),
                kSiteOpenDrafts);
}

HRESULT CMailSender::OpenStoreByName(const std::u16string& name) {
  if (m_drafts) return S_OK;
  std::u16string wanted = UpperCased(name);
  std::u16string storeName;
  std::vector<BYTE> entryId;
  for (bool more = GetFirstStore(storeName, entryId); more; more = GetNextStore(storeName, entryId)) {
    if (UpperCased(storeName) != wanted) continue;
    HRESULT hr = m_session->OpenMsgStore(0, static_cast<ULONG>(entryId.size()), reinterpret_cast<LPENTRYID>(entryId.data()),
                                         nullptr, MDB_NO_DIALOG | MAPI_BEST_ACCESS, m_store.put());
    if (FAILED(hr)) return hr;
    return OpenDraftsFolder();
  }
  return MAPI_E_NOT_FOUND;
}

HRESULT CMailSender::ReadStoreList() {
  m_stores.clear();
  m_storeCount = 0;
  m_nextStore = 0;
  if (!m_session) return E_FAIL;
  CMapiPtr<IMAPITable> table;
  HRESULT hr = m_session->GetMsgStoresTable(MAPI_UNICODE, table.put());
  if (FAILED(hr)) return hr;
  SizedSPropTagArray<2> columns;
  columns.aulPropTag[0] = PR_DISPLAY_NAME_W;
  columns.aulPropTag[1] = PR_ENTRYID;
  if (FAILED(hr = table->SetColumns(columns.get(), 0))) return hr;
  for (;;) {
    LPSRowSet rows = nullptr;
    if (FAILED(hr = table->QueryRows(1, 0, &rows))) return hr;
    if (!rows || rows->cRows == 0) {
      FreeProws(rows);
      return S_OK;
    }
    const SRow& row = rows->aRow[0];
    if (m_storeCount < kMaxStores && row.cValues >= 2 && row.lpProps[0].ulPropTag == PR_DISPLAY_NAME_W &&
        row.lpProps[1].ulPropTag == PR_ENTRYID) {
      const SBinary& id = row.lpProps[1].Value.bin;
      m_stores.push_back({row.lpProps[0].Value.lpszW ? row.lpProps[0].Value.lpszW : u"",
                          std::vector<BYTE>(id.lpb, id.lpb + id.cb)});
      ++m_storeCount;
    }
    FreeProws(rows);
  }
}

bool CMailSender::GetFirstStore(std::u16string& name, std::vector<BYTE>& entryId) {
  if (FAILED(ReadStoreList())) return false;
  return GetNextStore(name, entryId);
}

bool CMailSender::GetNextStore(std::u16string& name, std::vector<BYTE>& entryId) {
  if (m_nextStore >= m_storeCount) return false;
  name = m_stores[m_nextStore].name;
  entryId = m_stores[m_nextStore].entryId;
  ++m_nextStore;
  return true;
}

HRESULT CMailSender::SendMessage(LPCWSTR to, LPCWSTR cc, LPCWSTR bcc, LPCWSTR subject, std::u16string body,
                                 LPCWSTR attachment1, LPCWSTR attachment2, LPCWSTR attachment3) {
  if (!m_loggedOn || !to || !subject) return E_FAIL;
  // A file that cannot be read would go out as an empty attachment while the send counts as
  // done: every attachment is checked before anything is built.
  for (LPCWSTR path : {attachment1, attachment2, attachment3}) {
    if (!path) continue;
    CFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return LastErrorResult();
  }

  const std::u16string mailBox = UpperCased(CPreferences().Get(pref::kMailBox));
  HRESULT hr = mailBox.empty() || mailBox == u"ACTIVESYNC" ? OpenDefaultStore() : OpenStoreByName(mailBox);
  if (FAILED(hr)) {
    m_drafts.reset();
    return hr;
  }

  if (FAILED(hr = m_drafts->CreateMessage(nullptr, 0, m_message.put()))) return hr;
  hr = AddRecipients(to, cc, bcc);
  if (SUCCEEDED(hr)) hr = SetMessageProperties(subject, std::move(body), attachment1, attachment2, attachment3);
  if (SUCCEEDED(hr)) hr = m_message->SubmitMessage(0);
  m_message.reset();
  return hr;
}

HRESULT CMailSender::AddRecipients(LPCWSTR to, LPCWSTR cc, LPCWSTR bcc) {
  LPADRLIST list = nullptr;
  ULONG reserved = ReservedEntries(to) + ReservedEntries(cc) + ReservedEntries(bcc);
  HRESULT hr = Report(MAPIAllocateBuffer(static_cast<ULONG>(CbNewADRLIST(reserved)), reinterpret_cast<LPVOID*>(&list)),
                      kSiteReserveList);
  if (FAILED(hr)) {
    m_drafts.reset();
    return hr;
  }
  list->cEntries = 0;
  struct Kind {
    LPCWSTR text;
    ULONG type;
    int site;
  };
  for (const Kind& kind : {Kind{to, MAPI_TO, kSiteReserveTo}, Kind{cc, MAPI_CC, kSiteReserveCc},
                           Kind{bcc, MAPI_BCC, kSiteReserveBcc}}) {
    for (const std::u16string& address : SplitAddresses(kind.text)) {
      LPSPropValue props = nullptr;
      hr = Report(MAPIAllocateBuffer(3 * sizeof(SPropValue), reinterpret_cast<LPVOID*>(&props)), kind.site);
      LPVOID copy = nullptr;
      if (SUCCEEDED(hr)) {
        ADRENTRY& entry = list->aEntries[list->cEntries++];
        entry.cValues = 3;
        entry.rgPropVals = props;
        hr = Report(MAPIAllocateMore(static_cast<ULONG>((address.size() + 1) * sizeof(WCHAR)), props, &copy), kind.site);
      }
      if (FAILED(hr)) break;
      std::memcpy(copy, address.c_str(), (address.size() + 1) * sizeof(WCHAR));
      props[0].ulPropTag = PR_RECIPIENT_TYPE;
      props[0].Value.l = static_cast<LONG>(kind.type);
      props[1].ulPropTag = PR_ADDRTYPE_W;
      props[1].Value.lpszW = const_cast<LPWSTR>(u"SMTP");
      props[2].ulPropTag = PR_EMAIL_ADDRESS_W;
      props[2].Value.lpszW = static_cast<LPWSTR>(copy);
    }
    if (FAILED(hr)) break;
  }
  if (SUCCEEDED(hr)) hr = Report(m_message->ModifyRecipients(MODRECIP_ADD, list), kSiteAddRecipients);
  FreeAddressList(list);
  if (FAILED(hr)) m_drafts.reset();
  return hr;
}

HRESULT CMailSender::SetMessageProperties(LPCWSTR subject, std::u16string body, LPCWSTR attachment1,
                                          LPCWSTR attachment2, LPCWSTR attachment3) {
  SPropValue props[3];
  props[0].ulPropTag = PR_MESSAGE_FLAGS;
  props[0].Value.l = kMessageFlagsUnsentFromMe;
  props[1].ulPropTag = PR_SUBJECT_W;
  props[1].Value.lpszW = const_cast<LPWSTR>(subject);
  props[2].ulPropTag = PR_MSG_STATUS;
  props[2].Value.l = MSGSTATUS_SMTP;
  HRESULT hr = Report(m_message->SetProps(3, props, nullptr), kSiteSetProperties);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = WriteBody(body))) return hr;
  const int sites[] = {kSiteAttachment1, kSiteAttachment2, kSiteAttachment3};
  const LPCWSTR paths[] = {attachment1, attachment2, attachment3};
  for (int i = 0; i < 3; ++i) {
    if (paths[i] && FAILED(hr = Report(AddAttachment(paths[i]), sites[i]))) return hr;
  }
  return S_OK;
}

HRESULT CMailSender::WriteBody(const std::u16string& body) {
  CMapiPtr<IStream> stream;
  HRESULT hr = Report(m_message->OpenProperty(PR_BODY_W, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY, stream.put()),
                      kSiteOpenBody);
  if (FAILED(hr)) return hr;
  // Older systems read the body as a null-terminated text in a stream of fixed size.
  bool older = IsOlderSystem();
  ULONG bytes = static_cast<ULONG>((body.size() + (older ? 1 : 0)) * sizeof(WCHAR));
  stream->SetSize(older ? kOldBodyStreamSize : body.size() * sizeof(WCHAR));
  ULONG written = 0;
  hr = stream->Write(body.c_str(), bytes, &written);
  if (SUCCEEDED(hr) && written != bytes) hr = E_FAIL;
  if (SUCCEEDED(hr)) hr = stream->Commit(STGC_DEFAULT);
  return Report(hr, kSiteOpenBody);
}

HRESULT CMailSender::AddAttachment(LPCWSTR path) {
  CFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return LastErrorResult();
  CMapiPtr<IAttach> attach;
  ULONG number = 0;
  HRESULT hr = Report(m_message->CreateAttach(nullptr, 0, &number, attach.put()), kSiteCreateAttach);
  if (FAILED(hr)) return hr;
  std::u16string name = FileNameOf(path);
  SPropValue props[3];
  props[0].ulPropTag = PR_ATTACH_FILENAME_W;
  props[0].Value.lpszW = name.data();
  props[1].ulPropTag = PR_MSG_STATUS;
  props[1].Value.l = MSGSTATUS_SMTP;
  props[2].ulPropTag = PR_ATTACH_SIZE;
  props[2].Value.l = static_cast<LONG>(GetFileSize(file.get(), nullptr)) + kAttachSizeExtra;
  if (FAILED(hr = Report(attach->SetProps(3, props, nullptr), kSiteAttachProperties))) return hr;
  CMapiPtr<IStream> stream;
  hr = Report(attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY, stream.put()),
              kSiteAttachStream);
  if (FAILED(hr)) return hr;
  // A failed read or write ends the send: a shortened file must not go out as the whole one.
  BYTE block[kCopyBlock];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), block, kCopyBlock, &read, nullptr)) return LastErrorResult();
    ULONG written = 0;
    if (read && (FAILED(hr = stream->Write(block, read, &written)) || written != read)) return FAILED(hr) ? hr : E_FAIL;
    if (read < kCopyBlock) break;
  }
  return stream->Commit(STGC_DEFAULT);
}
