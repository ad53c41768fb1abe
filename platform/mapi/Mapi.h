// The device's messaging system: sessions, message stores, their Drafts folders, messages
// with recipients, properties, a body stream and attachments. Submitting a message writes
// it as an RFC 5322/MIME file into the store's Outbox folder under the device root.
//
// The objects are C++ classes with the operation names, flags, property tags and result
// codes of the handheld's messaging interfaces. Each object counts its references: the one
// that hands it out counts one for the caller, who calls Release() when done.
#pragma once

#include <cstddef>

#include "platform/base/Win32Types.h"

// ---- Results --------------------------------------------------------------------------------
constexpr HRESULT MAPI_E_CALL_FAILED = E_FAIL;
constexpr HRESULT MAPI_E_NO_SUPPORT = static_cast<HRESULT>(0x80040102);
constexpr HRESULT MAPI_E_INVALID_ENTRYID = static_cast<HRESULT>(0x80040107);
constexpr HRESULT MAPI_E_NOT_FOUND = static_cast<HRESULT>(0x8004010F);
constexpr HRESULT MAPI_E_LOGON_FAILED = static_cast<HRESULT>(0x80040111);
constexpr HRESULT MAPI_E_NO_ACCESS = static_cast<HRESULT>(0x80070005);
// Some of the asked properties could not be given: those come back typed PT_ERROR.
constexpr HRESULT MAPI_W_ERRORS_RETURNED = static_cast<HRESULT>(0x00040380);

// ---- Flags ----------------------------------------------------------------------------------
constexpr ULONG MAPI_MODIFY = 0x00000001;
constexpr ULONG MAPI_CREATE = 0x00000002;
constexpr ULONG MAPI_UNICODE = 0x80000000;
constexpr ULONG MDB_NO_DIALOG = 0x00000001;
constexpr ULONG MAPI_BEST_ACCESS = 0x00000010;
constexpr ULONG MODRECIP_ADD = 0x00000002;
constexpr ULONG MSGFLAG_UNSENT = 0x00000008;
constexpr ULONG MSGFLAG_FROMME = 0x00000020;
constexpr ULONG MAPI_TO = 1;
constexpr ULONG MAPI_CC = 2;
constexpr ULONG MAPI_BCC = 3;
constexpr ULONG MAPI_STORE = 1;
constexpr ULONG MAPI_FOLDER = 3;
constexpr DWORD STGC_DEFAULT = 0;

// ---- Property tags ----------------------------------------------------------------------------
constexpr ULONG PT_LONG = 0x0003;
constexpr ULONG PT_ERROR = 0x000A;
constexpr ULONG PT_UNICODE = 0x001F;
constexpr ULONG PT_BINARY = 0x0102;
constexpr ULONG PROP_TYPE(ULONG tag) { return tag & 0xFFFF; }
constexpr ULONG PROP_ID(ULONG tag) { return tag >> 16; }
constexpr ULONG PROP_TAG(ULONG type, ULONG id) { return (id << 16) | type; }
constexpr ULONG CHANGE_PROP_TYPE(ULONG tag, ULONG type) { return (tag & 0xFFFF0000) | type; }

constexpr ULONG PR_SUBJECT_W = 0x0037001F;
constexpr ULONG PR_RECIPIENT_TYPE = 0x0C150003;
constexpr ULONG PR_MESSAGE_FLAGS = 0x0E070003;
constexpr ULONG PR_MSG_STATUS = 0x0E170003;
constexpr ULONG PR_ATTACH_SIZE = 0x0E200003;
constexpr ULONG PR_ENTRYID = 0x0FFF0102;
constexpr ULONG PR_BODY_W = 0x1000001F;
constexpr ULONG PR_DISPLAY_NAME_W = 0x3001001F;
constexpr ULONG PR_ADDRTYPE_W = 0x3002001F;
constexpr ULONG PR_EMAIL_ADDRESS_W = 0x3003001F;
constexpr ULONG PR_DEFAULT_STORE = 0x3400000B;
constexpr ULONG PR_ATTACH_DATA_BIN = 0x37010102;
constexpr ULONG PR_ATTACH_FILENAME_W = 0x3704001F;
constexpr ULONG PR_CE_IPM_DRAFTS_ENTRYID = 0x81040102;

// The status the device gives a message (and its attachments) that leaves as Internet mail.
constexpr LONG MSGSTATUS_SMTP = 0x20000;

// ---- Property values ---------------------------------------------------------------------------
struct SBinary {
  ULONG cb = 0;
  LPBYTE lpb = nullptr;
};

struct ENTRYID {
  BYTE abFlags[4];
  BYTE ab[1];
};
using LPENTRYID = ENTRYID*;

union PropValueUnion {
  LONG l;
  LPWSTR lpszW;
  SBinary bin;
  HRESULT err;
  BOOL b;
};

struct SPropValue {
  ULONG ulPropTag = 0;
  ULONG dwAlignPad = 0;
  PropValueUnion Value{};
};
using LPSPropValue = SPropValue*;

struct SPropTagArray {
  ULONG cValues = 0;
  ULONG aulPropTag[1] = {};
};
using LPSPropTagArray = SPropTagArray*;

// A tag array of N tags with room declared in place, as the messaging headers' macro makes it.
template <ULONG N>
struct SizedSPropTagArray {
  ULONG cValues = N;
  ULONG aulPropTag[N] = {};
  LPSPropTagArray get() { return reinterpret_cast<LPSPropTagArray>(this); }
};

