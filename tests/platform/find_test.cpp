// The folder search and its wildcards.
//
//   Wildcard.*    "*" and "?" ignoring case, "*.*" finding names without a dot
//   FolderFind.*  sorted results, what each entry carries (a pipe or device told apart), the
//                 end and the failures
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/testing/DeviceFixture.h"

namespace fs = std::filesystem;

namespace {

using platform::testing::DeviceTest;

TEST(Wildcard, MatchesIgnoringCase) {
  struct Case {
    const char16_t* pattern;
    const char16_t* name;
    bool matches;
  } cases[] = {
      {u"*.QVN", u"a.qvn", true},
      {u"*.qvn", u"Inv 12.QVN", true},
      {u"*.qvn", u"a.qvn.bak", false},
      {u"*.qvn", u"qvn", false},
      {u"*.*", u"README", true},
      {u"*.*", u"a.b.c", true},
      {u"*", u"anything at all", true},
      {u"*", u"", true},
      {u"?.txt", u"a.TXT", true},
      {u"?.txt", u"ab.txt", false},
      {u"a*b*c", u"aXXbYYc", true},
      {u"a*b*c", u"aXXbYY", false},
      {u"KTWInvoice.XSL", u"ktwinvoice.xsl", true},
      {u"Inv*.*", u"INV", true},
      {u"Inv*.*", u"Order", false},
      {u"*.BMP", u"logo.bmp", true},
      {u"*.BMP", u"logo.bm", false},
      {u"ÄB*", u"äbc", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::MatchesWildcard(c.pattern, c.name), c.matches)
        << platform::ToUtf8(c.pattern) << " vs " << platform::ToUtf8(c.name);
}

class FolderFind : public DeviceTest {
 protected:
  // Every name the search yields, in order; checks the search ends with ERROR_NO_MORE_FILES.
  std::vector<std::u16string> FindAll(const char16_t* pattern) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.emplace_back(data.cFileName);
    while (FindNextFileW(find, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(find));
    return names;
  }
};

TEST_F(FolderFind, NamesComeSortedIgnoringCaseAsSpelledOnDisk) {
  fs::create_directories(Root() / "Docs" / "sub");
  for (const char* name : {"b.qvn", "A.QVN", "c.QvN", "README", "note.txt"}) WriteText(u"\\Docs\\" + platform::ToUtf16(name), "x");
  EXPECT_EQ(FindAll(u"\\docs\\*.qvn"), (std::vector<std::u16string>{u"A.QVN", u"b.qvn", u"c.QvN"}));
  EXPECT_EQ(FindAll(u"\\DOCS\\*.*"), (std::vector<std::u16string>{u"A.QVN", u"b.qvn", u"c.QvN", u"note.txt", u"README", u"sub"}));
  EXPECT_EQ(FindAll(u"/Docs//*"), (std::vector<std::u16string>{u"A.QVN", u"b.qvn", u"c.QvN", u"note.txt", u"README", u"sub"}));
  EXPECT_EQ(FindAll(u"\\Docs\\readme"), (std::vector<std::u16string>{u"README"}));
  EXPECT_EQ(platform::OpenKernelHandleCount(), 0);
}

TEST_F(FolderFind, EntriesCarryAttributesSizesAndTimes) {
  fs::create_directories(Root() / "Dir" / "Folder");
  WriteText(u"\\Dir\\five.bin", "12345");
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(u"\\Dir\\*", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::u16string(data.cFileName), u"five.bin");
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  EXPECT_NE(platform::FileTimeToUInt64(data.ftLastWriteTime), 0u);
  ASSERT_TRUE(FindNextFileW(find, &data));
  EXPECT_EQ(std::u16string(data.cFileName), u"Folder");
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(FindNextFileW(find, &data));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(find));
  EXPECT_FALSE(FindClose(find));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// A pipe or a link to a device is told from a file without being opened.
TEST_F(FolderFind, EntriesThatAreNoFilesSayWhatTheyAre) {
  fs::create_directories(Root() / "Odd");
  ASSERT_EQ(::mkfifo((Root() / "Odd" / "a.qvn").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", Root() / "Odd" / "b.qvn");
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(u"\\Odd\\*.qvn", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DEVICE);
  ASSERT_TRUE(FindNextFileW(find, &data));
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DEVICE);
  EXPECT_TRUE(FindClose(find));
  EXPECT_EQ(GetFileAttributesW(u"\\Odd\\b.qvn"), FILE_ATTRIBUTE_DEVICE);
}

TEST_F(FolderFind, NoMatchAndMissingFolderFailDifferently) {
  fs::create_directories(Root() / "Empty");
  WIN32_FIND_DATAW data;
  EXPECT_EQ(FindFirstFileW(u"\\Empty\\*.*", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileW(u"\\Missing\\*.*", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(platform::OpenKernelHandleCount(), 0);
}

TEST_F(FolderFind, DotEntriesNeverComeBack) {
  fs::create_directories(Root() / "Dir");
  WriteText(u"\\Dir\\x", "1");
  for (const char16_t* pattern : {u"\\Dir\\*", u"\\Dir\\*.*", u"\\Dir\\.*", u"\\Dir\\?"}) {
    for (const std::u16string& name : FindAll(pattern)) {
      EXPECT_NE(name, u".");
      EXPECT_NE(name, u"..");
    }
  }
  EXPECT_EQ(FindAll(u"\\Dir\\.*"), std::vector<std::u16string>{});
}

TEST_F(FolderFind, SearchHandleIsNotAFileHandle) {
  WriteText(u"\\x.txt", "1");
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(u"\\*.txt", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  char buffer[4];
  DWORD read = 0;
  EXPECT_FALSE(ReadFile(find, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_TRUE(FindClose(find));
}

}  // namespace
