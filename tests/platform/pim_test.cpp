// The contacts store: condition texts (quotes and ampersands are data), sort orders,
// categories, the live collection, change notifications to a registered window, the
// property databases, the contact card and the chooser.
#include "platform/pim/Pim.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Files.h"
#include "platform/shell/Gesture.h"
#include "platform/testing/ContactsStore.h"
#include "platform/testing/ControlDrivers.h"
#include "platform/user/Screen.h"
#include "platform/testing/UiScript.h"
#include "platform/user/Controls.h"

namespace {

using platform::testing::DialogDriver;
using platform::testing::UiScript;

class Pim : public platform::testing::ContactsTest {
 protected:
  LONG Add(std::u16string_view first, std::u16string_view last, std::u16string_view company,
           std::u16string_view categories = u"") {
    return AddContact(first, last, company, categories);
  }

  // The file-as texts of a collection, in its order.
  static std::vector<std::u16string> Names(CPimItems& list) {
    std::vector<std::u16string> names;
    int count = 0;
    EXPECT_EQ(list.get_Count(&count), S_OK);
    for (int i = 1; i <= count; ++i) {
      std::unique_ptr<CPimContact> c;
      EXPECT_EQ(list.Item(i, &c), S_OK);
      names.push_back(c->Text(PIM_FileAs));
    }
    return names;
  }

