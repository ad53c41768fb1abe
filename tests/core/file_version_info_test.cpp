// CFileVersionInfo: the program's own version, other modules, tables and code pages.

#include <gtest/gtest.h>

#include "core/FileVersionInfo.h"
#include "platform/module/Module.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/version/ProgramVersion.h"

namespace {

using platform::version::VersionResource;

class FileVersionInfo : public platform::testing::DeviceTest {
 protected:
  void TearDown() override {
    platform::version::ClearModuleVersions();
    platform::SetProgramModulePath(u"\\Program Files\\Slateway\\Slateway.exe");
    DeviceTest::TearDown();
  }

  static VersionResource Resource(DWORD signature, std::vector<DWORD> translations) {
    VersionResource r;
    r.fixed.dwSignature = signature;
    r.fixed.dwFileVersionMS = 0x00070001;
    r.stringTables.push_back({0x0409, 1252, {{u"ProductName", u"Default table"}}});
    r.stringTables.push_back({0x0407, 0x04B0, {{u"ProductName", u"Deutsche Tabelle"}}});
    r.translations = std::move(translations);
    return r;
  }
};

TEST_F(FileVersionInfo, TheProgramReadsItsOwnVersion) {
  using namespace platform::version::program;
  CFileVersionInfo info;
  EXPECT_EQ(info.GetString(u"ProductVersion"), u"") << "no version data before a load";
  ASSERT_TRUE(info.Load(nullptr));
  EXPECT_EQ(info.GetFixedInfo().dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(info.GetFixedInfo().dwFileVersionMS, (kMajor << 16) | kMinor);
  EXPECT_EQ(info.GetLanguage(), 0x0409);
  EXPECT_EQ(info.GetCodePage(), 1252);
  EXPECT_EQ(info.GetString(u"ProductVersion"), std::u16string(kVersionText));
  EXPECT_EQ(info.GetString(u"ProductName"), u"Slateway");
  EXPECT_EQ(info.GetString(u"NoSuchValue"), u"");
}

TEST_F(FileVersionInfo, TheProgramIsFoundWhereverItsModuleSaysItIs) {
  platform::SetProgramModulePath(u"\\Storage Card\\Apps\\SW5.exe");
  CFileVersionInfo info;
  ASSERT_TRUE(info.Load(nullptr));
  EXPECT_EQ(info.GetString(u"OriginalFilename"), u"Slateway.exe");
}

TEST_F(FileVersionInfo, AModuleThatIsNotLoadedFailsAndLeavesNoData) {
  CFileVersionInfo info;
  ASSERT_TRUE(info.Load(nullptr));
  EXPECT_FALSE(info.Load(u"NotLoaded.dll"));
  EXPECT_EQ(info.GetFixedInfo().dwSignature, 0u);
  EXPECT_EQ(info.GetString(u"ProductName"), u"");
  EXPECT_EQ(info.GetCodePage(), 1252);
}

TEST_F(FileVersionInfo, TheTranslationChoosesTheTable) {
  struct Case {
    std::vector<DWORD> translations;
    WORD language, codePage;
    const char16_t* productName;
  } cases[] = {
      {{MAKELONG(0x0407, 0x04B0)}, 0x0407, 0x04B0, u"Deutsche Tabelle"},
      {{MAKELONG(0x0409, 1252), MAKELONG(0x0407, 0x04B0)}, 0x0409, 1252, u"Default table"},
      {{}, 0x0409, 1252, u"Default table"},  // no translation list: code page 1252
      {{MAKELONG(0x040C, 1252)}, 0x040C, 1252, u""},  // a table the block lacks
  };
  for (const Case& c : cases) {
    platform::version::RegisterModuleVersion(u"Helper.dll",
                                             BuildVersionBlock(Resource(VS_FFI_SIGNATURE, c.translations)));
    CFileVersionInfo info;
    ASSERT_TRUE(info.LoadFile(u"\\Windows\\Helper.dll"));
    EXPECT_EQ(info.GetLanguage(), c.language);
    EXPECT_EQ(info.GetCodePage(), c.codePage);
    EXPECT_EQ(info.GetString(u"ProductName"), c.productName);
  }
}

TEST_F(FileVersionInfo, AWrongSignatureAnswersFalse) {
  platform::version::RegisterModuleVersion(u"Helper.dll", BuildVersionBlock(Resource(0x12345678, {})));
  CFileVersionInfo info;
  EXPECT_FALSE(info.LoadFile(u"Helper.dll"));
  EXPECT_EQ(info.GetFixedInfo().dwFileVersionMS, 0x00070001u) << "the fixed information is still copied";
}

TEST_F(FileVersionInfo, AFileWithoutVersionBlock) {
  WriteText(u"\\Windows\\plain.dll", "MZ");
  CFileVersionInfo info;
  EXPECT_FALSE(info.LoadFile(u"\\Windows\\plain.dll"));
  EXPECT_EQ(info.GetString(u"ProductName"), u"");
}

}  // namespace
