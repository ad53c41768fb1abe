// CCryptoHelper and ScrambleText.
//
//   CryptoHelperKeys.*     key set-up on a fresh and on a prepared device
//   CryptoHelperCipher.*   known answers, round trips, other pass phrases, long inputs
//   CryptoHelperBuffers.*  output buffers too small are refused untouched
//   CryptoHelperFaults.*   every failure path: its answer and its last-error text
//   ScrambleText.*         its own inverse, NULs and apostrophes kept by length

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/CryptoHelper.h"
#include "platform/crypt/Crypt.h"
#include "platform/testing/DeviceFixture.h"

namespace {

using platform::crypt::FailNext;
using platform::crypt::Step;

std::vector<BYTE> Utf16Le(std::u16string_view text) {
  std::vector<BYTE> out;
  for (char16_t c : text) {
    out.push_back(static_cast<BYTE>(c & 0xFF));
    out.push_back(static_cast<BYTE>(c >> 8));
  }
  return out;
}

std::string Hex(const std::vector<BYTE>& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (BYTE b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 0xF];
  }
  return out;
}

class CryptoHelper : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    platform::crypt::ClearFailures();
  }
  void TearDown() override {
    platform::crypt::ClearFailures();
    platform::ClearFaults();
    EXPECT_EQ(platform::crypt::OpenCryptHandleCount(), 0) << "handles left open";
    DeviceTest::TearDown();
  }

  // True when the program's container holds the key pair.
  static bool HasKeyPair(DWORD spec) {
    HCRYPTPROV prov = 0;
    if (!CryptAcquireContextW(&prov, u"Slateway", nullptr, PROV_RSA_FULL, 0)) return false;
    HCRYPTKEY key = 0;
    const bool found = CryptGetUserKey(prov, spec, &key);
    if (found) CryptDestroyKey(key);
    CryptReleaseContext(prov, 0);
    return found;
  }

  // Encrypts (or decrypts) with the helper; empty with `ok` false on failure.
  static std::vector<BYTE> Run(CCryptoHelper& helper, const std::vector<BYTE>& input, LPCWSTR passPhrase,
                               bool encrypt, BOOL* ok = nullptr) {
    std::vector<BYTE> output(input.size() + 4, 0xEE);
    DWORD length = static_cast<DWORD>(output.size());
    const BOOL result =
        encrypt ? helper.EncrpytString(input.data(), static_cast<DWORD>(input.size()), output.data(), &length, passPhrase)
                : helper.DecryptString(input.data(), static_cast<DWORD>(input.size()), output.data(), &length, passPhrase);
    if (ok != nullptr) *ok = result;
    if (!result) {
      EXPECT_EQ(output, std::vector<BYTE>(input.size() + 4, 0xEE)) << "a failure writes no output";
      return {};
    }
    EXPECT_EQ(length, input.size()) << "the output is as long as the input";
    output.resize(length);
    return output;
  }
};

// ---- CryptoHelperKeys ------------------------------------------------------------------------

TEST_F(CryptoHelper, AFreshDeviceGetsTheContainerAndBothKeyPairs) {
  CCryptoHelper helper;
  EXPECT_TRUE(helper.IsInitialised());
  EXPECT_TRUE(HasKeyPair(AT_SIGNATURE));
  EXPECT_TRUE(HasKeyPair(AT_KEYEXCHANGE));
  // The set-up noted the missing signature pair on its way; it is not a failure.
  EXPECT_EQ(helper.GetLastErrorText(), u"CryptGetUserKey failed NTE_NO_KEY");

  Restart();
  CCryptoHelper again;
  EXPECT_TRUE(again.IsInitialised());
  EXPECT_EQ(again.GetLastErrorText(), u"No Error") << "everything was there already";
}

// ---- CryptoHelperCipher ------------------------------------------------------------------------

TEST_F(CryptoHelper, TheProgramsPassPhraseGivesTheBaseProviderCipherText) {
  CCryptoHelper helper;
  const std::vector<BYTE> cipher = Run(helper, Utf16Le(u"1234"), kReaderPasswordPassPhrase, true);
  EXPECT_EQ(Hex(cipher), "5ce195073679299e");
  EXPECT_EQ(Run(helper, cipher, kReaderPasswordPassPhrase, false), Utf16Le(u"1234"));
}

TEST_F(CryptoHelper, RoundTripsKeepEveryLength) {
  CCryptoHelper helper;
  for (size_t length : {0u, 1u, 2u, 31u, 62u, 80u, 8192u, 8193u, 20000u}) {
    std::vector<BYTE> plain(length);
    for (size_t i = 0; i < length; ++i) plain[i] = static_cast<BYTE>(i * 7 + 3);
    BOOL ok = FALSE;
    const std::vector<BYTE> cipher = Run(helper, plain, kReaderPasswordPassPhrase, true, &ok);
    ASSERT_TRUE(ok) << length;
    if (length > 4) {
      EXPECT_NE(cipher, plain) << length;
    }
    EXPECT_EQ(Run(helper, cipher, kReaderPasswordPassPhrase, false, &ok), plain) << length;
    EXPECT_TRUE(ok) << "inputs longer than 8192 bytes decrypt too: " << length;
  }
}

