#include "datastore/SqlText.h"

#include <limits>

CSqlText& CSqlText::Append(std::u16string_view piece) {
  m_text.append(piece);
  return *this;
}

CSqlText& CSqlText::AppendBound(std::u16string_view value) {
  m_text.push_back(u'?');
  m_parameters.emplace_back(value);
  m_integers.push_back(false);
  return *this;
}

CSqlText& CSqlText::AppendBoundInteger(long long value) {
  std::string digits = std::to_string(value);
  m_text.push_back(u'?');
  m_parameters.emplace_back(digits.begin(), digits.end());
  m_integers.push_back(true);
  return *this;
}

long long SqlIntegerFromText(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  constexpr long long kMax = std::numeric_limits<long long>::max();
  long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    int digit = text[i] - u'0';
    if (value > (kMax - digit) / 10) return negative ? std::numeric_limits<long long>::min() : kMax;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}
