// Version resources.
//
//   ProgramVersion.*   the program's own block: names it answers to, fixed info, texts
//   VersionFiles.*     files without a block, missing files, short buffers
//   VersionQuery.*     blocks built here: several tables, no translation, odd queries
//   VersionDamage.*    damaged blocks are refused without reading outside them

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/testing/DeviceFixture.h"
#include "platform/version/ProgramVersion.h"
#include "platform/version/Version.h"

namespace {

using platform::version::BuildVersionBlock;
using platform::version::VersionResource;

class VersionTest : public platform::testing::DeviceTest {
 protected:
  void TearDown() override {
    platform::version::ClearModuleVersions();
    DeviceTest::TearDown();
  }

  std::vector<BYTE> BlockOf(LPCWSTR fileName) {
    DWORD handle = 7;
    DWORD size = GetFileVersionInfoSizeW(fileName, &handle);
    EXPECT_EQ(handle, 0u);
    std::vector<BYTE> block(size);
    if (size != 0) {
      EXPECT_TRUE(GetFileVersionInfoW(fileName, handle, size, block.data()));
    }
    return block;
  }

  // The text a query answers, or "<none>".
  static std::u16string Text(const std::vector<BYTE>& block, LPCWSTR path) {
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path, &value, &length)) return u"<none>";
    std::u16string text(static_cast<const WCHAR*>(value), length);
    EXPECT_EQ(text.back(), u'\0') << "the length counts the terminating null";
    text.pop_back();
    return text;
  }
};

// ---- ProgramVersion --------------------------------------------------------------------------

