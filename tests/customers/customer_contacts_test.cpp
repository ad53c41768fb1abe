// The customer list over the device's contacts: it follows changes of the contacts, and
// the category menu limits it to one category.
#include <gtest/gtest.h>

#include <filesystem>

#include "../core/LanguageLibraryFixture.h"
#include "core/Preferences.h"
#include "core/ResourceText.h"
#include "customers/CustomerListWnd.h"
#include "datastore/ContactsSource.h"
#include "platform/module/Module.h"
#include "platform/testing/ContactsStore.h"
#include "platform/testing/UiScript.h"

namespace {

class ContactsList : public platform::testing::ContactsTestOn<slateway::testing::LanguageLibraryTest> {
 protected:
  void SetUp() override {
    ContactsTestOn::SetUp();
    preferences = std::make_unique<CPreferences>();
    preferences->SetUseOutlook(true);  // contacts mode, which imported settings bring: what this is about
  }
  void TearDown() override {
    window.reset();
    source.reset();
    preferences->SetUseOutlook(false);
    preferences.reset();
    ContactsTestOn::TearDown();
  }
  CCustomerListWnd& Open() {
    source = std::make_unique<CContactsSource>(nullptr);
    window = std::make_unique<CCustomerListWnd>(GetResourceInstance(), nullptr, source.get(), preferences.get());
    window->StartLoader(CCustomerLoader::kPriorityBelowNormal);
    window->Show(nullptr, CCustomerListWnd::kManageMode);
    return *window;
  }
  // What the list shows once the changes have arrived and its loader has finished.
  int Rows() {
    platform::PumpMessages();
    window->WaitForLoader();
    platform::PumpMessages();
    return platform::testing::ListViewDriver(window->ListWindow()).Count();
  }

  std::unique_ptr<CPreferences> preferences;
  std::unique_ptr<CContactsSource> source;
  std::unique_ptr<CCustomerListWnd> window;
};

TEST_F(ContactsList, FollowsAChangeOfTheContacts) {
  AddContact(u"Nora", u"Lindqvist", u"Birchwood Cafe", u"Slateway");
  AddContact(u"Owen", u"Hallett", u"", u"Slateway");
  Open();
  EXPECT_EQ(Rows(), 2);
  AddContact(u"Zoe", u"Quill", u"", u"DedadErude");
  EXPECT_EQ(Rows(), 3);
  std::unique_ptr<CPimContact> gone;
  ASSERT_EQ(items->Item(1, &gone), S_OK);
  ASSERT_EQ(gone->Delete(), S_OK);
  EXPECT_EQ(Rows(), 2);
}

TEST_F(ContactsList, TheCategoryMenuLimitsTheList) {
  AddContact(u"Nora", u"Lindqvist", u"Birchwood Cafe", u"Slateway");
  AddContact(u"Zoe", u"Quill", u"", u"DedadErude");
  CCustomerListWnd& list = Open();
  ASSERT_EQ(Rows(), 2);
  platform::testing::UiScript ui;
  ui.ExpectPopupMenu([](platform::testing::MenuDriver& menu) {
    ASSERT_FALSE(menu.Items().empty());
    EXPECT_EQ(menu.Items()[0].text, u"All Contacts");
    EXPECT_TRUE(menu.Items()[0].checked);
    menu.Choose(u"DedadErude");
  });
  SendMessageW(list.GetHwnd(), WM_COMMAND, CCustomerListWnd::kTitleButtonId, 0);
  EXPECT_EQ(list.Filter(), u"DedadErude");
  EXPECT_EQ(Rows(), 1);
}

TEST(ContactChanges, ChangesDuringTheListUpdateWaitForActivation) {
  EXPECT_EQ(ClassifyContactChange(true, true, DB_CEOID_CHANGED, true, false), ContactChange::kAtActivation);
  EXPECT_EQ(ClassifyContactChange(false, false, DB_CEOID_CHANGED, true, false), ContactChange::kIgnore);
  EXPECT_EQ(ClassifyContactChange(true, false, DB_CEOID_CREATED, true, true), ContactChange::kSelectCreated);
  EXPECT_EQ(ClassifyContactChange(true, false, DB_CEOID_CREATED, true, false), ContactChange::kReloadNow);
  EXPECT_EQ(ClassifyContactChange(true, false, DB_CEOID_RECORD_DELETED, false, true), ContactChange::kReloadLater);
}

}  // namespace
