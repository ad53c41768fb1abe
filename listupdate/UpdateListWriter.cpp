#include "listupdate/UpdateListWriter.h"

#include "document/XmlDocument.h"
#include "platform/base/Base.h"
#include "platform/kernel/FileHandles.h"

namespace {
std::u16string Wide(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }
}  // namespace

CUpdateListWriter::CUpdateListWriter(std::u16string_view version) : m_version(version) {}

void CUpdateListWriter::Element(std::string_view tag, std::u16string_view text) {
  std::u16string name = Wide(tag);
  m_body += u"<" + name + u">" + EscapeXmlText(text) + u"</" + name + u">";
}

void CUpdateListWriter::Option(std::string_view name, std::u16string_view text) {
  std::u16string tag = Wide(name);
  m_options += u"<" + tag + u">" + EscapeXmlText(text) + u"</" + tag + u">";
}

void CUpdateListWriter::BeginList(std::string_view container) {
  m_open.emplace_back(container);
  m_body += u"<" + Wide(container) + u">";
}

void CUpdateListWriter::EndList() {
  if (m_open.empty()) return;
  m_body += u"</" + Wide(m_open.back()) + u">";
  m_open.pop_back();
}

void CUpdateListWriter::Record(std::string_view tag, Fields fields) {
  m_body += u"<" + Wide(tag) + u">";
  for (const auto& [child, text] : fields) Element(child, text);
  m_body += u"</" + Wide(tag) + u">";
}

void CUpdateListWriter::ItemType(std::u16string_view name, bool lineItems, int order) {
  m_body += u"<ITEMTYPE LINEITEMS=\"" + std::u16string(lineItems ? u"true" : u"false") + u"\" ORDER=\"" +
            platform::ToUtf16(std::to_string(order)) + u"\">" + EscapeXmlText(name) + u"</ITEMTYPE>";
}

void CUpdateListWriter::Item(std::string_view tag, const UpdateItemRecord& item, const std::vector<GroupLine>& lines) {
  m_body += u"<" + Wide(tag) + u">";
  for (size_t slot = 0; slot < kUpdateItemTags.size(); ++slot)
    if (kUpdateItemTags[slot]) Element(kUpdateItemTags[slot], item[static_cast<int>(slot)]);
  if (!item[kUpdCustom1Name].empty() || !item[kUpdCustom2Name].empty()) {
    m_body += u"<CUSTOM>";
    for (int slot : {kUpdCustom1Name, kUpdCustom2Name}) {
      if (item[slot].empty()) continue;
      m_body += u"<FIELD>";
      Element("NAME", item[slot]);
      Element("VALUE", item[slot + 1]);
      m_body += u"</FIELD>";
    }
    m_body += u"</CUSTOM>";
  }
  if (!lines.empty()) {
    m_body += u"<GROUPITEMS>";
    for (const GroupLine& line : lines) {
      m_body += u"<GROUPLINE>";
      Element("LISTID", line.listId);
      Element("FULLNAME", line.fullName);
      Element("QUANTITY", line.quantity);
      m_body += u"</GROUPLINE>";
    }
    m_body += u"</GROUPITEMS>";
  }
  m_body += u"</" + Wide(tag) + u">";
}

std::u16string CUpdateListWriter::Text() const {
  std::u16string version = m_version.empty() ? u"" : u" Version=\"" + EscapeXmlText(m_version) + u"\"";
  std::u16string options = m_options.empty() ? u"" : u"<OPTIONS>" + m_options + u"</OPTIONS>";
  return u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<VENDELSOFTWARE><VENDELINVOICE><DATABASE" + version +
         u"/>" + options + m_body + u"</VENDELINVOICE></VENDELSOFTWARE>\r\n";
}

bool CUpdateListWriter::Save(std::u16string_view path) const {
  std::u16string text = Text();
  std::string bytes("\xFF\xFE", 2);
  bytes.reserve(2 + text.size() * 2);
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  std::u16string name(path);
  CFileHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}
