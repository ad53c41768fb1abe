// Any bytes as the outside texts that reach a message's headers, split at NUL bytes: a
// recipient address, a subject, an attachment's file name, the store's sender address and
// the body (UTF-8). Each is refused or taken; a message sent reads back with GMime as one
// message with only the headers the writer makes, each once, no more than the one
// recipient, a subject of one line and the one attachment.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz/FuzzDevice.h"
#include "platform/base/Base.h"
#include "platform/mapi/Mapi.h"
#include "platform/mapi/MapiPtr.h"
#include "platform/mapi/MessageStores.h"
#include "platform/testing/MailReader.h"
#include "platform/testing/MapiMessages.h"

using namespace platform::mapi;

namespace {

using fuzzing::Require;

// What a submission without anybody to send to gives.
constexpr HRESULT kNoRecipients = static_cast<HRESULT>(0x80040607);

std::vector<std::u16string> Texts(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::u16string> texts(count);
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (size_t i = 0; i < count && !bytes.empty(); ++i) {
    size_t end = i + 1 < count ? bytes.find('\0') : std::string_view::npos;
    texts[i] = platform::ToUtf16(bytes.substr(0, end));
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
  }
  return texts;
}

// True when the attachment was made: it goes out then, under a name of its own when
// `name` was refused.
bool Attach(IMessage* message, const std::u16string& name) {
  CMapiPtr<IAttach> attach;
  if (message->CreateAttach(nullptr, 0, nullptr, attach.put()) != S_OK) return false;
  if (mail_test::SetText(attach.get(), PR_ATTACH_FILENAME_W, name.c_str()) == S_OK)
    mail_test::WriteStream(attach.get(), PR_ATTACH_DATA_BIN, "attached");
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::FuzzDevice& device = fuzzing::FuzzDevice::Get();
  device.Reset("unused", data, 0);
  ResetMessaging();
  const std::vector<std::u16string> texts = Texts(data, size, 5);
  const std::u16string &address = texts[0], &subject = texts[1], &fileName = texts[2], &sender = texts[3];
  WriteMessageStores({{u"Main", u"Main", sender, true}});

  bool sent = false, attached = false;
  {
    CMapiPtr<IMAPISession> session;
    Require(MAPILogonEx(0, nullptr, nullptr, 0, session.put()) == S_OK);
    CMapiPtr<IMessage> message;
    Require(mail_test::NewDraft(session.get(), message) == S_OK);
    const bool recipient = mail_test::AddRecipient(message.get(), MAPI_TO, address.c_str()) == S_OK;
    mail_test::SetText(message.get(), PR_SUBJECT_W, subject.c_str());
    const std::u16string& body = texts[4];
    mail_test::WriteStream(message.get(), PR_BODY_W,
                           std::string(reinterpret_cast<const char*>(body.data()), body.size() * 2));
    attached = Attach(message.get(), fileName);
    HRESULT submitted = message->SubmitMessage(0);
    // A blank address is taken but names nobody.
    Require(submitted == S_OK || submitted == kNoRecipients);
    Require(submitted == kNoRecipients || recipient);
    sent = submitted == S_OK;
  }
  Require(LiveMessageCount() == 0);
  std::vector<std::filesystem::path> files = mail_test::MailFiles(platform::MapDevicePath(OutboxFolder(u"Main")));
  Require(files.size() == (sent ? 1u : 0u));
  if (!sent) return 0;
  mail_test::ReadMail mail = mail_test::ParseMail(mail_test::ReadFileBytes(files[0]));
  Require(mail.parsed);
  static const std::set<std::string> kHeaders{"From",         "To",           "Subject",
                                              "Date",         "Message-Id",   "MIME-Version",
                                              "Content-Type", "Content-Transfer-Encoding"};
  for (const std::string& name : mail.headerNames) Require(kHeaders.count(name) == 1 && mail.HeaderCount(name) == 1);
  // One To header; an address that is no mailbox ("a@@b") reads as none, but no more.
  Require(mail.HeaderCount("To") == 1 && mail.to.size() <= 1 && mail.cc.empty() && mail.bcc.empty());
  Require(mail.subject.find_first_of("\r\n") == std::string::npos);
  Require(mail.attachments.size() == (attached ? 1u : 0u));
  return 0;
}
