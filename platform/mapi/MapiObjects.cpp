// The session, the stores table, the stores, their Drafts folders, messages, attachments
// and property streams.
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/base/Base.h"
#include "platform/base/Guid.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/DeviceRoot.h"
#include "platform/kernel/Files.h"
#include "platform/mapi/Mapi.h"
#include "platform/mapi/MapiInternal.h"
#include "platform/shell/DeviceOwner.h"

namespace platform::mapi {

namespace {

constexpr HRESULT MAPI_E_NO_RECIPIENTS = static_cast<HRESULT>(0x80040607);

int g_liveMessages = 0;
int g_initializeCount = 0;

template <class Interface>
class CRefCounted : public Interface {
 public:
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
  }

 private:
  ULONG m_refs = 1;
};

// A property's value: a number, a text, bytes, or "not there" for an answered error.
using PropData = std::variant<std::monostate, LONG, std::u16string, std::string>;
using PropBag = std::map<ULONG, PropData>;

bool HasControlCharacter(std::u16string_view text) {
  for (char16_t c : text)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

PropData DataOf(const SPropValue& prop) {
  switch (PROP_TYPE(prop.ulPropTag)) {
    case PT_LONG:
      return prop.Value.l;
    case PT_UNICODE:
      return prop.Value.lpszW ? std::u16string(prop.Value.lpszW) : std::u16string();
    case PT_BINARY:
      return std::string(reinterpret_cast<const char*>(prop.Value.bin.lpb), prop.Value.bin.cb);
    default:
      return std::monostate{};
  }
}

// The values of `tags` from the bag in one MAPIAllocateBuffer block (texts and bytes hung
// on it); a missing one is answered typed PT_ERROR with MAPI_W_ERRORS_RETURNED.
HRESULT AnswerProps(const PropBag& bag, const std::vector<ULONG>& tags, ULONG* count, LPSPropValue* props) {
  if (!count || !props) return E_INVALIDARG;
  *count = 0;
  *props = nullptr;
  LPVOID block = nullptr;
  HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * (tags.empty() ? 1 : tags.size())), &block);
  if (FAILED(hr)) return hr;
  auto* values = static_cast<LPSPropValue>(block);
  bool missing = false;
  for (size_t i = 0; i < tags.size(); ++i) {
    auto it = bag.find(tags[i]);
    SPropValue& value = values[i];
    value.ulPropTag = tags[i];
    if (it == bag.end() || std::holds_alternative<std::monostate>(it->second)) {
      value.ulPropTag = CHANGE_PROP_TYPE(tags[i], PT_ERROR);
      value.Value.err = MAPI_E_NOT_FOUND;
      missing = true;
    } else if (auto* number = std::get_if<LONG>(&it->second)) {
      value.Value.l = *number;
    } else if (auto* text = std::get_if<std::u16string>(&it->second)) {
      LPVOID copy = nullptr;
      hr = MAPIAllocateMore(static_cast<ULONG>((text->size() + 1) * sizeof(WCHAR)), block, &copy);
      if (FAILED(hr)) break;
      std::memcpy(copy, text->c_str(), (text->size() + 1) * sizeof(WCHAR));
      value.Value.lpszW = static_cast<LPWSTR>(copy);
    } else {
      const std::string& bytes = std::get<std::string>(it->second);
      LPVOID copy = nullptr;
      hr = MAPIAllocateMore(static_cast<ULONG>(bytes.size()), block, &copy);
      if (FAILED(hr)) break;
      std::memcpy(copy, bytes.data(), bytes.size());
      value.Value.bin = {static_cast<ULONG>(bytes.size()), static_cast<LPBYTE>(copy)};
    }
  }
  if (FAILED(hr)) {
    MAPIFreeBuffer(block);
    return hr;
  }
  *count = static_cast<ULONG>(tags.size());
  *props = values;
  return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

std::vector<ULONG> TagsOf(LPSPropTagArray tags) {
  std::vector<ULONG> list;
  if (tags) list.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
  return list;
}

// A stream over one property of its owner: written in memory, handed to the owner's
// property on Commit. Keeps its owner alive.
class CPropStream : public CRefCounted<IStream> {
 public:
  CPropStream(IMAPIUnknown* owner, PropBag& bag, ULONG tag, std::string bytes)
      : m_owner(owner), m_bag(bag), m_tag(tag), m_bytes(std::move(bytes)) {
    m_owner->AddRef();
  }
  ~CPropStream() override { m_owner->Release(); }

