#include "platform/base/Format.h"

#include <cstring>

#include "platform/base/Base.h"

namespace {

// wsprintfW never writes more than a 1024-character buffer holds: 1023 and the null.
constexpr size_t kWsprintfLimit = 1023;

enum class Size { Default, Short, Long, Int64 };

struct Spec {
  bool left = false;
  bool zero = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  int width = 0;
  int precision = -1;
  Size size = Size::Default;
  bool narrowText = false;  // "h" on a text or character
  char16_t conversion = 0;
};

// Where the arguments come from: a C va_list (wsprintfW) or a typed list (FormatWide).
class ArgSource {
 public:
  virtual ~ArgSource() = default;
  virtual std::int64_t Number(const Spec& spec) = 0;
  // Returns the text as UTF-16; `isNull` tells a null pointer apart from "".
  virtual std::u16string Text(const Spec& spec, bool& isNull) = 0;
  virtual char16_t Character(const Spec& spec) = 0;
  // False once a typed list has no argument left for the next conversion.
  virtual bool HasMore() const { return true; }
};

class VaListSource final : public ArgSource {
 public:
  explicit VaListSource(va_list args) { va_copy(m_args, args); }
  ~VaListSource() override { va_end(m_args); }

  std::int64_t Number(const Spec& spec) override {
    if (spec.size == Size::Int64) return va_arg(m_args, long long);
    if (spec.conversion == u'p') return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(va_arg(m_args, void*)));
    return va_arg(m_args, int);
  }
  std::u16string Text(const Spec& spec, bool& isNull) override {
    if (spec.narrowText) {
      const char* text = va_arg(m_args, const char*);
      isNull = text == nullptr;
      return text ? platform::ToUtf16(text) : std::u16string();
    }
    const WCHAR* text = va_arg(m_args, const WCHAR*);
    isNull = text == nullptr;
    return text ? std::u16string(text) : std::u16string();
  }
  char16_t Character(const Spec& spec) override {
    int c = va_arg(m_args, int);
    if (spec.narrowText) return static_cast<char16_t>(static_cast<unsigned char>(c));
    return static_cast<char16_t>(c);
  }

 private:
  va_list m_args;
};

class TypedSource final : public ArgSource {
 public:
  explicit TypedSource(std::initializer_list<platform::FormatArg> args) : m_args(args) {}

  std::int64_t Number(const Spec&) override {
    const platform::FormatArg* arg = Next();
    return arg && arg->kind() == platform::FormatArg::Kind::Number ? arg->number() : 0;
  }
  std::u16string Text(const Spec&, bool& isNull) override {
    const platform::FormatArg* arg = Next();
    isNull = false;
    if (!arg || arg->kind() == platform::FormatArg::Kind::Number) return {};
    if (arg->kind() == platform::FormatArg::Kind::NarrowText) {
      isNull = arg->narrow() == nullptr;
      return arg->narrow() ? platform::ToUtf16(arg->narrow()) : std::u16string();
    }
    isNull = arg->wide() == nullptr;
    return arg->wide() ? std::u16string(arg->wide()) : std::u16string();
  }
  bool HasMore() const override { return m_next < m_args.size(); }
  char16_t Character(const Spec&) override {
    const platform::FormatArg* arg = Next();
    return arg && arg->kind() == platform::FormatArg::Kind::Number ? static_cast<char16_t>(arg->number()) : 0;
  }

 private:
  const platform::FormatArg* Next() {
    if (m_next >= m_args.size()) return nullptr;
    return m_args.begin() + m_next++;
  }
  std::initializer_list<platform::FormatArg> m_args;
  size_t m_next = 0;
};

void Pad(std::u16string& out, int count, char16_t c) {
  if (count > 0) out.append(static_cast<size_t>(count), c);
}

void AppendField(std::u16string& out, const Spec& spec, std::u16string_view prefix,
                 std::u16string_view body) {
  int length = static_cast<int>(prefix.size() + body.size());
  int padding = spec.width > length ? spec.width - length : 0;
  if (spec.left) {
    out.append(prefix);
    out.append(body);
    Pad(out, padding, u' ');
  } else if (spec.zero) {
    out.append(prefix);
    Pad(out, padding, u'0');
    out.append(body);
  } else {
    Pad(out, padding, u' ');
    out.append(prefix);
    out.append(body);
  }
}

std::u16string Digits(std::uint64_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<char16_t>(digits[value % base]));
    value /= base;
  } while (value != 0);
  return text;
}

void AppendNumber(std::u16string& out, Spec spec, std::int64_t raw) {
  bool isSigned = spec.conversion == u'd' || spec.conversion == u'i';
  bool negative = false;
  std::uint64_t magnitude = 0;
  if (spec.conversion == u'p') {
    magnitude = static_cast<std::uint64_t>(raw);
  } else if (isSigned) {
    std::int64_t value = raw;
    if (spec.size == Size::Short) value = static_cast<std::int16_t>(raw);
    else if (spec.size != Size::Int64) value = static_cast<std::int32_t>(raw);
    negative = value < 0;
    magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  } else if (spec.size == Size::Short) {
    magnitude = static_cast<std::uint16_t>(raw);
  } else if (spec.size == Size::Int64) {
    magnitude = static_cast<std::uint64_t>(raw);
  } else {
    magnitude = static_cast<std::uint32_t>(raw);
  }

  unsigned base = (spec.conversion == u'x' || spec.conversion == u'X' || spec.conversion == u'p') ? 16 : 10;
  bool upper = spec.conversion == u'X' || spec.conversion == u'p';
  std::u16string body = Digits(magnitude, base, upper);
  if (spec.conversion == u'p') {
    size_t width = sizeof(void*) * 2;
    if (body.size() < width) body.insert(0, width - body.size(), u'0');
  }
  if (spec.precision >= 0) {
    spec.zero = false;
    if (spec.precision == 0 && magnitude == 0) body.clear();
    else if (body.size() < static_cast<size_t>(spec.precision))
      body.insert(0, static_cast<size_t>(spec.precision) - body.size(), u'0');
  }
  std::u16string prefix;
  if (negative) prefix = u"-";
  else if (isSigned && spec.plus) prefix = u"+";
  else if (isSigned && spec.space) prefix = u" ";
  if (spec.alt && base == 16 && magnitude != 0 && spec.conversion != u'p')
    prefix += spec.conversion == u'X' ? u"0X" : u"0x";
  AppendField(out, spec, prefix, body);
}

