// The reader password kept encrypted, and the high-resolution screen test.

#include <gtest/gtest.h>

#include <vector>

#include "core/CryptoHelper.h"
#include "core/Preferences.h"
#include "core/ReaderPassword.h"
#include "core/ScreenResolution.h"
#include "platform/crypt/Crypt.h"
#include "platform/gdi/Gdi.h"
#include "platform/testing/DeviceFixture.h"
#include "platform/testing/MessageBoxScript.h"
#include "platform/user/Screen.h"

namespace {

class ReaderPassword : public platform::testing::DeviceTest {
 protected:
  void TearDown() override {
    platform::crypt::ClearFailures();
    platform::ResetScreenAndVersion();
    DeviceTest::TearDown();
  }

  static std::vector<BYTE> Encrypt(std::u16string_view password) {
    std::vector<BYTE> out(password.size() * 2 + 8, 0xEE);
    DWORD length = static_cast<DWORD>(out.size());
    EXPECT_TRUE(EncryptReaderPassword(password, out.data(), &length));
    out.resize(length);
    return out;
  }

  static std::u16string Decrypt(const std::vector<BYTE>& stored, DWORD* charactersOut = nullptr) {
    DWORD length = static_cast<DWORD>(stored.size());
    std::u16string password = u"stale";
    DecryptReaderPassword(stored.data(), &length, password);
    EXPECT_EQ(length, password.size());
    if (charactersOut != nullptr) *charactersOut = length;
    return password;
  }
};

TEST_F(ReaderPassword, StoredEncryptedAndReadBackThroughThePreferences) {
  const std::vector<BYTE> cipher = Encrypt(u"1234");
  EXPECT_EQ(cipher, (std::vector<BYTE>{0x5c, 0xe1, 0x95, 0x07, 0x36, 0x79, 0x29, 0x9e}))
      << "the password's UTF-16 characters under the program's pass phrase";
  {
    CPreferences prefs;
    ASSERT_TRUE(prefs.SetBinary(u"ReaderPwd", cipher.data(), static_cast<DWORD>(cipher.size())));
  }
  Restart();
  CPreferences prefs;
  std::vector<BYTE> stored(80);
  DWORD count = 80;
  ASSERT_TRUE(prefs.GetBinary(u"ReaderPwd", stored.data(), count));
  stored.resize(count);
  DWORD characters = 0;
  EXPECT_EQ(Decrypt(stored, &characters), u"1234");
  EXPECT_EQ(characters, 4u);
}

TEST_F(ReaderPassword, PasswordsOfEveryLengthComeBackWhole) {
  for (size_t length : {1u, 31u, 32u, 40u, 200u}) {
    std::u16string password;
    for (size_t i = 0; i < length; ++i) password += static_cast<char16_t>(u'a' + i % 26);
    EXPECT_EQ(Decrypt(Encrypt(password)), password)
        << length << " characters: longer values than the old 32-unit buffer are read whole";
  }
  EXPECT_EQ(Decrypt(Encrypt(u"\u00e9t\u00e9")), u"\u00e9t\u00e9");
}

TEST_F(ReaderPassword, NullOrEmptyStoredBytesGiveAnEmptyPassword) {
  std::u16string password = u"stale";
  DWORD length = 12;
  DecryptReaderPassword(nullptr, &length, password);
  EXPECT_EQ(password, u"");
  EXPECT_EQ(length, 0u);
  BYTE one = 0;
  length = 0;
  password = u"stale";
  DecryptReaderPassword(&one, &length, password);
  EXPECT_EQ(password, u"");
}

TEST_F(ReaderPassword, ThePasswordEndsAtItsFirstNull) {
  std::u16string withNull(u"ab\0cd", 5);
  EXPECT_EQ(Decrypt(Encrypt(withNull)), u"ab");
  std::vector<BYTE> odd = Encrypt(u"xyz");
  odd.push_back(0x33);  // a stray byte after the characters is not half a character
  EXPECT_EQ(Decrypt(odd), u"xyz");
}

TEST_F(ReaderPassword, AnEncryptionFailureShowsTheCryptoErrorAndReportsIt) {
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(u"CryptDeriveKey failed!").Caption(u"Slateway").Style(48);
  platform::crypt::FailNext(platform::crypt::Step::DeriveKey);
  std::vector<BYTE> out(8, 0xEE);
  DWORD length = 8;
  EXPECT_FALSE(EncryptReaderPassword(u"1234", out.data(), &length));
  EXPECT_EQ(out, std::vector<BYTE>(8, 0xEE)) << "nothing to store";
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].owner, nullptr);
}

TEST_F(ReaderPassword, AKeySetUpFailureShowsItsText) {
  platform::testing::MessageBoxScript boxes;
  boxes.Expect(u"CryptAcquireContext with 0 CRYPT_NEWKEYSET failed: ").Caption(u"Slateway").Style(48);
  platform::crypt::FailNext(platform::crypt::Step::AcquireContext, 0, 2);
  std::vector<BYTE> out(8);
  DWORD length = 8;
  EXPECT_FALSE(EncryptReaderPassword(u"1234", out.data(), &length));
  EXPECT_EQ(boxes.Pending(), 0u);
}

TEST_F(ReaderPassword, AnUndecryptableValueGivesAnEmptyPassword) {
  const std::vector<BYTE> cipher = Encrypt(u"1234");
  platform::crypt::FailNext(platform::crypt::Step::Decrypt);
  EXPECT_EQ(Decrypt(cipher), u"");
}

TEST_F(ReaderPassword, HighResolutionScreens) {
  struct Case {
    int width, height;
    bool high;
  } cases[] = {
      {240, 320, false}, {320, 240, false}, {480, 640, true}, {640, 480, true},
      {800, 480, true},  {480, 800, true},  {480, 480, false}, {640, 640, true},
  };
  const int liveBefore = platform::LiveGdiObjectCount();
  for (const Case& c : cases) {
    platform::SetScreenSize(c.width, c.height);
    EXPECT_EQ(IsHighResolutionScreen(), c.high) << c.width << "x" << c.height;
  }
  EXPECT_EQ(platform::LiveGdiObjectCount(), liveBefore) << "the screen's context is given back";
}

}  // namespace
