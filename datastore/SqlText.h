// Building SQL statement texts: the one quoting function every text value goes through,
// and the statement builder that binds what a literal cannot carry (and,
// on the paths that run once per row, every value, so one prepared statement serves them
// all).
//
// Values are never changed in place: quoting works on a copy, so a caller that uses the
// same text twice (find, then add) stores it once, as typed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The literal of a text value: the text between apostrophes with every apostrophe
// doubled (O'Brien -> 'O''Brien'). The caller's text is not touched.
std::u16string SqlQuote(std::u16string_view value);

// True when the value survives inside a statement text: SQL texts reach the engine as
// null-terminated UTF-8, so U+0000 and unpaired surrogates (a scrambled card field can
// hold either) cannot travel in a literal and are bound as parameters instead.
bool CanTravelInSqlText(std::u16string_view value);

// One statement under construction: fixed pieces and values appended in order. Values
// that can travel in the text become quoted literals; the others become "?" parameters,
// bound when the statement is prepared (see CSqlDatabase).
class CSqlText {
 public:
  CSqlText() = default;
  explicit CSqlText(std::u16string_view piece) : m_text(piece) {}

  // A fixed piece of SQL written by the program itself (never user data).
  CSqlText& Append(std::u16string_view piece);
  // A text value: a quoted literal, or a bound parameter when it cannot travel.
  CSqlText& AppendText(std::u16string_view value);
  // An integer value written bare.
  CSqlText& AppendInteger(long long value);
  // A text value as a "?" parameter, whatever it holds.
  CSqlText& AppendBound(std::u16string_view value);
  // An integer value as a "?" parameter, bound as an integer.
  CSqlText& AppendBoundInteger(long long value);

  const std::u16string& Text() const { return m_text; }
  // The values of the "?" parameters, in order (an integer parameter as its decimal text).
  const std::vector<std::u16string>& Parameters() const { return m_parameters; }
  bool HasParameters() const { return !m_parameters.empty(); }
  bool IsIntegerParameter(size_t index) const { return index < m_integers.size() && m_integers[index]; }
  // True when every value is a parameter: the text is then the same for every row of the
  // same shape, and its prepared statement can be kept for the next run.
  bool IsReusable() const { return HasParameters() && !m_hasInlineValues; }

 private:
  std::u16string m_text;
  std::vector<std::u16string> m_parameters;
  std::vector<bool> m_integers;  // parallel to m_parameters
  bool m_hasInlineValues = false;
};

// The integer a number text of a row stands for: leading blanks, a sign and digits, as
// atol reads them; an empty or unreadable text is 0, so a row never makes an invalid
// statement. Values beyond 64 bits are held at the limits.
long long SqlIntegerFromText(std::u16string_view text);
