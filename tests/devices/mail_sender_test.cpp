// Sending through the messaging system.
//
//   MailSender.*    the whole send: recipients, properties, body forms, attachments, stores
//   MailFailures.*  failing steps: debug output, nothing sent, the Drafts folder reopened
//   MailSession.*   logon, sending, the store names
#include <gtest/gtest.h>

#include "core/Preferences.h"
#include "devices/MailSender.h"
#include "devices/MailSession.h"
#include "platform/mapi/MessageStores.h"
#include "../core/InstalledDeviceFixture.h"
#include "platform/user/Screen.h"
#include "platform/testing/MailReader.h"

using namespace platform::mapi;

namespace {

class MailTest : public slateway::testing::InstalledDeviceTest {
 protected:
  void SetUp() override {
    InstalledDeviceTest::SetUp();
    ResetMessaging();
    platform::CaptureDebugOutput(true);
  }
  void TearDown() override {
    platform::ResetScreenAndVersion();
    EXPECT_EQ(LiveMessageCount(), 0);
    ResetMessaging();
    InstalledDeviceTest::TearDown();
  }
  std::vector<std::filesystem::path> Outbox(std::u16string_view key = kDefaultStoreName) {
    return mail_test::MailFiles(Linux(OutboxFolder(key)));
  }
  static void ConfigureStores(int count) {
    std::vector<MessageStoreConfig> stores;
    for (int i = 1; i <= count; ++i) {
      std::u16string n(1, static_cast<char16_t>(u'0' + i));
      stores.push_back({u"S" + n, u"Account " + n, {}, i == 1});
    }
    ASSERT_TRUE(WriteMessageStores(stores));
  }
  HRESULT Send(CMailSender& sender, LPCWSTR to = u"a@example.com", LPCWSTR attachment = nullptr) {
    return sender.SendMessage(to, nullptr, nullptr, u"Subject", u"Body", attachment, nullptr, nullptr);
  }
  CMailSender sender;
};

using MailSender = MailTest;
using MailFailures = MailTest;
using MailSession = MailTest;

}  // namespace

TEST_F(MailSender, SendsRecipientsPropertiesAndBodyAsTheDeviceWritesThem) {
  ASSERT_EQ(sender.Logon(0, nullptr, nullptr, 0), S_OK);
  ASSERT_EQ(sender.SendMessage(u"a@example.com;;b@example.com", u"c@example.com", u" d@example.com", u"Invoice 7",
                               u"Hello", nullptr, nullptr, nullptr),
            S_OK);
  const SubmittedMessage* sent = LastSubmittedMessage();
  ASSERT_NE(sent, nullptr);
  EXPECT_EQ(sent->numbers.at(PR_MESSAGE_FLAGS), 40);
  EXPECT_EQ(sent->numbers.at(PR_MSG_STATUS), 0x20000);
  ASSERT_EQ(sent->recipients.size(), 4u);
  const LONG types[] = {1, 1, 2, 3};
  const char16_t* addresses[] = {u"a@example.com", u"b@example.com", u"c@example.com", u" d@example.com"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(sent->recipients[i].type, types[i]);
    EXPECT_EQ(sent->recipients[i].addressType, u"SMTP");
    EXPECT_EQ(sent->recipients[i].address, addresses[i]) << "blanks are kept in the property";
  }
  EXPECT_EQ(sent->bodyStream, std::string("H\0e\0l\0l\0o\0", 10)) << "exactly the characters on a current system";

  ASSERT_EQ(Outbox().size(), 1u);
  mail_test::ReadMail mail = mail_test::ParseMail(mail_test::ReadFileBytes(Outbox()[0]));
  EXPECT_EQ(mail.to, (std::vector<std::string>{"a@example.com", "b@example.com"}));
  EXPECT_EQ(mail.bcc, std::vector<std::string>{"d@example.com"});
  EXPECT_EQ(mail.subject, "Invoice 7");
  EXPECT_EQ(mail.body, "Hello");
}

