// The list update job over a real store:
//   - every list step from one small set, and the same set again changing nothing;
//   - the overwrite prompt, its "for all" answer and its Cancel;
//   - continuation item files, the customer file sequence and the customer rules, into the
//     customer table or the device's contacts;
//   - groups matched by their exact name;
//   - an abort keeps whole records only; a refused file changes nothing;
//   - the item rules (parents, costs, custom values, payments) and the notice of a changed
//     RO_SIGNED; the progress window's Abort button;
//   - the files read go only after the commit: a kill or a failed commit before it keeps
//     them, a kill after it leaves them to the next start.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include <sqlite3.h>

#include "ListUpdateFixture.h"
#include "core/ProgressWnd.h"
#include "core/SmallDialogs.h"
#include "datastore/ContactsSource.h"
#include "platform/testing/ContactsStore.h"
#include "datastore/ListCache.h"
#include "core/ResourceText.h"
#include "listupdate/ImportText.h"
#include "listupdate/UpdateFileJournal.h"
#include "platform/testing/UiScript.h"
#include "resources/resource_ids.h"

namespace {

using listupdate_test::Item;
using listupdate_test::ListUpdateTest;
using ListUpdater = ListUpdateTest;

constexpr char16_t kOld[] = u"2009-01-01T08:00:00-08:00";
constexpr char16_t kNew[] = u"2010-01-01T08:00:00-08:00";
const std::u16string kMessage = u"Thank you for your business.\r\nCome again";  // 41 characters

std::u16string MissingMember(std::u16string_view name) {
  std::u16string text = LoadResText(IDS_UPDATE_UNKNOWN_MEMBER);
  return text.replace(text.find(u"%s"), 2, name);
}

void WriteSmallSet(CUpdateListWriter& file) {
  file.BeginList("TAXCODES");
  file.Record("TAXCODEELEMENT", {{"NAME", u"Tax"}, {"LISTID", u"t1"}, {"TAXABLE", u"True"}, {"MODIFIED", kOld}});
  file.Record("TAXCODEELEMENT", {{"NAME", u"Non"}, {"LISTID", u"t2"}, {"TAXABLE", u"no"}, {"MODIFIED", kOld}});
  file.EndList();
  file.BeginList("CUSTOMERMSGS");
  file.Record("CUSTOMERMSG", {{"NAME", kMessage}, {"LISTID", u"m1"}, {"MODIFIED", kOld}});
  file.EndList();
  file.BeginList("TERMS");
  file.Record("TERM", {{"LISTID", u"r1"}, {"NAME", u"Net 30"}, {"STDDUEDAYS", u"30"}, {"MODIFIED", kOld}});
  file.EndList();
  file.BeginList("PRICELEVELS");
  file.Record("PRICELEVEL", {{"LISTID", u"p1"}, {"NAME", u"Wholesale"}, {"PRICELEVELFIXEDPERCENTAGE", u"-10"}});
  file.EndList();
  file.BeginList("SALESREPS");
  file.Record("SALESREP", {{"LISTID", u"s1"}, {"NAME", u"JD"}, {"DESC", u"John O'Dea"}, {"MODIFIED", kOld}});
  file.EndList();
  file.BeginList("VENDORS");
  file.Record("VENDOR", {{"LISTID", u"v1"}, {"NAME", u"Acme"}, {"DESC", u"not read"}, {"MODIFIED", kOld}});
  file.EndList();
  file.Record("COMPANYINFO", {{"NAME", u"Field Svc"}, {"ADDRESS", u"1 Main"}, {"CITY", u"Springfield"}, {"STATE", u"IL"}});
  file.ItemType(u"Service", true, 1);
  file.ItemType(u"Sales Tax Item", false, 9);
  UpdateItemRecord labor = Item(u"i1", u"Service", u"Labor", u"45.00");
  labor[kUpdCost] = u"20.00";
  file.Item("ITEM", labor);
  file.Item("ITEM", Item(u"i2", u"Sales Tax Item", u"State", u"5"));
  file.Item("ITEM", Item(u"i3", u"Sales Tax Item", u"County", u"2.5"));
  file.Item("ITEM", Item(u"g9", u"Group", u"Not an item"));
  file.Item("GROUP", Item(u"g1", u"Group", u"Kit"), {{u"i1", u"Labor", u"2"}, {u"zz", u"Ghost", u""}});
  file.Item("SALESTAXGROUP", Item(u"x1", u"Sales Tax Group", u"County+State"),
            {{u"i2", u"State", u""}, {u"i3", u"County", u""}});
}

void WriteCustomers(CUpdateListWriter& file, std::u16string_view balance = u"12.50") {
  file.Record("CUSTOMER", {{"LISTID", u"c1"}, {"NAME", u"O'Brien's"}, {"FULLNAME", u"O'Brien's"},
                           {"SUBLEVEL", u"0"}, {"TERMSNAME", u"Net 30"}, {"BALANCE", balance}, {"CC", u"4111"}});
  file.Record("CUSTOMER", {{"LISTID", u"c2"}, {"NAME", u"Roof"}, {"FULLNAME", u"O'Brien's:Roof"}, {"SUBLEVEL", u"1"},
                           {"PARENTFULLNAME", u"O'Brien's"}, {"BALANCE", balance}});
}

TEST_F(ListUpdater, ImportsEveryListAndTheSameListsAgainChangeNothing) {
  // What the user keyed in on My Company and the desktop does not send stays.
  company->SetEMail(u"office@fieldsvc.example");
  company->SetPhone(u"555-0100");
  ASSERT_TRUE(company->Save());
  EditBefore();
  for (int run = 0; run < 2; ++run) {
    CUpdateListWriter items = Keeping();
    WriteSmallSet(items);
    ASSERT_TRUE(items.Save(File(u"NWQItems.xml")));
    CUpdateListWriter people;
    WriteCustomers(people, run ? u"12.50" : u"3.00");  // customers are updated without asking
    ASSERT_TRUE(people.Save(File(u"NWQCustomers.xml")));
    boxes.Expect(MissingMember(u"Ghost"));
    auto before = ItemRows();
    ASSERT_EQ(Run(), 1);
    EXPECT_FALSE(Exists(u"NWQItems.xml") || Exists(u"NWQCustomers.xml"));
    if (run == 1) {
      EXPECT_EQ(ItemRows(), before);
    }
  }
  EXPECT_EQ(Rows("SELECT Name, SalesAmount FROM ItemsList WHERE Parent = 'Terms'"), std::vector<std::string>{"Net 30|30"});
  EXPECT_EQ(Rows("SELECT Taxable FROM ItemsList WHERE Parent = 'Tax Codes' ORDER BY Name"),
            (std::vector<std::string>{"no", "yes"}));
  EXPECT_EQ(Rows("SELECT Name, SalesDescription FROM ItemsList WHERE Parent = 'Customer Msgs'"),
            std::vector<std::string>{"Thank you for your business....|Thank you for your business. Come again"});
  EXPECT_EQ(Rows("SELECT Name, SalesDescription FROM ItemsList WHERE Parent IN ('Sales Reps', 'Vendors') ORDER BY 1"),
            (std::vector<std::string>{"Acme|", "JD|John O'Dea"}));
  EXPECT_EQ(Rows("SELECT SalesAmount FROM ItemsList WHERE ListType = 'Sales Tax Group'"),
            std::vector<std::string>{"7.50%"});
  EXPECT_EQ(Rows("SELECT FullName, ObjectType FROM ItemsList WHERE Parent = 'Kit'"),
            std::vector<std::string>{"Kit:Labor|16"});
  auto member = store.FindItemLike(u"FullName", u"Kit:Labor", u"Service", false);
  ASSERT_TRUE(member);
  EXPECT_EQ(member->FieldView(kFieldQuantity), u"2") << "the group adds the quantity it holds";
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM ItemsList WHERE Name IN ('Labels', 'Not an item')"), std::vector<std::string>{"1"});
  EXPECT_EQ(Rows("SELECT FullName, Terms, Balance FROM CustomerList ORDER BY FullName"),
            (std::vector<std::string>{"O'Brien's|Net 30|12.50", "O'Brien's:Roof|Net 30|12.50"}));
  EXPECT_EQ(company->GetAddress2(), u"Springfield, IL ");
  CCompanyInfo stored(nullptr, CCompanyInfo::kFirstCompany);
  EXPECT_EQ(stored.GetName() + u"|" + stored.GetEMail() + u"|" + stored.GetPhone(),
            u"Field Svc|office@fieldsvc.example|555-0100");
  // The lists the edits were made over are gone: none of them can be undone.
  EXPECT_FALSE(CanUndoEither());
  for (const char16_t* line : {u"Tax Codes 2 of 2", u"Item 3 of 4", u"Vendor1 of 1", u"Group 1 of 1 (Item 2)",
                               u"Importing Customer 2"})
    EXPECT_TRUE(progress.Saw(line)) << platform::ToUtf8(line);
}

TEST_F(ListUpdater, NewerEntriesOnTheHandheldAreOfferedAndForAllHolds) {
  for (const char16_t* stamp : {kNew, kOld}) {
    CUpdateListWriter file = Keeping();
    file.BeginList("JOBTYPES");
    for (const char16_t* id : {u"j1", u"j2", u"j3"})
      file.Record("JOBTYPE", {{"NAME", std::u16string(id) + stamp[3]}, {"LISTID", id}, {"MODIFIED", stamp}});
    file.EndList();
    ASSERT_TRUE(file.Save(File(u"NWQItems.xml")));
    platform::testing::UiScript ui;
    if (stamp == kOld) {  // older than what is stored: the user is asked once for all three
      ui.ExpectDialog(IDD_OVERWRITE_PROMPT, [](platform::testing::DialogDriver& d) {
        d.Tap(IDC_OVERWRITE_ALL);
        d.Press(6);
      });
    }
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(ui.Pending(), 0u);
  }
  EXPECT_EQ(Rows("SELECT Name FROM ItemsList WHERE Parent = 'Job Types' ORDER BY Name"),
            (std::vector<std::string>{"j19", "j29", "j39"}));
}

TEST_F(ListUpdater, ReadsContinuationAndCustomerFilesInSequence) {
  CPreferences().SetDisplayBalances(true);  // shown as an earlier update chose; this one hides them
  CUpdateListWriter first;  // clearing everything, balances and cards hidden
  first.Option("DISPLAY_CUSTOMER_BALANCES", u"no");
  first.Option("DISPLAY_CUSTOMER_CC", u"no");
  first.Item("ITEM", Item(u"a", u"Service", u"A"));
  first.Item("ITEM", Item(u"b", u"Service", u"B"));
  ASSERT_TRUE(first.Save(File(u"NWQItems.xml")));
  CUpdateListWriter second;
  second.Item("ITEM", Item(u"c", u"Service", u"C"));
  ASSERT_TRUE(second.Save(File(u"NWQItems1.xml")));
  ASSERT_TRUE(CUpdateListWriter(u"9").Save(File(u"NWQItems2.xml")));
  for (const char16_t* name : {u"NWQCustomers.xml", u"NWQCustomers1.xml", u"NWQCustomers3.xml"}) {
    CUpdateListWriter people;
    WriteCustomers(people);
    ASSERT_TRUE(people.Save(File(name)));
  }
  ASSERT_EQ(store.InsertCustomer(CCustomerFields{}), 1);  // emptied once, before the first file
  UseLocale(u"de-DE");
  boxes.Expect(u"The update list is not recognized.  Please try again or contact Technical Support for assistance.");
  boxes.Expect(platform::FormatWide(LoadResText(IDS_UPDATE_REPEATED_IDS), {2}));
  ASSERT_EQ(Run(), 1);
  EXPECT_TRUE(progress.Saw(u"Item 3 of 3"));
  EXPECT_FALSE(Exists(u"NWQItems2.xml") || Exists(u"NWQCustomers1.xml"));
  EXPECT_TRUE(Exists(u"NWQCustomers3.xml"));  // after a gap nothing more is read
  EXPECT_EQ(hooks.calls, "running stopped columns1 reload1 invalidate refill ");
  EXPECT_EQ(Rows("SELECT FullName, Balance, TotalBalance, CCNum FROM CustomerList ORDER BY FullName"),
            (std::vector<std::string>{"O'Brien's|0,00|0,00|", "O'Brien's:Roof|0,00|0,00|"}));

  // An explicit item file comes without customers.
  ASSERT_TRUE(Keeping().Save(File(u"Explicit.xml")));
  ASSERT_EQ(Run(File(u"Explicit.xml")), 1);
  EXPECT_TRUE(Exists(u"NWQCustomers3.xml"));
}

// A record listed twice is the same row again under the overwrite rule, even while the lists
// are cleared; how many there were is told once, at the end.
TEST_F(ListUpdater, ARecordWhoseIdCameBeforeIsTheSameRowAgainAndIsCountedOnce) {
  CUpdateListWriter file;  // clearing every list
  file.ItemType(u"Service", true, 1);
  file.Item("ITEM", Item(u"a", u"Service", u"Labor", u"1.00", u"2009-02-01T09:30:00"));
  file.Item("ITEM", Item(u"b", u"Service", u"Travel", u"5.00"));
  file.Item("ITEM", Item(u"a", u"Service", u"Labor", u"2.00", u"2009-03-01T09:30:00"));  // later: replaces
  file.Item("ITEM", Item(u"b", u"Service", u"Travel", u"9.00"));                         // same stamp: kept
  file.BeginList("TERMS");
  file.Record("TERM", {{"LISTID", u"r1"}, {"NAME", u"Net 30"}, {"MODIFIED", u"2009-02-01T09:30:00"}});
  file.Record("TERM", {{"LISTID", u"r1"}, {"NAME", u"Net 45"}, {"MODIFIED", u"2009-03-01T09:30:00"}});
  file.EndList();
  ASSERT_TRUE(file.Save(File(u"NWQItems.xml")));
  CUpdateListWriter people;  // a customer and a job, each twice
  WriteCustomers(people, u"1.00");
  WriteCustomers(people, u"2.00");
  ASSERT_TRUE(people.Save(File(u"NWQCustomers.xml")));
  boxes.Expect(platform::FormatWide(LoadResText(IDS_UPDATE_REPEATED_IDS), {5})).Caption(u"Slateway");
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_EQ(Rows("SELECT ListID, SalesAmount, Name FROM ItemsList WHERE ListID IN ('a', 'b', 'r1') ORDER BY 1"),
            (std::vector<std::string>{"a|2.00|Labor", "b|5.00|Travel", "r1||Net 45"}));
  EXPECT_EQ(Rows("SELECT ListID, Balance FROM CustomerList ORDER BY 1"), (std::vector<std::string>{"c1|2.00", "c2|2.00"}));
}

TEST_F(ListUpdater, GroupsAreFoundByTheirExactName) {
  CUpdateListWriter file = Keeping();
  file.Item("ITEM", Item(u"i1", u"Service", u"Labor"));
  file.Item("GROUP", Item(u"g1", u"Group", u"Kit Deluxe"), {{u"i1", u"Labor", u"3"}});
  ASSERT_TRUE(file.Save(File(u"NWQItems.xml")));
  ASSERT_EQ(Run(), 1);
  CUpdateListWriter again = Keeping();
  again.Item("GROUP", Item(u"g2", u"Group", u"Kit"), {{u"i1", u"Labor", u"1"}});
  ASSERT_TRUE(again.Save(File(u"NWQItems.xml")));
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Rows("SELECT FullName, SalesAmount FROM ItemsList WHERE ObjectType = 16 ORDER BY FullName"),
            (std::vector<std::string>{"Kit Deluxe:Labor|1.00", "Kit:Labor|1.00"}));
  EXPECT_EQ(Rows("SELECT Name FROM ItemsList WHERE ListType = 'Group' AND ObjectType = 32 ORDER BY Name"),
            (std::vector<std::string>{"Kit", "Kit Deluxe"}));
}

