// The messaging system: stores, messages, and the .eml a submission writes.
//
//   MessageStores.*   the configured stores in the stores table; the default store
//   Submission.*      the written file read back with GMime: recipients, subject, body, bytes
//   HeaderSafety.*    line breaks in subjects, addresses and file names never make headers
//   Lifetime.*        unsubmitted messages leave nothing; failures on demand
#include <gtest/gtest.h>

#include <cstring>

#include "platform/mapi/Mapi.h"
#include "platform/mapi/MapiPtr.h"
#include "platform/mapi/MessageStores.h"
#include "platform/shell/DeviceOwner.h"
#include "platform/registry/Registry.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/MailReader.h"
#include "platform/testing/MapiMessages.h"

using namespace platform::mapi;

namespace {

class MessagingTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    ResetMessaging();
    ASSERT_EQ(MAPILogonEx(0, nullptr, nullptr, 0, session.put()), S_OK);
  }
  void TearDown() override {
    session.reset();
    EXPECT_EQ(LiveMessageCount(), 0);
    ResetMessaging();
    DeviceTest::TearDown();
  }

  // A new message in the Drafts folder of the default store.
  void NewMessage(CMapiPtr<IMessage>& message) { ASSERT_EQ(mail_test::NewDraft(session.get(), message), S_OK); }

  static HRESULT AddRecipient(IMessage* message, LONG type, const char16_t* address) {
    return mail_test::AddRecipient(message, type, address);
  }
  static HRESULT SetText(IMAPIProp* object, ULONG tag, const char16_t* text) {
    return mail_test::SetText(object, tag, text);
  }
  static HRESULT WriteStream(IMAPIProp* object, ULONG tag, const std::string& bytes) {
    return mail_test::WriteStream(object, tag, bytes);
  }

  static std::string Utf16Bytes(std::u16string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  }

  static HRESULT Attach(IMessage* message, const char16_t* name, const std::string& bytes) {
    CMapiPtr<IAttach> attach;
    HRESULT hr = message->CreateAttach(nullptr, 0, nullptr, attach.put());
    if (SUCCEEDED(hr)) hr = SetText(attach.get(), PR_ATTACH_FILENAME_W, name);
    return SUCCEEDED(hr) ? WriteStream(attach.get(), PR_ATTACH_DATA_BIN, bytes) : hr;
  }

  std::vector<std::filesystem::path> Outbox(std::u16string_view key = kDefaultStoreName) {
    return mail_test::MailFiles(Linux(OutboxFolder(key)));
  }

  CMapiPtr<IMAPISession> session;
};

using MessageStores = MessagingTest;
using Submission = MessagingTest;
using HeaderSafety = MessagingTest;
using Lifetime = MessagingTest;

std::vector<std::u16string> StoreNames(IMAPISession* session) {
  CMapiPtr<IMAPITable> table;
  EXPECT_EQ(session->GetMsgStoresTable(MAPI_UNICODE, table.put()), S_OK);
  SizedSPropTagArray<2> columns;
  columns.aulPropTag[0] = PR_DISPLAY_NAME_W;
  columns.aulPropTag[1] = PR_ENTRYID;
  table->SetColumns(columns.get(), 0);
  std::vector<std::u16string> names;
  for (;;) {
    LPSRowSet rows = nullptr;
    EXPECT_EQ(table->QueryRows(1, 0, &rows), S_OK);
    bool done = rows->cRows == 0;
    if (!done) names.push_back(rows->aRow[0].lpProps[0].Value.lpszW);
    FreeProws(rows);
    if (done) return names;
  }
}

}  // namespace

TEST_F(MessageStores, WithoutConfigurationTheDeviceHasOneDefaultStoreActiveSync) {
  EXPECT_EQ(StoreNames(session.get()), std::vector<std::u16string>{u"ActiveSync"});
}

TEST_F(MessageStores, ConfiguredStoresAreListedInOrderAndTheMarkedOneIsTheDefault) {
  std::vector<MessageStoreConfig> stores;
  for (char16_t c = u'1'; c <= u'7'; ++c)
    stores.push_back({std::u16string(u"Store") + c, std::u16string(u"Mail ") + c, u"me@example.com", c == u'3'});
  ASSERT_TRUE(WriteMessageStores(stores));
  std::vector<std::u16string> names = StoreNames(session.get());
  ASSERT_EQ(names.size(), 7u);
  EXPECT_EQ(names.front(), u"Mail 1");
  EXPECT_EQ(names.back(), u"Mail 7");

  CMapiPtr<IMessage> message;
  NewMessage(message);
  ASSERT_EQ(AddRecipient(message.get(), MAPI_TO, u"a@example.com"), S_OK);
  ASSERT_EQ(message->SubmitMessage(0), S_OK);
  ASSERT_EQ(Outbox(u"Store3").size(), 1u);
  EXPECT_EQ(mail_test::ParseMail(mail_test::ReadFileBytes(Outbox(u"Store3")[0])).from, "me@example.com");
}

