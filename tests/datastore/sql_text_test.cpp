// Statement texts: the quoting function, what travels as a parameter, and
// the numbers of a row.
#include <gtest/gtest.h>

#include "datastore/SqlText.h"
#include "platform/base/Base.h"

namespace {

TEST(SqlText, QuoteDoublesEveryApostropheOnACopy) {
  struct {
    std::u16string in, out;
  } cases[] = {
      {u"", u"''"},
      {u"plain", u"'plain'"},
      {u"O'Brien's", u"'O''Brien''s'"},
      {u"'", u"''''"},
      {u"''", u"''''''"},
      {u"x'); DROP TABLE ItemsList; --", u"'x''); DROP TABLE ItemsList; --'"},
      {u"\"double\" and % _", u"'\"double\" and % _'"},
  };
  for (const auto& c : cases) {
    std::u16string input = c.in;
    EXPECT_EQ(SqlQuote(input), c.out) << platform::ToUtf8(c.in);
    EXPECT_EQ(input, c.in);
  }
}

TEST(SqlText, ValuesALiteralCannotCarryBecomeParameters) {
  struct {
    std::u16string value;
    bool travels;
  } cases[] = {
      {u"", true},
      {u"Ελληνικά 東京", true},
      {u"\U0001F382", true},
      {std::u16string(u"a\0b", 3), false},
      {std::u16string(u"\xD800", 1), false},
      {std::u16string(u"\xDC00x", 2), false},
      {std::u16string(u"x\xD83D", 2), false},
  };
  for (const auto& c : cases) EXPECT_EQ(CanTravelInSqlText(c.value), c.travels) << platform::ToUtf8(c.value);

  CSqlText sql(u"INSERT INTO T VALUES (");
  sql.AppendText(u"it's").Append(u",").AppendText(std::u16string(u"0\0", 2)).Append(u",").AppendInteger(-42).Append(u")");
  EXPECT_EQ(sql.Text(), u"INSERT INTO T VALUES ('it''s',?,-42)");
  ASSERT_EQ(sql.Parameters().size(), 1u);
  EXPECT_EQ(sql.Parameters()[0], std::u16string(u"0\0", 2));
}

TEST(SqlText, IntegerFromTextReadsLikeAtol) {
  struct {
    const char16_t* text;
    long long value;
  } cases[] = {
      {u"", 0},  {u"17", 17}, {u"-1", -1}, {u" +8", 8}, {u"12abc", 12}, {u"abc", 0},
      {u"99999999999999999999999", 9223372036854775807LL}, {u"-99999999999999999999999", -9223372036854775807LL - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(SqlIntegerFromText(c.text), c.value) << platform::ToUtf8(c.text);
}

}  // namespace