TEST_F(MailSender, OnAnOlderSystemTheBodyIsNullTerminatedInAFixedStream) {
  platform::SetOsVersion(4, 20);
  ASSERT_EQ(sender.Logon(0, nullptr, nullptr, 0), S_OK);
  ASSERT_EQ(Send(sender), S_OK);
  std::string expected("B\0o\0d\0y\0\0\0", 10);
  expected.resize(2048, '\0');
  EXPECT_EQ(LastSubmittedMessage()->bodyStream, expected);
  EXPECT_EQ(mail_test::ParseMail(mail_test::ReadFileBytes(Outbox()[0])).body, "Body");
}

TEST_F(MailSender, AnAttachmentKeepsItsBytesAndIsAnnouncedSixteenBytesLarger) {
  std::string bytes(4096, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 + 7);
  WriteText(u"\\My Documents\\Block.bin", bytes);
  ASSERT_EQ(sender.Logon(0, nullptr, nullptr, 0), S_OK);
  ASSERT_EQ(Send(sender, u"a@example.com", u"\\My Documents\\Block.bin"), S_OK);
  const SubmittedAttachment& attachment = LastSubmittedMessage()->attachments.at(0);
  EXPECT_EQ(attachment.fileName, u"Block.bin");
  EXPECT_EQ(attachment.numbers.at(PR_ATTACH_SIZE), 4096 + 16);
  EXPECT_EQ(attachment.numbers.at(PR_MSG_STATUS), 0x20000);
  mail_test::ReadMail mail = mail_test::ParseMail(mail_test::ReadFileBytes(Outbox()[0]));
  ASSERT_EQ(mail.attachments.size(), 1u);
  EXPECT_EQ(mail.attachments[0].data, bytes);
}

TEST_F(MailSender, TheMailBoxPreferenceChoosesTheStore) {
  ConfigureStores(2);
  ASSERT_EQ(sender.Logon(0, nullptr, nullptr, 0), S_OK);
  // Outgoing eMail on Options' Other page, what this is about.
  CPreferences().SetString(u"MailBox", u"aCtIvEsYnC");
  ASSERT_EQ(Send(sender), S_OK);
  EXPECT_EQ(LastSubmittedMessage()->storeKey, u"S1") << "the default store";

  CMailSender second;
  ASSERT_EQ(second.Logon(0, nullptr, nullptr, 0), S_OK);
  CPreferences().SetString(u"MailBox", u"ACCOUNT 2");
  ASSERT_EQ(Send(second), S_OK);
  EXPECT_EQ(LastSubmittedMessage()->storeKey, u"S2");
  EXPECT_EQ(Outbox(u"S2").size(), 1u);

  CMailSender third;
  ASSERT_EQ(third.Logon(0, nullptr, nullptr, 0), S_OK);
  CPreferences().SetString(u"MailBox", u"Nowhere");
  ResetMessaging();
  EXPECT_TRUE(FAILED(Send(third)));
  EXPECT_EQ(LastSubmittedMessage(), nullptr);
}

TEST_F(MailFailures, EveryFailingStepIsReportedWithItsSite) {
  struct Case {
    const char* call;
    HRESULT hr;
    const char16_t* output;
  };
  const Case cases[] = {
      {"OpenMsgStore", E_FAIL, u"CEMAPI: FAILED(80004005) at VOMAPI:151\n"},
      {"Store.GetProps", MAPI_E_NO_ACCESS, u"CEMAPI: FAILED(80070005) at VOMAPI:156\n"},
      {"Store.GetProps", MAPI_W_ERRORS_RETURNED, u"CEMAPI: FAILED(80004005) at VOMAPI:159\n"},
      {"Store.OpenEntry", MAPI_E_NOT_FOUND, u"CEMAPI: FAILED(8004010f) at VOMAPI:164\n"},
      {"ModifyRecipients", E_FAIL, u"CEMAPI: FAILED(80004005) at VOMAPI:353\n"},
      {"Message.SetProps", E_FAIL, u"CEMAPI: FAILED(80004005) at VOMAPI:395\n"},
      {"Message.OpenProperty", E_FAIL, u"CEMAPI: FAILED(80004005) at VOMAPI:404\n"},
      {"CreateAttach", E_FAIL, u"CEMAPI: FAILED(80004005) at VOMAPI:518\nCEMAPI: FAILED(80004005) at VOMAPI:438\n"},
      {"Attach.SetProps", E_FAIL, u"CEMAPI: FAILED(80004005) at VOMAPI:541\nCEMAPI: FAILED(80004005) at VOMAPI:438\n"},
      {"Attach.OpenProperty", E_FAIL, u"CEMAPI: FAILED(80004005) at VOMAPI:553\nCEMAPI: FAILED(80004005) at VOMAPI:438\n"},
      {"Stream.Write", E_FAIL, u"CEMAPI: FAILED(80004005) at VOMAPI:404\n"},
  };
  WriteText(u"\\a.txt", "attached");
  for (const Case& c : cases) {
    CMailSender fresh;
    ASSERT_EQ(fresh.Logon(0, nullptr, nullptr, 0), S_OK);
    InjectMapiFailure(c.call, c.hr);
    EXPECT_TRUE(FAILED(Send(fresh, u"a@example.com", u"\\a.txt"))) << c.call;
    EXPECT_EQ(platform::TakeDebugOutput(), c.output) << c.call;
  }
  EXPECT_TRUE(Outbox().empty());
  EXPECT_EQ(LastSubmittedMessage(), nullptr);
}