TEST_F(ListUpdater, AnAbortKeepsWholeRecordsAndTheCustomerFiles) {
  struct Case {
    const char16_t* abortAt;
    const char* kept;
  } cases[] = {{u"Group 1 of 1 (Item 1)", "Labor"}, {u"Term 1 of 2", "Kit|Labor|Labor|Labor|Net 30"}};
  for (const auto& c : cases) {
    CUpdateListWriter file;
    file.Item("ITEM", Item(u"i1", u"Service", u"Labor"));
    file.Item("GROUP", Item(u"g1", u"Group", u"Kit"), {{u"i1", u"Labor", u"1"}, {u"i1", u"Labor", u"2"}});
    file.BeginList("TERMS");
    file.Record("TERM", {{"LISTID", u"r1"}, {"NAME", u"Net 30"}});
    file.Record("TERM", {{"LISTID", u"r2"}, {"NAME", u"Net 60"}});
    file.EndList();
    file.BeginList("PRICELEVELS");
    file.Record("PRICELEVEL", {{"LISTID", u"p1"}, {"NAME", u"Wholesale"}});
    file.EndList();
    ASSERT_TRUE(file.Save(File(u"NWQItems.xml")));
    ASSERT_TRUE(CUpdateListWriter().Save(File(u"NWQCustomers.xml")));
    progress = {};
    progress.abortAt = c.abortAt;
    EXPECT_EQ(Run(), 0);
    std::string names;
    for (const auto& row : Rows("SELECT Name FROM ItemsList WHERE ObjectType IN (1, 2, 16, 32) ORDER BY Name"))
      names += (names.empty() ? "" : "|") + row;
    EXPECT_EQ(names, c.kept);
    EXPECT_TRUE(Exists(u"NWQCustomers.xml"));
    EXPECT_EQ(hooks.calls, "refill ");  // the lists imported so far are shown
    hooks.calls.clear();
  }
}