  std::vector<std::u16string> Restricted(std::u16string_view condition) {
    std::unique_ptr<CPimItems> r;
    EXPECT_EQ(items->Restrict(condition, &r), S_OK) << platform::ToUtf8(condition);
    return r ? Names(*r) : std::vector<std::u16string>{};
  }

};

TEST_F(Pim, NewDeviceHoldsTheSampleCustomersAndTheStorePersists) {
  ResetPimStore();
  std::filesystem::remove(Linux(u"\\Windows\\Contacts.db"));
  std::unique_ptr<CPOutlookApp> fresh;
  ASSERT_EQ(CreatePOutlookApp(kPocketOutlookProgId, &fresh), S_OK);
  EXPECT_EQ(CreatePOutlookApp(u"Other.Application", &fresh), REGDB_E_CLASSNOTREG);
  ASSERT_EQ(CreatePOutlookApp(kPocketOutlookProgId, &fresh), S_OK);
  std::unique_ptr<CPimFolder> folder;
  EXPECT_EQ(fresh->GetDefaultFolder(olFolderContacts, &folder), E_FAIL);  // not logged on
  ASSERT_EQ(fresh->Logon(nullptr), S_OK);
  EXPECT_EQ(fresh->GetDefaultFolder(3, &folder), E_INVALIDARG);
  ASSERT_EQ(fresh->GetDefaultFolder(olFolderContacts, &folder), S_OK);
  std::unique_ptr<CPimItems> all;
  ASSERT_EQ(folder->get_Items(&all), S_OK);
  ASSERT_EQ(all->Sort(u"[CompanyName]", false), S_OK);
  // Businesses are filed under their names, a person under the person's.
  EXPECT_EQ(Names(*all), (std::vector<std::u16string>{u"Hallett, Owen", u"Birchwood Cafe", u"Maple Court Apartments",
                                                       u"O'Connell Bakery"}));
  std::unique_ptr<CPimContact> c;
  ASSERT_EQ(all->Item(2, &c), S_OK);
  EXPECT_EQ(c->Text(PIM_BusinessAddressStreet), u"12 Alder Street");
  LONG oid = c->Oid();
  // Another process start finds the same contact under the same id.
  ResetPimStore();
  ASSERT_EQ(fresh->Logon(nullptr), S_OK);
  ASSERT_EQ(fresh->GetItemFromOid(oid, &c), S_OK);
  EXPECT_EQ(c->Text(PIM_CompanyName), u"Birchwood Cafe");
  EXPECT_EQ(fresh->GetItemFromOid(99999, &c), E_INVALIDARG);
}

TEST_F(Pim, ConditionsTreatQuotesAndAmpersandsAsData) {
  Add(u"Ann", u"Lee", u"Lee & Co");
  Add(u"Bo \"Tiny\"", u"Lee", u"");
  Add(u"Cy", u"O'Hara", u"Acme");
  Add(u"Di", u"Lee", u"Lee & Co Ltd");
  EXPECT_EQ(Restricted(u"[CompanyName] = \"Lee & Co\""), (std::vector<std::u16string>{u"Lee, Ann"}));
  EXPECT_EQ(Restricted(u"[FirstName] = \"Bo \"\"Tiny\"\"\""), (std::vector<std::u16string>{u"Lee, Bo \"Tiny\""}));
  EXPECT_EQ(Restricted(u"[LastName] = \"o'hara\""), (std::vector<std::u16string>{u"O'Hara, Cy"}));
  EXPECT_EQ(Restricted(u"[LastName] = \"Lee\" AND [CompanyName] <> \"\""),
            (std::vector<std::u16string>{u"Lee, Ann", u"Lee, Di"}));
  EXPECT_EQ(Restricted(u"NOT ([LastName] = \"Lee\") OR [FirstName] = \"Di\""),
            (std::vector<std::u16string>{u"O'Hara, Cy", u"Lee, Di"}));
  // A quotation mark that is not doubled ends the text: what follows is malformed.
  std::unique_ptr<CPimItems> r;
  for (std::u16string_view bad : {u"[FirstName] = \"Bo \"Tiny\"\"", u"[Nope] = \"x\"", u"[LastName] = Lee",
                                  u"([LastName] = \"Lee\"", u"[LastName] = \"Lee", u"[LastName] \"Lee\""})
    EXPECT_EQ(items->Restrict(bad, &r), E_INVALIDARG) << platform::ToUtf8(bad);
  std::unique_ptr<CPimContact> found;
  EXPECT_EQ(items->Find(u"[LastName] = \"Nobody\"", &found), S_FALSE);
  EXPECT_EQ(found, nullptr);
  ASSERT_EQ(items->Find(u"[CompanyName] = \"Acme\"", &found), S_OK);
  EXPECT_EQ(found->Text(PIM_FirstName), u"Cy");
}

TEST_F(Pim, SortOrdersAndTheLiveCollection) {
  Add(u"Zed", u"Brown", u"Alpha");
  Add(u"", u"", u"Carrot Co");
  Add(u"Amy", u"brown", u"");
  Add(u"Ed", u"Adams", u"Beta");
  ASSERT_EQ(items->Sort(u"[LastName,CompanyName]", false), S_OK);
  EXPECT_EQ(Names(*items), (std::vector<std::u16string>{u"Carrot Co", u"Adams, Ed", u"brown, Amy", u"Brown, Zed"}));
  ASSERT_EQ(items->Sort(u"[CompanyName]", true), S_OK);
  EXPECT_EQ(Names(*items), (std::vector<std::u16string>{u"Carrot Co", u"Adams, Ed", u"Brown, Zed", u"brown, Amy"}));
  EXPECT_EQ(items->Sort(u"[LastName", false), E_INVALIDARG);
  // A restricted, sorted view follows later changes to the store.
  std::unique_ptr<CPimItems> companies;
  ASSERT_EQ(items->Restrict(u"[CompanyName] <> \"\"", &companies), S_OK);
  EXPECT_EQ(Names(*companies).size(), 3u);
  Add(u"New", u"Person", u"Delta");
  std::unique_ptr<CPimContact> c;
  ASSERT_EQ(companies->Item(1, &c), S_OK);
  EXPECT_EQ(c->Text(PIM_CompanyName), u"Delta");
  ASSERT_EQ(c->Delete(), S_OK);
  EXPECT_EQ(c->Delete(), E_FAIL);
  EXPECT_EQ(Names(*companies).size(), 3u);
  EXPECT_EQ(companies->Item(4, &c), E_INVALIDARG);
  EXPECT_EQ(companies->Item(0, &c), E_INVALIDARG);
}

TEST_F(Pim, CategoriesFilterAndFillTheCategoriesDatabase) {
  Add(u"A", u"One", u"", u"Slateway");
  Add(u"B", u"Two", u"", u"Personal, dedaderude");
  Add(u"C", u"Three", u"", u"Slateway Plus");
  EXPECT_EQ(Restricted(u"[Categories] = \"Slateway\""), (std::vector<std::u16string>{u"One, A"}));
  EXPECT_EQ(Restricted(u"[Categories] = \"DedadErude\""), (std::vector<std::u16string>{u"Two, B"}));
  EXPECT_EQ(Restricted(u"[Categories] <> \"Slateway\"").size(), 2u);

  CEOID oid = 0;
  HANDLE db = CeOpenDatabaseEx2(nullptr, &oid, u"\\Categories Database", nullptr, 0, nullptr);
  ASSERT_NE(db, INVALID_HANDLE_VALUE);
  EXPECT_EQ(oid, kCategoriesDatabaseOid);
  std::vector<std::u16string> names;
  LPBYTE buffer = nullptr;
  DWORD size = 0;
  ASSERT_NE(CeSeekDatabaseEx(db, CEDB_SEEK_BEGINNING, 0, 0, nullptr), 0u);
  WORD props = 0;
  while (CeReadRecordPropsEx(db, CEDB_ALLOWREALLOC, &(props = 0), nullptr, &buffer, &size, nullptr) != 0)
    names.push_back(reinterpret_cast<CEPROPVAL*>(buffer)[0].val.lpwstr);
  LocalFree(buffer);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Business", u"Personal", u"Slateway", u"dedaderude", u"Slateway Plus"}));
  EXPECT_TRUE(CloseHandle(db));
  EXPECT_EQ(CeOpenDatabaseEx2(nullptr, nullptr, u"Calendar Database", nullptr, 0, nullptr), INVALID_HANDLE_VALUE);
}

TEST_F(Pim, ARegisteredWindowHearsOfEveryAddChangeAndDelete) {
  HWND window = CreateWindowExW(0, u"STATIC", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  CEGUID volume;
  ASSERT_TRUE(CeMountDBVolEx(&volume, nullptr, nullptr, 0x80000003));
  HANDLE session = CeCreateSession(&volume);
  CENOTIFYREQUEST request;
  request.hwnd = window;
  request.dwFlags = CEDB_EXNOTIFICATION;
  request.dwParam = 43;
  CEOID dbOid = 0;
  HANDLE db = CeOpenDatabaseInSession(session, &volume, &dbOid, u"Contacts Database", nullptr, 0, &request);
  ASSERT_NE(db, INVALID_HANDLE_VALUE);
  auto received = [window, &request]() {
    std::vector<std::pair<UINT, CEOID>> seen;
    MSG msg;
    while (PeekMessageW(&msg, window, WM_DBNOTIFICATION, WM_DBNOTIFICATION, PM_REMOVE)) {
      auto* n = reinterpret_cast<CENOTIFICATION*>(msg.lParam);
      EXPECT_EQ(n->dwParam, 43u);
      EXPECT_EQ(n->oidParent, kContactsDatabaseOid);
      seen.push_back({n->uType, n->oid});
      EXPECT_TRUE(CeFreeNotification(&request, n));
    }
    return seen;
  };
  received();  // the emptying in SetUp happened before the request
  LONG oid = Add(u"Ann", u"Lee", u"");
  std::unique_ptr<CPimContact> c;
  ASSERT_EQ(app->GetItemFromOid(oid, &c), S_OK);
  c->PutProperty(PIM_Title, u"Dr");
  ASSERT_EQ(c->Save(), S_OK);
  ASSERT_EQ(c->Delete(), S_OK);
  CEOID id = static_cast<CEOID>(oid);
  EXPECT_EQ(received(), (std::vector<std::pair<UINT, CEOID>>{
                            {DB_CEOID_CREATED, id}, {DB_CEOID_CHANGED, id}, {DB_CEOID_RECORD_DELETED, id}}));
  EXPECT_TRUE(CloseHandle(db));
  Add(u"Bo", u"Lee", u"");
  EXPECT_TRUE(received().empty());
  EXPECT_TRUE(CloseHandle(session));
  DestroyWindow(window);
}

TEST_F(Pim, TheContactCardEditsAndSaves) {
  std::unique_ptr<CPimContact> c;
  ASSERT_EQ(app->CreateItem(olContactItem, &c), S_OK);
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) { d.Cancel(); });
  EXPECT_EQ(c->Display(), S_FALSE);
  EXPECT_EQ(c->Oid(), 0);
  ui.ExpectDialog(0, [](DialogDriver& d) {
    d.TypeInto(kContactCardFirstField + 1, u"Quill");
    d.TypeInto(kContactCardFirstField + 2, u"Quill & Ink");
    d.Ok();
  });
  ASSERT_EQ(c->Display(), S_OK);
  ASSERT_NE(c->Oid(), 0);
  ui.ExpectDialog(0, [](DialogDriver& d) {
    EXPECT_EQ(d.Text(kContactCardFirstField + 2), u"Quill & Ink");
    d.TypeInto(kContactCardFirstField, u"Pen");
    d.Ok();
  });
  ASSERT_EQ(c->Display(), S_OK);
  std::unique_ptr<CPimContact> stored;
  ASSERT_EQ(app->GetItemFromOid(c->Oid(), &stored), S_OK);
  EXPECT_EQ(stored->Text(PIM_FileAs), u"Quill, Pen");
  EXPECT_EQ(stored->Text(PIM_CompanyName), u"Quill & Ink");
}

