// Shared fixture of the data store tests: a device root with a database path, a
// recorder for what the layer shows the user, and raw engine access for checking.
#pragma once

#include <sqlite3.h>

#include <string>
#include <utility>
#include <vector>

#include "datastore/SqlDatabase.h"
#include "platform/testing/DeviceFixture.h"

namespace datastore_test {

struct RecordedNotice {
  bool warning;
  UINT id;
  std::u16string text;
  DWORD value;
};

class NoticeRecorder : public IDatabaseNotices {
 public:
  void Warning(UINT id, std::u16string_view text) override { notices.push_back({true, id, std::u16string(text), 0}); }
  void Error(UINT id, DWORD value) override { notices.push_back({false, id, u"", value}); }
  std::vector<RecordedNotice> notices;
};

// A raw connection to a file, for arranging files the program did not make and for
// reading what it wrote.
class RawDb {
 public:
  explicit RawDb(const std::filesystem::path& file) { sqlite3_open(file.string().c_str(), &m_db); }
  ~RawDb() { sqlite3_close(m_db); }
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  int Exec(const std::string& sql) { return sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr); }
  // Every row of a query, each column as UTF-8 text ("<null>" for NULL).
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const char* t = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
        row.push_back(t ? std::string(t, static_cast<size_t>(sqlite3_column_bytes(st, c))) : "<null>");
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    return rows;
  }
  std::vector<std::string> Column(const std::string& sql) {
    std::vector<std::string> out;
    for (auto& row : Rows(sql)) out.push_back(row.empty() ? "" : row[0]);
    return out;
  }
  sqlite3* get() { return m_db; }

 private:
  sqlite3* m_db = nullptr;
};

inline constexpr char16_t kDbPath[] = u"\\Data\\Slateway.db";

class DatabaseTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    std::filesystem::create_directories(Linux(u"\\Data"));
    db.SetNotices(&recorder);
  }
  void TearDown() override {
    db.Close();
    DeviceTest::TearDown();
  }
  // Opens (creating) the database and passes the open check.
  void OpenFresh() {
    ASSERT_EQ(db.Open(kDbPath), SQLITE_OK) << platform::ToUtf8(db.LastError());
    CBstr message;
    ASSERT_TRUE(db.OpenItemsList(message)) << platform::ToUtf8(message.view());
  }
  std::filesystem::path File() const { return Linux(kDbPath); }

  NoticeRecorder recorder;
  CSqlDatabase db;
};

inline std::string Utf8(std::u16string_view text) { return platform::ToUtf8(text); }

}  // namespace datastore_test
