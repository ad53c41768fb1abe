#include "platform/registry/Hive.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace platform::registry {

namespace {
constexpr std::string_view kSignature = "SLATEWAY REGISTRY HIVE 1";

// Names are written as UTF-8 in which an unpaired surrogate keeps its own three-byte
// form, and read back the same way: a name must come back exactly, or two names that
// differ only there would read back as one and the whole hive would be refused.
void AppendNameBytes(std::u16string_view text, std::string& out) {
  size_t run = 0;  // start of the run of well-formed text not yet appended
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c < 0xD800 || c > 0xDFFF) continue;
    if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    out += ToUtf8(text.substr(run, i - run));
    const char lone[3] = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                          static_cast<char>(0x80 | (c & 0x3F))};
    out.append(lone, 3);
    run = i + 1;
  }
  out += ToUtf8(text.substr(run));
}

std::string NameBytes(std::u16string_view text) {
  std::string out;
  AppendNameBytes(text, out);
  return out;
}

std::u16string NameFromBytes(std::string_view bytes) {
  std::u16string out;
  size_t start = 0;
  for (size_t i = 0; i + 2 < bytes.size(); ++i) {
    auto b0 = static_cast<unsigned char>(bytes[i]), b1 = static_cast<unsigned char>(bytes[i + 1]),
         b2 = static_cast<unsigned char>(bytes[i + 2]);
    // ED A0..BF xx: an encoded surrogate, which plain UTF-8 decoding would refuse.
    if (b0 == 0xED && b1 >= 0xA0 && b1 <= 0xBF && (b2 & 0xC0) == 0x80) {
      out += ToUtf16(bytes.substr(start, i - start));
      out += static_cast<char16_t>(0xD000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
      i += 2;
      start = i + 1;
    }
  }
  out += ToUtf16(bytes.substr(start));
  return out;
}

void AppendHex(std::string& out, unsigned v, int digits) {
  static const char* kDigits = "0123456789abcdef";
  char text[8];
  for (int i = 0; i < digits; ++i) text[i] = kDigits[(v >> (4 * (digits - 1 - i))) & 0xF];
  out.append(text, static_cast<size_t>(digits));
}

void AppendHexByte(std::string& out, unsigned v) {
  static const char* kDigits = "0123456789abcdef";
  const char pair[2] = {kDigits[(v >> 4) & 0xF], kDigits[v & 0xF]};
  out.append(pair, 2);
}

bool NeedsEscape(unsigned char c) { return c == '\\' || c == '"' || c < 0x20 || c == 0x7F; }

// Appends the text quoted; runs that need no escape go in as one block.
void AppendQuoted(std::u16string_view text, std::string& out) {
  thread_local std::string utf8;
  utf8.clear();
  AppendNameBytes(text, utf8);
  out += '"';
  size_t run = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    auto c = static_cast<unsigned char>(utf8[i]);
    if (!NeedsEscape(c)) continue;
    out.append(utf8, run, i - run);
    run = i + 1;
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        out += "\\u00";
        AppendHexByte(out, c);
    }
  }
  out.append(utf8, run, std::string::npos);
  out += '"';
}

// Reads a quoted text starting at pos (at the opening quote); advances past the closing one.
std::optional<std::u16string> Unquote(std::string_view line, size_t& pos) {
  if (pos >= line.size() || line[pos] != '"') return std::nullopt;
  std::string out;
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') {
      ++pos;
      return NameFromBytes(out);
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++pos >= line.size()) return std::nullopt;
    switch (line[pos]) {
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'u': {
        if (pos + 4 >= line.size()) return std::nullopt;
        unsigned v = 0;
        for (int i = 1; i <= 4; ++i) {
          char h = line[pos + i];
          if (!std::isxdigit(static_cast<unsigned char>(h))) return std::nullopt;
          v = v * 16 + (std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : (std::tolower(h) - 'a' + 10));
        }
        if (v >= 0x80) return std::nullopt;  // only control characters are escaped this way
        out += static_cast<char>(v);
        pos += 4;
        break;
      }
      default: return std::nullopt;
    }
  }
  return std::nullopt;
}

// Key names cannot hold "\" (the separator); "%" and control characters are %-escaped.
void AppendEscapedKeyName(std::u16string_view name, std::string& out) { out += EscapeLineBytes(NameBytes(name)); }

