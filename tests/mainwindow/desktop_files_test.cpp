// The update file's name in a desktop command, and the database exchange with its way
// back (the other files of the commands are checked end to end).
#include <filesystem>

#include "core/WindowMessages.h"
#include "mainwindow/DesktopFiles.h"
#include "datastore/ItemStore.h"
#include <sqlite3.h>

#include "platform/testing/MessageBoxScript.h"
#include "tests/core/LanguageLibraryFixture.h"

namespace {

using DesktopFilesTest = slateway::testing::LanguageLibraryTest;

TEST_F(DesktopFilesTest, TheUpdateFileNameIsReadWithinItsByteCount) {
  auto name = [](const std::u16string& units, DWORD bytes) {
    COPYDATASTRUCT copy{static_cast<ULONG_PTR>(DesktopCommand::UpdateLists), bytes,
                        const_cast<char16_t*>(units.data())};
    return UpdateFileFromCopyData(copy);
  };
  EXPECT_EQ(name(u"\\Temp\\Lists.xml", 30), u"\\Temp\\Lists.xml");
  EXPECT_EQ(name(std::u16string(u"\\A.xml\0\0", 8), 16), u"\\A.xml");  // trailing nulls
  EXPECT_EQ(name(u"ABCD", 4), u"AB");  // never read past the count
  EXPECT_EQ(name(u"ABCD", 3), std::nullopt);
  EXPECT_EQ(name(std::u16string(u"A\0B", 3), 6), std::nullopt);
  std::u16string longName(MAX_PATH + 1, u'x');
  EXPECT_EQ(name(longName, static_cast<DWORD>(longName.size() * 2)), std::nullopt);
  COPYDATASTRUCT none{static_cast<ULONG_PTR>(DesktopCommand::UpdateLists), 0, nullptr};
  EXPECT_EQ(UpdateFileFromCopyData(none), std::nullopt);
}

TEST_F(DesktopFilesTest, TheDatabaseIsExchangedAndANewOneThatDoesNotOpenLeavesTheOldInUse) {
  std::filesystem::create_directories(Linux(u"\\Data"));
  CDatabaseFiles files{u"\\Data\\", u"Slateway.db"};
  CItemStore store(nullptr);
  {
    platform::testing::MessageBoxScript boxes;
    boxes.ExpectAny();  // a new database is announced
    ASSERT_EQ(store.Open(files.Database()), 1);
  }
  // The copy for the desktop is the database's bytes.
  ASSERT_TRUE(CopyDatabaseToUpdateFile(files));
  const std::string original = ReadText(files.Database());
  EXPECT_EQ(ReadText(files.Update()), original);

  std::filesystem::copy_file(SLATEWAY_SAMPLE_DB, Linux(files.Update()), std::filesystem::copy_options::overwrite_existing);
  const std::string sample = ReadText(files.Update());
  EXPECT_EQ(ExchangeDatabase(store, files), DatabaseExchange::Replaced);
  EXPECT_TRUE(store.IsOpen());
  EXPECT_EQ(ReadText(files.Database()), sample);
  EXPECT_EQ(ReadText(files.Backup()), original);
  EXPECT_FALSE(std::filesystem::exists(Linux(files.Update())));

  WriteText(files.Update(), "not a database at all, just text that came over a broken cable");
  {
    // Told as the update file's damage, not the database's; the database stays open.
    platform::testing::MessageBoxScript boxes;
    boxes.Expect(u"The update file \\Data\\DBUpdate.db from the desktop cannot be read. Your database was kept as it "
                 u"was; send the update from the desktop again.")
        .Caption(u"Slateway")
        .Style(48);
    EXPECT_EQ(ExchangeDatabase(store, files), DatabaseExchange::Kept);
    EXPECT_EQ(boxes.Pending(), 0u);
  }
  EXPECT_TRUE(store.IsOpen());
  EXPECT_EQ(ReadText(files.Database()), sample);
  EXPECT_EQ(ReadText(files.Update()).rfind("not a database", 0), 0u);

  // An update file that another program still holds is told as in use, not as damaged.
  std::filesystem::copy_file(SLATEWAY_SAMPLE_DB, Linux(files.Update()), std::filesystem::copy_options::overwrite_existing);
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(Linux(files.Update()).string().c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(u"The update file \\Data\\DBUpdate.db is in use by another program. Your database was kept as it "
               u"was; close that program and send the update from the desktop again.");
  EXPECT_EQ(ExchangeDatabase(store, files), DatabaseExchange::Kept);
  sqlite3_close(holder);
  EXPECT_EQ(ReadText(files.Database()), sample);
  store.Close();
}

}  // namespace
