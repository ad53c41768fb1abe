#include "core/XmlText.h"

std::u16string EscapeXmlText(std::u16string_view text, bool quotes) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"': out += quotes ? u"&quot;" : u"\""; break;
      case u'\'': out += quotes ? u"&apos;" : u"'"; break;
      default: out += c; break;
    }
  }
  return out;
}
