// The cryptographic provider.
//
//   Rc4.*              the cipher against published test vectors
//   CryptDerive.*      the Base provider's 40-bit key from an MD5 hash, known answers
//   CryptStream.*      key streams across calls, lengths, buffers and hashes of the data
//   CryptContainer.*   containers and key pairs kept under the device root
//   CryptErrors.*      bad handles, flags and algorithms
//   CryptFaults.*      each step made to fail changes nothing and reports its error

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/crypt/Crypt.h"
#include "platform/crypt/Rc4.h"
#include "platform/testing/DeviceFixture.h"

namespace {

using platform::crypt::FailNext;
using platform::crypt::Step;

std::vector<BYTE> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

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

std::vector<BYTE> FromHex(std::string_view hex) {
  std::vector<BYTE> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<BYTE>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return out;
}

class CryptTest : public platform::testing::DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    platform::crypt::ClearFailures();
  }
  void TearDown() override {
    platform::crypt::ClearFailures();
    EXPECT_EQ(platform::crypt::OpenCryptHandleCount(), 0) << "a test left handles open";
    DeviceTest::TearDown();
  }

  // A context on a fresh container of the given name.
  HCRYPTPROV NewContainer(LPCWSTR name = u"Slateway") {
    HCRYPTPROV prov = 0;
    EXPECT_TRUE(CryptAcquireContextW(&prov, name, nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
    return prov;
  }

  // RC4 key derived from the pass phrase's UTF-16LE bytes.
  HCRYPTKEY DeriveFrom(HCRYPTPROV prov, std::u16string_view passPhrase, DWORD flags = CRYPT_EXPORTABLE) {
    HCRYPTHASH hash = 0;
    EXPECT_TRUE(CryptCreateHash(prov, CALG_MD5, 0, 0, &hash));
    std::vector<BYTE> data = Utf16Le(passPhrase);
    EXPECT_TRUE(CryptHashData(hash, data.data(), static_cast<DWORD>(data.size()), 0));
    HCRYPTKEY key = 0;
    EXPECT_TRUE(CryptDeriveKey(prov, CALG_RC4, hash, flags, &key));
    EXPECT_TRUE(CryptDestroyHash(hash));
    return key;
  }

  std::vector<BYTE> Encrypt(HCRYPTKEY key, std::vector<BYTE> data, BOOL final = TRUE) {
    DWORD length = static_cast<DWORD>(data.size());
    EXPECT_TRUE(CryptEncrypt(key, 0, final, 0, data.data(), &length, length));
    EXPECT_EQ(length, data.size());
    return data;
  }

  bool ContainerFileExists(std::u16string_view name) {
    return std::filesystem::exists(
        Linux(std::u16string(platform::crypt::kContainerFolder) + u"\\" + std::u16string(name) + u".key"));
  }
};

// ---- Rc4 ------------------------------------------------------------------------------------

TEST(Rc4, MatchesPublishedVectors) {
  struct Case {
    std::string_view key, plain, cipher;
  } cases[] = {
      {"Key", "Plaintext", "bbf316e8d940af0ad3"},
      {"Wiki", "pedia", "1021bf0420"},
      {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> key = Bytes(c.key), data = Bytes(c.plain);
    platform::crypt::Rc4 rc4(key.data(), key.size());
    rc4.Apply(data.data(), data.size());
    EXPECT_EQ(Hex(data), c.cipher) << c.key;
  }
}

TEST(Rc4, StreamContinuesAcrossCallsUntilReset) {
  std::vector<BYTE> key = Bytes("Key"), data = Bytes("Plaintext");
  platform::crypt::Rc4 rc4(key.data(), key.size());
  rc4.Apply(data.data(), 4);
  rc4.Apply(data.data() + 4, data.size() - 4);
  EXPECT_EQ(Hex(data), "bbf316e8d940af0ad3");
  rc4.Reset(key.data(), key.size());
  rc4.Apply(data.data(), data.size());
  EXPECT_EQ(data, Bytes("Plaintext"));
}

// ---- CryptDerive ------------------------------------------------------------------------------

TEST_F(CryptTest, DeriveGivesTheBaseProviderForty_BitKey) {
  HCRYPTPROV prov = NewContainer();
  HCRYPTKEY key = DeriveFrom(prov, u"rqz52Hob");
  std::vector<BYTE> cipher = Encrypt(key, Utf16Le(u"1234"));
  EXPECT_EQ(Hex(cipher), "5ce195073679299e");
  EXPECT_NE(Hex(cipher), "68c8892a8217ca8c") << "the full 128-bit hash must not be the key";

  // The same cipher text comes from RC4 under the hash's first 5 bytes and 11 zero bytes,
  // while the whole hash as key gives the other one.
  std::vector<BYTE> salted = FromHex("70d79ac4ec0000000000000000000000");
  std::vector<BYTE> plain = Utf16Le(u"1234");
  platform::crypt::Rc4(salted.data(), salted.size()).Apply(plain.data(), plain.size());
  EXPECT_EQ(plain, cipher);
  std::vector<BYTE> full = FromHex("70d79ac4eceba2fec388f4f4acd3b44b");
  plain = Utf16Le(u"1234");
  platform::crypt::Rc4(full.data(), full.size()).Apply(plain.data(), plain.size());
  EXPECT_EQ(Hex(plain), "68c8892a8217ca8c");

  CryptDestroyKey(key);
  CryptReleaseContext(prov, 0);
}

TEST_F(CryptTest, DeriveWithoutSaltUsesTheFiveBytesAlone) {
  HCRYPTPROV prov = NewContainer();
  HCRYPTKEY key = DeriveFrom(prov, u"rqz52Hob", CRYPT_EXPORTABLE | CRYPT_NO_SALT | (40u << 16));
  std::vector<BYTE> five = FromHex("70d79ac4ec");
  std::vector<BYTE> expected = Utf16Le(u"1234");
  platform::crypt::Rc4(five.data(), five.size()).Apply(expected.data(), expected.size());
  EXPECT_EQ(Encrypt(key, Utf16Le(u"1234")), expected);
  CryptDestroyKey(key);
  CryptReleaseContext(prov, 0);
}

TEST_F(CryptTest, DeriveFromAVerifyContextNeedsNoContainer) {
  HCRYPTPROV prov = 0;
  ASSERT_TRUE(CryptAcquireContextW(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  HCRYPTKEY key = DeriveFrom(prov, u"rqz52Hob");
  EXPECT_EQ(Hex(Encrypt(key, Utf16Le(u"1234"))), "5ce195073679299e");
  CryptDestroyKey(key);
  CryptReleaseContext(prov, 0);
  EXPECT_FALSE(std::filesystem::exists(Linux(platform::crypt::kContainerFolder)));
}

TEST_F(CryptTest, DeriveRefusesOtherKeyLengthsAndAlgorithms) {
  HCRYPTPROV prov = NewContainer();
  HCRYPTHASH hash = 0;
  ASSERT_TRUE(CryptCreateHash(prov, CALG_MD5, 0, 0, &hash));
  HCRYPTKEY key = 0;
  struct Case {
    ALG_ID alg;
    DWORD flags;
    DWORD error;
  } cases[] = {
      {CALG_RC4, 128u << 16, NTE_BAD_FLAGS},
      {CALG_RC4, 56u << 16, NTE_BAD_FLAGS},
      {CALG_RC4, 0x4, NTE_BAD_FLAGS},
      {CALG_MD5, 0, NTE_BAD_ALGID},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(CryptDeriveKey(prov, c.alg, hash, c.flags, &key));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(key, 0u);
  }
  CryptDestroyHash(hash);
  CryptReleaseContext(prov, 0);
}

// ---- CryptStream ------------------------------------------------------------------------------

TEST_F(CryptTest, EachFinalCallStartsAFreshKeyStream) {
  HCRYPTPROV prov = NewContainer();
  HCRYPTKEY key = DeriveFrom(prov, u"rqz52Hob");
  std::vector<BYTE> once = Encrypt(key, Utf16Le(u"1234"));
  EXPECT_EQ(Encrypt(key, Utf16Le(u"1234")), once);

  // Non-final calls run the stream on: two halves make the whole.
  std::vector<BYTE> whole = Utf16Le(u"1234");
  std::vector<BYTE> first(whole.begin(), whole.begin() + 3), second(whole.begin() + 3, whole.end());
  first = Encrypt(key, first, FALSE);
  second = Encrypt(key, second, TRUE);
  first.insert(first.end(), second.begin(), second.end());
  EXPECT_EQ(first, once);

  // Decryption undoes it with the same key.
  DWORD length = static_cast<DWORD>(once.size());
  ASSERT_TRUE(CryptDecrypt(key, 0, TRUE, 0, once.data(), &length));
  EXPECT_EQ(once, Utf16Le(u"1234"));
  CryptDestroyKey(key);
  CryptReleaseContext(prov, 0);
}

TEST_F(CryptTest, LengthsAndBuffers) {
  HCRYPTPROV prov = NewContainer();
  HCRYPTKEY key = DeriveFrom(prov, u"rqz52Hob");
  DWORD length = 9;
  EXPECT_TRUE(CryptEncrypt(key, 0, TRUE, 0, nullptr, &length, 0)) << "a size query";
  EXPECT_EQ(length, 9u);

  std::vector<BYTE> data(8, 0x41);
  length = 8;
  EXPECT_FALSE(CryptEncrypt(key, 0, TRUE, 0, data.data(), &length, 7));
  EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
  EXPECT_EQ(data, std::vector<BYTE>(8, 0x41)) << "nothing encrypted";

  length = 0;
  EXPECT_TRUE(CryptEncrypt(key, 0, TRUE, 0, data.data(), &length, 8));
  EXPECT_EQ(length, 0u);
  EXPECT_FALSE(CryptEncrypt(key, 0, TRUE, 0, data.data(), nullptr, 8));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(CryptEncrypt(key, 0, TRUE, 1, data.data(), &length, 8));
  EXPECT_EQ(GetLastError(), NTE_BAD_FLAGS);
  CryptDestroyKey(key);
  CryptReleaseContext(prov, 0);
}

TEST_F(CryptTest, AHashGivenToTheCipherTakesThePlainText) {
  HCRYPTPROV prov = NewContainer();
  HCRYPTKEY key = DeriveFrom(prov, u"rqz52Hob");
  HCRYPTHASH viaCipher = 0, direct = 0;
  ASSERT_TRUE(CryptCreateHash(prov, CALG_MD5, 0, 0, &viaCipher));
  ASSERT_TRUE(CryptCreateHash(prov, CALG_MD5, 0, 0, &direct));
  std::vector<BYTE> plain = Bytes("secret"), data = plain;
  DWORD length = static_cast<DWORD>(data.size());
  ASSERT_TRUE(CryptEncrypt(key, viaCipher, TRUE, 0, data.data(), &length, length));
  ASSERT_TRUE(CryptHashData(direct, plain.data(), static_cast<DWORD>(plain.size()), 0));
  // Equal hashes derive equal keys.
  HCRYPTKEY a = 0, b = 0;
  ASSERT_TRUE(CryptDeriveKey(prov, CALG_RC4, viaCipher, 0, &a));
  ASSERT_TRUE(CryptDeriveKey(prov, CALG_RC4, direct, 0, &b));
  EXPECT_EQ(Encrypt(a, Bytes("probe")), Encrypt(b, Bytes("probe")));
  for (HCRYPTKEY k : {a, b, key}) CryptDestroyKey(k);
  CryptDestroyHash(viaCipher);
  CryptDestroyHash(direct);
  CryptReleaseContext(prov, 0);
}

// ---- CryptContainer ----------------------------------------------------------------------------

TEST_F(CryptTest, ContainerMustExistUnlessCreated) {
  HCRYPTPROV prov = 123;
  EXPECT_FALSE(CryptAcquireContextW(&prov, u"Slateway", MS_DEF_PROV_W, PROV_RSA_FULL, 0));
  EXPECT_EQ(GetLastError(), NTE_BAD_KEYSET);
  EXPECT_EQ(prov, 0u);

  ASSERT_TRUE(CryptAcquireContextW(&prov, u"Slateway", MS_DEF_PROV_W, PROV_RSA_FULL, CRYPT_NEWKEYSET));
  EXPECT_NE(prov, 0u);
  EXPECT_TRUE(CryptReleaseContext(prov, 0));
  EXPECT_TRUE(ContainerFileExists(u"Slateway"));

  HCRYPTPROV again = 0;
  EXPECT_FALSE(CryptAcquireContextW(&again, u"Slateway", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
  EXPECT_EQ(GetLastError(), NTE_EXISTS);
  Restart();
  ASSERT_TRUE(CryptAcquireContextW(&again, u"SLATEWAY", nullptr, PROV_RSA_FULL, 0))
      << "containers persist and their names ignore case";
  CryptReleaseContext(again, 0);
}

TEST_F(CryptTest, KeyPairsPersistInTheirContainer) {
  HCRYPTPROV prov = NewContainer();
  HCRYPTKEY key = 0;
  for (DWORD spec : {AT_SIGNATURE, AT_KEYEXCHANGE}) {
    EXPECT_FALSE(CryptGetUserKey(prov, spec, &key));
    EXPECT_EQ(GetLastError(), NTE_NO_KEY);
  }
  ASSERT_TRUE(CryptGenKey(prov, AT_SIGNATURE, 0, &key));
  CryptDestroyKey(key);
  CryptReleaseContext(prov, 0);

  Restart();
  ASSERT_TRUE(CryptAcquireContextW(&prov, u"Slateway", nullptr, PROV_RSA_FULL, 0));
  ASSERT_TRUE(CryptGetUserKey(prov, AT_SIGNATURE, &key));
  // A key pair only exists here; it does not encrypt.
  BYTE data[4] = {1, 2, 3, 4};
  DWORD length = 4;
  EXPECT_FALSE(CryptEncrypt(key, 0, TRUE, 0, data, &length, 4));
  EXPECT_EQ(GetLastError(), NTE_BAD_KEY);
  CryptDestroyKey(key);
  EXPECT_FALSE(CryptGetUserKey(prov, AT_KEYEXCHANGE, &key)) << "only the signature pair was made";
  EXPECT_EQ(GetLastError(), NTE_NO_KEY);
  ASSERT_TRUE(CryptGenKey(prov, CALG_RSA_KEYX, CRYPT_EXPORTABLE, &key));
  CryptDestroyKey(key);
  ASSERT_TRUE(CryptGetUserKey(prov, AT_KEYEXCHANGE, &key));
  CryptDestroyKey(key);
  CryptReleaseContext(prov, 0);

  // Another container knows nothing of these pairs.
  HCRYPTPROV other = NewContainer(u"Other");
  EXPECT_FALSE(CryptGetUserKey(other, AT_SIGNATURE, &key));
  EXPECT_EQ(GetLastError(), NTE_NO_KEY);
  CryptReleaseContext(other, 0);
}

TEST_F(CryptTest, DeleteKeySetRemovesTheContainer) {
  CryptReleaseContext(NewContainer(), 0);
  HCRYPTPROV prov = 77;
  ASSERT_TRUE(CryptAcquireContextW(&prov, u"Slateway", nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET));
  EXPECT_EQ(prov, 0u) << "deleting gives no context";
  EXPECT_FALSE(ContainerFileExists(u"Slateway"));
  EXPECT_FALSE(CryptAcquireContextW(&prov, u"Slateway", nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET));
  EXPECT_EQ(GetLastError(), NTE_BAD_KEYSET);
}

TEST_F(CryptTest, TheDefaultContainerIsOneOfItsOwn) {
  HCRYPTPROV prov = 0;
  ASSERT_TRUE(CryptAcquireContextW(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
  CryptReleaseContext(prov, 0);
  ASSERT_TRUE(CryptAcquireContextW(&prov, u"", nullptr, PROV_RSA_FULL, 0)) << "empty is the default too";
  CryptReleaseContext(prov, 0);
  EXPECT_FALSE(CryptAcquireContextW(&prov, u"Slateway", nullptr, PROV_RSA_FULL, 0));
}

TEST_F(CryptTest, AcquireRefusesBadArguments) {
  struct Case {
    const char16_t* container;
    const char16_t* provider;
    DWORD type;
    DWORD flags;
    DWORD error;
  } cases[] = {
      {u"Slateway", nullptr, 24, CRYPT_NEWKEYSET, NTE_BAD_PROV_TYPE},
      {u"Slateway", u"Some Other Provider", PROV_RSA_FULL, CRYPT_NEWKEYSET, NTE_KEYSET_NOT_DEF},
      {u"Slateway", nullptr, PROV_RSA_FULL, 0x40, NTE_BAD_FLAGS},
      {u"Slateway", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET, NTE_BAD_FLAGS},
      {u"..\\..\\escape", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET, NTE_BAD_KEYSET_PARAM},
      {u"a/b", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET, NTE_BAD_KEYSET_PARAM},
      {u".hidden", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET, NTE_BAD_KEYSET_PARAM},
  };
  for (const Case& c : cases) {
    HCRYPTPROV prov = 5;
    EXPECT_FALSE(CryptAcquireContextW(&prov, c.container, c.provider, c.type, c.flags));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(prov, 0u);
  }
  EXPECT_FALSE(std::filesystem::exists(Linux(platform::crypt::kContainerFolder)));
  EXPECT_FALSE(CryptAcquireContextW(nullptr, u"Slateway", nullptr, PROV_RSA_FULL, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// ---- CryptErrors --------------------------------------------------------------------------------

TEST_F(CryptTest, HandlesThatAreNotOpenAreRefused) {
  HCRYPTPROV prov = NewContainer();
  HCRYPTKEY key = DeriveFrom(prov, u"x");
  HCRYPTHASH hash = 0;
  ASSERT_TRUE(CryptCreateHash(prov, CALG_MD5, 0, 0, &hash));
  ASSERT_TRUE(CryptDestroyKey(key));
  ASSERT_TRUE(CryptDestroyHash(hash));
  ASSERT_TRUE(CryptReleaseContext(prov, 0));

  BYTE data[2] = {};
  DWORD length = 2;
  HCRYPTKEY out = 0;
  HCRYPTHASH outHash = 0;
  struct Check {
    const char* call;
    std::function<BOOL()> run;
    DWORD error;
  } checks[] = {
      {"DestroyKey", [&] { return CryptDestroyKey(key); }, NTE_BAD_KEY},
      {"DestroyHash", [&] { return CryptDestroyHash(hash); }, NTE_BAD_HASH},
      {"ReleaseContext", [&] { return CryptReleaseContext(prov, 0); }, NTE_BAD_UID},
      {"Encrypt", [&] { return CryptEncrypt(key, 0, TRUE, 0, data, &length, 2); }, NTE_BAD_KEY},
      {"Decrypt", [&] { return CryptDecrypt(key, 0, TRUE, 0, data, &length); }, NTE_BAD_KEY},
      {"HashData", [&] { return CryptHashData(hash, data, 2, 0); }, NTE_BAD_HASH},
      {"CreateHash", [&] { return CryptCreateHash(prov, CALG_MD5, 0, 0, &outHash); }, NTE_BAD_UID},
      {"GetUserKey", [&] { return CryptGetUserKey(prov, AT_SIGNATURE, &out); }, NTE_BAD_UID},
      {"GenKey", [&] { return CryptGenKey(prov, AT_SIGNATURE, 0, &out); }, NTE_BAD_UID},
      {"DeriveKey", [&] { return CryptDeriveKey(prov, CALG_RC4, hash, 0, &out); }, NTE_BAD_UID},
  };
  for (const Check& c : checks) {
    SetLastError(0);
    EXPECT_FALSE(c.run()) << c.call;
    EXPECT_EQ(GetLastError(), c.error) << c.call;
  }
}

TEST_F(CryptTest, UnsupportedAlgorithmsAndFlags) {
  HCRYPTPROV prov = NewContainer();
  HCRYPTHASH hash = 0;
  EXPECT_FALSE(CryptCreateHash(prov, CALG_RC4, 0, 0, &hash));
  EXPECT_EQ(GetLastError(), NTE_BAD_ALGID);
  EXPECT_FALSE(CryptCreateHash(prov, CALG_MD5, 0, 1, &hash));
  EXPECT_EQ(GetLastError(), NTE_BAD_FLAGS);
  HCRYPTKEY key = 0;
  EXPECT_FALSE(CryptGenKey(prov, CALG_RC4, 0, &key));
  EXPECT_EQ(GetLastError(), NTE_BAD_ALGID);
  EXPECT_FALSE(CryptGetUserKey(prov, 3, &key));
  EXPECT_EQ(GetLastError(), NTE_BAD_KEY);
  EXPECT_FALSE(CryptReleaseContext(prov, 1));
  EXPECT_EQ(GetLastError(), NTE_BAD_FLAGS);
  EXPECT_TRUE(CryptReleaseContext(prov, 0));
}

// ---- CryptFaults ---------------------------------------------------------------------------------

TEST_F(CryptTest, AnInjectedAcquireFailureCreatesNothing) {
  FailNext(Step::AcquireContext, 0, 2);
  HCRYPTPROV prov = 0;
  EXPECT_FALSE(CryptAcquireContextW(&prov, u"Slateway", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
  EXPECT_EQ(GetLastError(), NTE_BAD_KEYSET);
  EXPECT_FALSE(CryptAcquireContextW(&prov, u"Slateway", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
  EXPECT_FALSE(ContainerFileExists(u"Slateway"));
  ASSERT_TRUE(CryptAcquireContextW(&prov, u"Slateway", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET))
      << "the plan covered two calls only";
  CryptReleaseContext(prov, 0);
}

TEST_F(CryptTest, EachStepCanBeMadeToFailWithItsError) {
  HCRYPTPROV prov = NewContainer();
  HCRYPTKEY key = DeriveFrom(prov, u"rqz52Hob");
  HCRYPTHASH hash = 0;
  ASSERT_TRUE(CryptCreateHash(prov, CALG_MD5, 0, 0, &hash));
  BYTE data[4] = {1, 2, 3, 4};
  DWORD length = 4;
  HCRYPTKEY out = 0;
  HCRYPTHASH outHash = 0;

  ASSERT_TRUE(CryptGenKey(prov, AT_SIGNATURE, 0, &out));
  CryptDestroyKey(out);
  FailNext(Step::GetUserKey);
  EXPECT_FALSE(CryptGetUserKey(prov, AT_SIGNATURE, &out)) << "the pair exists, the failure was injected";
  EXPECT_EQ(GetLastError(), NTE_NO_KEY);

  FailNext(Step::GenKey, NTE_PERM);
  EXPECT_FALSE(CryptGenKey(prov, AT_KEYEXCHANGE, 0, &out));
  EXPECT_EQ(GetLastError(), NTE_PERM);
  EXPECT_FALSE(CryptGetUserKey(prov, AT_KEYEXCHANGE, &out)) << "a failed generation records nothing";

  FailNext(Step::CreateHash);
  EXPECT_FALSE(CryptCreateHash(prov, CALG_MD5, 0, 0, &outHash));
  EXPECT_EQ(GetLastError(), NTE_FAIL);

  FailNext(Step::HashData, NTE_BAD_DATA);
  EXPECT_FALSE(CryptHashData(hash, data, 4, 0));
  EXPECT_EQ(GetLastError(), NTE_BAD_DATA);

  FailNext(Step::DeriveKey);
  EXPECT_FALSE(CryptDeriveKey(prov, CALG_RC4, hash, 0, &out));
  EXPECT_EQ(out, 0u);

  const std::vector<BYTE> original(data, data + 4);
  FailNext(Step::Encrypt, NTE_BAD_LEN);
  EXPECT_FALSE(CryptEncrypt(key, 0, TRUE, 0, data, &length, 4));
  EXPECT_EQ(GetLastError(), NTE_BAD_LEN);
  EXPECT_EQ(std::vector<BYTE>(data, data + 4), original) << "a failed call changes nothing";

  FailNext(Step::Decrypt, 0, 1, 1);
  EXPECT_TRUE(CryptDecrypt(key, 0, TRUE, 0, data, &length)) << "skipped once";
  const std::vector<BYTE> once(data, data + 4);
  EXPECT_NE(once, original);
  EXPECT_FALSE(CryptDecrypt(key, 0, TRUE, 0, data, &length));
  EXPECT_EQ(GetLastError(), NTE_FAIL);
  EXPECT_EQ(std::vector<BYTE>(data, data + 4), once);

  CryptDestroyKey(key);
  CryptDestroyHash(hash);
  CryptReleaseContext(prov, 0);
}

}  // namespace