TEST_F(ListUpdater, ARefusedFileChangesNothing) {
  CUpdateListWriter good = Keeping();
  WriteSmallSet(good);
  good.Option("DISPLAY_CUSTOMER_BALANCES", u"no");
  std::u16string text = good.Text();
  CPreferences().SetDisplayBalances(true);  // shown as an earlier update chose; this one hides them
  auto before = Everything();
  EditBefore();
  struct Case {
    CUpdateListWriter file;
    const char16_t* message;
  } cases[] = {
      {CUpdateListWriter(u"4.6"), u"The Update List is from a newer version of Slateway on the desktop.  Please reinstall."},
      {CUpdateListWriter(u"4"), u"The Update List is from an older version of Slateway on the desktop.  Please reinstall."},
  };
  for (auto& c : cases) {
    WriteSmallSet(c.file);
    ASSERT_TRUE(c.file.Save(File(u"NWQItems.xml")));
    boxes.Expect(c.message).Caption(u"Slateway");
    EXPECT_EQ(Run(), 0);
  }
  // Cut short in the middle of the items.
  std::string bytes;
  for (char16_t ch : text.substr(0, text.find(u"<ITEM>") + 20)) bytes += {char(ch & 0xFF), char(ch >> 8)};
  std::ofstream(Linux(File(u"NWQItems.xml")), std::ios::binary) << bytes;
  boxes.Expect(u"The update list is not recognized.  Please try again or contact Technical Support for assistance.");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Everything(), before);
  EXPECT_TRUE(CPreferences::DisplayBalances());
  EXPECT_TRUE(documentHistory.CanUndo() && listHistory.CanUndo()) << "what was done before can still be undone";
}