std::optional<std::u16string> UnescapeKeyName(std::string_view text) {
  std::optional<std::string> bytes = UnescapeLineBytes(text);
  if (!bytes || bytes->empty()) return std::nullopt;
  return NameFromBytes(*bytes);
}

// A REG_SZ whose bytes round-trip through text: even length, one terminating null at the
// end and no other, and no unpaired surrogate.
bool IsPlainText(const Value& v, std::u16string& text) {
  if (v.type != 1 || v.data.size() < 2 || v.data.size() % 2 != 0) return false;
  size_t n = v.data.size() / 2 - 1;
  text.resize(n);
  std::memcpy(text.data(), v.data.data(), n * 2);
  if (v.data[2 * n] != 0 || v.data[2 * n + 1] != 0) return false;
  return text.find(u'\0') == std::u16string::npos && IsWellFormedUtf16(text);
}

// One key's section header (the hive's top has none unless it holds values) and values.
void AppendKeySection(const Key& key, std::string_view path, bool isTop, std::string& out) {
  if (!isTop || !key.values.empty()) {
    out += '[';
    out += path;
    out += "]\n";
  }
  for (const Value& v : key.values) {
    if (v.name.empty())
      out += '@';
    else
      AppendQuoted(v.name, out);
    out += '=';
    std::u16string text;
    if (IsPlainText(v, text)) {
      out += "sz:";
      AppendQuoted(text, out);
    } else if (v.type == 4 && v.data.size() == 4) {
      DWORD d;
      std::memcpy(&d, v.data.data(), 4);
      out += "dword:";
      AppendHex(out, d, 8);
    } else {
      if (v.type == 3) {
        out += "hex:";
      } else {
        out += "hex(" + std::to_string(v.type) + "):";
      }
      for (size_t i = 0; i < v.data.size(); ++i) {
        if (i) out += ',';
        AppendHexByte(out, v.data[i]);
      }
    }
    out += '\n';
  }
}

std::optional<std::vector<BYTE>> ParseHexBytes(std::string_view text) {
  std::vector<BYTE> bytes;
  if (text.empty()) return bytes;
  size_t pos = 0;
  while (true) {
    if (pos + 2 > text.size()) return std::nullopt;
    char hex[3] = {text[pos], text[pos + 1], 0};
    if (!std::isxdigit(static_cast<unsigned char>(hex[0])) || !std::isxdigit(static_cast<unsigned char>(hex[1])))
      return std::nullopt;
    bytes.push_back(static_cast<BYTE>(std::strtoul(hex, nullptr, 16)));
    pos += 2;
    if (pos == text.size()) return bytes;
    if (text[pos] != ',') return std::nullopt;
    ++pos;
  }
}

std::optional<Value> ParseValueLine(std::string_view line) {
  Value v;
  size_t pos = 0;
  if (line.substr(0, 2) == "@=") {
    pos = 1;
  } else {
    auto name = Unquote(line, pos);
    if (!name || name->empty()) return std::nullopt;
    v.name = *name;
  }
  if (pos >= line.size() || line[pos] != '=') return std::nullopt;
  std::string_view rest = line.substr(pos + 1);
  if (rest.substr(0, 3) == "sz:") {
    size_t p = 3;
    auto text = Unquote(rest, p);
    if (!text || p != rest.size()) return std::nullopt;
    v.type = 1;
    v.data.resize((text->size() + 1) * 2, 0);
    std::memcpy(v.data.data(), text->data(), text->size() * 2);
    return v;
  }
  if (rest.substr(0, 6) == "dword:") {
    std::string_view hex = rest.substr(6);
    if (hex.size() != 8) return std::nullopt;
    for (char c : hex)
      if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    DWORD d = static_cast<DWORD>(std::strtoul(std::string(hex).c_str(), nullptr, 16));
    v.type = 4;
    v.data.resize(4);
    std::memcpy(v.data.data(), &d, 4);
    return v;
  }
  std::string_view bytes;
  if (rest.substr(0, 4) == "hex:") {
    v.type = 3;
    bytes = rest.substr(4);
  } else if (rest.substr(0, 4) == "hex(") {
    size_t close = rest.find("):");
    if (close == std::string_view::npos || close == 4) return std::nullopt;
    std::string digits(rest.substr(4, close - 4));
    for (char c : digits)
      if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    if (digits.size() > 10) return std::nullopt;
    unsigned long long type = std::strtoull(digits.c_str(), nullptr, 10);
    if (type > 0xFFFFFFFFull) return std::nullopt;
    v.type = static_cast<DWORD>(type);
    bytes = rest.substr(close + 2);
  } else {
    return std::nullopt;
  }
  auto parsed = ParseHexBytes(bytes);
  if (!parsed) return std::nullopt;
  v.data = std::move(*parsed);
  return v;
}
}  // namespace