TEST_F(MailFailures, AFailedAttachmentCopyOrUnreadableFileSendsNothing) {
  WriteText(u"\\big.bin", std::string(10000, 'x'));
  ASSERT_EQ(sender.Logon(0, nullptr, nullptr, 0), S_OK);
  InjectMapiFailure("Stream.Write", E_FAIL, 2);  // the body and the first block go through
  EXPECT_TRUE(FAILED(Send(sender, u"a@example.com", u"\\big.bin")));
  EXPECT_TRUE(FAILED(Send(sender, u"a@example.com", u"\\missing.bin")));
  EXPECT_TRUE(Outbox().empty());
  EXPECT_EQ(Send(sender, u"a@example.com", u"\\big.bin"), S_OK) << "the sender works on";
}

TEST_F(MailFailures, AfterFailedRecipientsTheNextSendOpensTheDraftsFolderAgain) {
  ASSERT_EQ(sender.Logon(0, nullptr, nullptr, 0), S_OK);
  InjectMapiFailure("ModifyRecipients", E_FAIL);
  EXPECT_TRUE(FAILED(Send(sender)));
  InjectMapiFailure("Store.OpenEntry", MAPI_E_NOT_FOUND);
  EXPECT_EQ(Send(sender), MAPI_E_NOT_FOUND) << "the folder was opened again, and failed";
  EXPECT_EQ(Send(sender), S_OK);
}

TEST_F(MailFailures, WithoutLogonOrRequiredTextsNothingIsSent) {
  InjectMapiFailure("MAPILogonEx", MAPI_E_LOGON_FAILED);
  EXPECT_EQ(sender.Logon(0, nullptr, nullptr, 0), MAPI_E_LOGON_FAILED);
  EXPECT_EQ(platform::TakeDebugOutput(), u"CEMAPI: FAILED(80040111) at VOMAPI:72\n");
  EXPECT_EQ(Send(sender), E_FAIL);
  CMailSender loggedOn;
  ASSERT_EQ(loggedOn.Logon(0, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(loggedOn.SendMessage(nullptr, nullptr, nullptr, u"s", u"b", nullptr, nullptr, nullptr), E_FAIL);
  EXPECT_EQ(loggedOn.SendMessage(u"a@example.com", nullptr, nullptr, nullptr, u"b", nullptr, nullptr, nullptr), E_FAIL);
  EXPECT_EQ(loggedOn.SendMessage(u"a@example.com", nullptr, nullptr, u"", u"", nullptr, nullptr, nullptr), S_OK)
      << "an empty subject and body are still a message";
}

TEST_F(MailSession, SendsAndListsAtMostSixStoreNames) {
  ConfigureStores(7);
  CMailSession session;
  std::vector<std::u16string> names;
  std::u16string name;
  for (bool more = session.GetFirstStoreName(name); more; more = session.GetNextStoreName(name)) names.push_back(name);
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names.front(), u"Account 1");
  EXPECT_EQ(names.back(), u"Account 6");
  EXPECT_TRUE(session.Send(u"a@example.com", nullptr, nullptr, u"s", u"b"));
  EXPECT_EQ(Outbox(u"S1").size(), 1u);
}