TEST_F(Pim, TheChooserFindsByLettersAndReportsCancel) {
  Add(u"Ann", u"Adams", u"");
  LONG miller = Add(u"Max", u"Miller", u"");
  Add(u"Zoe", u"Moss", u"");
  CHOOSECONTACT choose;
  choose.lpszTitle = u"Contacts List";
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) {
    EXPECT_EQ(d.Caption(), u"Contacts List");
    EXPECT_EQ(d.Rows(kChooserList), (std::vector<std::u16string>{u"Adams, Ann", u"Miller, Max", u"Moss, Zoe"}));
    d.TypeInto(kChooserSearch, u"mi");
    EXPECT_EQ(d.Selection(kChooserList), 1);
    EXPECT_TRUE(d.IsVisible(IDOK) && d.IsVisible(IDCANCEL));  // so OK and Cancel are tapped by pen
    d.Ok();
  });
  ASSERT_EQ(ChooseContact(&choose), S_OK);
  EXPECT_EQ(choose.oidContactID, miller);
  EXPECT_EQ(std::u16string(choose.bstrContactName), u"Miller, Max");
  SysFreeString(choose.bstrContactName);
  ui.ExpectDialog(0, [](DialogDriver& d) { d.Cancel(); });
  EXPECT_EQ(ChooseContact(&choose), E_ABORT);
  choose.cbSize = 52;
  EXPECT_EQ(ChooseContact(&choose), E_INVALIDARG);
  EXPECT_EQ(ChooseContact(nullptr), E_INVALIDARG);
}