// Reads one conversion starting after the "%"; returns false when the text after "%" is
// no conversion we know (it is then copied as it stands).
bool ParseSpec(std::u16string_view format, size_t& pos, Spec& spec) {
  size_t i = pos;
  for (; i < format.size(); ++i) {
    char16_t c = format[i];
    if (c == u'-') spec.left = true;
    else if (c == u'0') spec.zero = true;
    else if (c == u'+') spec.plus = true;
    else if (c == u' ') spec.space = true;
    else if (c == u'#') spec.alt = true;
    else break;
  }
  while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') {
    if (spec.width < 100000) spec.width = spec.width * 10 + (format[i] - u'0');
    ++i;
  }
  if (i < format.size() && format[i] == u'.') {
    ++i;
    spec.precision = 0;
    while (i < format.size() && format[i] >= u'0' && format[i] <= u'9') {
      if (spec.precision < 100000) spec.precision = spec.precision * 10 + (format[i] - u'0');
      ++i;
    }
  }
  if (i < format.size() && format[i] == u'l') {
    spec.size = Size::Long;
    ++i;
  } else if (i < format.size() && format[i] == u'h') {
    spec.size = Size::Short;
    spec.narrowText = true;
    ++i;
  } else if (format.substr(i, 3) == u"I64") {
    spec.size = Size::Int64;
    i += 3;
  }
  if (i >= format.size()) return false;
  char16_t c = format[i];
  switch (c) {
    case u'd': case u'i': case u'u': case u'x': case u'X': case u'p':
    case u's': case u'S': case u'c': case u'C':
      break;
    default:
      return false;
  }
  // "%S" and "%C" are the opposite width in a wide function: narrow.
  if (c == u'S' || c == u'C') {
    spec.narrowText = spec.size != Size::Long;
    c = c == u'S' ? u's' : u'c';
  } else if ((c == u's' || c == u'c') && spec.size == Size::Long) {
    spec.narrowText = false;
  }
  spec.conversion = c;
  pos = i + 1;
  return true;
}

std::u16string Format(std::u16string_view format, ArgSource& source) {
  std::u16string out;
  size_t pos = 0;
  while (pos < format.size()) {
    char16_t c = format[pos];
    if (c != u'%') {
      out.push_back(c);
      ++pos;
      continue;
    }
    if (pos + 1 < format.size() && format[pos + 1] == u'%') {
      out.push_back(u'%');
      pos += 2;
      continue;
    }
    Spec spec;
    size_t next = pos + 1;
    if (!ParseSpec(format, next, spec)) {
      out.push_back(c);
      ++pos;
      continue;
    }
    pos = next;
    if (!source.HasMore()) continue;
    if (spec.conversion == u's') {
      bool isNull = false;
      std::u16string text = source.Text(spec, isNull);
      if (isNull) text = u"(null)";
      if (spec.precision >= 0 && text.size() > static_cast<size_t>(spec.precision))
        text.resize(static_cast<size_t>(spec.precision));
      spec.zero = false;
      AppendField(out, spec, {}, text);
    } else if (spec.conversion == u'c') {
      char16_t ch = source.Character(spec);
      spec.zero = false;
      AppendField(out, spec, {}, std::u16string_view(&ch, 1));
    } else {
      AppendNumber(out, spec, source.Number(spec));
    }
  }
  return out;
}

// Cuts `text` to `maxChars` without leaving half of a surrogate pair at the end.
void CutAt(std::u16string& text, size_t maxChars) {
  if (text.size() <= maxChars) return;
  text.resize(maxChars);
  if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
}

}  // namespace

int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) {
  if (!buffer) return 0;
  if (!format) {
    buffer[0] = 0;
    return 0;
  }
  VaListSource source(args);
  std::u16string text = Format(format, source);
  CutAt(text, kWsprintfLimit);
  std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
  buffer[text.size()] = 0;
  return static_cast<int>(text.size());
}

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  int written = wvsprintfW(buffer, format, args);
  va_end(args);
  return written;
}

namespace platform {

std::u16string FormatWide(std::u16string_view format, std::initializer_list<FormatArg> args,
                          size_t maxChars) {
  TypedSource source(args);
  std::u16string text = Format(format, source);
  CutAt(text, maxChars);
  return text;
}

int FormatWideInto(LPWSTR buffer, size_t cchBuffer, std::u16string_view format,
                   std::initializer_list<FormatArg> args) {
  if (!buffer || cchBuffer == 0) return 0;
  std::u16string text = FormatWide(format, args, cchBuffer - 1);
  std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
  buffer[text.size()] = 0;
  return static_cast<int>(text.size());
}

}  // namespace platform