TEST_F(CryptoHelper, AnotherPassPhraseDecryptsToOtherBytes) {
  CCryptoHelper helper;
  const std::vector<BYTE> plain = Utf16Le(u"reader-secret");
  const std::vector<BYTE> cipher = Run(helper, plain, kReaderPasswordPassPhrase, true);
  BOOL ok = FALSE;
  const std::vector<BYTE> wrong = Run(helper, cipher, u"rqz52Hoc", false, &ok);
  EXPECT_TRUE(ok) << "RC4 has no integrity check";
  EXPECT_EQ(wrong.size(), plain.size());
  EXPECT_NE(wrong, plain);
  EXPECT_NE(Run(helper, plain, nullptr, true), cipher) << "a null pass phrase hashes as empty";
}

// ---- CryptoHelperBuffers ------------------------------------------------------------------------

TEST_F(CryptoHelper, AnOutputBufferShorterThanTheInputIsRefused) {
  CCryptoHelper helper;
  const std::vector<BYTE> input(100, 0x5A);
  for (bool encrypt : {true, false}) {
    std::vector<BYTE> output(99, 0xEE);
    DWORD length = 99;
    const BOOL result = encrypt ? helper.EncrpytString(input.data(), 100, output.data(), &length, u"x")
                                : helper.DecryptString(input.data(), 100, output.data(), &length, u"x");
    EXPECT_FALSE(result);
    EXPECT_EQ(length, 100u) << "the size needed comes back";
    EXPECT_EQ(output, std::vector<BYTE>(99, 0xEE));
  }
  EXPECT_EQ(helper.GetLastErrorText(), u"The output buffer of EncrpytString is too small.");
  std::vector<BYTE> output(10);
  DWORD length = 10;
  EXPECT_FALSE(helper.EncrpytString(nullptr, 4, output.data(), &length, u"x")) << "no input bytes for a length";
}

// ---- CryptoHelperFaults ---------------------------------------------------------------------------

struct KeyFault {
  const char* what;
  bool prepared;  // the container and both pairs exist beforehand
  Step step;
  DWORD error;
  int times;
  int skip;
  const char16_t* text;
};

TEST_F(CryptoHelper, EveryKeySetUpFailureHasItsTextAndDisablesTheObject) {
  const KeyFault cases[] = {
      {"open and create fail", false, Step::AcquireContext, 0, 2, 0,
       u"CryptAcquireContext with 0 CRYPT_NEWKEYSET failed: "},
      {"open fails, container exists", true, Step::AcquireContext, 0, 1, 0,
       u"CryptAcquireContext with 0 CRYPT_NEWKEYSET failed: "},
      {"signature pair unreadable", true, Step::GetUserKey, NTE_BAD_KEYSET, 1, 0, u"CryptGetUserKey failed"},
      {"signature pair not made", false, Step::GenKey, 0, 1, 0, u"CryptGenKey failed"},
      {"exchange pair unreadable", true, Step::GetUserKey, NTE_BAD_UID, 1, 1, u"Error during CryptGetUserKey!"},
      {"exchange pair not made", false, Step::GenKey, 0, 1, 1, u"Error during CryptGenKey!"},
  };
  for (const KeyFault& c : cases) {
    Restart();
    std::filesystem::remove_all(Linux(platform::crypt::kContainerFolder));
    if (c.prepared) CCryptoHelper prepare;
    FailNext(c.step, c.error, c.times, c.skip);
    CCryptoHelper helper;
    platform::crypt::ClearFailures();
    EXPECT_FALSE(helper.IsInitialised()) << c.what;
    EXPECT_EQ(helper.GetLastErrorText(), c.text) << c.what;
    EXPECT_EQ(platform::crypt::OpenCryptHandleCount(), 0) << c.what;

    // Such an object refuses both operations even though the provider works again.
    BOOL ok = TRUE;
    Run(helper, Utf16Le(u"1234"), kReaderPasswordPassPhrase, true, &ok);
    EXPECT_FALSE(ok) << c.what;
    Run(helper, Utf16Le(u"1234"), kReaderPasswordPassPhrase, false, &ok);
    EXPECT_FALSE(ok) << c.what;
    EXPECT_EQ(helper.GetLastErrorText(), c.text) << "the refusal keeps the set-up's text";
  }
}

