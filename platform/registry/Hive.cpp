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
std::string NameBytes(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (pair) {
      out += ToUtf8(text.substr(i, 2));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += ToUtf8(text.substr(i, 1));
    }
  }
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
  for (int i = digits - 1; i >= 0; --i) out += kDigits[(v >> (4 * i)) & 0xF];
}

std::string Quote(std::u16string_view text) {
  std::string out = "\"";
  std::string utf8 = NameBytes(text);
  for (unsigned char c : utf8) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\u";
          AppendHex(out, c, 4);
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
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
std::string EscapeKeyName(std::u16string_view name) {
  std::string out;
  for (unsigned char c : NameBytes(name)) {
    if (c == '%' || c < 0x20 || c == 0x7F) {
      out += '%';
      AppendHex(out, c, 2);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::optional<std::u16string> UnescapeKeyName(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    char hex[3] = {text[i + 1], text[i + 2], 0};
    if (!std::isxdigit(static_cast<unsigned char>(hex[0])) || !std::isxdigit(static_cast<unsigned char>(hex[1])))
      return std::nullopt;
    out += static_cast<char>(std::strtoul(hex, nullptr, 16));
    i += 2;
  }
  if (out.empty()) return std::nullopt;
  return NameFromBytes(out);
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

void SerializeKey(const Key& key, const std::string& path, bool isTop, std::string& out) {
  if (!isTop || !key.values.empty()) out += "[" + path + "]\n";
  for (const Value& v : key.values) {
    out += v.name.empty() ? std::string("@") : Quote(v.name);
    out += '=';
    std::u16string text;
    if (IsPlainText(v, text)) {
      out += "sz:" + Quote(text);
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
        AppendHex(out, v.data[i], 2);
      }
    }
    out += '\n';
  }
  for (const auto& [name, sub] : key.subkeys) {
    std::string subPath = isTop ? EscapeKeyName(sub->name) : path + "\\" + EscapeKeyName(sub->name);
    SerializeKey(*sub, subPath, false, out);
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
  for (Value& v : values)
    if (EqualsIgnoreCase(v.name, valueName)) return &v;
  return nullptr;
}

Key* Key::FindSubkey(std::u16string_view keyName) {
  auto it = subkeys.find(std::u16string(keyName));
  return it == subkeys.end() ? nullptr : it->second.get();
}

std::string SerializeHive(const Key& top) {
  std::string out(kSignature);
  out += '\n';
  SerializeKey(top, "", true, out);
  return out;
}

std::optional<std::unique_ptr<Key>> ParseHive(std::string_view text) {
  auto top = std::make_unique<Key>();
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
      if (line.back() != ']') return std::nullopt;
      std::string_view path = line.substr(1, line.size() - 2);
      current = top.get();
      while (!path.empty()) {
        size_t sep = path.find('\\');
        auto name = UnescapeKeyName(path.substr(0, sep));
        if (!name) return std::nullopt;
        Key* sub = current->FindSubkey(*name);
        if (!sub) {
          auto fresh = std::make_unique<Key>();
          fresh->name = *name;
          sub = fresh.get();
          current->subkeys.emplace(*name, std::move(fresh));
        }
        current = sub;
        path = sep == std::string_view::npos ? std::string_view() : path.substr(sep + 1);
      }
      continue;
    }
    if (!current) return std::nullopt;
    auto value = ParseValueLine(line);
    if (!value || current->FindValue(value->name)) return std::nullopt;
    current->values.push_back(std::move(*value));
  }
  if (first) return std::nullopt;
  return top;
}

}  // namespace platform::registry
