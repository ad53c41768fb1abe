// Any bytes as a condition or sort text of the contacts (UTF-16 when the first byte is
// odd, else UTF-8): Restrict, Find and Sort either refuse it (E_INVALIDARG) or answer
// over the stored contacts, Restrict and Find agreeing, and none of them changes the store.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz/FuzzDevice.h"
#include "platform/base/Base.h"
#include "platform/pim/Pim.h"

namespace {

using fuzzing::Require;

std::u16string Text(const uint8_t* data, size_t size) {
  if (size == 0) return {};
  std::u16string text;
  if (data[0] & 1) {
    for (size_t i = 1; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    return text;
  }
  return platform::ToUtf16(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
}

// One store for the whole run, with a few contacts whose texts a condition must quote:
// conditions only read it.
struct Contacts {
  Contacts() {
    fuzzing::FuzzDevice::Get();
    Require(app.Logon(nullptr) == S_OK);
    Require(app.GetDefaultFolder(olFolderContacts, &folder) == S_OK);
    const char16_t* names[][3] = {{u"Ann \"Q\" O'Neil", u"Acme, Inc.", u"Key, West"}, {u"", u"[LastName]", u"A"}};
    for (const auto& texts : names) {
      std::unique_ptr<CPimContact> contact;
      Require(app.CreateItem(olContactItem, &contact) == S_OK);
      contact->PutProperty(PIM_LastName, texts[0]);
      contact->PutProperty(PIM_CompanyName, texts[1]);
      contact->put_Categories(texts[2]);
      Require(contact->Save() == S_OK);
    }
    count = Count();
  }
  int Count() {
    std::unique_ptr<CPimItems> items;
    int n = -1;
    Require(folder->get_Items(&items) == S_OK && items->get_Count(&n) == S_OK);
    return n;
  }
  CPOutlookApp app;
  std::unique_ptr<CPimFolder> folder;
  int count = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Contacts contacts;
  const std::u16string text = Text(data, size);
  std::unique_ptr<CPimItems> items;
  Require(contacts.folder->get_Items(&items) == S_OK);

  std::unique_ptr<CPimItems> restricted;
  HRESULT restrictResult = items->Restrict(text, &restricted);
  std::unique_ptr<CPimContact> found;
  HRESULT findResult = items->Find(text, &found);
  if (restrictResult == E_INVALIDARG) {
    Require(findResult == E_INVALIDARG);
  } else {
    Require(restrictResult == S_OK);
    int n = -1;
    Require(restricted->get_Count(&n) == S_OK && n >= 0 && n <= contacts.count);
    Require(findResult == (n > 0 ? S_OK : S_FALSE));
    for (int i = 1; i <= n; ++i) {
      std::unique_ptr<CPimContact> contact;
      Require(restricted->Item(i, &contact) == S_OK);
    }
  }
  HRESULT sortResult = items->Sort(text, size > 0 && (data[0] & 2));
  Require(sortResult == S_OK || sortResult == E_INVALIDARG);
  int n = -1;
  Require(items->get_Count(&n) == S_OK && n == contacts.count);
  Require(contacts.Count() == contacts.count);
  return 0;
}