  HRESULT Read(void* data, ULONG count, ULONG* read) override {
    ULONG n = static_cast<ULONG>(std::min<size_t>(count, m_bytes.size() - std::min(m_position, m_bytes.size())));
    if (n) std::memcpy(data, m_bytes.data() + m_position, n);
    m_position += n;
    if (read) *read = n;
    return S_OK;
  }
  HRESULT Write(const void* data, ULONG count, ULONG* written) override {
    if (written) *written = 0;
    if (HRESULT hr = InjectedFailure("Stream.Write"); FAILED(hr)) return hr;
    if (m_position + count > m_bytes.size()) m_bytes.resize(m_position + count);
    if (count) std::memcpy(m_bytes.data() + m_position, data, count);
    m_position += count;
    if (written) *written = count;
    return S_OK;
  }
  HRESULT SetSize(ULONGLONG size) override {
    m_bytes.resize(static_cast<size_t>(size));
    return S_OK;
  }
  HRESULT Commit(DWORD) override {
    m_bag[m_tag] = m_bytes;
    return S_OK;
  }

 private:
  IMAPIUnknown* m_owner;
  PropBag& m_bag;
  ULONG m_tag;
  std::string m_bytes;
  size_t m_position = 0;
};

// The property handling of messages and attachments: `kind` names the object for injected
// failures ("Message", "Attach"); `streamTag` is the one property that opens as a stream.
template <class Interface>
class CPropObject : public CRefCounted<Interface> {
 public:
  CPropObject(std::string kind, ULONG streamTag) : m_kind(std::move(kind)), m_streamTag(streamTag) {}

  HRESULT GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* props) override {
    return AnswerProps(m_bag, TagsOf(tags), count, props);
  }
  HRESULT SetProps(ULONG count, LPSPropValue props, LPSPropProblemArray* problems) override {
    if (problems) *problems = nullptr;
    if (HRESULT hr = InjectedFailure(m_kind + ".SetProps"); FAILED(hr)) return hr;
    if (count && !props) return E_INVALIDARG;
    for (ULONG i = 0; i < count; ++i) {
      // A file name becomes a MIME parameter: a line break in it could start a header.
      if (props[i].ulPropTag == PR_ATTACH_FILENAME_W && props[i].Value.lpszW &&
          HasControlCharacter(props[i].Value.lpszW))
        return E_INVALIDARG;
    }
    for (ULONG i = 0; i < count; ++i) m_bag[props[i].ulPropTag] = DataOf(props[i]);
    return S_OK;
  }
  HRESULT OpenProperty(ULONG tag, const IID*, ULONG, ULONG flags, IStream** stream) override {
    if (!stream) return E_INVALIDARG;
    *stream = nullptr;
    if (HRESULT hr = InjectedFailure(m_kind + ".OpenProperty"); FAILED(hr)) return hr;
    if (tag != m_streamTag) return MAPI_E_NO_SUPPORT;
    if (!(flags & MAPI_CREATE) && m_bag.find(tag) == m_bag.end()) return MAPI_E_NOT_FOUND;
    // A created stream starts empty; an opened one reads the property's bytes.
    std::string bytes;
    if (!(flags & MAPI_CREATE))
      if (auto* stored = std::get_if<std::string>(&m_bag[tag])) bytes = *stored;
    *stream = new CPropStream(this, m_bag, tag, std::move(bytes));
    return S_OK;
  }

 protected:
  PropBag m_bag;

 private:
  std::string m_kind;
  ULONG m_streamTag;
};