struct SRow {
  ULONG ulAdrEntryPad = 0;
  ULONG cValues = 0;
  LPSPropValue lpProps = nullptr;
};
struct SRowSet {
  ULONG cRows = 0;
  SRow aRow[1];
};
using LPSRowSet = SRowSet*;

struct ADRENTRY {
  ULONG ulReserved1 = 0;
  ULONG cValues = 0;
  LPSPropValue rgPropVals = nullptr;
};
struct ADRLIST {
  ULONG cEntries = 0;
  ADRENTRY aEntries[1];
};
using LPADRLIST = ADRLIST*;
// Bytes of an ADRLIST with room for `entries` entries.
constexpr size_t CbNewADRLIST(ULONG entries) {
  return offsetof(ADRLIST, aEntries) + sizeof(ADRENTRY) * (entries ? entries : 1);
}

struct SPropProblemArray;
using LPSPropProblemArray = SPropProblemArray*;

// ---- Memory the messaging calls hand out ---------------------------------------------------------
// A block with the blocks hung on it by MAPIAllocateMore; MAPIFreeBuffer of the first frees all.
HRESULT MAPIAllocateBuffer(ULONG size, LPVOID* buffer);
HRESULT MAPIAllocateMore(ULONG size, LPVOID link, LPVOID* buffer);
ULONG MAPIFreeBuffer(LPVOID buffer);
// Frees every row's properties, then the row set.
void FreeProws(LPSRowSet rows);

// The interface a property is opened as.
inline constexpr IID IID_IStream = {0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// ---- Objects ----------------------------------------------------------------------------------
// The reference count every messaging object carries.
class IMAPIUnknown {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IMAPIUnknown() = default;
};

class IStream : public IMAPIUnknown {
 public:
  virtual HRESULT Read(void* data, ULONG count, ULONG* read) = 0;
  virtual HRESULT Write(const void* data, ULONG count, ULONG* written) = 0;
  // Cuts or zero-extends the stream; writing goes on from the current position.
  virtual HRESULT SetSize(ULONGLONG size) = 0;
  // Hands the written bytes to the property the stream was opened on.
  virtual HRESULT Commit(DWORD flags) = 0;
};

// An object with properties: a store, a folder, a message, an attachment.
class IMAPIProp : public IMAPIUnknown {
 public:
  // `props` is allocated with MAPIAllocateBuffer; the caller frees it. A property the object
  // does not have comes back typed PT_ERROR and the result is MAPI_W_ERRORS_RETURNED.
  virtual HRESULT GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* props) = 0;
  virtual HRESULT SetProps(ULONG count, LPSPropValue props, LPSPropProblemArray* problems) = 0;
  // Only stream properties open: IStream over the property, with MAPI_CREATE | MAPI_MODIFY
  // a new empty one that replaces the property when committed.
  virtual HRESULT OpenProperty(ULONG tag, const IID* iid, ULONG interfaceOptions, ULONG flags, IStream** stream) = 0;
};

class IAttach : public IMAPIProp {};

class IMessage : public IMAPIProp {
 public:
  // Only MODRECIP_ADD. An address holding a line break or another control character fails
  // with E_INVALIDARG and nothing is added.
  virtual HRESULT ModifyRecipients(ULONG flags, LPADRLIST recipients) = 0;
  virtual HRESULT CreateAttach(const IID* iid, ULONG flags, ULONG* attachmentNumber, IAttach** attach) = 0;
  // Writes the message into the store's Outbox; a message goes out once.
  virtual HRESULT SubmitMessage(ULONG flags) = 0;
};

class IMAPIFolder : public IMAPIProp {
 public:
  // The message lives in memory until it is submitted; released unsubmitted, it leaves nothing.
  virtual HRESULT CreateMessage(const IID* iid, ULONG flags, IMessage** message) = 0;
};

class IMsgStore : public IMAPIProp {
 public:
  virtual HRESULT OpenEntry(ULONG cbEntryId, LPENTRYID entryId, const IID* iid, ULONG flags, ULONG* objectType,
                            IMAPIFolder** folder) = 0;
};

class IMAPITable : public IMAPIUnknown {
 public:
  virtual HRESULT SetColumns(LPSPropTagArray columns, ULONG flags) = 0;
  // Up to `rowCount` rows from the cursor on; none at the end. Free with FreeProws.
  virtual HRESULT QueryRows(LONG rowCount, ULONG flags, LPSRowSet* rows) = 0;
};

class IMAPISession : public IMAPIUnknown {
 public:
  // One row per store: PR_DISPLAY_NAME_W, PR_ENTRYID and PR_DEFAULT_STORE.
  virtual HRESULT GetMsgStoresTable(ULONG flags, IMAPITable** table) = 0;
  // No entry id opens the default store.
  virtual HRESULT OpenMsgStore(ULONG_PTR uiParam, ULONG cbEntryId, LPENTRYID entryId, const IID* iid, ULONG flags,
                               IMsgStore** store) = 0;
  virtual HRESULT Logoff(ULONG_PTR uiParam, ULONG flags, ULONG reserved) = 0;
};

// ---- The process's use of the messaging system ---------------------------------------------------
// Counted: each successful MAPIInitialize wants one MAPIUninitialize. A session works without
// them too, so a program whose start-up skipped them still sends.
HRESULT MAPIInitialize(LPVOID init);
void MAPIUninitialize();
HRESULT MAPILogonEx(ULONG_PTR uiParam, LPWSTR profileName, LPWSTR password, ULONG flags, IMAPISession** session);