// A stored item is rewritten in place by a newer one, passed by at the same stamp, and
// an older one is taken only when the user says so.
TEST_F(ListUpdater, StoredItemsAreUpdatedByTheirStampsInPlace) {
  struct Pass {
    const char16_t* stamp;
    const char16_t* price;
    int answer;  // 0: no prompt
    const char* stored;
  } passes[] = {{kOld, u"1.00", 0, "1.00"}, {kNew, u"2.00", 0, "2.00"}, {kNew, u"3.00", 0, "2.00"},
                {kOld, u"4.00", 7, "2.00"}, {kOld, u"5.00", 6, "5.00"}};
  for (const Pass& pass : passes) {
    CUpdateListWriter file = Keeping();
    file.Item("ITEM", Item(u"i1", u"Service", u"Labor", pass.price, pass.stamp));
    ASSERT_TRUE(file.Save(File(u"NWQItems.xml")));
    platform::testing::UiScript ui;
    if (pass.answer)
      ui.ExpectDialog(IDD_OVERWRITE_PROMPT, [&](platform::testing::DialogDriver& d) { d.Press(pass.answer); });
    ASSERT_EQ(Run(), 1);
    EXPECT_EQ(ui.Pending(), 0u);
    EXPECT_EQ(Rows("SELECT SalesAmount FROM ItemsList WHERE ListID = 'i1'"), std::vector<std::string>{pass.stored});
  }
  EXPECT_EQ(Rows("SELECT TimeModified FROM ItemsList WHERE ListID = 'i1'"),
            std::vector<std::string>{platform::ToUtf8(kOld)});
}

