// The clipboard, special folders and storage cards.
//
// Groups: Clipboard* (open/close rules, ownership of the blocks, text of format 1);
// SpecialFolders* (paths, item lists, unknown ids); FlashCards* (listed and inserted
// cards, order, removal, handles).
#include <cstring>
#include <string>
#include <vector>

#include "platform/shell/FlashCards.h"
#include "platform/shell/SpecialFolders.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/user/Clipboard.h"

namespace {

class Clipboard : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    platform::ResetClipboard();
  }
  void TearDown() override {
    platform::ResetClipboard();
    DeviceTest::TearDown();
  }
  static HANDLE TextBlock(std::u16string_view text) {
    auto* block = static_cast<WCHAR*>(LocalAlloc(LPTR, (text.size() + 1) * sizeof(WCHAR)));
    text.copy(block, text.size());
    return block;
  }
  HWND window = reinterpret_cast<HWND>(0x1234);
};

TEST_F(Clipboard, OnlyOneOpenerAtATimeAndCallsNeedItOpen) {
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_FALSE(CloseClipboard());
  ASSERT_TRUE(OpenClipboard(window));
  EXPECT_FALSE(OpenClipboard(nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(CloseClipboard());
}

TEST_F(Clipboard, HoldsTextOfFormatOneAsUtf16UntilEmptied) {
  ASSERT_TRUE(OpenClipboard(window));
  ASSERT_TRUE(EmptyClipboard());
  HANDLE block = TextBlock(u"Invoice \u20AC12");
  EXPECT_EQ(SetClipboardData(CF_TEXT, block), block);
  // Replacing the block frees the old one (the sanitizer run would see a leak otherwise).
  HANDLE second = TextBlock(u"Second");
  EXPECT_EQ(SetClipboardData(CF_TEXT, second), second);
  EXPECT_EQ(SetClipboardData(CF_TEXT, nullptr), nullptr);
  ASSERT_TRUE(CloseClipboard());
  EXPECT_EQ(GetClipboardOwner(), window);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));

  ASSERT_TRUE(OpenClipboard(nullptr));
  auto* text = static_cast<const WCHAR*>(GetClipboardData(CF_TEXT));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text), u"Second");
  EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);
  ASSERT_TRUE(EmptyClipboard());
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

TEST_F(Clipboard, OneBlockGivenForTwoFormatsIsFreedOnce) {
  ASSERT_TRUE(OpenClipboard(window));
  ASSERT_TRUE(EmptyClipboard());
  HANDLE shared = TextBlock(u"Shared");
  ASSERT_EQ(SetClipboardData(CF_TEXT, shared), shared);
  ASSERT_EQ(SetClipboardData(CF_UNICODETEXT, shared), shared);
  // Replacing it under one format keeps it alive for the other.
  ASSERT_NE(SetClipboardData(CF_TEXT, TextBlock(u"Other")), nullptr);
  EXPECT_EQ(std::u16string(static_cast<const WCHAR*>(GetClipboardData(CF_UNICODETEXT))), u"Shared");
  ASSERT_EQ(SetClipboardData(CF_TEXT, shared), shared);
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_TRUE(CloseClipboard());
}

using SpecialFolders = platform::testing::DeviceTest;

TEST_F(SpecialFolders, KnownFoldersByPathAndByItemList) {
  struct Row {
    int csidl;
    const char16_t* path;
  } rows[] = {{CSIDL_PERSONAL, u"\\My Documents"}, {CSIDL_APPDATA, u"\\Application Data"}, {CSIDL_WINDOWS, u"\\Windows"},
              {CSIDL_PROGRAM_FILES, u"\\Program Files"}};
  for (const auto& r : rows) {
    WCHAR path[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPath(nullptr, path, r.csidl, FALSE));
    EXPECT_EQ(std::u16string(path), r.path);
    LPITEMIDLIST list = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, r.csidl, &list), S_OK);
    WCHAR fromList[MAX_PATH] = {};
    EXPECT_TRUE(SHGetPathFromIDList(list, fromList));
    EXPECT_EQ(std::u16string(fromList), r.path);
    SHFree(list);
  }
}