// Two pen-downs on one row within the double-tap time choose it; two taps further apart
// in time, or on different rows, only select.
TEST_F(Pim, ADoubleTapOnARowChoosesIt) {
  Add(u"Ann", u"Adams", u"");
  LONG miller = Add(u"Max", u"Miller", u"");
  CHOOSECONTACT choose;
  UiScript ui;
  ui.ExpectDialog(0, [](DialogDriver& d) {
    platform::testing::ListViewDriver list = d.ListView(kChooserList);
    list.Tap(0).Tap(1);  // another row: no double tap
    EXPECT_EQ(d.Selection(kChooserList), 1);
    platform::TestClock::Advance(platform::kDoubleTapMilliseconds + 1);
    list.Tap(1);  // too late: a single tap again
    EXPECT_TRUE(IsWindow(d.Window()));
    list.Tap(1);
  });
  ASSERT_EQ(ChooseContact(&choose), S_OK);
  EXPECT_EQ(choose.oidContactID, miller);
  SysFreeString(choose.bstrContactName);
}

// The chooser fills the screen between the bars, and on the high-resolution screen every
// size of its frame doubles; the held second tap of a double tap is a hold, not a choice.
TEST_F(Pim, TheChooserFillsTheScreenAtBothSizesAndAHeldTapIsNoChoice) {
  Add(u"Ann", u"Adams", u"");
  CHOOSECONTACT choose;
  std::vector<RECT> dialogs, oks;
  for (auto profile : {platform::ScreenProfile::Portrait240x320, platform::ScreenProfile::Portrait480x640}) {
    platform::SetScreenProfile(profile);
    UiScript ui;
    ui.ExpectDialog(0, [&](DialogDriver& d) {
      RECT r;
      GetWindowRect(d.Window(), &r);
      dialogs.push_back(r);
      GetWindowRect(d.Control(IDOK), &r);
      oks.push_back(r);
      platform::testing::ListViewDriver list = d.ListView(kChooserList);
      list.Tap(0).Hold(0);
      EXPECT_TRUE(IsWindow(d.Window()));
      d.Cancel();
    });
    EXPECT_EQ(ChooseContact(&choose), E_ABORT);
  }
  platform::ResetScreenAndVersion();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(std::make_tuple(dialogs[0].left, dialogs[0].top, dialogs[0].right, dialogs[0].bottom),
            std::make_tuple(0, 26, 240, 294));
  EXPECT_EQ(std::make_tuple(dialogs[1].left, dialogs[1].top, dialogs[1].right, dialogs[1].bottom),
            std::make_tuple(0, 52, 480, 588));
  EXPECT_EQ(oks[1].bottom - oks[1].top, 2 * (oks[0].bottom - oks[0].top));
  EXPECT_EQ(oks[1].right, 480 - 8);
}

}  // namespace