// Cancel in the prompt ends the run where it was: the list before stays imported, the
// entry asked about and everything after it are untouched, the customer file waits.
TEST_F(ListUpdater, CancelInThePromptEndsTheRunAndKeepsWhatWasNotYetRead) {
  CUpdateListWriter first = Keeping();
  first.BeginList("TERMS");
  first.Record("TERM", {{"LISTID", u"r1"}, {"NAME", u"Net 30"}, {"STDDUEDAYS", u"30"}, {"MODIFIED", kNew}});
  first.EndList();
  ASSERT_TRUE(first.Save(File(u"NWQItems.xml")));
  ASSERT_EQ(Run(), 1);

  CUpdateListWriter file = Keeping();
  file.BeginList("CUSTOMERMSGS");
  file.Record("CUSTOMERMSG", {{"NAME", u"Thanks"}, {"LISTID", u"m1"}, {"MODIFIED", kOld}});
  file.EndList();
  file.BeginList("TERMS");  // the handheld's Net 30 is newer: asked
  file.Record("TERM", {{"LISTID", u"r1"}, {"NAME", u"Net 30"}, {"STDDUEDAYS", u"45"}, {"MODIFIED", kOld}});
  file.Record("TERM", {{"LISTID", u"r2"}, {"NAME", u"Net 60"}, {"STDDUEDAYS", u"60"}, {"MODIFIED", kOld}});
  file.EndList();
  file.BeginList("PRICELEVELS");
  file.Record("PRICELEVEL", {{"LISTID", u"p1"}, {"NAME", u"Wholesale"}});
  file.EndList();
  ASSERT_TRUE(file.Save(File(u"NWQItems.xml")));
  CUpdateListWriter people;
  WriteCustomers(people);
  ASSERT_TRUE(people.Save(File(u"NWQCustomers.xml")));
  platform::testing::UiScript ui;
  ui.ExpectDialog(IDD_OVERWRITE_PROMPT, [](platform::testing::DialogDriver& d) { d.Cancel(); });
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(Rows("SELECT Name FROM ItemsList WHERE Parent = 'Customer Msgs'"), std::vector<std::string>{"Thanks"});
  EXPECT_EQ(Rows("SELECT Name, SalesAmount FROM ItemsList WHERE Parent = 'Terms'"),
            std::vector<std::string>{"Net 30|30"});
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM ItemsList WHERE Parent = 'Price Levels'"), std::vector<std::string>{"0"});
  EXPECT_TRUE(Exists(u"NWQCustomers.xml"));
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM CustomerList"), std::vector<std::string>{"0"});
}