class CAttach : public CPropObject<IAttach> {
 public:
  CAttach() : CPropObject("Attach", PR_ATTACH_DATA_BIN) {}
  const PropBag& Bag() const { return m_bag; }
};

std::u16string TextProp(const PropBag& bag, ULONG tag) {
  auto it = bag.find(tag);
  if (it == bag.end()) return {};
  if (auto* text = std::get_if<std::u16string>(&it->second)) return *text;
  return {};
}

std::string BytesProp(const PropBag& bag, ULONG tag) {
  auto it = bag.find(tag);
  if (it == bag.end()) return {};
  if (auto* bytes = std::get_if<std::string>(&it->second)) return *bytes;
  return {};
}

std::map<ULONG, LONG> NumbersOf(const PropBag& bag) {
  std::map<ULONG, LONG> numbers;
  for (const auto& [tag, data] : bag)
    if (auto* number = std::get_if<LONG>(&data)) numbers[tag] = *number;
  return numbers;
}

// The body stream holds UTF-16LE characters; the text ends at the first null character,
// which the older form writes after the text.
std::u16string BodyText(const PropBag& bag) {
  auto it = bag.find(PR_BODY_W);
  if (it == bag.end()) return {};
  if (auto* text = std::get_if<std::u16string>(&it->second)) return *text;
  const std::string* bytes = std::get_if<std::string>(&it->second);
  if (!bytes) return {};
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes->size(); i += 2) {
    char16_t c = static_cast<char16_t>(static_cast<unsigned char>((*bytes)[i]) |
                                       (static_cast<unsigned char>((*bytes)[i + 1]) << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

std::u16string Trimmed(std::u16string_view text) {
  size_t first = text.find_first_not_of(u" \t");
  if (first == std::u16string_view::npos) return {};
  size_t last = text.find_last_not_of(u" \t");
  return std::u16string(text.substr(first, last - first + 1));
}

// An address fit for a header line: no line breaks or other controls, nothing that
// separates or quotes addresses.
bool IsPlainAddress(std::u16string_view address) {
  if (HasControlCharacter(address)) return false;
  return Trimmed(address).find_first_of(u" \t,;<>()\"[]\\") == std::u16string::npos;
}

// The e-mail address of the device owner record; empty when there is none.
std::u16string OwnerEMailAddress() {
  const std::optional<DeviceOwner> owner = ReadDeviceOwner();
  return owner ? owner->email : std::u16string();
}

std::string OutboxFileName(const SYSTEMTIME& t, int sequence) {
  char name[64];
  std::snprintf(name, sizeof name, "%04u%02u%02uT%02u%02u%02uZ-%d.eml", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond, sequence);
  return name;
}

class CMessage : public CPropObject<IMessage> {
 public:
  explicit CMessage(MessageStoreConfig store) : CPropObject("Message", PR_BODY_W), m_store(std::move(store)) {
    ++g_liveMessages;
  }
  ~CMessage() override {
    for (CAttach* attach : m_attachments) attach->Release();
    --g_liveMessages;
  }

  HRESULT ModifyRecipients(ULONG flags, LPADRLIST list) override {
    if (HRESULT hr = InjectedFailure("ModifyRecipients"); FAILED(hr)) return hr;
    if (flags != MODRECIP_ADD || !list) return E_INVALIDARG;
    std::vector<SubmittedRecipient> added;
    for (ULONG i = 0; i < list->cEntries; ++i) {
      const ADRENTRY& entry = list->aEntries[i];
      PropBag props;
      for (ULONG p = 0; p < entry.cValues; ++p) props[entry.rgPropVals[p].ulPropTag] = DataOf(entry.rgPropVals[p]);
      SubmittedRecipient recipient;
      auto type = props.find(PR_RECIPIENT_TYPE);
      recipient.type = type == props.end() ? 0 : std::get<LONG>(type->second);
      recipient.addressType = TextProp(props, PR_ADDRTYPE_W);
      recipient.address = TextProp(props, PR_EMAIL_ADDRESS_W);
      if (recipient.type < static_cast<LONG>(MAPI_TO) || recipient.type > static_cast<LONG>(MAPI_BCC) ||
          !IsPlainAddress(recipient.address))
        return E_INVALIDARG;
      added.push_back(std::move(recipient));
    }
    m_recipients.insert(m_recipients.end(), added.begin(), added.end());
    return S_OK;
  }

  HRESULT CreateAttach(const IID*, ULONG, ULONG* number, IAttach** attach) override {
    if (!attach) return E_INVALIDARG;
    *attach = nullptr;
    if (HRESULT hr = InjectedFailure("CreateAttach"); FAILED(hr)) return hr;
    auto* made = new CAttach;
    made->AddRef();  // one for the message, one for the caller
    m_attachments.push_back(made);
    if (number) *number = static_cast<ULONG>(m_attachments.size() - 1);
    *attach = made;
    return S_OK;
  }

  HRESULT SubmitMessage(ULONG) override {
    if (HRESULT hr = InjectedFailure("SubmitMessage"); FAILED(hr)) return hr;
    if (m_submitted) return MAPI_E_CALL_FAILED;
    SubmittedMessage record = Record();
    MimeMessage mime;
    if (HRESULT hr = Compose(record, mime); FAILED(hr)) return hr;
    std::string text;
    if (!ComposeMime(mime, text)) return MAPI_E_CALL_FAILED;
    if (HRESULT hr = WriteToOutbox(text, mime.dateUtc, record.outboxFile); FAILED(hr)) return hr;
    m_submitted = true;
    RecordSubmitted(std::move(record));
    return S_OK;
  }

 private:
  SubmittedMessage Record() const {
    SubmittedMessage record;
    record.numbers = NumbersOf(m_bag);
    record.subject = TextProp(m_bag, PR_SUBJECT_W);
    record.bodyStream = BytesProp(m_bag, PR_BODY_W);
    record.recipients = m_recipients;
    for (const CAttach* attach : m_attachments) {
      const PropBag& bag = attach->Bag();
      record.attachments.push_back({NumbersOf(bag), TextProp(bag, PR_ATTACH_FILENAME_W), BytesProp(bag, PR_ATTACH_DATA_BIN)});
    }
    record.storeKey = m_store.key;
    return record;
  }

  HRESULT Compose(const SubmittedMessage& record, MimeMessage& mime) const {
    // The store's address, else the device owner's; an address unfit for a header line is
    // not used.
    std::u16string from = Trimmed(m_store.address);
    if (from.empty()) from = Trimmed(OwnerEMailAddress());
    mime.from = ToUtf8(from.empty() || !IsPlainAddress(from) ? std::u16string(kFallbackFromAddress) : from);
    for (const SubmittedRecipient& recipient : record.recipients) {
      std::u16string address = Trimmed(recipient.address);
      if (address.empty()) continue;
      auto& list = recipient.type == static_cast<LONG>(MAPI_TO) ? mime.to : recipient.type == static_cast<LONG>(MAPI_CC) ? mime.cc : mime.bcc;
      list.push_back(ToUtf8(address));
    }
    if (mime.to.empty() && mime.cc.empty() && mime.bcc.empty()) return MAPI_E_NO_RECIPIENTS;
    // The subject is one header line whatever the caller put in it.
    std::u16string subject = record.subject;
    for (char16_t& c : subject)
      if (c < 0x20 || c == 0x7F) c = u' ';
    mime.subject = ToUtf8(subject);
    mime.body = ToUtf8(BodyText(m_bag));
    GetSystemTime(&mime.dateUtc);
    GUID id{};
    CoCreateGuid(&id);
    std::u16string guid = GuidToString(id);
    mime.messageId = ToUtf8(guid.substr(1, guid.size() - 2)) + "@device";
    int number = 0;
    for (const SubmittedAttachment& attachment : record.attachments) {
      std::string name = ToUtf8(attachment.fileName);
      if (name.empty()) name = "attachment-" + std::to_string(++number);
      mime.attachments.push_back({name, attachment.data});
    }
    return S_OK;
  }

  HRESULT WriteToOutbox(const std::string& text, const SYSTEMTIME& date, std::u16string& devicePath) const {
    std::u16string folder = OutboxFolder(m_store.key);
    std::filesystem::path linuxFolder = MapDevicePath(folder);
    std::error_code error;
    std::filesystem::create_directories(linuxFolder, error);
    if (error) return HRESULT_FROM_WIN32(ErrorFromErrno(error.value()));
    for (int sequence = 1;; ++sequence) {
      std::string name = OutboxFileName(date, sequence);
      if (std::filesystem::exists(linuxFolder / name)) continue;
      if (!WriteFileAtomic(linuxFolder / name, text)) {
        DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : MAPI_E_CALL_FAILED;
      }
      devicePath = folder + u"\\" + ToUtf16(name);
      return S_OK;
    }
  }

  MessageStoreConfig m_store;
  std::vector<SubmittedRecipient> m_recipients;
  std::vector<CAttach*> m_attachments;  // one reference each
  bool m_submitted = false;
};

std::string StoreEntryId(const MessageStoreConfig& store) { return "S:" + ToUtf8(store.key); }
std::string DraftsEntryId(const MessageStoreConfig& store) { return "F:" + ToUtf8(store.key) + "/Drafts"; }
std::string EntryIdBytes(ULONG cb, LPENTRYID id) {
  return id ? std::string(reinterpret_cast<const char*>(id), cb) : std::string();
}

class CFolder : public CPropObject<IMAPIFolder> {
 public:
  explicit CFolder(MessageStoreConfig store) : CPropObject("Folder", 0), m_store(std::move(store)) {
    m_bag[PR_DISPLAY_NAME_W] = std::u16string(u"Drafts");
    m_bag[PR_ENTRYID] = DraftsEntryId(m_store);
  }
  HRESULT CreateMessage(const IID*, ULONG, IMessage** message) override {
    if (!message) return E_INVALIDARG;
    *message = nullptr;
    if (HRESULT hr = InjectedFailure("CreateMessage"); FAILED(hr)) return hr;
    *message = new CMessage(m_store);
    return S_OK;
  }

 private:
  MessageStoreConfig m_store;
};

class CMsgStore : public CPropObject<IMsgStore> {
 public:
  explicit CMsgStore(MessageStoreConfig store) : CPropObject("Store", 0), m_store(std::move(store)) {
    m_bag[PR_DISPLAY_NAME_W] = m_store.displayName;
    m_bag[PR_ENTRYID] = StoreEntryId(m_store);
    m_bag[PR_CE_IPM_DRAFTS_ENTRYID] = DraftsEntryId(m_store);
  }
  HRESULT GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* props) override {
    HRESULT hr = InjectedFailure("Store.GetProps");
    if (hr == MAPI_W_ERRORS_RETURNED) return AnswerProps({}, TagsOf(tags), count, props);
    if (FAILED(hr)) return hr;
    return CPropObject::GetProps(tags, flags, count, props);
  }
  HRESULT OpenEntry(ULONG cb, LPENTRYID id, const IID*, ULONG, ULONG* objectType, IMAPIFolder** folder) override {
    if (!folder) return E_INVALIDARG;
    *folder = nullptr;
    if (HRESULT hr = InjectedFailure("Store.OpenEntry"); FAILED(hr)) return hr;
    if (EntryIdBytes(cb, id) != DraftsEntryId(m_store)) return MAPI_E_INVALID_ENTRYID;
    if (objectType) *objectType = MAPI_FOLDER;
    *folder = new CFolder(m_store);
    return S_OK;
  }

 private:
  MessageStoreConfig m_store;
};

class CTable : public CRefCounted<IMAPITable> {
 public:
  explicit CTable(std::vector<PropBag> rows) : m_rows(std::move(rows)) {}
  HRESULT SetColumns(LPSPropTagArray columns, ULONG) override {
    if (!columns) return E_INVALIDARG;
    m_columns = TagsOf(columns);
    return S_OK;
  }
  HRESULT QueryRows(LONG rowCount, ULONG, LPSRowSet* rows) override {
    if (!rows || rowCount < 0) return E_INVALIDARG;
    *rows = nullptr;
    if (HRESULT hr = InjectedFailure("QueryRows"); FAILED(hr)) return hr;
    size_t n = std::min(static_cast<size_t>(rowCount), m_rows.size() - m_cursor);
    LPVOID block = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(offsetof(SRowSet, aRow) + sizeof(SRow) * (n ? n : 1)), &block);
    if (FAILED(hr)) return hr;
    auto* set = static_cast<LPSRowSet>(block);
    for (size_t i = 0; i < n; ++i) {
      SRow& row = set->aRow[i];
      hr = AnswerProps(m_rows[m_cursor + i], m_columns, &row.cValues, &row.lpProps);
      if (FAILED(hr)) {
        FreeProws(set);
        return hr;
      }
      set->cRows = static_cast<ULONG>(i + 1);
    }
    m_cursor += n;
    *rows = set;
    return S_OK;
  }

 private:
  std::vector<PropBag> m_rows;
  std::vector<ULONG> m_columns{PR_DISPLAY_NAME_W, PR_ENTRYID};
  size_t m_cursor = 0;
};

class CSession : public CRefCounted<IMAPISession> {
 public:
  HRESULT GetMsgStoresTable(ULONG, IMAPITable** table) override {
    if (!table) return E_INVALIDARG;
    *table = nullptr;
    if (HRESULT hr = InjectedFailure("GetMsgStoresTable"); FAILED(hr)) return hr;
    std::vector<PropBag> rows;
    for (const MessageStoreConfig& store : ReadMessageStores()) {
      PropBag row;
      row[PR_DISPLAY_NAME_W] = store.displayName;
      row[PR_ENTRYID] = StoreEntryId(store);
      row[PR_DEFAULT_STORE] = static_cast<LONG>(store.isDefault);
      rows.push_back(std::move(row));
    }
    *table = new CTable(std::move(rows));
    return S_OK;
  }
  HRESULT OpenMsgStore(ULONG_PTR, ULONG cb, LPENTRYID id, const IID*, ULONG, IMsgStore** store) override {
    if (!store) return E_INVALIDARG;
    *store = nullptr;
    if (HRESULT hr = InjectedFailure("OpenMsgStore"); FAILED(hr)) return hr;
    std::string wanted = EntryIdBytes(cb, id);
    for (const MessageStoreConfig& config : ReadMessageStores()) {
      if (wanted.empty() ? config.isDefault : wanted == StoreEntryId(config)) {
        *store = new CMsgStore(config);
        return S_OK;
      }
    }
    return wanted.empty() ? MAPI_E_NOT_FOUND : MAPI_E_INVALID_ENTRYID;
  }
  HRESULT Logoff(ULONG_PTR, ULONG, ULONG) override { return S_OK; }
};

}  // namespace

int LiveMessageCount() { return g_liveMessages; }

}  // namespace platform::mapi

using namespace platform::mapi;

HRESULT MAPIInitialize(LPVOID) {
  if (HRESULT hr = InjectedFailure("MAPIInitialize"); FAILED(hr)) return hr;
  InitializeMimeLibrary();
  ++g_initializeCount;
  return S_OK;
}

void MAPIUninitialize() {
  if (g_initializeCount > 0) --g_initializeCount;
}

HRESULT MAPILogonEx(ULONG_PTR, LPWSTR, LPWSTR, ULONG, IMAPISession** session) {
  if (!session) return E_INVALIDARG;
  *session = nullptr;
  if (HRESULT hr = InjectedFailure("MAPILogonEx"); FAILED(hr)) return hr;
  *session = new CSession;
  return S_OK;
}
