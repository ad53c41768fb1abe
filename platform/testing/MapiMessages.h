// Composes messages through the messaging system as its callers do, for the tests and the
// fuzz target that read the written .eml back (MailReader.h).
#pragma once

#include <string>

#include "platform/mapi/Mapi.h"
#include "platform/mapi/MapiPtr.h"

namespace mail_test {

// The store's Drafts folder entry id, as GetProps gives it.
inline HRESULT AskDraftsEntryId(IMsgStore* store, CMapiBuffer<SPropValue>& props) {
  SizedSPropTagArray<1> tags;
  tags.aulPropTag[0] = PR_CE_IPM_DRAFTS_ENTRYID;
  ULONG count = 0;
  return store->GetProps(tags.get(), MAPI_UNICODE, &count, props.put());
}

// A new message in the Drafts folder of the session's default store.
inline HRESULT NewDraft(IMAPISession* session, CMapiPtr<IMessage>& message) {
  CMapiPtr<IMsgStore> store;
  HRESULT hr = session->OpenMsgStore(0, 0, nullptr, nullptr, 0, store.put());
  if (FAILED(hr)) return hr;
  CMapiBuffer<SPropValue> props;
  hr = AskDraftsEntryId(store.get(), props);
  if (FAILED(hr)) return hr;
  CMapiPtr<IMAPIFolder> drafts;
  hr = store->OpenEntry(props->Value.bin.cb, reinterpret_cast<LPENTRYID>(props->Value.bin.lpb), nullptr, MAPI_MODIFY,
                        nullptr, drafts.put());
  return SUCCEEDED(hr) ? drafts->CreateMessage(nullptr, 0, message.put()) : hr;
}

inline HRESULT AddRecipient(IMessage* message, LONG type, const char16_t* address) {
  SPropValue props[3];
  props[0].ulPropTag = PR_RECIPIENT_TYPE;
  props[0].Value.l = type;
  props[1].ulPropTag = PR_ADDRTYPE_W;
  props[1].Value.lpszW = const_cast<LPWSTR>(u"SMTP");
  props[2].ulPropTag = PR_EMAIL_ADDRESS_W;
  props[2].Value.lpszW = const_cast<LPWSTR>(address);
  ADRLIST list;
  list.cEntries = 1;
  list.aEntries[0].cValues = 3;
  list.aEntries[0].rgPropVals = props;
  return message->ModifyRecipients(MODRECIP_ADD, &list);
}

inline HRESULT SetText(IMAPIProp* object, ULONG tag, const char16_t* text) {
  SPropValue prop;
  prop.ulPropTag = tag;
  prop.Value.lpszW = const_cast<LPWSTR>(text);
  return object->SetProps(1, &prop, nullptr);
}

inline HRESULT WriteStream(IMAPIProp* object, ULONG tag, const std::string& bytes) {
  CMapiPtr<IStream> stream;
  HRESULT hr = object->OpenProperty(tag, &IID_IStream, 0, MAPI_CREATE | MAPI_MODIFY, stream.put());
  if (SUCCEEDED(hr)) hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
  return SUCCEEDED(hr) ? stream->Commit(STGC_DEFAULT) : hr;
}

}  // namespace mail_test