// Customers kept as the device's contacts: a clearing import deletes no contact and
// overwrites the known ones without asking; without clearing, the prompt decides. Either
// way a customer is found again by its names, one contact each.
TEST_F(ListUpdater, CustomersKeptAsContactsAreClearedOrAskedAbout) {
  ASSERT_TRUE(CPreferences().SetUseOutlook(true));  // contacts mode, which imported settings bring: what this is about
  std::unique_ptr<CPOutlookApp> app;
  std::unique_ptr<CPimFolder> folder;
  std::unique_ptr<CPimItems> items;
  platform::testing::OpenEmptyContacts(app, folder, items);
  std::unique_ptr<CPimContact> contact;
  for (const char16_t* last : {u"Lee", u"Keep"}) {
    ASSERT_EQ(items->Add(&contact), S_OK);
    contact->PutProperty(PIM_FirstName, u"Ann");
    contact->PutProperty(PIM_LastName, last);
    contact->PutProperty(PIM_BusinessTelephoneNumber, u"555-0000");
    ASSERT_EQ(contact->Save(), S_OK);
  }
  // Every contact as "last|first|phone|categories", in name order.
  auto contacts = [&] {
    std::vector<std::u16string> all;
    std::unique_ptr<CPimItems> now;
    EXPECT_EQ(folder->get_Items(&now), S_OK);
    int count = 0;
    now->get_Count(&count);
    for (int i = 1; i <= count; ++i) {
      std::unique_ptr<CPimContact> c;
      if (now->Item(i, &c) != S_OK) continue;
      all.push_back(c->Text(PIM_LastName) + u"|" + c->Text(PIM_FirstName) + u"|" +
                    c->Text(PIM_BusinessTelephoneNumber) + u"|" + c->Text(PIM_Categories));
    }
    std::sort(all.begin(), all.end());
    return all;
  };
  auto customerFile = [&](bool clear, const char16_t* phone) {
    CUpdateListWriter file;
    file.Option("CLEAR_ITEM_LIST", u"no");
    file.Option("CLEAR_CUSTOMER_LIST", clear ? u"yes" : u"no");
    file.Option("OVERWRITE_CUSTOMERS", u"yes");
    ASSERT_TRUE(file.Save(File(u"NWQItems.xml")));
    CUpdateListWriter people;
    people.Record("CUSTOMER", {{"LISTID", u"c1"}, {"FIRSTNAME", u"Ann"}, {"LASTNAME", u"Lee"}, {"NAME", u"Ann Lee"},
                               {"FULLNAME", u"Ann Lee"}, {"PHONE", phone}});
    people.Record("CUSTOMER", {{"LISTID", u"c2"}, {"NAME", u"Roof"}, {"FULLNAME", u"Roof"}, {"PHONE", phone}});
    ASSERT_TRUE(people.Save(File(u"NWQCustomers.xml")));
  };
  CContactsSource source(nullptr);

  customerFile(true, u"555-1111");
  ASSERT_EQ(Run(u"", &source), 1);  // no question although overwriting is asked for
  EXPECT_EQ(contacts(), (std::vector<std::u16string>{u"Keep|Ann|555-0000|", u"Lee|Ann|555-1111|",
                                                     u"Roof||555-1111|DedadErude"}));
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM CustomerList"), std::vector<std::string>{"0"});

  customerFile(false, u"555-2222");
  platform::testing::UiScript ui;
  for (int answer : {COverwritePromptDlg::kNo, COverwritePromptDlg::kYes})
    ui.ExpectDialog(IDD_OVERWRITE_PROMPT, [answer](platform::testing::DialogDriver& d) {
      EXPECT_NE(d.Text(IDC_OVERWRITE_TEXT).find(u"exists in the Contacts List"), std::u16string::npos);
      d.Press(answer);
    });
  ASSERT_EQ(Run(u"", &source), 1);
  EXPECT_EQ(ui.Pending(), 0u);
  EXPECT_EQ(contacts(), (std::vector<std::u16string>{u"Keep|Ann|555-0000|", u"Lee|Ann|555-1111|",
                                                     u"Roof||555-2222|DedadErude"}));
}

TEST_F(ListUpdater, ItemsMarkTheirParentsHideCostsAndKeepTwoCustomValuesInTheItemsOrder) {
  CUpdateListWriter file = Keeping();
  file.Option("DISPLAY_PRODUCT_COSTS", u"no");
  file.Option("RO_SIGNED", u"yes");
  file.BeginList("CUSTOM_ITEM_FIELDS");
  for (const char16_t* name : {u"Size", u"Color", u"Weight"}) file.Record("CUSTOM_ITEM", {{"NAME", name}});
  file.EndList();
  UpdateItemRecord parent = Item(u"p", u"Inventory Part", u"Parts");
  UpdateItemRecord child = Item(u"c", u"Inventory Part", u"Bolt");
  child[kUpdLevel] = u"1";
  child[kUpdCatListID] = u"p";
  child[kUpdCatName] = u"Parts";
  child[kUpdCost] = u"9.99";
  child[kUpdCustom1Name] = u"Color";
  child[kUpdCustom1Value] = u"Red";
  child[kUpdCustom2Name] = u"Size";
  child[kUpdCustom2Value] = u"L";
  UpdateItemRecord payment = Item(u"y", u"Payment", u"Cash");
  payment[kUpdFullName] = u"Cash Payment";
  payment[kUpdAccount] = u"Undeposited";
  for (const auto& item : {parent, child, payment}) file.Item("ITEM", item);
  ASSERT_TRUE(file.Save(File(u"NWQItems.xml")));
  HWND main = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  CListUpdater job(&store, &customers, company.get(), nullptr, &progress, nullptr, u"");
  ASSERT_EQ(job.Run(main), 1);
  MSG posted{};
  EXPECT_TRUE(PeekMessageW(&posted, main, kMsgReloadRegister, kMsgReloadRegister, PM_REMOVE));
  EXPECT_EQ(posted.wParam, 1u);
  DestroyWindow(main);
  EXPECT_EQ(Rows("SELECT Name, ObjectType, Parent, PurchaseCost, EditSequence, UnitOfMeasure, Account, Vendor "
                 "FROM ItemsList WHERE ObjectType IN (1, 256) ORDER BY Name"),
            (std::vector<std::string>{"Bolt|1|Parts|0|Red|L||", "Cash|1|Payment|0|||Undeposited|Cash Payment",
                                      "Parts|256|Inventory Part|0||||"}));
  CListCache fields(&store);
  CBstr first, second, third(u"none");
  ASSERT_EQ(fields.GetFirstItemFieldName(first), 1);
  fields.GetNextItemFieldName(second);
  EXPECT_EQ(first.str() + u"," + second.str(), u"Color,Size");  // the item's order; "Weight" is gone
  EXPECT_EQ(fields.GetNextItemFieldName(third), 0);
  // Taken off on the desktop, the custom values are gone after the next update.
  CUpdateListWriter again = Keeping();
  again.Item("ITEM", Item(u"c", u"Inventory Part", u"Bolt", u"1.00", u"2009-03-01T09:30:00"));
  ASSERT_TRUE(again.Save(File(u"NWQItems.xml")));
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Rows("SELECT EditSequence, UnitOfMeasure FROM ItemsList WHERE Name = 'Bolt'"), std::vector<std::string>{"|"});
}

