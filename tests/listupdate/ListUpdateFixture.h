// Fixture of the list update tests: the installed device with its language library (for the
// overwrite prompt), an empty item store in its database folder with the customer table
// source over it, a progress that records its lines and can stand for the user's Abort, and
// a reader of the rows.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../core/LanguageLibraryFixture.h"
#include "../datastore/DatabaseTest.h"
#include "core/CompanyInfo.h"
#include "core/Folders.h"
#include "core/Preferences.h"
#include "core/RegionalSettings.h"
#include "core/TextHelpers.h"
#include "datastore/CustomerSource.h"
#include "datastore/ItemStore.h"
#include "document/EditCommand.h"
#include "listupdate/ListUpdater.h"
#include "listupdate/UpdateListWriter.h"
#include "platform/locale/Locale.h"
#include "platform/testing/MessageBoxScript.h"

namespace listupdate_test {

// Records every status line; once the line `abortAt` has been shown the user has pressed
// Abort, and the next status call reports it.
class RecordingProgress final : public IUpdateProgress {
 public:
  bool SetStatus(const std::u16string* text) override {
    if (m_abort) return false;
    if (text) {
      lines.push_back(*text);
      if (*text == abortAt) m_abort = true;
    }
    return true;
  }
  bool SetStatusId(UINT id) override {
    std::u16string text = LoadResText(id);
    return SetStatus(&text);
  }
  void SetAbort(bool abort) override { m_abort = abort; }
  bool IsAborted() const override { return m_abort; }
  HWND GetHwnd() const override { return nullptr; }
  bool Saw(std::u16string_view line) const {
    for (const auto& l : lines)
      if (l == line) return true;
    return false;
  }

  std::vector<std::u16string> lines;
  std::u16string abortAt;

 private:
  bool m_abort = false;
};

// An item record with the texts the tests vary.
inline UpdateItemRecord Item(std::u16string listId, std::u16string type, std::u16string name,
                             std::u16string price = u"1.00", std::u16string modified = u"2009-02-01T09:30:00") {
  UpdateItemRecord item;
  item[kUpdListID] = std::move(listId);
  item[kUpdType] = std::move(type);
  item[kUpdFullName] = name;
  item[kUpdName] = std::move(name);
  item[kUpdPrice] = std::move(price);
  item[kUpdModified] = std::move(modified);
  return item;
}

// The customer list window and the list tree, as the calls they receive.
class RecordingHooks final : public IUpdateCustomerList, public IUpdateListTree {
 public:
  void SetListUpdateRunning(bool running) override { calls += running ? "running " : "stopped "; }
  void SetupColumns(int mode) override { calls += "columns" + std::to_string(mode) + " "; }
  void Reload(int reloadSource) override { calls += "reload" + std::to_string(reloadSource) + " "; }
  void InvalidateList() override { calls += "invalidate "; }
  void Refill() override { calls += "refill "; }
  std::string calls;
};

// An edit the user made before an update.
class PastEdit final : public CEditCommand {
 public:
  PastEdit() : CEditCommand(u"Edit") {}
  bool Do(bool) override { return true; }
  bool Undo() override { return true; }
  bool CanUndo() const override { return true; }
  bool CanRedo() const override { return true; }
};

class ListUpdateTest : public slateway::testing::LanguageLibraryTest {
 protected:
  void SetUp() override {
    LanguageLibraryTest::SetUp();
    CBstr folder;
    GetDatabaseFilePath(folder, false);
    AppendBackslash(folder);
    m_folder = folder.str();
    // The update's rules are checked from an empty store in the device's database folder:
    // the sample database the installation laid there goes first.
    std::filesystem::remove(Linux(m_folder + u"Slateway.db"));
    store.Database().SetNotices(&notices);
    ASSERT_EQ(store.Open(m_folder + u"Slateway.db"), 1);
    company = std::make_unique<CCompanyInfo>(nullptr, CCompanyInfo::kFirstCompany);
  }
  void TearDown() override {
    if (m_localeChanged) {
      platform::SetLocaleProfile(u"en-US");
      LoadRegionalSettings();
    }
    store.Close();
    LanguageLibraryTest::TearDown();
  }

  // The user's regional settings of the profile; en-US again after the test.
  void UseLocale(std::u16string_view profile) {
    ASSERT_TRUE(platform::SetLocaleProfile(profile));
    LoadRegionalSettings();
    m_localeChanged = true;
  }
  // One run of the job over the default files (or the explicit item file), into the
  // customer table or the source given.
  int Run(std::u16string_view path = u"", CCustomerSource* source = nullptr) {
    CListUpdater job(&store, source ? source : &customers, company.get(), &hooks, &progress, &hooks, path);
    job.SetHistories(&documentHistory, &listHistory);
    return job.Run(nullptr);
  }
  // An edit in each history, as the user leaves them before an update.
  void EditBefore() {
    for (CCommandProcessor* history : {&documentHistory, &listHistory}) {
      history->Submit(std::make_unique<PastEdit>());
      history->ExecutePending();
    }
  }
  bool CanUndoEither() const { return documentHistory.CanUndo() || listHistory.CanUndo(); }
  std::u16string File(std::u16string_view name) const { return m_folder + std::u16string(name); }
  bool Exists(std::u16string_view name) { return std::filesystem::exists(Linux(File(name))); }
  // A file with the identity, the version and options that keep what is stored.
  static CUpdateListWriter Keeping() {
    CUpdateListWriter file;
    file.Option("CLEAR_ITEM_LIST", u"no");
    file.Option("CLEAR_CUSTOMER_LIST", u"no");
    file.Option("OVERWRITE_CUSTOMERS", u"no");
    return file;
  }
  // Rows of the query, columns joined by "|".
  std::vector<std::string> Rows(const std::string& sql) {
    datastore_test::RawDb raw(Linux(m_folder + u"Slateway.db"));
    std::vector<std::string> out;
    for (auto& row : raw.Rows(sql)) {
      std::string line;
      for (size_t c = 0; c < row.size(); ++c) line += (c ? "|" : "") + row[c];
      out.push_back(line);
    }
    return out;
  }
  // Every row of both tables but the ids the handheld makes itself, in a fixed order.
  std::vector<std::string> ItemRows() {
    return Rows("SELECT Name, FullName, Parent, ListType, ObjectType, SalesAmount, SalesDescription, "
                "TimeModified FROM ItemsList ORDER BY Parent, Name, ObjectType");
  }
  std::vector<std::string> Everything() {
    auto items = ItemRows();
    auto people = Rows("SELECT * FROM CustomerList ORDER BY FullName");
    items.insert(items.end(), people.begin(), people.end());
    return items;
  }

  datastore_test::NoticeRecorder notices;
  platform::testing::MessageBoxScript boxes;
  CItemStore store{nullptr};
  CQBCustomerSource customers{nullptr, store};
  std::unique_ptr<CCompanyInfo> company;  // read from the test's device in SetUp
  RecordingProgress progress;
  RecordingHooks hooks;
  CCommandProcessor documentHistory{kDocumentHistoryDepth};
  CCommandProcessor listHistory{kListHistoryDepth};
  std::u16string m_folder;
  bool m_localeChanged = false;
};

}  // namespace listupdate_test