Value* Key::FindValue(std::u16string_view valueName) {
  // Settings are mostly read and written in the order they were created, so the search
  // starts just after the last value found and wraps round.
  const size_t count = values.size();
  for (size_t n = 0, i = m_searchStart; n < count; ++n, ++i) {
    if (i >= count) i = 0;
    if (EqualsIgnoreCase(values[i].name, valueName)) {
      m_searchStart = i + 1;
      return &values[i];
    }
  }
  return nullptr;
}

Key* Key::FindSubkey(std::u16string_view keyName) {
  auto it = subkeys.find(std::u16string(keyName));
  return it == subkeys.end() ? nullptr : it->second.get();
}

Key::~Key() {
  std::vector<std::unique_ptr<Key>> pending;
  for (auto& entry : subkeys) pending.push_back(std::move(entry.second));
  subkeys.clear();
  while (!pending.empty()) {
    std::unique_ptr<Key> key = std::move(pending.back());
    pending.pop_back();
    for (auto& entry : key->subkeys) pending.push_back(std::move(entry.second));
    key->subkeys.clear();
  }  // each key dies here with no subkeys left
}

std::string SerializeHive(const Key& top) {
  std::string out(kSignature);
  out += '\n';
  AppendKeySection(top, "", true, out);
  // Depth first, alphabetically, with an explicit stack: one path buffer grows and
  // shrinks as the walk goes down and up.
  struct Frame {
    const Key* key;
    std::map<std::u16string, std::unique_ptr<Key>, FoldedLess>::const_iterator next;
    size_t pathLength;
  };
  std::vector<Frame> stack{{&top, top.subkeys.begin(), 0}};
  std::string path;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == frame.key->subkeys.end()) {
      stack.pop_back();
      continue;
    }
    const Key& sub = *frame.next->second;
    ++frame.next;
    path.resize(frame.pathLength);
    if (stack.size() > 1) path += '\\';
    AppendEscapedKeyName(sub.name, path);
    AppendKeySection(sub, path, false, out);
    stack.push_back({&sub, sub.subkeys.begin(), path.size()});  // `frame` is not used past here
  }
  return out;
}

namespace {
// The key a section header names, created with its parents; null (nothing created) when
// the header is malformed or lies deeper than the hive allows.
Key* SectionKey(Key& top, std::string_view line) {
  if (line.back() != ']') return nullptr;
  std::string_view path = line.substr(1, line.size() - 2);
  std::vector<std::u16string> names;
  while (!path.empty()) {
    if (names.size() == kMaxKeyDepth) return nullptr;
    size_t sep = path.find('\\');
    auto name = UnescapeKeyName(path.substr(0, sep));
    if (!name) return nullptr;
    names.push_back(std::move(*name));
    path = sep == std::string_view::npos ? std::string_view() : path.substr(sep + 1);
  }
  Key* current = &top;
  for (std::u16string& name : names) {
    Key* sub = current->FindSubkey(name);
    if (!sub) {
      auto fresh = std::make_unique<Key>();
      fresh->name = name;
      sub = fresh.get();
      current->subkeys.emplace(std::move(name), std::move(fresh));
    }
    current = sub;
  }
  return current;
}
}  // namespace

std::optional<ParsedHive> ParseHive(std::string_view text) {
  ParsedHive hive;
  hive.top = std::make_unique<Key>();
  Key* current = nullptr;
  bool first = true;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (first) {
      if (line != kSignature) return std::nullopt;
      first = false;
      continue;
    }
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      // A header names its key whole: one that cannot be made takes its values with it, as
      // they belong to that key. A broken line that merely begins with a bracket is damage
      // of its own: it is skipped alone and the values below stay with their key.
      if (line.back() == ']') current = SectionKey(*hive.top, line);
      if (!current || line.back() != ']') ++hive.skippedLines;
      continue;
    }
    auto value = current ? ParseValueLine(line) : std::nullopt;
    if (!value || current->FindValue(value->name)) {
      ++hive.skippedLines;
      continue;
    }
    current->values.push_back(std::move(*value));
  }
  if (first) return std::nullopt;
  return hive;
}

}  // namespace platform::registry
