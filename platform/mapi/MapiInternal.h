// What the messaging objects share inside the area: failures on demand, the record of the
// last submitted message, and the MIME writer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/mapi/MessageStores.h"

namespace platform::mapi {

// S_OK, or the failure a test asked the next call of `call` to give.
HRESULT InjectedFailure(std::string_view call);
void RecordSubmitted(SubmittedMessage message);

// A message ready to be written: texts in UTF-8, addresses trimmed and checked.
struct MimeMessage {
  std::string from;
  std::vector<std::string> to, cc, bcc;
  std::string subject;
  std::string body;
  SYSTEMTIME dateUtc{};
  std::string messageId;  // without the angle brackets
  struct Attachment {
    std::string fileName;
    std::string data;
  };
  std::vector<Attachment> attachments;
};

// The message as RFC 5322/MIME text with CRLF line ends: a plain-text body, or a
// multipart/mixed of the body and one base64 part per attachment. False when it could not
// be composed.
bool ComposeMime(const MimeMessage& message, std::string& text);
// The MIME type an attachment is sent as, by its file name's extension.
const char* MimeTypeOfFile(std::string_view fileName);
// Makes the MIME library ready (once per process).
void InitializeMimeLibrary();

}  // namespace platform::mapi
