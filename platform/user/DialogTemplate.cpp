#include "platform/user/DialogTemplate.h"

#include <cstring>

namespace platform::user {

namespace {

constexpr size_t kMaxItems = 255;
constexpr size_t kMaxText = 1024;

// Reads little-endian values within [begin, end); any read past the end makes the
// reader fail for good.
class Reader {
 public:
  Reader(const std::uint8_t* data, size_t size) : m_data(data), m_size(size) {}

  bool Ok() const { return m_ok; }
  size_t Offset() const { return m_pos; }

  WORD Word() {
    if (!Need(2)) return 0;
    WORD v = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    return v;
  }
  DWORD Dword() {
    WORD lo = Word();
    WORD hi = Word();
    return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16);
  }
  short Short() { return static_cast<short>(Word()); }
  std::uint8_t Byte() {
    if (!Need(1)) return 0;
    return m_data[m_pos++];
  }

  std::u16string Text() {
    std::u16string s;
    for (;;) {
      WORD c = Word();
      if (!m_ok || c == 0) break;
      if (s.size() >= kMaxText) {
        m_ok = false;
        break;
      }
      s.push_back(static_cast<char16_t>(c));
    }
    return s;
  }

  // 0x0000: nothing; 0xFFFF: an ordinal follows; else a text starting here.
  NameOrOrdinal NameOrOrd() {
    NameOrOrdinal n;
    if (!Need(2)) return n;
    WORD first = static_cast<WORD>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    if (first == 0) {
      m_pos += 2;
    } else if (first == 0xFFFF) {
      m_pos += 2;
      n.ordinal = Word();
    } else {
      n.text = Text();
    }
    return n;
  }

  void AlignDword() {
    size_t aligned = (m_pos + 3) & ~static_cast<size_t>(3);
    // The last item may end without padding.
    m_pos = std::min(aligned, m_size);
  }

  std::vector<std::uint8_t> Bytes(size_t count) {
    if (!Need(count)) return {};
    std::vector<std::uint8_t> v(m_data + m_pos, m_data + m_pos + count);
    m_pos += count;
    return v;
  }

 private:
  bool Need(size_t n) {
    if (!m_ok || n > m_size || m_pos > m_size - n) {
      m_ok = false;
      return false;
    }
    return true;
  }

  const std::uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
  bool m_ok = true;
};

bool ReadItem(Reader& r, bool extended, DialogItem& item) {
  r.AlignDword();
  if (extended) {
    r.Dword();  // help id
    item.exStyle = r.Dword();
    item.style = r.Dword();
  } else {
    item.style = r.Dword();
    item.exStyle = r.Dword();
  }
  item.x = r.Short();
  item.y = r.Short();
  item.cx = r.Short();
  item.cy = r.Short();
  item.id = extended ? r.Dword() : r.Word();
  item.cls = r.NameOrOrd();
  item.title = r.NameOrOrd();
  WORD extra = r.Word();
  if (extra) {
    // In a DIALOG template the count includes the count word itself.
    size_t bytes = extended ? extra : (extra >= 2 ? extra - 2u : 0u);
    item.creationData = r.Bytes(bytes);
  }
  return r.Ok();
}

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const std::uint8_t* data, size_t size) {
  if (!data) return std::nullopt;
  Reader r(data, size);
  DialogTemplate t;
  WORD first = r.Word();
  WORD second = r.Word();
  t.extended = first == 1 && second == 0xFFFF;
  WORD count = 0;
  if (t.extended) {
    r.Dword();  // help id
    t.exStyle = r.Dword();
    t.style = r.Dword();
  } else {
    t.style = static_cast<DWORD>(first) | (static_cast<DWORD>(second) << 16);
    t.exStyle = r.Dword();
  }
  count = r.Word();
  t.x = r.Short();
  t.y = r.Short();
  t.cx = r.Short();
  t.cy = r.Short();
  t.menu = r.NameOrOrd();
  t.cls = r.NameOrOrd();
  t.title = r.Text();
  if (t.style & 0x0040) {  // DS_SETFONT
    t.pointSize = r.Word();
    if (t.extended) {
      r.Word();  // weight
      r.Byte();  // italic
      r.Byte();  // character set
    }
    t.fontName = r.Text();
  }
  if (!r.Ok() || count > kMaxItems) return std::nullopt;
  t.items.resize(count);
  for (DialogItem& item : t.items)
    if (!ReadItem(r, t.extended, item)) return std::nullopt;
  return t;
}

std::u16string PredefinedClassName(WORD ordinal) {
  switch (ordinal) {
    case 0x80: return u"BUTTON";
    case 0x81: return u"EDIT";
    case 0x82: return u"STATIC";
    case 0x83: return u"LISTBOX";
    case 0x84: return u"SCROLLBAR";
    case 0x85: return u"COMBOBOX";
    default: return {};
  }
}

}  // namespace platform::user