TEST_F(ListUpdater, TheProgressWindowsAbortButtonStopsTheRun) {
  HWND owner = CreateWindowExW(0, u"STATIC", u"", WS_POPUP | WS_VISIBLE, 0, 0, 240, 320, nullptr, nullptr, nullptr,
                               nullptr);
  {
    CProgressWnd window(GetResourceInstance(), owner, owner);
    window.Show(CBstr(u"Lists Update"), true);
    CProgressWndStatus status(window);
    CUpdateListWriter file = Keeping();
    WriteSmallSet(file);
    ASSERT_TRUE(file.Save(File(u"NWQItems.xml")));
    PostMessageW(window.GetHwnd(), WM_COMMAND, IDCANCEL, 0);  // pressed before the first list
    CListUpdater job(&store, &customers, company.get(), nullptr, &status, nullptr, u"");
    EXPECT_EQ(job.Run(owner), 0);
    EXPECT_TRUE(window.IsAborted());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM ItemsList WHERE ObjectType IN (1, 2)"), std::vector<std::string>{"0"});
  }
  DestroyWindow(owner);
}

// A progress or a list tree whose process dies, as by kill -9, at the status line or the
// call named.
class DyingProgress final : public IUpdateProgress {
 public:
  explicit DyingProgress(std::u16string at) : m_at(std::move(at)) {}
  bool SetStatus(const std::u16string* text) override {
    if (text && *text == m_at) _exit(9);
    return true;
  }
  bool SetStatusId(UINT) override { return true; }
  void SetAbort(bool) override {}
  bool IsAborted() const override { return false; }
  HWND GetHwnd() const override { return nullptr; }

 private:
  std::u16string m_at;
};
class DyingTree final : public IUpdateListTree {
 public:
  void Refill() override { _exit(9); }
};

class ListUpdaterKilled : public ListUpdateTest {
 protected:
  void WriteFiles() {
    CUpdateListWriter items = Keeping();
    items.BeginList("TERMS");
    items.Record("TERM", {{"LISTID", u"r1"}, {"NAME", u"Net 30"}, {"STDDUEDAYS", u"30"}, {"MODIFIED", kOld}});
    items.EndList();
    ASSERT_TRUE(items.Save(File(u"NWQItems.xml")));
    CUpdateListWriter people;
    WriteCustomers(people);
    ASSERT_TRUE(people.Save(File(u"NWQCustomers.xml")));
  }
  // One run in a child process that dies where `progress` or `tree` say; the store is
  // closed around it, as it is between two runs of the program.
  void RunAndDie(IUpdateProgress& dying, IUpdateListTree& tree) {
    store.Close();
    pid_t pid = fork();
    if (pid == 0) {
      store.Open(File(u"Slateway.db"));
      CListUpdater job(&store, &customers, company.get(), &tree, &dying, nullptr, u"");
      job.Run(nullptr);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9) << "the run died where it was told to";
    ASSERT_EQ(store.Open(File(u"Slateway.db")), 1);
  }
  std::vector<std::string> Customers() { return Rows("SELECT FullName FROM CustomerList ORDER BY 1"); }
};

TEST_F(ListUpdaterKilled, BeforeTheCommitTheOldListsAndTheFilesStayForTheNextRun) {
  WriteFiles();
  auto before = Everything();
  DyingProgress dying(u"Importing Customer 2");  // the last thing before the commit
  listupdate_test::RecordingHooks tree;
  RunAndDie(dying, tree);
  EXPECT_EQ(Everything(), before);
  EXPECT_TRUE(Exists(u"NWQItems.xml") && Exists(u"NWQCustomers.xml"));
  ASSERT_EQ(Run(), 1);
  EXPECT_EQ(Customers(), (std::vector<std::string>{"O'Brien's", "O'Brien's:Roof"}));
  EXPECT_FALSE(Exists(u"NWQItems.xml") || Exists(u"NWQCustomers.xml") || Exists(u"ListUpdate.journal"));
}

TEST_F(ListUpdaterKilled, AfterTheCommitTheFilesGoAtTheNextStartButNotANewerCopy) {
  WriteFiles();
  DyingProgress living(u"");
  DyingTree tree;  // refilled after the commit
  RunAndDie(living, tree);
  EXPECT_EQ(Customers(), (std::vector<std::string>{"O'Brien's", "O'Brien's:Roof"}));
  EXPECT_TRUE(Exists(u"NWQItems.xml") && Exists(u"NWQCustomers.xml"));
  CUpdateListWriter newer = Keeping();  // copied by the desktop since
  WriteSmallSet(newer);
  ASSERT_TRUE(newer.Save(File(u"NWQItems.xml")));
  CUpdateFileJournal::CompleteInterrupted(store.Database());
  EXPECT_TRUE(Exists(u"NWQItems.xml"));
  EXPECT_FALSE(Exists(u"NWQCustomers.xml") || Exists(u"ListUpdate.journal"));
}

