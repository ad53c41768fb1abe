// Tests of the device's contacts: an application object of the test's own, logged on, and
// the folder's items with the sample contacts a new device starts with removed.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include <gtest/gtest.h>

#include "platform/pim/Pim.h"
#include "platform/testing/DeviceFixture.h"

namespace platform::testing {

// Logs on to the device's contacts and deletes the sample contacts a new device starts
// with; the contacts folder and its items are the test's.
inline void OpenEmptyContacts(std::unique_ptr<CPOutlookApp>& app, std::unique_ptr<CPimFolder>& folder,
                              std::unique_ptr<CPimItems>& items) {
  ASSERT_EQ(CreatePOutlookApp(kPocketOutlookProgId, &app), S_OK);
  ASSERT_EQ(app->Logon(nullptr), S_OK);
  ASSERT_EQ(app->GetDefaultFolder(olFolderContacts, &folder), S_OK);
  ASSERT_EQ(folder->get_Items(&items), S_OK);
  std::unique_ptr<CPimContact> contact;
  while (items->Item(1, &contact) == S_OK) ASSERT_EQ(contact->Delete(), S_OK);
}

// `Device` is the device the test starts from: an empty one unless the test names another.
template <class Device = DeviceTest>
class ContactsTestOn : public Device {
 protected:
  void SetUp() override {
    Device::SetUp();
    std::unique_ptr<CPimFolder> folder;
    OpenEmptyContacts(app, folder, items);
  }

  // Saves a new contact with these names and categories (and what `more` puts into it);
  // its object id.
  LONG AddContact(std::u16string_view first, std::u16string_view last, std::u16string_view company,
                  std::u16string_view categories = u"", const std::function<void(CPimContact&)>& more = {}) {
    std::unique_ptr<CPimContact> c;
    EXPECT_EQ(items->Add(&c), S_OK);
    c->PutProperty(PIM_FirstName, first);
    c->PutProperty(PIM_LastName, last);
    c->PutProperty(PIM_CompanyName, company);
    c->put_Categories(categories);
    if (more) more(*c);
    EXPECT_EQ(c->Save(), S_OK);
    return c->Oid();
  }

  std::unique_ptr<CPOutlookApp> app;
  std::unique_ptr<CPimItems> items;
};
using ContactsTest = ContactsTestOn<>;

}  // namespace platform::testing
