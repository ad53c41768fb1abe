// PlaySoundW headless: what would play is recorded and answered.
//   Sound.*  resource sounds found or not in a module, sound files, stopping, the log
#include <filesystem>

#include "platform/module/Module.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/user/Sound.h"

namespace {

class Sound : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    platform::ClearSoundLog();
  }
};

TEST_F(Sound, ResourceSoundsAreFoundInTheirModule) {
  std::filesystem::create_directories(Linux(u"\\Program Files\\Slateway"));
  std::filesystem::copy_file(SLATEWAY_RESOURCE_LIBRARY, Linux(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL"));
  HMODULE library = LoadLibraryW(u"\\Program Files\\Slateway\\QVNLANGUAGE.DLL");
  ASSERT_NE(library, nullptr);
  EXPECT_TRUE(PlaySoundW(u"ADDITEMSOUNDNAME2", library, SND_RESOURCE | SND_ASYNC));
  EXPECT_TRUE(PlaySoundW(u"additemsoundname2", library, SND_RESOURCE)) << "names ignore case";
  SetLastError(0);
  EXPECT_FALSE(PlaySoundW(u"NOSUCHSOUND", library, SND_RESOURCE));
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  FreeLibrary(library);
  auto log = platform::SoundLog();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].sound, u"ADDITEMSOUNDNAME2");
  EXPECT_EQ(log[0].module, library);
  EXPECT_EQ(log[0].flags, SND_RESOURCE | SND_ASYNC);
  EXPECT_TRUE(log[0].result);
  EXPECT_FALSE(log[2].result);
}

TEST_F(Sound, FilesStopAndIntegerIds) {
  WriteText(u"\\Windows\\chime.wav", "RIFF");
  EXPECT_TRUE(PlaySoundW(u"\\Windows\\chime.wav", nullptr, SND_FILENAME));
  EXPECT_FALSE(PlaySoundW(u"\\Windows\\none.wav", nullptr, SND_FILENAME));
  EXPECT_TRUE(PlaySoundW(nullptr, nullptr, 0)) << "stopping always succeeds";
  EXPECT_FALSE(PlaySoundW(reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(7)), nullptr, SND_RESOURCE));
  auto log = platform::SoundLog();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[2].sound, u"");
  EXPECT_EQ(log[3].sound, u"#7");
  platform::ClearSoundLog();
  EXPECT_TRUE(platform::SoundLog().empty());
}

}  // namespace
