// Loading the language library at start-up and interface texts by id.
//
// Groups:
//   ResourceLibrary.*   the start-up load from the program folder and its failure box
//   ResourceText.*      LoadResString, LoadResStringInto, LoadResStringMember
#include <gtest/gtest.h>

#include <fstream>

#include "LanguageLibraryFixture.h"
#include "core/RegistryKey.h"
#include "platform/testing/MessageBoxScript.h"
#include "resources/resource_ids.h"

namespace {

using platform::testing::MessageBoxScript;
using slateway::testing::LanguageLibraryTest;

// ---- ResourceLibrary -------------------------------------------------------------------

TEST_F(LanguageLibraryTest, ResourceLibraryLoadsFromTheProgramFolder) {
  EXPECT_EQ(GetResourceLibraryPath(), u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL");
  HINSTANCE instance = GetResourceInstance();
  ASSERT_NE(instance, nullptr);
  WCHAR path[MAX_PATH];
  EXPECT_EQ(std::u16string(path, GetModuleFileNameW(instance, path, MAX_PATH)),
            u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL");
  FreeResourceLibrary();
  EXPECT_EQ(GetResourceInstance(), nullptr);
  EXPECT_EQ(LoadResText(40113), u"") << "no text after the library is freed";
}

class BrokenInstallationTest : public LanguageLibraryTest {
 protected:
  BrokenInstallationTest() { m_loadLibrary = false; }

  void ExpectStartFails() {
    MessageBoxScript boxes;
    boxes.Expect(u"Failed to load resources library. Please re-install.").Caption(u"Slateway").Style(48);
    EXPECT_FALSE(LoadResourceLibrary());
    EXPECT_EQ(GetResourceInstance(), nullptr);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].owner, nullptr);
  }
};

TEST_F(BrokenInstallationTest, ResourceLibraryMissingShowsTheFixedMessage) {
  std::filesystem::remove(Linux(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL"));
  ExpectStartFails();
}

TEST_F(BrokenInstallationTest, ResourceLibraryTruncatedShowsTheFixedMessage) {
  std::filesystem::resize_file(Linux(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL"), 3000);
  ExpectStartFails();
}

TEST_F(BrokenInstallationTest, ResourceLibraryGarbageShowsTheFixedMessage) {
  std::ofstream(Linux(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL"), std::ios::trunc) << "MZ not really";
  ExpectStartFails();
}

TEST_F(BrokenInstallationTest, ResourceLibraryElsewhereThanProgramPathIsNotFound) {
  CRegistryKey().SetString(CBstr(u"ProgramPath"), CBstr(u"\\Program Files\\Other"));
  ExpectStartFails();
}

// ---- ResourceText ----------------------------------------------------------------------

TEST_F(LanguageLibraryTest, ResourceTextLoadResStringGivesANewText) {
  CBstr invoice = LoadResString(40113);
  EXPECT_EQ(invoice.str(), u"Invoice");
  CBstr missing = LoadResString(40117);
  EXPECT_FALSE(missing.IsNull()) << "a missing id gives an empty text, not null";
  EXPECT_TRUE(missing.IsEmpty());
  EXPECT_EQ(LoadResText(40343), u"Sales Receipt");
}

TEST_F(LanguageLibraryTest, ResourceTextLoadIntoCutsAndReportsWhetherAnythingLoaded) {
  WCHAR buffer[32];
  EXPECT_TRUE(LoadResStringInto(40343, buffer, 6));
  EXPECT_EQ(std::u16string(buffer), u"Sales");
  EXPECT_TRUE(LoadResStringInto(40343, buffer, 32));
  EXPECT_EQ(std::u16string(buffer), u"Sales Receipt");
  EXPECT_FALSE(LoadResStringInto(40343, buffer, 1)) << "room for the terminator only";
  EXPECT_EQ(buffer[0], u'\0');
  buffer[0] = u'x';
  EXPECT_FALSE(LoadResStringInto(40119, buffer, 32));
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_FALSE(LoadResStringInto(40113, nullptr, 32));
}

TEST_F(LanguageLibraryTest, ResourceTextLoadMemberReplacesTheOldText) {
  BSTR member = SysAllocString(u"old text");
  EXPECT_TRUE(LoadResStringMember(member, 40115));
  EXPECT_EQ(std::u16string(member), u"Credit Memo");
  EXPECT_FALSE(LoadResStringMember(member, 40117));
  ASSERT_NE(member, nullptr);
  EXPECT_EQ(SysStringLen(member), 0u);
  SysFreeString(member);

  CBstr owned(u"old");
  EXPECT_TRUE(LoadResStringMember(owned, 40120));
  EXPECT_EQ(owned.str(), u"Memorized");
  EXPECT_FALSE(LoadResStringMember(owned, 0));
  EXPECT_TRUE(owned.IsEmpty());
}

TEST_F(LanguageLibraryTest, ResourceTextLoadsAreCutAt1024Characters) {
  std::filesystem::copy_file(SLATEWAY_TEST_RESOURCE_LIBRARY, Linux(u"\\TESTRES.DLL"));
  HMODULE testLibrary = LoadLibraryW(u"\\TESTRES.DLL");
  ASSERT_NE(testLibrary, nullptr);
  HINSTANCE program = GetResourceInstance();
  SetResourceInstance(testLibrary);
  // Text 100 holds 1500 digits; a load returns the first 1023 and the terminator.
  CBstr text = LoadResString(100);
  EXPECT_EQ(text.Length(), 1023u);
  EXPECT_EQ(text.view().substr(1020), u"012");
  std::vector<WCHAR> big(2000);
  EXPECT_TRUE(LoadResStringInto(100, big.data(), 2000));
  EXPECT_EQ(std::u16string(big.data()).size(), 1500u) << "a caller's buffer sets its own limit";
  SetResourceInstance(program);
  FreeLibrary(testLibrary);
}

// Every message and caption the built program loads by id is in the library, with
// exactly the placeholders its caller fills and no stray blanks at either end. A box
// that compares its text with LoadResText would pass on an empty (missing) text, so the
// library itself is checked here.
TEST_F(LanguageLibraryTest, ResourceTextProgramMessagesHaveTheirPlaceholders) {
  const struct {
    UINT id;
    const char16_t* placeholders;  // the % directives in order, "" for a plain text
  } messages[] = {
      {IDS_NEWER_DOCUMENT_VERSION, u"%s"},
      {IDS_DOCTYPE_INVOICE, u""}, {IDS_DOCTYPE_ESTIMATE, u""}, {IDS_DOCTYPE_SALES_RECEIPT, u""},
      {IDS_DOCTYPE_PAYMENT, u""}, {IDS_DOCTYPE_SALES_ORDER, u""}, {IDS_DOCTYPE_CREDIT_MEMO, u""},
      {IDS_DOCTYPE_MEMORIZED, u""},
      {IDS_PROGRESS_ABORTED, u""}, {IDS_MENUBAR_FAILED, u""}, {IDS_HTML_CONTROL_FAILED, u""},
      {IDS_OUT_OF_MEMORY, u""}, {IDS_TEXT_OUT_OF_MEMORY, u""}, {IDS_SAVE_AS_DEFAULT_MESSAGE, u""},
      {IDS_CONFIRM_START_INVOICE, u""}, {IDS_CONFIRM_START_ESTIMATE, u""},
      {IDS_CONFIRM_START_SALES_RECEIPT, u""}, {IDS_CONFIRM_START_PAYMENT, u""},
      {IDS_CONFIRM_START_SALES_ORDER, u""}, {IDS_CONFIRM_START_CREDIT_MEMO, u""},
      {IDS_DB_INSERT_FAILED, u"%d"}, {IDS_DB_NEW_DATABASE, u"%s"}, {IDS_DB_UPDATE_FAILED, u"%d"},
      {IDS_EXPORT_FAILED, u""}, {IDS_FILE_NOT_WRITTEN, u"%s"}, {IDS_EXPORT_PAGE_NOT_WRITTEN, u""},
      {IDS_EXPORT_TRANSFORM_FAILED, u""}, {IDS_NUMBER_TAKEN_RENUMBER, u""},
      {IDS_EXPORT_LOGO_NOT_COPIED, u""}, {IDS_EXPORT_SIGNATURE_NOT_COPIED, u""},
      {IDS_PRICE_LEVEL_CHANGED, u""}, {IDS_CONFIRM_VOID, u""},
  };
  for (const auto& m : messages) {
    const std::u16string text = LoadResText(m.id);
    ASSERT_FALSE(text.empty()) << "id " << m.id;
    EXPECT_NE(text.front(), u' ') << "id " << m.id;
    EXPECT_NE(text.back(), u' ') << "id " << m.id;
    EXPECT_EQ(text.find(u"  "), std::u16string::npos) << "id " << m.id;
    std::u16string directives;
    for (size_t at = text.find(u'%'); at != std::u16string::npos && at + 1 < text.size();
         at = text.find(u'%', at + 2))
      directives += text.substr(at, 2);
    EXPECT_EQ(directives, m.placeholders) << "id " << m.id;
  }
}

// The pictures the program draws by id are bitmaps of the sizes it lays them out for.
TEST_F(LanguageLibraryTest, ResourceTextLibraryHoldsTheProgramsBitmapsAndSound) {
  struct Bitmap {
    WORD id;
    int width, height;
  } bitmaps[] = {
      {141, 13, 13}, {155, 16, 16}, {170, 16, 16}, {171, 16, 16}, {173, 16, 16}, {181, 9, 9},
      {184, 16, 16}, {185, 16, 16}, {186, 16, 16}, {191, 22, 22}, {192, 22, 22}, {193, 22, 22},
      {194, 22, 22}, {204, 240, 80}, {250, 32, 16}, {253, 32, 16}, {255, 32, 16},
  };
  HMODULE library = GetResourceInstance();
  auto dword = [](const BYTE* p) { return static_cast<int>(p[0] | (p[1] << 8) | (p[2] << 16) | (p[3] << 24)); };
  for (const Bitmap& b : bitmaps) {
    HRSRC found = FindResourceW(library, MAKEINTRESOURCEW(b.id), RT_BITMAP);
    ASSERT_NE(found, nullptr) << "bitmap " << b.id;
    const auto* info = static_cast<const BYTE*>(LockResource(LoadResource(library, found)));
    ASSERT_GE(SizeofResource(library, found), 40u);
    EXPECT_EQ(dword(info), 40) << "bitmap " << b.id;
    EXPECT_EQ(dword(info + 4), b.width) << "bitmap " << b.id;
    EXPECT_EQ(dword(info + 8), b.height) << "bitmap " << b.id;
    // 24-bit rows padded to four bytes follow the header.
    EXPECT_EQ(SizeofResource(library, found), 40u + static_cast<DWORD>(((b.width * 3 + 3) & ~3) * b.height));
  }
  HRSRC sound = FindResourceW(library, u"ADDITEMSOUNDNAME2", u"WAVE");
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(LockResource(LoadResource(library, sound))), 4), "RIFF");
}

}  // namespace
