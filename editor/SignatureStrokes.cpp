#include "editor/SignatureStrokes.h"

#include <algorithm>

namespace {
int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}
}  // namespace

bool CSignatureStrokes::Add(POINT point, bool startsStroke) {
  if (m_count >= kMaxPoints) return false;
  int x = std::clamp(static_cast<int>(point.x) / m_scale, 0, 255);
  int y = std::clamp(static_cast<int>(point.y) / m_scale, 0, kStrokeStart - 1);
  m_x[m_count] = static_cast<BYTE>(x);
  m_y[m_count] = static_cast<BYTE>(startsStroke ? y + kStrokeStart : y);
  ++m_count;
  return true;
}

POINT CSignatureStrokes::At(int index) const {
  int y = m_y[index] >= kStrokeStart ? m_y[index] - kStrokeStart : m_y[index];
  return POINT{m_x[index] * m_scale, y * m_scale};
}

std::u16string CSignatureStrokes::ToText() const {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string text;
  text.reserve(static_cast<size_t>(m_count) * 4);
  for (int i = 0; i < m_count; ++i) {
    for (BYTE b : {m_x[i], m_y[i]}) {
      text.push_back(kDigits[b >> 4]);
      text.push_back(kDigits[b & 15]);
    }
  }
  return text;
}

void CSignatureStrokes::FromText(std::u16string_view text) {
  m_count = 0;
  size_t pos = 0;
  // One byte from the next two hex digits; digits missing at the end read as 0.
  auto nextByte = [&]() {
    int value = 0;
    for (int digits = 0; digits < 2;) {
      if (pos >= text.size()) {
        value <<= 4 * (2 - digits);
        break;
      }
      int v = HexValue(text[pos++]);
      if (v < 0) continue;
      value = value * 16 + v;
      ++digits;
    }
    return static_cast<BYTE>(value);
  };
  while (pos < text.size() && m_count < kMaxPoints) {
    m_x[m_count] = nextByte();
    m_y[m_count] = nextByte();
    ++m_count;
  }
}
