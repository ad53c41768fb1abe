// Building SQL statement texts: fixed pieces written by the program and values, each value
// a "?" parameter bound when the statement is prepared (see CSqlDatabase). No value is ever
// written into the text, so a name with an apostrophe, a character 0 or an unpaired
// surrogate is data, never SQL, and a text of one shape serves every row.
//
// Values are never changed in place: the builder keeps copies, so a caller that uses the
// same text twice (find, then add) stores it once, as typed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One statement under construction: fixed pieces and values appended in order.
class CSqlText {
 public:
  CSqlText() = default;
  explicit CSqlText(std::u16string_view piece) : m_text(piece) {}

  // A fixed piece of SQL written by the program itself (never user data).
  CSqlText& Append(std::u16string_view piece);
  // A text value as a "?" parameter, whatever it holds.
  CSqlText& AppendBound(std::u16string_view value);
  // An integer value as a "?" parameter, bound as an integer.
  CSqlText& AppendBoundInteger(long long value);

  const std::u16string& Text() const { return m_text; }
  // The values of the "?" parameters, in order (an integer parameter as its decimal text).
  const std::vector<std::u16string>& Parameters() const { return m_parameters; }
  bool HasParameters() const { return !m_parameters.empty(); }
  bool IsIntegerParameter(size_t index) const { return index < m_integers.size() && m_integers[index]; }

 private:
  std::u16string m_text;
  std::vector<std::u16string> m_parameters;
  std::vector<bool> m_integers;  // parallel to m_parameters
};

// The integer a number text of a row stands for: leading blanks, a sign and digits, as
// atol reads them; an empty or unreadable text is 0, so a row never makes an invalid
// statement. Values beyond 64 bits are held at the limits.
long long SqlIntegerFromText(std::u16string_view text);