TEST_F(Submission, TheOutboxFileReadsBackAsExactlyWhatWasSent) {
  CMapiPtr<IMessage> message;
  NewMessage(message);
  ASSERT_EQ(AddRecipient(message.get(), MAPI_TO, u" a@example.com "), S_OK);
  ASSERT_EQ(AddRecipient(message.get(), MAPI_TO, u"b@example.com"), S_OK);
  ASSERT_EQ(AddRecipient(message.get(), MAPI_CC, u"c@example.com"), S_OK);
  ASSERT_EQ(AddRecipient(message.get(), MAPI_BCC, u"d@example.com"), S_OK);
  ASSERT_EQ(SetText(message.get(), PR_SUBJECT_W, u"Rechnung für Müller — 12 €"), S_OK);
  // The older form: the text, its null and zero padding.
  std::string body = Utf16Bytes(u"Dear customer,\r\nsee attached.");
  body.append(2048 - body.size(), '\0');
  ASSERT_EQ(WriteStream(message.get(), PR_BODY_W, body), S_OK);
  std::string binary("\x00\x01\r\n\xff\x80 BM", 9);
  for (int i = 0; i < 300; ++i) binary += static_cast<char>(i * 7);
  ASSERT_EQ(Attach(message.get(), u"Invoice 12.QVN", binary), S_OK);
  ASSERT_EQ(Attach(message.get(), u"Ärger.htm", "<html><body>x</body></html>\n"), S_OK);
  ASSERT_EQ(message->SubmitMessage(0), S_OK);
  EXPECT_EQ(message->SubmitMessage(0), MAPI_E_CALL_FAILED) << "a message goes out once";

  ASSERT_EQ(Outbox().size(), 1u);
  std::string text = mail_test::ReadFileBytes(Outbox()[0]);
  EXPECT_EQ(text.find("\n"), text.find("\r\n") + 1) << "lines end in CR LF";
  EXPECT_EQ(text.find("für"), std::string::npos) << "the subject is encoded, not raw UTF-8";
  EXPECT_EQ(text.find("Ärger"), std::string::npos) << "so is a file name";
  mail_test::ReadMail mail = mail_test::ParseMail(text);
  ASSERT_TRUE(mail.parsed);
  EXPECT_EQ(mail.from, "owner@device.invalid");
  EXPECT_EQ(mail.to, (std::vector<std::string>{"a@example.com", "b@example.com"}));
  EXPECT_EQ(mail.cc, std::vector<std::string>{"c@example.com"});
  EXPECT_EQ(mail.bcc, std::vector<std::string>{"d@example.com"});
  EXPECT_EQ(mail.subject, "Rechnung für Müller — 12 €");
  EXPECT_EQ(mail.body, "Dear customer,\r\nsee attached.");
  for (const char* name : {"Date", "Message-Id", "MIME-Version"}) EXPECT_EQ(mail.HeaderCount(name), 1) << name;
  ASSERT_EQ(mail.attachments.size(), 2u);
  EXPECT_EQ(mail.attachments[0].fileName, "Invoice 12.QVN");
  EXPECT_EQ(mail.attachments[0].contentType, "application/octet-stream");
  EXPECT_EQ(mail.attachments[0].data, binary);
  EXPECT_EQ(mail.attachments[1].fileName, "Ärger.htm");
  EXPECT_EQ(mail.attachments[1].contentType, "text/html");
  EXPECT_EQ(mail.attachments[1].data, "<html><body>x</body></html>\n");
}

// A store without an address of its own sends from the device owner's address.
TEST_F(MessageStores, AStoreWithoutAnAddressSendsFromTheDeviceOwner) {
  std::string record(768, '\0');
  const std::u16string address = u"nora@birchwood.example";
  std::memcpy(&record[566], address.data(), address.size() * 2);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"ControlPanel\\Owner", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Owner", 0, REG_BINARY, reinterpret_cast<const BYTE*>(record.data()), 768),
            ERROR_SUCCESS);
  RegCloseKey(key);
  CMapiPtr<IMessage> message;
  NewMessage(message);
  ASSERT_EQ(AddRecipient(message.get(), MAPI_TO, u"a@example.com"), S_OK);
  ASSERT_EQ(message->SubmitMessage(0), S_OK);
  ASSERT_EQ(Outbox().size(), 1u);
  EXPECT_EQ(mail_test::ParseMail(mail_test::ReadFileBytes(Outbox()[0])).from, "nora@birchwood.example");
}