TEST_F(ListUpdaterKilled, AFailedCommitStoresNothingAndKeepsTheFiles) {
  WriteFiles();
  auto before = Everything();
  platform::InjectFault(platform::Fault::DatabaseCommit);
  boxes.Expect(LoadResText(IDS_UPDATE_NOT_STORED)).Caption(u"Slateway");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Everything(), before);
  EXPECT_TRUE(Exists(u"NWQItems.xml") && Exists(u"NWQCustomers.xml"));
  EXPECT_FALSE(Exists(u"ListUpdate.journal"));
}

// A database another program keeps locked: the run waits its bounded time, then stops at
// the first statement, rolls everything back, keeps the files and says so once. A lock
// let go within the wait is waited out.
TEST_F(ListUpdaterKilled, ALockedDatabaseIsWaitedForThenTheRunFailsOnceAndKeepsEverything) {
  WriteFiles();
  ASSERT_EQ(Run(), 1);
  CUpdateListWriter items;  // clears the lists the first run brought
  WriteSmallSet(items);
  ASSERT_TRUE(items.Save(File(u"NWQItems.xml")));
  CUpdateListWriter people;
  WriteCustomers(people, u"99.00");
  ASSERT_TRUE(people.Save(File(u"NWQCustomers.xml")));
  const auto before = Everything();
  datastore_test::RawDb other(Linux(File(u"Slateway.db")));
  ASSERT_EQ(other.Exec("BEGIN EXCLUSIVE"), SQLITE_OK);
  store.Database().SetBusyWait(100);
  boxes.Expect(LoadResText(IDS_UPDATE_DATABASE_BUSY)).Caption(u"Slateway");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(boxes.Pending(), 0u);
  other.Exec("ROLLBACK");
  EXPECT_EQ(Everything(), before);
  EXPECT_TRUE(Exists(u"NWQItems.xml") && Exists(u"NWQCustomers.xml"));

  store.Database().SetBusyWait(kBusyWaitMilliseconds);
  ASSERT_EQ(other.Exec("BEGIN EXCLUSIVE"), SQLITE_OK);
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    other.Exec("ROLLBACK");
  });
  boxes.Expect(MissingMember(u"Ghost"));
  EXPECT_EQ(Run(), 1);
  release.join();
  EXPECT_NE(Everything(), before);
  EXPECT_FALSE(Exists(u"NWQItems.xml") || Exists(u"NWQCustomers.xml"));
}

// A full disk stops the run at the first record it cannot store: one message, no raw
// statement, nothing changed, the files kept for the next run.
TEST_F(ListUpdaterKilled, AFullDiskStopsAtTheFirstRecordWithOneMessage) {
  WriteFiles();
  ASSERT_EQ(Run(), 1);
  CUpdateListWriter items = Keeping();
  items.ItemType(u"Service", true, 1);
  for (int i = 0; i < 300; ++i) {
    UpdateItemRecord item = Item(u"n" + NumberText(i), u"Service", u"Part " + NumberText(i));
    item[kUpdDesc] = std::u16string(200, u'x');
    items.Item("ITEM", item);
  }
  ASSERT_TRUE(items.Save(File(u"NWQItems.xml")));
  const auto before = Everything();
  // The database may grow no further: the engine reports it as a full disk.
  ASSERT_EQ(store.Database().Execute(u"PRAGMA max_page_count = 1"), SQLITE_OK);
  notices.notices.clear();
  boxes.Expect(LoadResText(IDS_UPDATE_DISK_FULL)).Caption(u"Slateway");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(boxes.Pending(), 0u);
  EXPECT_TRUE(notices.notices.empty());
  EXPECT_EQ(Everything(), before);
  EXPECT_TRUE(Exists(u"NWQItems.xml"));
  EXPECT_FALSE(Exists(u"ListUpdate.journal"));
  ASSERT_EQ(store.Database().Execute(u"PRAGMA max_page_count = 1000000"), SQLITE_OK);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Rows("SELECT COUNT(*) FROM ItemsList WHERE Name LIKE 'Part %'"), std::vector<std::string>{"300"});
}

TEST_F(ListUpdaterKilled, AJournalThatIsNoneOfOursRemovesNothing) {
  WriteFiles();
  const std::string path = platform::ToUtf8(File(u"NWQItems.xml"));
  const std::vector<std::string> journals{"garbage", "ListUpdate 1 x\n", "ListUpdate 1 0\n1 2 " + path,
                                          "ListUpdate 1 0\n-1 2 " + path + "\n", "ListUpdate 1 0\n1 2 %zz\n",
                                          std::string(3, '\0')};
  for (const std::string& journal : journals) {
    std::ofstream(Linux(File(u"ListUpdate.journal")), std::ios::binary) << journal;
    CUpdateFileJournal::CompleteInterrupted(store.Database());
    EXPECT_TRUE(Exists(u"NWQItems.xml"));
    EXPECT_FALSE(Exists(u"ListUpdate.journal"));
  }
}

}  // namespace