TEST_F(SpecialFolders, ItemListsOfBrokenSizesGiveNoPath) {
  // An item of 3 bytes (less than one character) and one of 523 (261 characters and a
  // stray byte): neither may write outside the MAX_PATH buffer.
  for (USHORT cb : {USHORT{3}, USHORT{2 + 2 * MAX_PATH + 1}}) {
    std::vector<BYTE> list(cb + sizeof(USHORT), 'a');
    std::memcpy(list.data(), &cb, sizeof cb);
    struct {
      WCHAR path[MAX_PATH];
      WCHAR guard = u'G';
    } out{};
    out.path[0] = u'x';
    EXPECT_EQ(SHGetPathFromIDList(reinterpret_cast<LPCITEMIDLIST>(list.data()), out.path),
              cb == 3 ? FALSE : TRUE) << cb;
    EXPECT_EQ(out.guard, u'G') << cb;
    if (cb == 3) {
      EXPECT_EQ(out.path[0], u'\0');
    }
  }
}

TEST_F(SpecialFolders, UnknownIdsFailAndCreateMakesTheFolder) {
  WCHAR path[MAX_PATH] = {u'x', 0};
  EXPECT_FALSE(SHGetSpecialFolderPath(nullptr, path, 0x77, FALSE));
  LPITEMIDLIST list = reinterpret_cast<LPITEMIDLIST>(0x1);
  EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, 0x77, &list), E_INVALIDARG);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(GetFileAttributesW(u"\\Application Data"), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(SHGetSpecialFolderPath(nullptr, path, CSIDL_APPDATA, TRUE));
  EXPECT_NE(GetFileAttributesW(u"\\Application Data") & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

class FlashCards : public platform::testing::DeviceTest {
 protected:
  static std::vector<std::u16string> Enumerate() {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFlashCard(&data);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY);
      names.emplace_back(data.cFileName);
    } while (FindNextFlashCard(search, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindCloseFlashCard(search));
    return names;
  }
};

TEST_F(FlashCards, NoCardMeansNoSearch) {
  WIN32_FIND_DATAW data;
  EXPECT_EQ(FindFirstFlashCard(&data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  // A folder in the root is no card until it is listed.
  ASSERT_TRUE(CreateDirectoryW(u"\\Storage Card", nullptr));
  EXPECT_EQ(FindFirstFlashCard(&data), INVALID_HANDLE_VALUE);
}

TEST_F(FlashCards, InsertedCardsComeInListOrderAndOnlyWhilePresent) {
  ASSERT_TRUE(platform::InsertStorageCard(u"Storage Card"));
  ASSERT_TRUE(platform::InsertStorageCard(u"SD Card"));
  ASSERT_TRUE(platform::InsertStorageCard(u"storage card"));  // listed once
  EXPECT_EQ(platform::ListedStorageCards(), (std::vector<std::u16string>{u"Storage Card", u"SD Card"}));
  EXPECT_EQ(Enumerate(), (std::vector<std::u16string>{u"Storage Card", u"SD Card"}));
  EXPECT_NE(GetFileAttributesW(u"\\SD Card"), INVALID_FILE_ATTRIBUTES);

  ASSERT_TRUE(RemoveDirectoryW(u"\\SD Card"));  // taken out
  EXPECT_EQ(Enumerate(), (std::vector<std::u16string>{u"Storage Card"}));
  EXPECT_TRUE(platform::RemoveStorageCard(u"STORAGE CARD"));
  EXPECT_FALSE(platform::RemoveStorageCard(u"Nowhere"));
  EXPECT_TRUE(Enumerate().empty());
  EXPECT_FALSE(platform::InsertStorageCard(u"A\\B"));
  EXPECT_EQ(platform::OpenFlashCardSearchCount(), 0);
}

TEST_F(FlashCards, ClosedOrForeignHandlesAreRefused) {
  ASSERT_TRUE(platform::InsertStorageCard(u"Storage Card"));
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFlashCard(&data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform::OpenFlashCardSearchCount(), 1);
  EXPECT_TRUE(FindCloseFlashCard(search));
  EXPECT_FALSE(FindNextFlashCard(search, &data));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(FindCloseFlashCard(search));
  EXPECT_FALSE(FindCloseFlashCard(reinterpret_cast<HANDLE>(0x42)));
}

}  // namespace