// The owner the device's settings record (as the installer writes them) is the sender; an
// owner without an e-mail leaves the fallback.
TEST_F(MessageStores, TheOwnerTheDeviceRecordsIsTheSender) {
  auto sender = [this] {
    CMapiPtr<IMessage> message;
    NewMessage(message);
    EXPECT_EQ(AddRecipient(message.get(), MAPI_TO, u"a@example.com"), S_OK);
    EXPECT_EQ(message->SubmitMessage(0), S_OK);
    const std::vector<std::filesystem::path> sent = Outbox();
    if (sent.size() != 1) return std::string("no one message");
    std::string from = mail_test::ParseMail(mail_test::ReadFileBytes(sent[0])).from;
    std::filesystem::remove(sent[0]);
    return from;
  };
  ASSERT_TRUE(platform::WriteDeviceOwner({u"Nora Birch", u"", u"", u"", u"nora@birchwood.example"}));
  EXPECT_EQ(sender(), "nora@birchwood.example");
  ASSERT_TRUE(platform::WriteDeviceOwner({u"Nora Birch", u"", u"", u"", u""}));
  EXPECT_EQ(sender(), "owner@device.invalid");
}

TEST_F(HeaderSafety, ASubjectOrStoreAddressWithLineBreaksMakesNoHeader) {
  ASSERT_TRUE(WriteMessageStores({{u"Main", u"Main", u"me@example.com\r\nBcc: victim@example.com", true}}));
  CMapiPtr<IMessage> message;
  NewMessage(message);
  ASSERT_EQ(AddRecipient(message.get(), MAPI_TO, u"a@example.com"), S_OK);
  ASSERT_EQ(SetText(message.get(), PR_SUBJECT_W, u"Hello\r\nBcc: victim@example.com\r\n\r\nbody"), S_OK);
  ASSERT_EQ(message->SubmitMessage(0), S_OK);
  mail_test::ReadMail mail = mail_test::ParseMail(mail_test::ReadFileBytes(Outbox(u"Main")[0]));
  EXPECT_EQ(mail.from, "owner@device.invalid");
  EXPECT_EQ(mail.HeaderCount("Subject"), 1);
  EXPECT_TRUE(mail.bcc.empty());
  EXPECT_EQ(mail.HeaderCount("Bcc"), 0);
  EXPECT_NE(mail.subject.find("victim@example.com"), std::string::npos);
}

TEST_F(HeaderSafety, AddressesAndFileNamesThatCouldStartAHeaderAreRefused) {
  CMapiPtr<IMessage> message;
  NewMessage(message);
  for (const char16_t* address : {u"a@example.com\r\nBcc: x@example.com", u"a@example.com, x@example.com",
                                  u"Name <x@example.com>", u"a@exa\tmple.com"})
    EXPECT_EQ(AddRecipient(message.get(), MAPI_TO, address), E_INVALIDARG);
  EXPECT_EQ(AddRecipient(message.get(), 4, u"a@example.com"), E_INVALIDARG) << "no such recipient type";
  EXPECT_EQ(Attach(message.get(), u"a.htm\r\nContent-Type: text/plain", "x"), E_INVALIDARG);
  EXPECT_EQ(message->SubmitMessage(0), static_cast<HRESULT>(0x80040607)) << "nobody to send to";
  EXPECT_TRUE(Outbox().empty());
}

TEST_F(Lifetime, AReleasedUnsubmittedMessageLeavesNothing) {
  {
    CMapiPtr<IMessage> message;
    NewMessage(message);
    ASSERT_EQ(AddRecipient(message.get(), MAPI_TO, u"a@example.com"), S_OK);
    EXPECT_EQ(LiveMessageCount(), 1);
  }
  EXPECT_EQ(LiveMessageCount(), 0);
  EXPECT_TRUE(Outbox().empty());
  EXPECT_EQ(LastSubmittedMessage(), nullptr);
}

TEST_F(Lifetime, InjectedFailuresComeOnceAtTheNamedCall) {
  CMapiPtr<IMessage> message;
  NewMessage(message);
  ASSERT_EQ(AddRecipient(message.get(), MAPI_TO, u"a@example.com"), S_OK);
  InjectMapiFailure("SubmitMessage", MAPI_E_NO_ACCESS);
  EXPECT_EQ(message->SubmitMessage(0), MAPI_E_NO_ACCESS);
  EXPECT_TRUE(Outbox().empty());

  // A store without the Drafts property answers it as an error-typed value.
  InjectMapiFailure("Store.GetProps", MAPI_W_ERRORS_RETURNED);
  CMapiPtr<IMsgStore> store;
  ASSERT_EQ(session->OpenMsgStore(0, 0, nullptr, nullptr, 0, store.put()), S_OK);
  CMapiBuffer<SPropValue> props;
  EXPECT_EQ(mail_test::AskDraftsEntryId(store.get(), props), MAPI_W_ERRORS_RETURNED);
  EXPECT_EQ(props->ulPropTag, CHANGE_PROP_TYPE(PR_CE_IPM_DRAFTS_ENTRYID, PT_ERROR));
  EXPECT_EQ(message->SubmitMessage(0), S_OK) << "the failure came once";
}
