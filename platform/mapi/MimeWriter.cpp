// Composes submitted messages with GMime, so the Outbox holds files any mail program reads.
// Our types come first: the C library's TRUE and FALSE macros would otherwise spoil them.
#include "platform/mapi/MapiInternal.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include <gmime/gmime.h>

namespace platform::mapi {

namespace {

// Owns one GObject reference.
template <typename T>
class CGObject {
 public:
  explicit CGObject(T* object) : m_object(object) {}
  ~CGObject() {
    if (m_object) g_object_unref(m_object);
  }
  CGObject(const CGObject&) = delete;
  CGObject& operator=(const CGObject&) = delete;
  T* get() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }

 private:
  T* m_object;
};

bool EndsWithIgnoreCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

void AddMailboxes(GMimeMessage* message, GMimeAddressType type, const std::vector<std::string>& addresses) {
  for (const std::string& address : addresses) g_mime_message_add_mailbox(message, type, nullptr, address.c_str());
}

GMimeObject* NewBodyPart(const std::string& body) {
  GMimeTextPart* part = g_mime_text_part_new_with_subtype("plain");
  g_mime_text_part_set_text(part, body.c_str());
  g_mime_text_part_set_charset(part, "utf-8");
  g_mime_part_set_content_encoding(GMIME_PART(part), GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
  return GMIME_OBJECT(part);
}

GMimeObject* NewAttachmentPart(const MimeMessage::Attachment& attachment) {
  std::string type = MimeTypeOfFile(attachment.fileName);
  size_t slash = type.find('/');
  GMimePart* part = g_mime_part_new_with_type(type.substr(0, slash).c_str(), type.substr(slash + 1).c_str());
  // The stream copies the bytes, so the part owns what it writes.
  CGObject<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(attachment.data.data(), attachment.data.size()));
  CGObject<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part, content.get());
  g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
  g_mime_part_set_filename(part, attachment.fileName.c_str());
  return GMIME_OBJECT(part);
}

}  // namespace

void InitializeMimeLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

const char* MimeTypeOfFile(std::string_view fileName) {
  if (EndsWithIgnoreCase(fileName, ".htm") || EndsWithIgnoreCase(fileName, ".html")) return "text/html";
  if (EndsWithIgnoreCase(fileName, ".bmp")) return "image/bmp";
  if (EndsWithIgnoreCase(fileName, ".csv")) return "text/csv";
  return "application/octet-stream";
}

bool ComposeMime(const MimeMessage& message, std::string& text) {
  InitializeMimeLibrary();
  CGObject<GMimeMessage> mime(g_mime_message_new(TRUE));
  if (!mime) return false;
  g_mime_message_add_mailbox(mime.get(), GMIME_ADDRESS_TYPE_FROM, nullptr, message.from.c_str());
  AddMailboxes(mime.get(), GMIME_ADDRESS_TYPE_TO, message.to);
  AddMailboxes(mime.get(), GMIME_ADDRESS_TYPE_CC, message.cc);
  // The outbox copy keeps its Bcc line; the transport that sends it leaves the line out.
  AddMailboxes(mime.get(), GMIME_ADDRESS_TYPE_BCC, message.bcc);
  // A non-ASCII subject is encoded as UTF-8 words and long ones folded by the library.
  g_mime_message_set_subject(mime.get(), message.subject.c_str(), "utf-8");
  const SYSTEMTIME& t = message.dateUtc;
  GDateTime* date = g_date_time_new_utc(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  if (date) {
    g_mime_message_set_date(mime.get(), date);
    g_date_time_unref(date);
  }
  g_mime_message_set_message_id(mime.get(), message.messageId.c_str());
  g_mime_object_set_header(GMIME_OBJECT(mime.get()), "MIME-Version", "1.0", nullptr);

  if (message.attachments.empty()) {
    CGObject<GMimeObject> body(NewBodyPart(message.body));
    g_mime_message_set_mime_part(mime.get(), body.get());
  } else {
    CGObject<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    CGObject<GMimeObject> body(NewBodyPart(message.body));
    g_mime_multipart_add(mixed.get(), body.get());
    for (const MimeMessage::Attachment& attachment : message.attachments) {
      CGObject<GMimeObject> part(NewAttachmentPart(attachment));
      g_mime_multipart_add(mixed.get(), part.get());
    }
    g_mime_message_set_mime_part(mime.get(), GMIME_OBJECT(mixed.get()));
  }

  GMimeFormatOptions* options = g_mime_format_options_new();
  g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
  CGObject<GMimeStream> out(g_mime_stream_mem_new());
  ssize_t written = g_mime_object_write_to_stream(GMIME_OBJECT(mime.get()), options, out.get());
  g_mime_format_options_free(options);
  if (written < 0) return false;
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
  text.assign(reinterpret_cast<const char*>(bytes->data), bytes->len);
  return true;
}

}  // namespace platform::mapi
