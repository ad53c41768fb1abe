// Reads a written .eml back with GMime's parser, as a mail program would, for tests of
// the messaging system and of the code that sends through it.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/base/Win32Types.h"  // before GMime: its TRUE and FALSE are macros

#include <gmime/gmime.h>

namespace mail_test {

struct ReadPart {
  std::string contentType;
  std::string fileName;
  std::string data;  // decoded
};

struct ReadMail {
  bool parsed = false;
  std::vector<std::string> headerNames;  // in order, as written
  std::string subject;                   // decoded
  std::string rawSubject;                // as written, folded lines included
  std::string from;
  std::vector<std::string> to, cc, bcc;
  std::string body;  // the text part, decoded, line ends as written
  std::vector<ReadPart> attachments;

  int HeaderCount(const std::string& name) const {
    return static_cast<int>(std::count(headerNames.begin(), headerNames.end(), name));
  }
};

inline std::vector<std::string> Addresses(InternetAddressList* list) {
  std::vector<std::string> addresses;
  for (int i = 0; list && i < internet_address_list_length(list); ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    if (INTERNET_ADDRESS_IS_MAILBOX(address))
      addresses.push_back(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)));
  }
  return addresses;
}

inline void ReadLeaf(GMimeObject* object, ReadMail& mail) {
  if (!GMIME_IS_PART(object)) return;
  GMimePart* part = GMIME_PART(object);
  char* type = g_mime_content_type_get_mime_type(g_mime_object_get_content_type(object));
  ReadPart read;
  read.contentType = type;
  g_free(type);
  GMimeStream* out = g_mime_stream_mem_new();
  if (GMimeDataWrapper* content = g_mime_part_get_content(part)) g_mime_data_wrapper_write_to_stream(content, out);
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
  read.data.assign(reinterpret_cast<const char*>(bytes->data), bytes->len);
  g_object_unref(out);
  if (const char* name = g_mime_part_get_filename(part)) {
    read.fileName = name;
    mail.attachments.push_back(read);
  } else {
    mail.body = read.data;
  }
}

inline ReadMail ParseMail(const std::string& text) {
  g_mime_init();
  ReadMail mail;
  GMimeStream* stream = g_mime_stream_mem_new_with_buffer(text.data(), text.size());
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
  g_object_unref(parser);
  g_object_unref(stream);
  if (!message) return mail;
  mail.parsed = true;
  GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(message));
  for (int i = 0; i < g_mime_header_list_get_count(headers); ++i) {
    GMimeHeader* header = g_mime_header_list_get_header_at(headers, i);
    mail.headerNames.push_back(g_mime_header_get_name(header));
    if (mail.headerNames.back() == "Subject") mail.rawSubject = g_mime_header_get_raw_value(header);
  }
  if (const char* subject = g_mime_message_get_subject(message)) mail.subject = subject;
  std::vector<std::string> from = Addresses(g_mime_message_get_from(message));
  if (!from.empty()) mail.from = from.front();
  mail.to = Addresses(g_mime_message_get_to(message));
  mail.cc = Addresses(g_mime_message_get_cc(message));
  mail.bcc = Addresses(g_mime_message_get_bcc(message));
  GMimeObject* root = g_mime_message_get_mime_part(message);
  if (root && GMIME_IS_MULTIPART(root)) {
    for (int i = 0; i < g_mime_multipart_get_count(GMIME_MULTIPART(root)); ++i)
      ReadLeaf(g_mime_multipart_get_part(GMIME_MULTIPART(root), i), mail);
  } else if (root) {
    ReadLeaf(root, mail);
    // A message body ends with a line end in the file (inside a multipart the line end
    // before the boundary belongs to the boundary); take back the one the format added.
    if (mail.body.size() >= 2 && mail.body.compare(mail.body.size() - 2, 2, "\r\n") == 0) mail.body.resize(mail.body.size() - 2);
  }
  g_object_unref(message);
  return mail;
}

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The .eml files of a folder (Linux path), sorted; none when the folder is missing.
inline std::vector<std::filesystem::path> MailFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    if (entry.path().extension() == ".eml") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace mail_test
