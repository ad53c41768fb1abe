// Statement texts: every value a parameter, and the numbers of a row.
#include <gtest/gtest.h>

#include "datastore/SqlText.h"
#include "platform/base/Base.h"

namespace {

TEST(SqlText, EveryValueIsAParameterNeverText) {
  const std::u16string hostile = u"it's'); DROP TABLE T; --";
  const std::u16string withNul(u"0\0", 2);
  CSqlText sql(u"INSERT INTO T VALUES (");
  sql.AppendBound(hostile).Append(u",").AppendBound(withNul).Append(u",").AppendBoundInteger(-42).Append(u")");
  EXPECT_EQ(sql.Text(), u"INSERT INTO T VALUES (?,?,?)");
  ASSERT_EQ(sql.Parameters().size(), 3u);
  EXPECT_EQ(sql.Parameters()[0], hostile);
  EXPECT_EQ(sql.Parameters()[1], withNul);
  EXPECT_EQ(sql.Parameters()[2], u"-42");
  EXPECT_FALSE(sql.IsIntegerParameter(0));
  EXPECT_TRUE(sql.IsIntegerParameter(2));
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
