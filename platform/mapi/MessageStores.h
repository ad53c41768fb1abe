// The message stores the messaging system offers, as configured in the registry, and what
// tests need to look inside it: the last message submitted and failures on demand.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Win32Types.h"

namespace platform::mapi {

// HKEY_LOCAL_MACHINE key with one subkey per store. A subkey's name is the store's key (its
// folder name under "\Messaging\"); its values: "DisplayName" (REG_SZ, default the key),
// "Address" (REG_SZ, the From address) and "Default" (REG_DWORD, non-zero for the default
// store). Without any store the device has one, "ActiveSync", which is the default.
inline constexpr char16_t kMessageStoresKeyPath[] = u"System\\Messaging\\Stores";
inline constexpr char16_t kDefaultStoreName[] = u"ActiveSync";
// The From address of a store without one when the device owner record holds no e-mail
// address either.
inline constexpr char16_t kFallbackFromAddress[] = u"owner@device.invalid";

struct MessageStoreConfig {
  std::u16string key;
  std::u16string displayName;
  std::u16string address;
  bool isDefault = false;
};

// The stores in registry order (subkeys sorted ignoring case). Exactly one is the default:
// the first marked so, else the first.
std::vector<MessageStoreConfig> ReadMessageStores();
// Replaces the configured stores; false when the registry could not be written.
bool WriteMessageStores(const std::vector<MessageStoreConfig>& stores);
// The device folder a store's submitted messages land in: "\Messaging\<key>\Outbox".
std::u16string OutboxFolder(std::u16string_view storeKey);

// ---- For tests ---------------------------------------------------------------------------------

// What a submitted message carried, as the caller set it (before any MIME encoding).
struct SubmittedRecipient {
  LONG type = 0;
  std::u16string addressType;
  std::u16string address;
};
struct SubmittedAttachment {
  std::map<ULONG, LONG> numbers;  // PR_ATTACH_SIZE, PR_MSG_STATUS...
  std::u16string fileName;
  std::string data;
};
struct SubmittedMessage {
  std::map<ULONG, LONG> numbers;  // PR_MESSAGE_FLAGS, PR_MSG_STATUS...
  std::u16string subject;
  std::string bodyStream;  // the body stream's bytes exactly as written
  std::vector<SubmittedRecipient> recipients;
  std::vector<SubmittedAttachment> attachments;
  std::u16string storeKey;
  std::u16string outboxFile;  // device path of the .eml written
};

// The last message submitted since ResetMessaging, or null.
const SubmittedMessage* LastSubmittedMessage();
// Messages created and not yet released (a released, unsubmitted message leaves nothing).
int LiveMessageCount();
// The next call of `call` (after `skip` good ones) fails with `hr`. Calls: "MAPIInitialize",
// "MAPILogonEx", "GetMsgStoresTable", "QueryRows", "OpenMsgStore", "Store.GetProps",
// "Store.OpenEntry", "CreateMessage", "ModifyRecipients", "Message.SetProps",
// "Message.OpenProperty", "CreateAttach", "Attach.SetProps", "Attach.OpenProperty",
// "Stream.Write", "SubmitMessage". "Store.GetProps" failing with MAPI_W_ERRORS_RETURNED
// answers the asked property as an error-typed one, as a store without it does.
void InjectMapiFailure(std::string_view call, HRESULT hr, int skip = 0);
// Forgets injected failures and the last submitted message.
void ResetMessaging();

}  // namespace platform::mapi
