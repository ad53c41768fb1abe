// The customer table source over a temporary database, with a scripted customer dialog.
//
// Groups:
//   SourceList*    loading, counting and reading rows, customers with their jobs
//   SourceLetter*  the letter index: empty lists, digits, lowercase, non-Latin, by company
//   SourceEdit*    new customers, editing, adding a job, cancelling, deleting
//   SourceStore*   insert and replace failures shown and reported
#include <functional>
#include <string>
#include <vector>

#include "DatabaseTest.h"
#include "datastore/CustomerSource.h"
#include "datastore/ItemStore.h"
#include "platform/locale/Locale.h"
#include "platform/testing/MessageBoxScript.h"

namespace {

using datastore_test::RawDb;
using datastore_test::Utf8;
using platform::testing::MessageBoxScript;

// Answers the dialog as the test says, recording what it was opened on.
class ScriptedDialog : public ICustomerDialog {
 public:
  bool Run(HWND owner, CTableCustomer& record, CustomerDialogMode mode) override {
    owners.push_back(owner);
    modes.push_back(mode);
    if (edit) edit(record);
    return confirm;
  }
  bool confirm = true;
  std::function<void(CTableCustomer&)> edit;
  std::vector<HWND> owners;
  std::vector<CustomerDialogMode> modes;
};

const HWND kSourceOwner = reinterpret_cast<HWND>(0x100);
const HWND kListOwner = reinterpret_cast<HWND>(0x200);

class CustomerSourceTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    std::filesystem::create_directories(Linux(u"\\Data"));
    store.Database().SetNotices(&recorder);
    ASSERT_EQ(store.Open(datastore_test::kDbPath), 1);
  }
  void TearDown() override {
    store.Close();
    DeviceTest::TearDown();
  }

  // A stored customer (Sublevel 0) or job (FullName "Parent:Name").
  void AddCustomer(std::u16string_view name, std::u16string_view company = u"", std::u16string_view parent = u"") {
    CTableCustomer record;
    record.SetField(kCustName, name);
    std::u16string fullName = parent.empty() ? std::u16string(name) : std::u16string(parent) + u":" + std::u16string(name);
    record.SetField(kCustFullName, fullName);
    record.SetField(kCustSublevel, parent.empty() ? u"0" : u"1");
    record.SetField(kCustParentFullName, parent);
    record.SetField(kCustCompanyName, company);
    record.SetField(kCustPhone, u"555-" + std::u16string(name.substr(0, 1)));
    ASSERT_EQ(source.AddRecord(record, nullptr, 2), 1);
  }

  std::vector<std::u16string> ListNames() {
    std::vector<std::u16string> names;
    CCustomerListEntry entry;
    for (int row = 0; row < source.GetCount(u"", false); ++row) {
      EXPECT_EQ(source.GetEntryAt(row, entry), 1);
      names.push_back(entry.GetDisplayName(false));
    }
    return names;
  }

  std::vector<int> Letters() {
    std::vector<int> rows;
    for (int position = 0; position <= 28; ++position) rows.push_back(source.GetLetterRow(position));
    return rows;
  }

  datastore_test::NoticeRecorder recorder;
  CItemStore store{nullptr};
  ScriptedDialog dialog;
  CQBCustomerSource source{kSourceOwner, store, &dialog};
};

TEST_F(CustomerSourceTest, SourceListCustomersWithJobs) {
  AddCustomer(u"Baker");
  AddCustomer(u"Kitchen", u"", u"Baker");
  AddCustomer(u"Adams", u"Adams & Co");
  AddCustomer(u"Attic", u"", u"Baker");
  EXPECT_EQ(source.Open(), 1);
  EXPECT_EQ(source.HasOwnTable(), 1);
  ASSERT_TRUE(source.LoadList());
  EXPECT_EQ(source.GetCount(u"ignored", true), 4);
  // Sorted by full name: a job follows its customer, indented by its level.
  EXPECT_EQ(ListNames(), (std::vector<std::u16string>{u"Adams", u"Baker", u"  Attic", u"  Kitchen"}));

  CCustomerListEntry entry;
  ASSERT_EQ(source.GetEntryAt(2, entry), 1);
  EXPECT_EQ(entry.GetFullName().view(), u"Baker:Attic");
  EXPECT_EQ(entry.GetAltPhone().view(), u"555-A");
  EXPECT_EQ(entry.GetCompanyName().view(), u"");
  EXPECT_EQ(source.GetEntryAt(4, entry), 0);  // past the end: no data

  CTableCustomer record;
  ASSERT_TRUE(source.GetRecordAt(3, record, false, false));
  EXPECT_EQ(record.FieldView(kCustFullName), u"Baker:Kitchen");
  EXPECT_EQ(Utf8(record.GetDisplayName(false)), "Baker");  // a job prints as its customer
  EXPECT_FALSE(source.GetRecordAt(-1, record, false, false));
  EXPECT_FALSE(source.GetRecordAt(4, record, false, false));

  EXPECT_EQ(source.Exists(record), 1);
  auto byId = source.GetRecordByListID(record.GetListID());
  EXPECT_EQ(byId->FieldView(kCustName), u"Kitchen");
  CCustomerFields fields;
  EXPECT_TRUE(source.FindByFullName(u"Adams", fields));
  EXPECT_EQ(fields[kCustCompanyName].view(), u"Adams & Co");
  EXPECT_FALSE(source.GetRecordByOid(1, false));
  EXPECT_EQ(source.ReopenItems(), 0);

  source.FreeList();
  EXPECT_EQ(source.GetCount(u"", false), 0);
}