TEST_F(VersionTest, TheProgramAnswersByItsFileNameWithOrWithoutFolderAndExtension) {
  const std::vector<BYTE> block = BlockOf(u"\\Program Files\\Slateway\\Slateway.exe");
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(BlockOf(u"SLATEWAY.EXE"), block);
  EXPECT_EQ(BlockOf(u"\\Program Files\\Slateway\\Slateway"), block);
  EXPECT_TRUE(BlockOf(u"\\Program Files\\Slateway\\Slateway.dll").empty());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(VersionTest, TheProgramsFixedInfoCarriesTheBuildVersion) {
  using namespace platform::version::program;
  const std::vector<BYTE> block = BlockOf(u"Slateway.exe");
  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO info;
  std::memcpy(&info, value, sizeof info);
  EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(info.dwStrucVersion, 0x00010000u);
  EXPECT_EQ(info.dwFileVersionMS, (kMajor << 16) | kMinor);
  EXPECT_EQ(info.dwFileVersionLS, (kPatch << 16) | kTweak);
  EXPECT_EQ(info.dwProductVersionMS, info.dwFileVersionMS);
  EXPECT_EQ(info.dwFileType, VFT_APP);
}

TEST_F(VersionTest, TheProgramsTextsAndTranslation) {
  using namespace platform::version::program;
  const std::vector<BYTE> block = BlockOf(u"Slateway.exe");
  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  DWORD translation = 0;
  std::memcpy(&translation, value, 4);
  EXPECT_EQ(translation, 0x04E40409u) << "US English, code page 1252";

  EXPECT_EQ(Text(block, u"\\StringFileInfo\\040904e4\\ProductVersion"), std::u16string(kVersionText));
  EXPECT_EQ(Text(block, u"\\StringFileInfo\\040904E4\\fileversion"), std::u16string(kVersionText))
      << "names ignore case";
  EXPECT_EQ(Text(block, u"\\StringFileInfo\\040904e4\\ProductName"), u"Slateway");
  EXPECT_EQ(Text(block, u"\\StringFileInfo\\040904e4\\CompanyName"), u"VendelSoftware");
  EXPECT_EQ(Text(block, u"\\StringFileInfo\\040904e4\\OriginalFilename"), u"Slateway.exe");
  EXPECT_EQ(Text(block, u"\\StringFileInfo\\040904e4\\Comments"), u"<none>");
  EXPECT_EQ(Text(block, u"\\StringFileInfo\\04070000\\ProductName"), u"<none>");
}

// ---- VersionFiles -------------------------------------------------------------------------------

TEST_F(VersionTest, FilesWithoutABlockAndMissingFiles) {
  WriteText(u"\\Windows\\notes.txt", "plain");
  DWORD handle = 0;
  EXPECT_EQ(GetFileVersionInfoSizeW(u"\\Windows\\notes.txt", &handle), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  EXPECT_EQ(GetFileVersionInfoSizeW(u"\\Windows\\missing.dll", &handle), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileVersionInfoSizeW(nullptr, &handle), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  BYTE buffer[16];
  EXPECT_FALSE(GetFileVersionInfoW(u"\\Windows\\notes.txt", 0, sizeof buffer, buffer));
}

TEST_F(VersionTest, AShortBufferIsRefusedUntouched) {
  DWORD size = GetFileVersionInfoSizeW(u"Slateway.exe", nullptr);
  ASSERT_GT(size, 100u);
  std::vector<BYTE> buffer(size, 0xAB);
  EXPECT_FALSE(GetFileVersionInfoW(u"Slateway.exe", 0, size - 1, buffer.data()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(buffer, std::vector<BYTE>(size, 0xAB));
}

// ---- VersionQuery -------------------------------------------------------------------------------

VersionResource TwoTables() {
  VersionResource r;
  r.fixed.dwSignature = VS_FFI_SIGNATURE;
  r.fixed.dwFileVersionMS = 0x00020003;
  r.stringTables.push_back({0x0407, 1252, {{u"ProductName", u"Schiefer"}, {u"Empty", u""}}});
  r.stringTables.push_back({0x0409, 0x04B0, {{u"ProductName", u"Slate"}, {u"Odd", u"abc"}}});
  r.translations = {MAKELONG(0x0409, 0x04B0), MAKELONG(0x0407, 1252)};
  return r;
}

TEST_F(VersionTest, RegisteredModulesAnswerWithTheirOwnBlock) {
  platform::version::RegisterModuleVersion(u"\\Windows\\Helper.dll", BuildVersionBlock(TwoTables()));
  const std::vector<BYTE> block = BlockOf(u"\\Some Folder\\HELPER.DLL");
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(Text(block, u"\\StringFileInfo\\040704e4\\ProductName"), u"Schiefer");
  EXPECT_EQ(Text(block, u"\\StringFileInfo\\040904b0\\ProductName"), u"Slate");
  EXPECT_EQ(Text(block, u"\\StringFileInfo\\040904b0\\Odd"), u"abc") << "odd lengths keep alignment";
  EXPECT_EQ(Text(block, u"\\StringFileInfo\\040704e4\\Empty"), u"");
  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
  EXPECT_EQ(length, 8u);

  platform::version::RegisterModuleVersion(u"Helper.dll", {});
  EXPECT_TRUE(BlockOf(u"\\Some Folder\\HELPER.DLL").empty()) << "an empty block removes it";
}

TEST_F(VersionTest, ABlockWithoutTranslationOrTextsAnswersOnlyItsFixedInfo) {
  VersionResource r;
  r.fixed.dwSignature = VS_FFI_SIGNATURE;
  const std::vector<BYTE> block = BuildVersionBlock(r);
  LPVOID value = nullptr;
  UINT length = 0;
  EXPECT_TRUE(VerQueryValueW(block.data(), u"\\", &value, &length));
  EXPECT_TRUE(VerQueryValueW(block.data(), u"", &value, &length)) << "an empty path is the root too";
  EXPECT_FALSE(VerQueryValueW(block.data(), u"\\VarFileInfo\\Translation", &value, &length));
  EXPECT_EQ(value, nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_FALSE(VerQueryValueW(block.data(), u"\\StringFileInfo\\040904e4\\ProductName", &value, &length));
  EXPECT_FALSE(VerQueryValueW(nullptr, u"\\", &value, &length));
  EXPECT_FALSE(VerQueryValueW(block.data(), nullptr, &value, &length));
}

// ---- VersionDamage ------------------------------------------------------------------------------

TEST_F(VersionTest, DamagedBlocksAreRefusedWithoutReadingPastThem) {
  const std::vector<BYTE> good = BuildVersionBlock(TwoTables());
  // Offsets of words in the first string node's header, found by the key's position.
  struct Damage {
    const char* what;
    size_t at;  // byte offset of the WORD to overwrite, from the block's start
    WORD value;
  } cases[] = {
      {"root shorter than its header", 0, 4},
      {"root cut inside its key", 0, 20},
      {"fixed info longer than the root", 2, 0x7FFF},
  };
  for (const Damage& d : cases) {
    std::vector<BYTE> block = good;
    block[d.at] = static_cast<BYTE>(d.value & 0xFF);
    block[d.at + 1] = static_cast<BYTE>(d.value >> 8);
    // Copy into a buffer exactly as long as the root claims, so any read past it is caught
    // by the address sanitizer.
    const size_t claimed = std::min<size_t>(block.size(), block[0] | (block[1] << 8));
    std::vector<BYTE> exact(block.begin(), block.begin() + std::max<size_t>(claimed, 2));
    LPVOID value = nullptr;
    UINT length = 0;
    EXPECT_FALSE(VerQueryValueW(exact.data(), u"\\", &value, &length)) << d.what;
    EXPECT_FALSE(VerQueryValueW(exact.data(), u"\\StringFileInfo\\040904b0\\Odd", &value, &length)) << d.what;
  }

  // Every child length made too large or too small: queries either miss or answer within
  // the block.
  for (size_t at = 40; at + 1 < good.size(); at += 2) {
    std::vector<BYTE> block = good;
    block[at] = 0xFF;
    block[at + 1] = 0x7F;
    LPVOID value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), u"\\StringFileInfo\\040904b0\\Odd", &value, &length)) {
      const BYTE* p = static_cast<const BYTE*>(value);
      EXPECT_GE(p, block.data());
      EXPECT_LE(p + 2 * length, block.data() + block.size()) << "at " << at;
    }
  }
}

}  // namespace
