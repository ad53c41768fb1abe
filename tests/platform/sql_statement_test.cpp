// The statement owner over an in-memory database.
//   SqlStatement.Owner*  finalized at scope end, on reset and when moved over, so the
//                        connection closes; a failed prepare holds nothing
//   SqlStatement.Text*   every text comes back as bound: U+0000, apostrophes, unpaired
//                        surrogates, copied or read in place
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "platform/sqlite/SqlStatement.h"

namespace {

TEST(SqlStatement, OwnerFinalizesSoTheConnectionCloses) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  {
    CSqlStatement first, second;
    ASSERT_EQ(first.Prepare(db, "SELECT 1"), SQLITE_OK);
    ASSERT_EQ(second.Prepare(db, "SELECT 2"), SQLITE_OK);
    second = std::move(first);  // "SELECT 2" is finalized here, "SELECT 1" changes hands
    EXPECT_FALSE(first);
    ASSERT_EQ(second.Step(), SQLITE_ROW);
    EXPECT_EQ(second.ColumnInt64(0), 1);
    EXPECT_NE(second.Prepare(db, "SELECT FROM nothing"), SQLITE_OK);
    EXPECT_FALSE(second);
    EXPECT_EQ(sqlite3_next_stmt(db, nullptr), nullptr);
    ASSERT_EQ(first.Prepare(db, "SELECT 3"), SQLITE_OK);
  }
  EXPECT_EQ(sqlite3_close(db), SQLITE_OK);  // SQLITE_BUSY while a statement lives
}

TEST(SqlStatement, TextComesBackAsBound) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  {
    CSqlStatement st;
    ASSERT_EQ(st.Prepare(db, "SELECT ?, ?, ?"), SQLITE_OK);
    const std::u16string nul(u"a'\0b", 4), lone(u"x\xD800y", 3);
    std::string buffer;
    ASSERT_EQ(st.BindText(1, nul), SQLITE_OK);
    ASSERT_EQ(st.BindTextInPlace(2, u"O'Brien \u00E9", buffer), SQLITE_OK);
    ASSERT_EQ(st.BindText16(3, u"\u6771\u4EAC"), SQLITE_OK);
    ASSERT_EQ(st.Step(), SQLITE_ROW);
    EXPECT_EQ(st.ColumnType(0), SQLITE_TEXT);
    EXPECT_EQ(st.ColumnText16(0), nul);
    EXPECT_EQ(st.ColumnText16(1), u"O'Brien \u00E9");
    EXPECT_EQ(st.ColumnText16(2), u"\u6771\u4EAC");
    st.Reset();
    ASSERT_EQ(st.BindText(1, lone), SQLITE_OK);
    ASSERT_EQ(st.Step(), SQLITE_ROW);
    // No UTF-8 keeps a lone surrogate: its units travel as a BLOB, two bytes each.
    ASSERT_EQ(st.ColumnType(0), SQLITE_BLOB);
    const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(st.get(), 0));
    ASSERT_EQ(sqlite3_column_bytes(st.get(), 0), 6);
    EXPECT_EQ(bytes[2] | (bytes[3] << 8), 0xD800);
    EXPECT_EQ(st.ColumnText16(0), lone);
    EXPECT_EQ(st.ColumnBstr(0).str(), lone);
    EXPECT_EQ(st.ColumnType(1), SQLITE_NULL);  // Reset forgot the other bindings
    EXPECT_EQ(st.ColumnText16(1), u"");
  }
  sqlite3_close(db);
}

}  // namespace