TEST_F(CustomerSourceTest, SourceLetterEmptyListHasNoLetters) {
  ASSERT_TRUE(source.LoadList());
  EXPECT_EQ(source.GetCount(u"", false), 0);
  source.BuildLetterIndex(u"", false);
  for (int row : Letters()) EXPECT_EQ(row, 0);
}

TEST_F(CustomerSourceTest, SourceLetterDigitsLowercaseAndNonLatin) {
  for (const char16_t* name : {u"3M Corp", u"7-Eleven", u"apple farm", u"Avery", u"baker", u"Bell", u"Zeta",
                               u"\u00c9cole", u"\u00f6rn", u"\u0416uk", u"Carter"}) {
    AddCustomer(name);
  }
  ASSERT_TRUE(source.LoadList());
  // Rows: 0 3M, 1 7-Eleven, 2 apple, 3 Avery, 4 baker, 5 Bell, 6 Carter, 7 Zeta, then the
  // non-Latin names, which sort after Z and have no letter.
  source.BuildLetterIndex(u"", false);
  EXPECT_EQ(source.GetLetterRow(kLetterPositionHash), 0);
  EXPECT_EQ(source.GetLetterRow(2), 2);           // A: the lowercase "apple farm"
  EXPECT_EQ(source.GetLetterRow(3), 4);           // B
  EXPECT_EQ(source.GetLetterRow(4), 6);           // C
  EXPECT_EQ(source.GetLetterRow(27), 7);          // Z
  EXPECT_EQ(source.GetLetterRow(2 + ('E' - 'A')), 0);  // "Ecole" begins with another letter
  EXPECT_EQ(source.GetLetterRow(0), 0);
  EXPECT_EQ(source.GetLetterRow(28), 0);
  EXPECT_FALSE(source.LetterIndexByCompany());
}

TEST_F(CustomerSourceTest, SourceLetterAllBAndByCompany) {
  AddCustomer(u"Bo", u"Zinc Ltd");
  AddCustomer(u"Bu", u"Alpha Inc");
  AddCustomer(u"By", u"");
  ASSERT_TRUE(source.LoadList());
  source.BuildLetterIndex(u"", false);
  EXPECT_EQ(source.GetLetterRow(3), 0);  // B at row 0
  EXPECT_EQ(source.GetLetterRow(2), 0);  // no A
  // By company over a list sorted by full name: every company letter still found.
  source.BuildLetterIndex(u"", true);
  EXPECT_TRUE(source.LetterIndexByCompany());
  EXPECT_EQ(source.GetLetterRow(2), 1);   // Alpha Inc
  EXPECT_EQ(source.GetLetterRow(27), 0);  // Zinc Ltd at row 0
  EXPECT_EQ(source.GetLetterRow(3), 0);
}

TEST_F(CustomerSourceTest, SourceEditNewCustomerConfirmedOrCancelled) {
  dialog.edit = [](CTableCustomer& record) {
    record.SetField(kCustName, u"O'Neil");
    record.SetField(kCustFullName, u"O'Neil");
  };
  dialog.confirm = false;
  EXPECT_FALSE(source.CreateNew(2));
  dialog.confirm = true;
  auto created = source.CreateNew(2);
  ASSERT_TRUE(created);
  EXPECT_EQ(dialog.owners.back(), kSourceOwner);
  EXPECT_EQ(dialog.modes.back(), CustomerDialogMode::kNewCustomer);
  ASSERT_TRUE(source.LoadList());
  EXPECT_EQ(ListNames(), (std::vector<std::u16string>{u"O'Neil"}));
  EXPECT_EQ(source.Exists(*created), 1);

  CQBCustomerSource noDialog(nullptr, store);
  EXPECT_FALSE(noDialog.CreateNew(2));
}

