// Upgrading a device that runs version 4: the installer's stand-in installs this build
// through the setup library, the program's start-up runs, and the user's documents,
// settings and items database are all there, the database in this version's layout.
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "mainwindow/MainFrame.h"
#include "mainwindow/Program.h"
#include "mainwindow/RegisterList.h"
#include "tests/apps/InstallerFixture.h"

namespace {

using installer_test::InstallerTest;
using namespace setup_test;
namespace fs = std::filesystem;

// What version 5 added to the tables of version 4.
constexpr char kBackToVersion4[] =
    "ALTER TABLE CustomerList DROP COLUMN CCNum; ALTER TABLE CustomerList DROP COLUMN CCExpMon;"
    "ALTER TABLE CustomerList DROP COLUMN CCExpYear; ALTER TABLE CustomerList DROP COLUMN CCName;"
    "ALTER TABLE CustomerList DROP COLUMN CCAddr; ALTER TABLE CustomerList DROP COLUMN CCZip;"
    "ALTER TABLE ItemsList DROP COLUMN sReserved1; ALTER TABLE ItemsList DROP COLUMN sReserved2;"
    "ALTER TABLE ItemsList DROP COLUMN sReserved3; ALTER TABLE ItemsList DROP COLUMN sReserved4;"
    "ALTER TABLE ItemsList DROP COLUMN nReserved1;";

// The last column of each table and the number of rows in each.
std::string Shape(const fs::path& file) {
  std::string shape;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return "unreadable";
  for (const char* table : {"CustomerList", "ItemsList"}) {
    const std::string sql = std::string("SELECT (SELECT name FROM pragma_table_info('") + table +
                            "') ORDER BY cid DESC LIMIT 1) || ' ' || (SELECT count(*) FROM " + table + ")";
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &query, nullptr) == SQLITE_OK && sqlite3_step(query) == SQLITE_ROW)
      shape += std::string(table) + ": " + reinterpret_cast<const char*>(sqlite3_column_text(query, 0)) + "; ";
    sqlite3_finalize(query);
  }
  sqlite3_close(db);
  return shape;
}

class Upgrade : public InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    // The program starts for real: its language library and page come from the build.
    for (const char* name : {"QVNLANGUAGE.DLL", "Slateway.htm"})
      fs::copy_file(fs::path(SLATEWAY_BIN_FOLDER) / name, source / name, fs::copy_options::overwrite_existing);
  }

  // What version 4.2 left on the device: its settings, partly in the root key, a saved
  // invoice, and its items database (the sample lists in the older table layout).
  void LayOutVersion4() {
    SetRoot(u"Version", u"4.2");
    SetRoot(u"ProgramPath", u"\\Program Files\\VendelSoftware\\Slateway");
    SetRoot(u"CompanyName", u"Acme Supply");
    SetPreference(u"DatabasePath", u"\\My Documents\\Slateway");
    SetPreference(u"LastTerms", u"Net 30");
    Place(u"\\My Documents\\INVOICE1001.QVN",
          "<?xml version=\"1.0\"?><SALESDOCUMENT DOCTYPE=\"0\" NUMBER=\"1001\" DATE=\"03/01/2026\"><CUSTOMER>"
          "<NAME>Ada</NAME></CUSTOMER><JOB></JOB><TOTALS><TOTAL>12.50</TOTAL></TOTALS></SALESDOCUMENT>");
    const fs::path database = Linux(u"\\My Documents\\Slateway\\QVNDatabase.db");
    fs::create_directories(database.parent_path());
    fs::copy_file(fs::path(SLATEWAY_BIN_FOLDER) / "SlatewaySample.db", database);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, kBackToVersion4, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
};

TEST_F(Upgrade, FromVersion4KeepsDocumentsSettingsAndTheConvertedDatabase) {
  LayOutVersion4();
  const std::string version4 = Shape(Linux(u"\\My Documents\\Slateway\\QVNDatabase.db"));
  boxes.Expect(kSettingsQuestion).Answer(IDYES);
  boxes.Expect(kStartQuestion).Answer(IDNO);
  std::string error;
  ASSERT_TRUE(CInstaller(source).Install(error)) << error;
  EXPECT_EQ(Shape(Linux(kDatabase)), version4) << "carried as version 4 left it";

  {
    CProgram program;
    ASSERT_EQ(program.Start(u""), ProgramStart::Started);
    EXPECT_EQ(program.GetMainFrame()->GetRegister()->GetRowCount(), 1);
    program.End();
  }
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(RootDword(u"Upgrading"), 0u);
  EXPECT_EQ(RootDword(u"DBConvert4To5"), 0u);
  EXPECT_EQ(Preference(u"CompanyName"), u"Acme Supply");
  EXPECT_EQ(Preference(u"LastTerms"), u"Net 30");
  EXPECT_EQ(Preference(u"DatabasePath"), u"\\Application Data\\VendelSoftware\\Slateway\\Database");
  EXPECT_EQ(Shape(Linux(kDatabase)), Shape(fs::path(SLATEWAY_BIN_FOLDER) / "SlatewaySample.db"))
      << "every row of version 4 in this version's columns";
}

}  // namespace