TEST_F(CryptoHelper, EveryEncryptionFailureHasItsText) {
  struct Case {
    Step step;
    int times;
    const char16_t* text;
  } cases[] = {
      {Step::AcquireContext, 2, u"A cryptographic service handle could not be acquired."},
      {Step::AcquireContext, 1, u"A cryptographic service handle could not be acquired."},
      {Step::CreateHash, 1, u"CryptCreateHash failed!"},
      {Step::HashData, 1, u"CryptHashData failed!"},
      {Step::DeriveKey, 1, u"CryptDeriveKey failed!"},
      {Step::Encrypt, 1, u"CryptEncrypt Error in EncrpytString!"},
  };
  CCryptoHelper helper;
  ASSERT_TRUE(helper.IsInitialised());
  for (const Case& c : cases) {
    FailNext(c.step, 0, c.times);
    BOOL ok = TRUE;
    Run(helper, Utf16Le(u"1234"), kReaderPasswordPassPhrase, true, &ok);
    platform::crypt::ClearFailures();
    EXPECT_FALSE(ok) << Hex(Utf16Le(c.text));
    EXPECT_EQ(helper.GetLastErrorText(), c.text);
    EXPECT_EQ(platform::crypt::OpenCryptHandleCount(), 0) << "every path releases what it took";
  }

  platform::InjectFault(platform::Fault::Allocation);
  BOOL ok = TRUE;
  Run(helper, Utf16Le(u"1234"), kReaderPasswordPassPhrase, true, &ok);
  platform::ClearFaults();
  EXPECT_FALSE(ok);
  EXPECT_EQ(helper.GetLastErrorText(), u"Malloc Error in EncrpytString!");

  // After the failures the object works as before.
  EXPECT_EQ(Hex(Run(helper, Utf16Le(u"1234"), kReaderPasswordPassPhrase, true)), "5ce195073679299e");
}

TEST_F(CryptoHelper, DecryptionFailuresAnswerZeroAndKeepTheText) {
  CCryptoHelper helper;
  const std::u16string before = helper.GetLastErrorText();
  for (Step step : {Step::AcquireContext, Step::CreateHash, Step::HashData, Step::DeriveKey, Step::Decrypt}) {
    FailNext(step);
    BOOL ok = TRUE;
    Run(helper, Utf16Le(u"1234"), kReaderPasswordPassPhrase, false, &ok);
    platform::crypt::ClearFailures();
    EXPECT_FALSE(ok) << static_cast<int>(step);
    EXPECT_EQ(helper.GetLastErrorText(), before);
  }
  EXPECT_EQ(platform::crypt::OpenCryptHandleCount(), 0);
}

// ---- ScrambleText -------------------------------------------------------------------------------

std::vector<unsigned> Units(std::u16string_view text) { return {text.begin(), text.end()}; }

TEST(ScrambleText, KnownResultsIncludingNulAndApostrophe) {
  struct Case {
    std::u16string plain;
    std::vector<unsigned> scrambled;
  } cases[] = {
      {u"01 - Jan", {0x41, 0x44, 0x49, 0x48, 0x54, 0x22, 0x00, 0x1C}},
      {u"10 - Oct", {0x40, 0x45, 0x49, 0x48, 0x54, 0x27, 0x02, 0x06}},
      {u"quietharbour", std::vector<unsigned>(12, 0)},
      {u"4111111111111111", {0x45, 0x44, 0x58, 0x54, 0x45, 0x59, 0x50, 0x43, 0x53, 0x5E, 0x44, 0x43, 0x40, 0x44, 0x58, 0x54}},
  };
  for (const Case& c : cases) {
    std::u16string text = c.plain;
    ScrambleText(text);
    EXPECT_EQ(Units(text), c.scrambled);
    EXPECT_EQ(text.size(), c.plain.size()) << "a NUL in the result does not shorten it";
    ScrambleText(text);
    EXPECT_EQ(text, c.plain) << "scrambling twice gives the text back";
  }
}

TEST(ScrambleText, EmptyAndLongTexts) {
  std::u16string empty;
  ScrambleText(empty);
  EXPECT_TRUE(empty.empty());
  std::u16string longText(70000, u'\0');
  for (size_t i = 0; i < longText.size(); ++i) longText[i] = static_cast<char16_t>(i * 31);
  const std::u16string original = longText;
  ScrambleText(longText);
  EXPECT_EQ(longText[69999], static_cast<char16_t>(original[69999] ^ u"quietharbour"[69999 % 12]));
  ScrambleText(longText);
  EXPECT_EQ(longText, original);
}

TEST(ScrambleText, ABstrIsScrambledOverItsWholeLength) {
  CBstr text(std::u16string_view(u"01 - Jan"));
  ScrambleText(text.get());
  EXPECT_EQ(text.Length(), 8u);
  EXPECT_EQ(Units(text.view()), (std::vector<unsigned>{0x41, 0x44, 0x49, 0x48, 0x54, 0x22, 0x00, 0x1C}));
  ScrambleText(text.get()) ;
  EXPECT_EQ(text.view(), u"01 - Jan") << "the NUL in the middle did not stop the second pass";
  ScrambleText(static_cast<BSTR>(nullptr));
}

}  // namespace