TEST_F(CustomerSourceTest, SourceEditChangesAndAddsJob) {
  for (const char16_t* profile : {u"en-US", u"de-DE"}) {
    ASSERT_TRUE(platform::SetLocaleProfile(profile));
    store.DeleteAllCustomers();
    AddCustomer(u"Baker", u"Baker Bros");
    ASSERT_TRUE(source.LoadList());
    CTableCustomer original;
    ASSERT_TRUE(source.GetRecordAt(0, original, false, false));

    // Editing: the record is written over the stored customer.
    dialog.edit = [](CTableCustomer& record) { record.SetField(kCustPhone, u"999"); };
    EXPECT_EQ(source.EditEntry(kListOwner, 0, false), 1);
    EXPECT_EQ(dialog.owners.back(), kListOwner);
    CCustomerFields fields;
    ASSERT_TRUE(source.FindByFullName(u"Baker", fields));
    EXPECT_EQ(fields[kCustPhone].view(), u"999");

    // Adding a job: a new row under the customer.
    CTableCustomer seen;
    dialog.edit = [&seen](CTableCustomer& record) {
      seen.AssignFields(record.Fields());
      record.SetField(kCustName, u"Kitchen");
      record.SetField(kCustFullName, std::u16string(record.FieldView(kCustParentFullName)) + u":Kitchen");
    };
    EXPECT_EQ(source.EditEntry(kListOwner, 0, true), 1);
    EXPECT_EQ(dialog.owners.back(), kSourceOwner);
    EXPECT_EQ(dialog.modes.back(), CustomerDialogMode::kNewJob);
    EXPECT_EQ(seen.FieldView(kCustSublevel), u"1");
    EXPECT_EQ(seen.FieldView(kCustTotalBalance), profile == std::u16string(u"de-DE") ? u"0,00" : u"0.00");
    EXPECT_EQ(seen.FieldView(kCustParentFullName), u"Baker");
    EXPECT_EQ(seen.FieldView(kCustParentListID), original.GetListID());
    EXPECT_NE(seen.GetListID(), original.GetListID());
    EXPECT_EQ(seen.FieldView(kCustName), u"");
    EXPECT_EQ(seen.FieldView(kCustTimeCreated), u"");
    EXPECT_EQ(seen.FieldView(kCustCompanyName), u"Baker Bros");  // the rest is the customer's

    ASSERT_TRUE(source.LoadList());
    EXPECT_EQ(ListNames(), (std::vector<std::u16string>{u"Baker", u"  Kitchen"}));
    // A job of a job is one level deeper.
    dialog.edit = [](CTableCustomer& record) {
      record.SetField(kCustName, u"Sink");
      record.SetField(kCustFullName, u"Baker:Kitchen:Sink");
    };
    EXPECT_EQ(source.EditEntry(kListOwner, 1, true), 1);
    ASSERT_TRUE(source.LoadList());
    EXPECT_EQ(ListNames(), (std::vector<std::u16string>{u"Baker", u"  Kitchen", u"   Sink"}));

    // Cancelled: nothing stored.
    dialog.confirm = false;
    EXPECT_EQ(source.EditEntry(kListOwner, 0, true), 0);
    EXPECT_EQ(source.EditEntry(kListOwner, 0, false), 0);
    dialog.confirm = true;
    ASSERT_TRUE(source.LoadList());
    EXPECT_EQ(source.GetCount(u"", false), 3);
    EXPECT_EQ(source.EditEntry(kListOwner, 7, false), 0);  // no such row
  }
}

TEST_F(CustomerSourceTest, SourceEditDeleteReportsZeroAndDeletesOneRow) {
  AddCustomer(u"Adams");
  AddCustomer(u"Baker");
  AddCustomer(u"Kitchen", u"", u"Baker");
  ASSERT_TRUE(source.LoadList());
  EXPECT_EQ(source.DeleteEntry(1), 0);
  ASSERT_TRUE(source.LoadList());
  EXPECT_EQ(ListNames(), (std::vector<std::u16string>{u"Adams", u"  Kitchen"}));
  EXPECT_EQ(source.DeleteEntry(9), 0);
  ASSERT_TRUE(source.LoadList());
  EXPECT_EQ(source.GetCount(u"", false), 2);
}

TEST_F(CustomerSourceTest, SourceStoreFailuresAreShownAndKeepTheCustomer) {
  AddCustomer(u"Baker");
  ASSERT_TRUE(source.LoadList());
  CTableCustomer record;
  ASSERT_TRUE(source.GetRecordAt(0, record, false, false));
  ASSERT_EQ(RawDb(Linux(datastore_test::kDbPath))
                .Exec("CREATE TRIGGER refuse BEFORE INSERT ON CustomerList "
                      "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
            SQLITE_OK);
  MessageBoxScript boxes;
  boxes.ExpectAny().Caption(u"Slateway").Style(48);
  record.SetField(kCustPhone, u"111");
  EXPECT_EQ(source.UpdateRecord(record, nullptr), 0);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].owner, nullptr);
  EXPECT_EQ(boxes.Shown()[0].text, store.LastError());
  EXPECT_NE(store.LastError().find(u"refused"), std::u16string::npos) << Utf8(store.LastError());
  // The failed replace kept the stored customer.
  CCustomerFields fields;
  ASSERT_TRUE(source.FindByFullName(u"Baker", fields));
  EXPECT_EQ(fields[kCustPhone].view(), u"555-B");

  boxes.ExpectAny().Style(48);
  CTableCustomer fresh;
  EXPECT_EQ(source.AddRecord(fresh, nullptr, 2), 0);
  boxes.ExpectAny().Style(48);
  dialog.edit = [](CTableCustomer& r) { r.SetField(kCustFullName, u"New"); };
  EXPECT_FALSE(source.CreateNew(2));  // not stored: no record handed out
}

}  // namespace
